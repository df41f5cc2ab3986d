// Benchmark, not a test, of what a player waits for in the frame:
//   1. From starting Velora.exe until the game page's first frame shows in
//      its main window, beside a headless Chromium started by this run
//      until its first frame of the same page at the same size.
//   2. The close click's cafe test (RunCafeTest against the real
//      Veyra.dll beside this program, no bar-client server registered).
// The figures go to standard error; the cafe test's own diagnostic lines
// go to standard output. Run it under Wine with a display:
//   cmake/wine-run build/win64/wine bench build/win64/tests/velora/frame/frame_benchmark.exe [rounds]
#include "win_include.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "common/cafe_client_win.h"
#include "headless_reference.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

std::wstring Widen(const std::string& text) { return std::wstring(text.begin(), text.end()); }

std::wstring WinPath(const char* buildPath) {
  std::wstring path = L"Z:" + Widen(buildPath);
  for (wchar_t& c : path)
    if (c == L'/') c = L'\\';
  return path;
}

std::wstring ThisFolder() {
  wchar_t path[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring text = path;
  return text.substr(0, text.rfind(L'\\') + 1);
}

struct Found {
  DWORD pid;
  HWND hwnd;
};

BOOL CALLBACK FindFrame(HWND hwnd, LPARAM param) {
  auto* found = reinterpret_cast<Found*>(param);
  DWORD pid = 0;
  ::GetWindowThreadProcessId(hwnd, &pid);
  wchar_t name[64] = {};
  ::GetClassNameW(hwnd, name, 64);
  if (pid == found->pid && wcscmp(name, L"OVWebGameFrame") == 0 && ::IsWindowVisible(hwnd)) {
    found->hwnd = hwnd;
    return FALSE;
  }
  return TRUE;
}

// One start of the frame: ms until the screen shows the page's colour in
// the game browser; negative when it never does.
double FrameFirstFrame(const std::wstring& folder) {
  std::wstring commandLine = L"\"" + folder + L"Velora.exe\"";
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  const Clock::time_point t0 = Clock::now();
  if (!::CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup,
                        &process))
    return -1;
  ::CloseHandle(process.hThread);
  double ms = -1;
  Found found = {process.dwProcessId, nullptr};
  while (Clock::now() - t0 < std::chrono::seconds(30)) {
    if (!found.hwnd) ::EnumWindows(FindFrame, reinterpret_cast<LPARAM>(&found));
    if (found.hwnd) {
      POINT at = {500, 400};
      ::ClientToScreen(found.hwnd, &at);
      HDC dc = ::GetDC(nullptr);
      const COLORREF c = ::GetPixel(dc, at.x, at.y);
      ::ReleaseDC(nullptr, dc);
      if (velora_bench::IsPageColour(c)) {
        ms = Ms(Clock::now() - t0);
        break;
      }
    }
    ::Sleep(1);
  }
  if (found.hwnd) ::PostMessageW(found.hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
  if (::WaitForSingleObject(process.hProcess, 20000) != WAIT_OBJECT_0) ::TerminateProcess(process.hProcess, 1);
  ::CloseHandle(process.hProcess);
  return ms;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const int rounds = argc > 1 ? _wtoi(argv[1]) : 5;
  const std::wstring here = ThisFolder();

  // A frame installation: the program and a skin whose game page is one
  // colour from edge to edge.
  const std::wstring folder = here + L"frame_benchmark\\";
  ::CreateDirectoryW(folder.c_str(), nullptr);
  ::CreateDirectoryW((folder + L"Skin").c_str(), nullptr);
  if (!::CopyFileW(WinPath(VELORA_EXE).c_str(), (folder + L"Velora.exe").c_str(), FALSE)) return 2;
  {
    std::ofstream skin((folder + L"Skin\\GameFrame.xml").c_str(), std::ios::binary);
    skin << "<Window size=\"1000,600\" caption=\"0,0,0,40\" bkcolor=\"#FF1B2330\">"
            "<Default name=\"home_page\" value=\"" VELORA_ENGINE_PAGES "color.html\"/>"
            "<VerticalLayout><HorizontalLayout height=\"40\"><Button name=\"closebtn\" width=\"40\"/></HorizontalLayout>"
            "<Cef name=\"Cef_game\"/></VerticalLayout></Window>";
  }
  velora_bench::HeadlessReference reference;
  double chromium_start = 0;
  if (!reference.Start(here, &chromium_start)) return 3;
  const std::string page = std::string(VELORA_ENGINE_PAGES) + "color.html";

  FrameFirstFrame(folder);  // warms Wine's and Chromium's caches
  reference.FirstFrame(page, 1000, 560);
  std::vector<double> frame, headless;
  for (int i = 0; i < rounds; ++i) {
    const double f = FrameFirstFrame(folder);
    const double h = reference.FirstFrame(page, 1000, 560);
    if (f >= 0) frame.push_back(f);
    if (h >= 0) headless.push_back(h);
  }
  reference.Stop();
  const double mf = Median(frame), mh = Median(headless);
  std::fprintf(stderr,
               "process start to the game page's first frame: Velora.exe median %.0f ms (%zu rounds); headless "
               "Chromium: start %.0f ms + first frame median %.0f ms = %.0f ms; ratio %.2f\n",
               mf, frame.size(), chromium_start, mh, chromium_start + mh,
               mh > 0 ? mf / (chromium_start + mh) : 0.0);

  // The cafe test, as the close click runs it.
  if (!::CopyFileW(WinPath(VEYRA_DLL).c_str(), (here + L"Veyra.dll").c_str(), FALSE)) return 4;
  std::vector<double> cafe;
  for (int i = 0; i < 20; ++i) {
    const Clock::time_point t0 = Clock::now();
    RunCafeTest();
    cafe.push_back(Ms(Clock::now() - t0));
  }
  std::fflush(stdout);
  std::fprintf(stderr, "cafe test (no bar-client server): first %.1f ms, median of 20 %.1f ms, max %.1f ms\n",
               cafe.front(), Median(cafe), *std::max_element(cafe.begin(), cafe.end()));
  return frame.empty() || headless.empty() ? 1 : 0;
}
