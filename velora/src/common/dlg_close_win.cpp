#include "common/dlg_close_win.h"

#include <shellapi.h>

#include "common/frame_window_rules.h"
#include "common/game_browser_win.h"
#include "common/game_frame_win.h"
#include "frame_log.h"
#include "win_include.h"

void CPageDlg::OnFinalMessage(HWND hWnd) {
  WindowImplBase::OnFinalMessage(hWnd);
  delete this;
}

void CPageDlg::InitWindow() {
  SetIcon(102);
  closebtn_ = m_PaintManager.FindControl(L"closebtn");
  cef_close_ = m_PaintManager.FindControl(L"Cef_Close");
}

DuiLib::CControlUI* CPageDlg::CreateControl(LPCTSTR pstrClass) {
  if (!pstrClass || _wcsicmp(pstrClass, L"Cef") != 0) return nullptr;
  // The close address current now: a later one belongs to a later dialog.
  return CreateBrowserControl(&m_PaintManager, owner_ ? owner_->CloseAddress() : std::wstring());
}

void CPageDlg::OnClick(DuiLib::TNotifyUI& msg) {
  if (closebtn_ && msg.pSender == closebtn_) {
    Close(0);
    return;
  }
  if (msg.pSender && msg.pSender->GetName().CompareNoCase(L"homepage_btn") == 0)
    ShellExecuteW(nullptr, L"open", DefaultBuiltInPages().officialSite.c_str(), nullptr, nullptr, SW_SHOW);
}

LRESULT CPageDlg::HandleCustomMessage(UINT uMsg, WPARAM, LPARAM, BOOL& bHandled) {
  bHandled = FALSE;
  if (uMsg == kCloseMainMessage) {
    if (owner_) owner_->OnCloseMainWnd();
  } else if (uMsg == kReturnGameMessage) {
    Close(0);
  }
  return 0;
}

void CPageDlg::HandleJSCall(const std::wstring& name, CefRefPtr<CefListValue> args, int) {
  const int argumentCount = args ? static_cast<int>(args->GetSize()) : 0;
  LogAt(__FILE__, __LINE__, "CLoginDlg::HandleJSCall")(kLogInfo, L"CLoginDlg::HandleJSCall %ls args=%d", name.c_str(),
                                                       argumentCount);
  if (name == L"web2vc_returnGame")
    Close(0);
  else if (name == L"web2vc_Close" && owner_)
    owner_->OnCloseMainWnd();
}

DuiLib::CControlUI* CefWnd::CreateControl(LPCTSTR pstrClass) {
  if (!pstrClass || _wcsicmp(pstrClass, L"Cef") != 0) return nullptr;
  return CreateBrowserControl(&m_PaintManager, address_ ? *address_ : std::wstring());
}

void LobbyWnd::Show(HWND owner, const std::wstring& address) {
  Create(owner, L"", 0x96C80000, 0);
  address_ = address;
  browser_.SetAddress(&address_);
  browser_.Create(m_hWnd, L"", 0x96C80000, 0, 0, 0, CW_USEDEFAULT, CW_USEDEFAULT);
  CenterWindow();
  ShowWindow(true, true);
  browser_.ShowWindow(true, true);
}

void LobbyWnd::InitWindow() {
  closebtn_ = m_PaintManager.FindControl(L"closebtn");
  PostMessageW(WM_MOVE, 0, 0);
}

LRESULT LobbyWnd::HandleCustomMessage(UINT uMsg, WPARAM, LPARAM lParam, BOOL& bHandled) {
  bHandled = FALSE;
  if (uMsg != WM_MOVE) return 0;
  // The browser window sits on the advert's top-left corner; the first
  // (posted) move centres both.
  const int x = static_cast<short>(LOWORD(lParam));
  const int y = static_cast<short>(HIWORD(lParam));
  if (::IsWindow(browser_.GetHWND()))
    ::SetWindowPos(browser_.GetHWND(), nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  ::SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  if (lParam == 0) CenterWindow();
  return 0;
}

void LobbyWnd::Notify(DuiLib::TNotifyUI& msg) {
  if (msg.sType == L"click" && closebtn_ && msg.pSender == closebtn_) Close(1);
}
