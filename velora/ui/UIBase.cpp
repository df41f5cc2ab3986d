#include "UIBase.h"

#include "UILog.h"
#include "UIManager.h"

namespace DuiLib {

bool CWindowWnd::RegisterWindowClass() {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.style = GetClassStyle();
  wc.lpfnWndProc = &CWindowWnd::WndProc;
  wc.hInstance = CPaintManagerUI::GetInstance();
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = GetWindowClassName();
  if (::RegisterClassExW(&wc)) return true;
  // Another object of the same class registered it first.
  return ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

HWND CWindowWnd::Create(HWND hwndParent, LPCTSTR pstrName, DWORD dwStyle, DWORD dwExStyle, const RECT& rc,
                        HMENU hMenu) {
  return Create(hwndParent, pstrName, dwStyle, dwExStyle, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top,
                hMenu);
}

HWND CWindowWnd::Create(HWND hwndParent, LPCTSTR pstrName, DWORD dwStyle, DWORD dwExStyle, int x, int y, int cx,
                        int cy, HMENU hMenu) {
  if (m_hWnd) return nullptr;  // one native window per object
  if (!RegisterWindowClass()) {
    UiLog(UiLogLevel::Error, L"window class %ls cannot be registered (error %lu)", GetWindowClassName(),
          ::GetLastError());
    return nullptr;
  }
  m_bCreating = true;
  m_bCreated = false;
  HWND hwnd = ::CreateWindowExW(dwExStyle, GetWindowClassName(), pstrName ? pstrName : L"", dwStyle, x, y, cx, cy,
                                hwndParent, hMenu, CPaintManagerUI::GetInstance(), this);
  m_bCreating = false;
  if (!hwnd) {
    m_hWnd = nullptr;
    m_bFinalPending = false;
    return nullptr;
  }
  m_bCreated = true;
  return m_hWnd;
}

void CWindowWnd::ShowWindow(bool bShow, bool bTakeFocus) {
  if (!::IsWindow(m_hWnd)) return;
  ::ShowWindow(m_hWnd, bShow ? (bTakeFocus ? SW_SHOWNORMAL : SW_SHOWNOACTIVATE) : SW_HIDE);
}

UINT CWindowWnd::ShowModal() {
  // Everything the loop needs is local: the window's object may delete
  // itself in OnFinalMessage before the loop sees that the window is gone.
  const HWND hwnd = m_hWnd;
  if (!::IsWindow(hwnd)) return 0;
  UINT result = 0;
  UINT* const outerResult = m_pModalResult;
  m_pModalResult = &result;
  const HWND owner = ::GetWindow(hwnd, GW_OWNER);
  // Only an owner that this call disables is enabled again at the end, so a
  // modal window opened over another modal window leaves its owner as the
  // outer loop wants it.
  const bool disabledOwner = owner && ::IsWindowEnabled(owner);
  ::ShowWindow(hwnd, SW_SHOWNORMAL);
  if (disabledOwner) ::EnableWindow(owner, FALSE);
  MSG msg{};
  bool quit = false;
  while (::IsWindow(hwnd)) {
    const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) {
      quit = true;
      break;
    }
    if (got < 0) break;
    if (msg.message == WM_CLOSE && msg.hwnd == hwnd && disabledOwner) {
      // Enable the owner before the window goes, so that activation
      // returns to it rather than to another program.
      ::EnableWindow(owner, TRUE);
    }
    if (!CPaintManagerUI::TranslateMessage(&msg)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
    if (msg.message == WM_CLOSE && msg.hwnd == hwnd && disabledOwner && ::IsWindow(hwnd)) {
      // The window refused to close: keep the owner disabled.
      ::EnableWindow(owner, FALSE);
    }
  }
  if (::IsWindow(hwnd)) {
    // Still alive (WM_QUIT): the object is alive too.
    m_pModalResult = outerResult;
  }
  if (disabledOwner && ::IsWindow(owner)) {
    ::EnableWindow(owner, TRUE);
    ::SetFocus(owner);
  }
  if (quit) ::PostQuitMessage(static_cast<int>(msg.wParam));
  return result;
}

void CWindowWnd::Close(UINT nRet) {
  if (!::IsWindow(m_hWnd)) return;
  if (m_pModalResult) *m_pModalResult = nRet;
  ::PostMessageW(m_hWnd, WM_CLOSE, static_cast<WPARAM>(nRet), 0);
}

void CWindowWnd::CenterWindow() {
  if (!::IsWindow(m_hWnd)) return;
  RECT rcDlg;
  ::GetWindowRect(m_hWnd, &rcDlg);
  MONITORINFO mi{};
  mi.cbSize = sizeof(mi);
  ::GetMonitorInfoW(::MonitorFromWindow(m_hWnd, MONITOR_DEFAULTTONEAREST), &mi);
  const RECT work = mi.rcWork;
  RECT rcCenter = work;
  const HWND owner = ::GetWindow(m_hWnd, GW_OWNER);
  if (owner && ::IsWindowVisible(owner) && !::IsIconic(owner)) ::GetWindowRect(owner, &rcCenter);
  const int w = rcDlg.right - rcDlg.left, h = rcDlg.bottom - rcDlg.top;
  int x = (rcCenter.left + rcCenter.right) / 2 - w / 2;
  int y = (rcCenter.top + rcCenter.bottom) / 2 - h / 2;
  if (x + w > work.right) x = work.right - w;
  if (x < work.left) x = work.left;
  if (y + h > work.bottom) y = work.bottom - h;
  if (y < work.top) y = work.top;
  ::SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CWindowWnd::SetIcon(UINT nRes) {
  if (!::IsWindow(m_hWnd)) return;
  HINSTANCE inst = CPaintManagerUI::GetInstance();
  auto big = static_cast<HICON>(::LoadImageW(inst, MAKEINTRESOURCEW(nRes), IMAGE_ICON, ::GetSystemMetrics(SM_CXICON),
                                             ::GetSystemMetrics(SM_CYICON), LR_DEFAULTCOLOR | LR_SHARED));
  if (big) ::SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
  auto small = static_cast<HICON>(::LoadImageW(inst, MAKEINTRESOURCEW(nRes), IMAGE_ICON,
                                               ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON),
                                               LR_DEFAULTCOLOR | LR_SHARED));
  if (small) ::SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
}

LRESULT CWindowWnd::SendMessageW(UINT uMsg, WPARAM wParam, LPARAM lParam) {
  return ::SendMessageW(m_hWnd, uMsg, wParam, lParam);
}

LRESULT CWindowWnd::PostMessageW(UINT uMsg, WPARAM wParam, LPARAM lParam) {
  return ::PostMessageW(m_hWnd, uMsg, wParam, lParam);
}

void CWindowWnd::ResizeClient(int cx, int cy) {
  RECT rc;
  if (!::GetClientRect(m_hWnd, &rc)) return;
  if (cx != -1) rc.right = cx;
  if (cy != -1) rc.bottom = cy;
  ::AdjustWindowRectEx(&rc, static_cast<DWORD>(::GetWindowLongW(m_hWnd, GWL_STYLE)),
                       ::GetMenu(m_hWnd) != nullptr, static_cast<DWORD>(::GetWindowLongW(m_hWnd, GWL_EXSTYLE)));
  ::SetWindowPos(m_hWnd, nullptr, 0, 0, rc.right - rc.left, rc.bottom - rc.top, SWP_NOZORDER | SWP_NOMOVE);
}

LRESULT CWindowWnd::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) {
  return ::DefWindowProcW(m_hWnd, uMsg, wParam, lParam);
}

LRESULT CALLBACK CWindowWnd::WndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
  CWindowWnd* pThis = nullptr;
  if (uMsg == WM_NCCREATE) {
    auto* cs = reinterpret_cast<LPCREATESTRUCTW>(lParam);
    pThis = static_cast<CWindowWnd*>(cs->lpCreateParams);
    pThis->m_hWnd = hWnd;
    ::SetWindowLongPtrW(hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(pThis));
  } else {
    pThis = reinterpret_cast<CWindowWnd*>(::GetWindowLongPtrW(hWnd, GWLP_USERDATA));
  }
  if (!pThis) return ::DefWindowProcW(hWnd, uMsg, wParam, lParam);

  ++pThis->m_nDispatchDepth;
  const LRESULT lRes = pThis->HandleMessage(uMsg, wParam, lParam);
  if (uMsg == WM_NCDESTROY) {
    ::SetWindowLongPtrW(hWnd, GWLP_USERDATA, 0);
    pThis->m_hWnd = nullptr;
    pThis->m_pModalResult = nullptr;
    // A window that failed during creation is not "final": Create reports
    // null and its caller keeps the object.
    pThis->m_bFinalPending = !pThis->m_bCreating;
  }
  if (--pThis->m_nDispatchDepth == 0 && pThis->m_bFinalPending) {
    pThis->m_bFinalPending = false;
    pThis->OnFinalMessage(hWnd);  // may delete pThis
  }
  return lRes;
}

}  // namespace DuiLib
