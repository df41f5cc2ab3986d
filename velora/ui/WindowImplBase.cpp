#include "WindowImplBase.h"

#include <windowsx.h>

#include "UIButton.h"
#include "UIDlgBuilder.h"
#include "UILog.h"

namespace DuiLib {

void WindowImplBase::Notify(TNotifyUI& msg) {
  if (msg.sType == DUI_MSGTYPE_CLICK) OnClick(msg);
  else if (msg.sType == DUI_MSGTYPE_SELECTCHANGED) OnSelectChanged(msg);
  else if (msg.sType == DUI_MSGTYPE_ITEMSELECT) OnItemSelect(msg);
}

void WindowImplBase::OnFinalMessage(HWND hWnd) {
  m_PaintManager.RemovePreMessageFilter(this);
  m_PaintManager.RemoveNotifier(this);
}

LRESULT WindowImplBase::OnCreate(UINT, WPARAM, LPARAM, BOOL& bHandled) {
  bHandled = TRUE;
  // No system frame: the skin draws everything, the client area is the
  // whole window (WM_NCCALCSIZE), the caption comes from the hit test.
  const LONG style = ::GetWindowLongW(m_hWnd, GWL_STYLE);
  ::SetWindowLongW(m_hWnd, GWL_STYLE, (style & ~WS_CAPTION) | WS_CLIPSIBLINGS | WS_CLIPCHILDREN);
  ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);

  m_PaintManager.Init(m_hWnd);
  m_PaintManager.AddPreMessageFilter(this);
  const CDuiString skin = GetSkinFolder() + GetSkinFile();
  CDialogBuilder builder;
  CControlUI* root = builder.Create(skin, this, &m_PaintManager);
  if (!root) {
    UiLog(UiLogLevel::Error, L"window %ls: skin %ls cannot be built; the window is not created", GetWindowClassName(),
          skin.GetLength() > 200 ? L"(inline)" : skin.GetData());
    m_PaintManager.RemovePreMessageFilter(this);
    return -1;  // CreateWindowEx fails
  }
  m_PaintManager.AttachDialog(root);
  m_PaintManager.AddNotifier(this);

