#include "ui_test_support.h"

#include <algorithm>

namespace uitest {

namespace {
std::vector<std::wstring> g_lines;
UiLogSink g_previous = nullptr;
void Collect(UiLogLevel, const wchar_t* line) { g_lines.emplace_back(line); }

void SendMouse(DWORD flags, LONG dx = 0, LONG dy = 0) {
  INPUT in{};
  in.type = INPUT_MOUSE;
  in.mi.dx = dx;
  in.mi.dy = dy;
  in.mi.dwFlags = flags;
  ::SendInput(1, &in, sizeof(in));
}
}  // namespace

void Pump(int ms) {
  const DWORD end = ::GetTickCount() + static_cast<DWORD>(ms);
  do {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (!CPaintManagerUI::TranslateMessage(&msg)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
      }
    }
    ::Sleep(5);
  } while (static_cast<LONG>(end - ::GetTickCount()) > 0);
}

void MouseMoveScreen(POINT pt) {
  const int w = ::GetSystemMetrics(SM_CXSCREEN), h = ::GetSystemMetrics(SM_CYSCREEN);
  SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, (pt.x * 65535 + w / 2) / (w - 1), (pt.y * 65535 + h / 2) / (h - 1));
  ::SetCursorPos(pt.x, pt.y);
}

void MouseMove(HWND hwnd, POINT client) {
  ::ClientToScreen(hwnd, &client);
  MouseMoveScreen(client);
}

void MouseDown() { SendMouse(MOUSEEVENTF_LEFTDOWN); }
void MouseUp() { SendMouse(MOUSEEVENTF_LEFTUP); }

COLORREF PixelAt(HWND hwnd, POINT client) {
  HDC dc = ::GetDC(hwnd);
  const COLORREF c = ::GetPixel(dc, client.x, client.y);
  ::ReleaseDC(hwnd, dc);
  return c;
}

POINT Center(const RECT& rc) { return POINT{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2}; }

LogCapture::LogCapture() {
  g_lines.clear();
  g_previous = SetUiLogSink(&Collect);
}
LogCapture::~LogCapture() { SetUiLogSink(g_previous); }
const std::vector<std::wstring>& LogCapture::Lines() const { return g_lines; }
bool LogCapture::Contains(const wchar_t* part) const {
  return std::any_of(g_lines.begin(), g_lines.end(), [&](const std::wstring& l) { return l.find(part) != std::wstring::npos; });
}

HWND TestWindow::Open(HWND owner, DWORD style) {
  if (!Create(owner, L"test", style, 0, 0, 0, 0, 0)) return nullptr;
  CenterWindow();
  ShowWindow(true, true);
  ::UpdateWindow(m_hWnd);
  Pump(30);
  return m_hWnd;
}

CControlUI* TestWindow::CreateControl(LPCTSTR pstrClass) {
  createRequests.emplace_back(pstrClass);
  if (EqualsNoCase(pstrClass, L"Cef") || EqualsNoCase(pstrClass, L"Probe")) {
    auto* probe = new ProbeControl;
    probes.push_back(probe);
    return probe;
  }
  return nullptr;
}

void TestWindow::InitWindow() { initWindowSawControls = m_PaintManager.GetRoot() != nullptr; }

void TestWindow::Notify(TNotifyUI& msg) {
  notifications.push_back(msg.sType.str() + L":" + (msg.pSender ? msg.pSender->GetName().str() : L"-"));
  WindowImplBase::Notify(msg);
}

void TestWindow::OnClick(TNotifyUI& msg) {
  if (onClick) onClick(msg);
}

void TestWindow::OnFinalMessage(HWND hWnd) {
  WindowImplBase::OnFinalMessage(hWnd);
  finalAfterWindowGone = !::IsWindow(hWnd);
  ++finalCount;
  if (onFinal) onFinal();  // may delete this
}

LRESULT TestWindow::HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) {
  if (uMsg == tracedMessage && tracedMessage != WM_NULL) trace.push_back(L"custom");
  bHandled = FALSE;
  if (onCustom) return onCustom(uMsg, wParam, lParam, bHandled);
  return 0;
}

LRESULT TestWindow::OnChar(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) {
  if (uMsg == tracedMessage) trace.push_back(L"onchar");
  bHandled = FALSE;
  return 0;
}

LRESULT TestWindow::OnClose(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) {
  if (uMsg == tracedMessage) trace.push_back(L"onclose");
  bHandled = FALSE;
  return 0;
}

LRESULT RecordingFilter::MessageHandler(UINT uMsg, WPARAM, LPARAM, bool& bHandled) {
  if (uMsg == traced_) trace_->push_back(L"filter");
  if (uMsg == swallow) {
    bHandled = true;
    return 42;
  }
  return 0;
}

}  // namespace uitest
