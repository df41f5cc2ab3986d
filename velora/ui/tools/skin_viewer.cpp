// Opens a skin file as a window, the way the frame's windows are built:
//   skin_viewer <skin.xml> [--shot <file.png>] [--quit-after <ms>]
// The skin's folder becomes the resource path. "Cef" elements become empty
// placeholder controls. With --shot the window is saved as a PNG once it
// has painted; with --quit-after it closes itself after that many
// milliseconds. Log lines of the library go to stderr. Exit code 0, or 1
// when the window cannot be created.
#include <cstdio>
#include <string>

#include "UILib.h"

using namespace DuiLib;

namespace {

class SkinViewerWnd : public WindowImplBase {
 public:
  explicit SkinViewerWnd(std::wstring file) : file_(std::move(file)) {}

 protected:
  LPCTSTR GetWindowClassName() const override { return L"VeloraSkinViewer"; }
  CDuiString GetSkinFile() override { return CDuiString(file_); }
  CControlUI* CreateControl(LPCTSTR pstrClass) override {
    // The browser engine is not part of the viewer: an empty control holds
    // the place (it paints its skin background).
    if (EqualsNoCase(pstrClass, L"Cef")) return new CControlUI;
    return nullptr;
  }
  void OnClick(TNotifyUI& msg) override {
    const CDuiString name = msg.pSender->GetName();
    std::fwprintf(stdout, L"click %ls\n", name.GetData());
    std::fflush(stdout);
    if (name == L"closebtn" || name == L"btn_ok" || name == L"btn_cancel") Close(name == L"btn_ok" ? 1 : 0);
    else if (name == L"minbtn") SendMessageW(WM_SYSCOMMAND, SC_MINIMIZE, 0);
    else if (name == L"maxbtn") SendMessageW(WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    else if (name == L"restorebtn") SendMessageW(WM_SYSCOMMAND, SC_RESTORE, 0);
  }
  LRESULT OnDestroy(UINT, WPARAM, LPARAM, BOOL& bHandled) override {
    ::PostQuitMessage(0);
    bHandled = FALSE;
    return 0;
  }

 private:
  std::wstring file_;
};

void LogToStderr(UiLogLevel, const wchar_t* line) {
  std::fwprintf(stderr, L"%ls\n", line);
  std::fflush(stderr);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  SetUiLogSink(&LogToStderr);
  if (argc < 2) {
    std::fwprintf(stderr, L"usage: skin_viewer <skin.xml> [--shot <file.png>] [--quit-after <ms>]\n");
    return 2;
  }
  std::wstring skin = argv[1], shot;
  UINT quitAfter = 0;
  for (int i = 2; i + 1 < argc; i += 2) {
    if (std::wstring(argv[i]) == L"--shot") shot = argv[i + 1];
    else if (std::wstring(argv[i]) == L"--quit-after") quitAfter = static_cast<UINT>(_wtoi(argv[i + 1]));
  }
  wchar_t full[MAX_PATH * 4];
  if (!::GetFullPathNameW(skin.c_str(), MAX_PATH * 4, full, nullptr)) return 1;
  std::wstring path = full;
  const size_t slash = path.find_last_of(L"\\/");
  CPaintManagerUI::SetInstance(::GetModuleHandleW(nullptr));
  CPaintManagerUI::SetResourcePath(path.substr(0, slash + 1).c_str());

  SkinViewerWnd window(path.substr(slash + 1));
  if (!window.Create(nullptr, L"", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 0, 0, 0)) {
    std::fwprintf(stderr, L"skin_viewer: the window for %ls cannot be created\n", path.c_str());
    return 1;
  }
  window.CenterWindow();
  window.ShowWindow(true, true);
  ::UpdateWindow(window);
  if (!shot.empty()) {
    // Let the window reach the screen before copying it.
    for (int i = 0; i < 20; ++i) {
      MSG msg;
      while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
      ::Sleep(25);
    }
    if (!CRenderEngine::SaveWindowPng(window, shot.c_str())) std::fwprintf(stderr, L"skin_viewer: cannot save %ls\n", shot.c_str());
  }
  const UINT_PTR timer = quitAfter ? ::SetTimer(nullptr, 0, quitAfter, nullptr) : 0;
  MSG msg;
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (msg.message == WM_TIMER && msg.hwnd == nullptr && msg.wParam == timer) {
      window.Close(0);
      continue;
    }
    if (!CPaintManagerUI::TranslateMessage(&msg)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
  }
  CPaintManagerUI::Term();
  return 0;
}