  const SIZE size = m_PaintManager.GetInitSize();
  if (size.cx > 0 && size.cy > 0) {
    const SIZE minSize = m_PaintManager.GetMinInfo();
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, std::max(size.cx, minSize.cx), std::max(size.cy, minSize.cy),
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  InitWindow();
  return 0;
}

LRESULT WindowImplBase::OnNcActivate(UINT, WPARAM wParam, LPARAM, BOOL& bHandled) {
  if (::IsIconic(m_hWnd)) {
    bHandled = FALSE;
    return 0;
  }
  return wParam == 0 ? TRUE : FALSE;
}

LRESULT WindowImplBase::OnNcCalcSize(UINT, WPARAM, LPARAM, BOOL& bHandled) { return 0; }

LRESULT WindowImplBase::OnNcHitTest(UINT, WPARAM, LPARAM lParam, BOOL& bHandled) {
  POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  ::ScreenToClient(m_hWnd, &pt);
  RECT rcClient;
  ::GetClientRect(m_hWnd, &rcClient);
  if (!::IsZoomed(m_hWnd)) {
    const RECT box = m_PaintManager.GetSizeBox();
    const bool top = pt.y < rcClient.top + box.top, bottom = pt.y >= rcClient.bottom - box.bottom;
    const bool left = pt.x < rcClient.left + box.left, right = pt.x >= rcClient.right - box.right;
    if (top && left) return HTTOPLEFT;
    if (top && right) return HTTOPRIGHT;
    if (bottom && left) return HTBOTTOMLEFT;
    if (bottom && right) return HTBOTTOMRIGHT;
    if (top) return HTTOP;
    if (bottom) return HTBOTTOM;
    if (left) return HTLEFT;
    if (right) return HTRIGHT;
  }
  // Caption: "l,t,r,b" = insets from the left and right edges, and the band
  // from t to b below the top edge.
  const RECT caption = m_PaintManager.GetCaptionRect();
  if (pt.x >= rcClient.left + caption.left && pt.x < rcClient.right - caption.right && pt.y >= caption.top &&
      pt.y < caption.bottom) {
    // Controls that take clicks stay clickable inside the caption.
    CControlUI* control = m_PaintManager.FindControl(pt);
    if (!control || (!control->GetInterface(DUI_CTR_BUTTON) && !control->GetInterface(L"Clickable")))
      return HTCAPTION;
  }
  return HTCLIENT;
}

LRESULT WindowImplBase::OnGetMinMaxInfo(UINT, WPARAM, LPARAM lParam, BOOL& bHandled) {
  auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
  // Maximised, the window covers its monitor's work area, not the task bar.
  MONITORINFO mi{};
  mi.cbSize = sizeof(mi);
  if (::GetMonitorInfoW(::MonitorFromWindow(m_hWnd, MONITOR_DEFAULTTONEAREST), &mi)) {
    info->ptMaxPosition.x = mi.rcWork.left - mi.rcMonitor.left;
    info->ptMaxPosition.y = mi.rcWork.top - mi.rcMonitor.top;
    info->ptMaxSize.x = mi.rcWork.right - mi.rcWork.left;
    info->ptMaxSize.y = mi.rcWork.bottom - mi.rcWork.top;
  }
  const SIZE minSize = m_PaintManager.GetMinInfo();
  if (minSize.cx > 0) info->ptMinTrackSize.x = minSize.cx;
  if (minSize.cy > 0) info->ptMinTrackSize.y = minSize.cy;
  const SIZE maxSize = m_PaintManager.GetMaxInfo();
  if (maxSize.cx > 0) info->ptMaxTrackSize.x = maxSize.cx;
  if (maxSize.cy > 0) info->ptMaxTrackSize.y = maxSize.cy;
  bHandled = TRUE;
  return 0;
}

void WindowImplBase::SyncMaximizeButtons() {
  const bool zoomed = ::IsZoomed(m_hWnd) != FALSE;
  if (CControlUI* max = m_PaintManager.FindControl(L"maxbtn")) max->SetVisible(!zoomed);
  if (CControlUI* restore = m_PaintManager.FindControl(L"restorebtn")) restore->SetVisible(zoomed);
}

LRESULT WindowImplBase::OnSysCommand(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) {
  bHandled = TRUE;
  if ((wParam & 0xFFF0) == SC_CLOSE) {
    SendMessageW(WM_CLOSE);
    return 0;
  }
  const BOOL zoomed = ::IsZoomed(m_hWnd);
  const LRESULT lRes = CWindowWnd::HandleMessage(uMsg, wParam, lParam);
  if (::IsWindow(m_hWnd) && ::IsZoomed(m_hWnd) != zoomed) SyncMaximizeButtons();
  return lRes;
}

LRESULT WindowImplBase::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) {
  LRESULT lRes = 0;
  if (m_PaintManager.FilterMessage(uMsg, wParam, lParam, lRes)) return lRes;

  BOOL bHandled = FALSE;
  lRes = HandleCustomMessage(uMsg, wParam, lParam, bHandled);
  if (bHandled) return lRes;

  bHandled = TRUE;
  switch (uMsg) {
    case WM_CREATE: lRes = OnCreate(uMsg, wParam, lParam, bHandled); break;
    case WM_CLOSE: lRes = OnClose(uMsg, wParam, lParam, bHandled); break;
    case WM_DESTROY: lRes = OnDestroy(uMsg, wParam, lParam, bHandled); break;
    case WM_NCACTIVATE: lRes = OnNcActivate(uMsg, wParam, lParam, bHandled); break;
    case WM_NCCALCSIZE: lRes = OnNcCalcSize(uMsg, wParam, lParam, bHandled); break;
    case WM_NCPAINT: lRes = OnNcPaint(uMsg, wParam, lParam, bHandled); break;
    case WM_NCHITTEST: lRes = OnNcHitTest(uMsg, wParam, lParam, bHandled); break;
    case WM_GETMINMAXINFO: lRes = OnGetMinMaxInfo(uMsg, wParam, lParam, bHandled); break;
    case WM_MOUSEWHEEL: lRes = OnMouseWheel(uMsg, wParam, lParam, bHandled); break;
    case WM_MOUSEHOVER: lRes = OnMouseHover(uMsg, wParam, lParam, bHandled); break;
    case WM_SIZE: lRes = OnSize(uMsg, wParam, lParam, bHandled); break;
    case WM_CHAR: lRes = OnChar(uMsg, wParam, lParam, bHandled); break;
    case WM_SYSCOMMAND: lRes = OnSysCommand(uMsg, wParam, lParam, bHandled); break;
    case WM_KEYDOWN: lRes = OnKeyDown(uMsg, wParam, lParam, bHandled); break;
    case WM_KILLFOCUS: lRes = OnKillFocus(uMsg, wParam, lParam, bHandled); break;
    case WM_SETFOCUS: lRes = OnSetFocus(uMsg, wParam, lParam, bHandled); break;
    case WM_LBUTTONUP: lRes = OnLButtonUp(uMsg, wParam, lParam, bHandled); break;
    case WM_LBUTTONDOWN: lRes = OnLButtonDown(uMsg, wParam, lParam, bHandled); break;
    case WM_MOUSEMOVE: lRes = OnMouseMove(uMsg, wParam, lParam, bHandled); break;
    default: bHandled = FALSE; break;
  }
  if (bHandled) return lRes;
  if (m_hWnd && m_PaintManager.MessageHandler(uMsg, wParam, lParam, lRes)) return lRes;
  return CWindowWnd::HandleMessage(uMsg, wParam, lParam);
}

}  // namespace DuiLib
