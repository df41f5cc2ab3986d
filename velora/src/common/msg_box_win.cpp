#include "common/msg_box_win.h"

#include <cwchar>

#include "common/frame_window_rules.h"
#include "win_include.h"

namespace {

// Moves the box to the middle of the work area of its nearest monitor,
// kept inside that area, without resizing or activating it.
void CentreOnMonitor(HWND window) {
  MONITORINFO info = {};
  info.cbSize = sizeof info;
  if (!GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &info)) return;
  RECT outer;
  if (!GetWindowRect(window, &outer)) return;
  const ScreenPoint at = CentreOnWorkArea({info.rcWork.left, info.rcWork.top, info.rcWork.right, info.rcWork.bottom},
                                          {outer.left, outer.top, outer.right, outer.bottom});
  SetWindowPos(window, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// Copies a skin name into a fixed array, cut to fit with its terminator.
void CopySkinName(wchar_t (&to)[200], const wchar_t* from) {
  std::wcsncpy(to, from ? from : L"", 199);
  to[199] = L'\0';
}

}  // namespace

int ShowMsgBox(HWND owner, const wchar_t* skinFile) {
  MsgBox* box = new MsgBox(skinFile);
  int result = 0;
  if (box->Create(owner, L"close", 0x96C80000, 0)) {
    CentreOnMonitor(*box);
    box->ShowModal();
    result = box->Result();
  }
  delete box;
  return result;
}

MsgBox::MsgBox(const wchar_t* skinFile) { CopySkinName(skin_, skinFile); }

void MsgBox::InitWindow() {
  if (DuiLib::CControlUI* ok = m_PaintManager.FindControl(L"btn_ok")) m_PaintManager.SetFocus(ok);
}

void MsgBox::Notify(DuiLib::TNotifyUI& msg) {
  if (msg.sType == L"click" && msg.pSender) {
    const DuiLib::CDuiString name = msg.pSender->GetName();
    if (name == L"btn_ok") {
      result_ = 1;
      Close(1);
      return;
    }
    if (name == L"btn_cancel" || name == L"closebtn") {
      result_ = 0;
      Close(1);
      return;
    }
  }
  WindowImplBase::Notify(msg);
}

QrFrame::QrFrame() { CopySkinName(skin_, L"QrFrame.xml"); }
