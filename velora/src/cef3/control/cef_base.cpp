#include "cef3/control/cef_base.h"

#include "cef3/browser/main_message_loop.h"
#include "frame_log.h"
#include "include/base/cef_bind.h"
#include "include/cef_request_context.h"
#include "include/wrapper/cef_closure_task.h"
#include "include/wrapper/cef_helpers.h"

CefRefPtr<CefBrowser> BrowserSlot::Get() {
  std::lock_guard<std::mutex> g(lock_);
  return browser_;
}

bool BrowserSlot::Store(CefRefPtr<CefBrowser> browser) {
  std::lock_guard<std::mutex> g(lock_);
  if (!alive_) return false;
  browser_ = browser;
  return true;
}

CefRefPtr<CefBrowser> BrowserSlot::Take() {
  std::lock_guard<std::mutex> g(lock_);
  CefRefPtr<CefBrowser> b = browser_;
  browser_ = nullptr;
  return b;
}

CCefBaseUI* BrowserSlot::OwnerOnMainThread() {
  std::lock_guard<std::mutex> g(lock_);
  return alive_ ? owner_ : nullptr;
}

void BrowserSlot::Kill() {
  std::lock_guard<std::mutex> g(lock_);
  alive_ = false;
}

CCefBaseUI::CCefBaseUI(DuiLib::CPaintManagerUI* manager, CefRefPtr<CefClient> client)
    : m_pManager(manager),
      m_slot(new BrowserSlot()),
      m_client(client ? client : CefRefPtr<CefClient>(new ClientHandlerBase(this))),
      m_strUrl("about:blank"),
      m_hParentWnd(manager ? manager->GetPaintWindow() : nullptr) {
  LogAt(__FILE__, __LINE__, "CCefBaseUI::CCefBaseUI")(kLogInfo, L"CCefBaseUI() this=0x%X, ClientHandler=0x%X hParentWnd=0x%X",
                                                    LogPtr(this), LogPtr(m_client.get()), LogPtr(m_hParentWnd));
  m_slot->SetOwner(this);
}

CCefBaseUI::~CCefBaseUI() {
  LogAt(__FILE__, __LINE__, "CCefBaseUI::~CCefBaseUI")(kLogInfo, L"~CCefBaseUI() this=0x%X", LogPtr(this));
  // A creation still pending finds the slot dead and closes its browser.
  m_slot->Kill();
  CloseBrowser(true);
}

LPCTSTR CCefBaseUI::GetClass() const { return L"CCefBaseUI"; }

void CCefBaseUI::SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) {
  if (pstrName && wcscmp(pstrName, L"homepage") == 0) {
    SetURL(pstrValue ? pstrValue : L"");
    return;
  }
  CControlUI::SetAttribute(pstrName, pstrValue);
}

void CCefBaseUI::SetURL(const CefString& url) {
  m_strUrl = url;
  CefRefPtr<CefFrame> frame = GetMainFrame();
  if (frame) frame->LoadURL(url);
}

CefRefPtr<CefBrowser> CCefBaseUI::GetBrowser() { return m_slot->Get(); }

CefRefPtr<CefFrame> CCefBaseUI::GetMainFrame() {
  CefRefPtr<CefBrowser> b = GetBrowser();
  return b ? b->GetMainFrame() : nullptr;
}

HWND CCefBaseUI::GetBrowserWindow() {
  CefRefPtr<CefBrowser> b = GetBrowser();
  return b ? b->GetHost()->GetWindowHandle() : nullptr;
}

void CCefBaseUI::DoInit() {
  LogAt(__FILE__, __LINE__, "CCefBaseUI::DoInit")(kLogInfo, L"CCefBaseUI.DoInit() this=0x%X, name=%ls", LogPtr(this),
                                                static_cast<const wchar_t*>(GetName()));
  // The base control's own browser: the engine's default client.
  CreateBrowserSync(m_slot, nullptr, m_hParentWnd, GetPos(), m_strUrl, false, false);
}

void CCefBaseUI::PlaceBrowserWindow() {
  if (!IsVisible()) return;
  CefRefPtr<CefBrowser> browser = GetBrowser();
  // A windowless browser has no child window of its own to place.
  if (!browser || browser->GetHost()->IsWindowRenderingDisabled()) return;
  HWND hwnd = browser->GetHost()->GetWindowHandle();
  if (!hwnd) return;
  const RECT& rc = GetPos();
  ::MoveWindow(hwnd, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, TRUE);
  if (!::IsWindowVisible(hwnd)) ::ShowWindow(hwnd, IsVisible() ? 1 : 0);
}

