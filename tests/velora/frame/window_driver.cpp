// Drives the frame's windows from outside, as a player's mouse and keyboard
// would, for the demo: waits for windows by class and clicks or types at
// client coordinates of a top-level window. A click goes to the deepest
// child window under the point (a browser's own window), in its
// coordinates. Under Wine every program of one prefix sees the others'
// windows.
//   window_driver wait  <class> [ms]        a visible window of the class appears
//   window_driver gone  <class> [ms]        no visible window of the class is left
//   window_driver click <class> <x> <y>     x < 0 counts from the right edge
//   window_driver keys  <class> <x> <y> <text>  clicks there, then types the text
//   window_driver close <class>             the system command close (Alt+F4)
// On success it prints "ok" and exits 0; 1 when the window is not there in
// time. (The printed word is what scripts check: under Wine a program's
// exit code can be lost at its teardown.)
#include "win_include.h"

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

HWND VisibleWindow(const wchar_t* className) {
  for (HWND hwnd = ::FindWindowExW(nullptr, nullptr, className, nullptr); hwnd;
       hwnd = ::FindWindowExW(nullptr, hwnd, className, nullptr))
    if (::IsWindowVisible(hwnd)) return hwnd;
  return nullptr;
}

HWND WaitVisible(const wchar_t* className, int ms) {
  for (int waited = 0; waited <= ms; waited += 50) {
    if (HWND hwnd = VisibleWindow(className)) return hwnd;
    ::Sleep(50);
  }
  return nullptr;
}

// The deepest visible child under the client point; the point is turned
// into that window's client coordinates.
HWND DeepestAt(HWND top, POINT* at) {
  HWND hwnd = top;
  for (;;) {
    HWND child = ::ChildWindowFromPointEx(hwnd, *at, CWP_SKIPINVISIBLE | CWP_SKIPDISABLED);
    if (!child || child == hwnd) return hwnd;
    ::MapWindowPoints(hwnd, child, at, 1);
    hwnd = child;
  }
}

void Click(HWND hwnd, POINT at) {
  const LPARAM lp = MAKELPARAM(at.x, at.y);
  ::PostMessageW(hwnd, WM_MOUSEMOVE, 0, lp);
  ::Sleep(30);
  ::PostMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, lp);
  ::Sleep(60);
  ::PostMessageW(hwnd, WM_LBUTTONUP, 0, lp);
}

bool PointIn(HWND top, int x, int y, POINT* at) {
  RECT rc;
  if (!::GetClientRect(top, &rc)) return false;
  at->x = x < 0 ? rc.right + x : x;
  at->y = y < 0 ? rc.bottom + y : y;
  return true;
}

int Ok() {
  std::printf("ok\n");
  std::fflush(stdout);
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: window_driver wait|gone|click|keys|close <class> ...\n");
    return 2;
  }
  const std::wstring command = argv[1];
  const wchar_t* className = argv[2];
  if (command == L"wait" || command == L"gone") {
    const int ms = argc > 3 ? _wtoi(argv[3]) : 30000;
    if (command == L"wait") return WaitVisible(className, ms) ? Ok() : 1;
    for (int waited = 0; waited <= ms; waited += 50) {
      if (!VisibleWindow(className)) return Ok();
      ::Sleep(50);
    }
    return 1;
  }
  if (command == L"close") {
    HWND top = VisibleWindow(className);
    return top && ::PostMessageW(top, WM_SYSCOMMAND, SC_CLOSE, 0) ? Ok() : 1;
  }
  if ((command == L"click" && argc >= 5) || (command == L"keys" && argc >= 6)) {
    HWND top = WaitVisible(className, 10000);
    POINT at;
    if (!top || !PointIn(top, _wtoi(argv[3]), _wtoi(argv[4]), &at)) return 1;
    HWND target = DeepestAt(top, &at);
    Click(target, at);
    if (command == L"keys") {
      ::Sleep(200);
      for (const wchar_t* c = argv[5]; *c; ++c) {
        const SHORT vk = ::VkKeyScanW(*c);
        const UINT code = LOBYTE(vk);
        ::PostMessageW(target, WM_KEYDOWN, code, 1);
        ::PostMessageW(target, WM_CHAR, *c, 1);
        ::Sleep(40);
        ::PostMessageW(target, WM_KEYUP, code, 0xC0000001);
        ::Sleep(40);
      }
    }
    return Ok();
  }
  std::fprintf(stderr, "window_driver: unknown command or missing arguments\n");
  return 2;
}