void CCefBaseUI::DoPaint(HDC hDC, const RECT& rcPaint) {
  PlaceBrowserWindow();
  CControlUI::DoPaint(hDC, rcPaint);
}

void CCefBaseUI::SetPos(RECT rc, bool bNeedInvalidate) {
  CControlUI::SetPos(rc, bNeedInvalidate);
  PlaceBrowserWindow();
}

void CCefBaseUI::SetVisible(bool visible) {
  if (HWND hwnd = GetBrowserWindow()) ::ShowWindow(hwnd, visible ? 1 : 0);
  CControlUI::SetVisible(visible);
}

void CCefBaseUI::SetInternVisible(bool visible) {
  if (HWND hwnd = GetBrowserWindow()) ::ShowWindow(hwnd, visible ? 1 : 0);
  CControlUI::SetInternVisible(visible);
}

void CCefBaseUI::CloseBrowser(bool force) {
  CefRefPtr<CefBrowser> b = m_slot->Take();
  if (!b) return;
  LogAt(__FILE__, __LINE__, "CCefBaseUI::CloseBrowser")(kLogInfo, L"CCefBaseUI::CloseBrowser this=0x%X", LogPtr(this));
  b->StopLoad();
  b->GetHost()->CloseBrowser(force);
}

LRESULT CCefBaseUI::MessageHandler(UINT uMsg, WPARAM, LPARAM, bool&) {
  if (uMsg == WM_CLOSE)
    LogAt(__FILE__, __LINE__, "CCefBaseUI::MessageHandler")(kLogDebug, L"CCefBaseUI WM_CLOSE this=0x%X", LogPtr(this));
  else if (uMsg == WM_DESTROY)
    LogAt(__FILE__, __LINE__, "CCefBaseUI::MessageHandler")(kLogDebug, L"CCefBaseUI WM_DESTROY this=0x%X", LogPtr(this));
  return 0;
}

void CCefBaseUI::CreateBrowserSync(CefRefPtr<BrowserSlot> slot, CefRefPtr<CefClient> client, HWND parent, RECT rect,
                                   CefString url, bool windowless, bool transparent) {
  if (!slot) return;
  if (!CefCurrentlyOn(TID_UI)) {
    CefPostTask(TID_UI, base::BindOnce(&CCefBaseUI::CreateBrowserSync, slot, client, parent, rect, url, windowless,
                                       transparent));
    return;
  }
  CEF_REQUIRE_UI_THREAD();
  CefWindowInfo info;
  if (windowless) {
    info.SetAsWindowless(parent);
  } else {
    // WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | WS_TABSTOP
    info.SetAsChild(parent, CefRect(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top));
    info.style = 0x56010000;
  }
  CefBrowserSettings settings;
  CefRefPtr<CefBrowser> browser = CefBrowserHost::CreateBrowserSync(info, client, url, settings, nullptr,
                                                                    CefRequestContext::GetGlobalContext());
  if (browser && !slot->Store(browser)) {
    // The control went away while this creation was pending: the browser
    // has no one to show it.
    LogAt(__FILE__, __LINE__, "CCefBaseUI::CreateBrowserSync")(kLogInfo, L"CreateBrowserSync browser=%d closed, control gone",
                                                             browser->GetIdentifier());
    browser->GetHost()->CloseBrowser(true);
    return;
  }
  if (browser && !windowless) {
    if (CMainMessageLoopWin* loop = CMainMessageLoopWin::GetMainMessageLoop())
      loop->PostTask(CefCreateClosureTask(base::BindOnce(
          [](CefRefPtr<BrowserSlot> slot) {
            if (CCefBaseUI* owner = slot->OwnerOnMainThread()) owner->PlaceBrowserWindow();
          },
          slot)));
  }
  // Only marks the parent's update region (no message is sent from here):
  // its own thread repaints, and DoPaint places the browser's window.
  RECT client_rect;
  if (parent && ::GetClientRect(parent, &client_rect)) ::InvalidateRect(parent, &client_rect, TRUE);
  if (browser)
    LogAt(__FILE__, __LINE__, "CCefBaseUI::CreateBrowserSync")(kLogInfo, L"CreateBrowserSync browser=%d",
                                                             browser->GetIdentifier());
}
