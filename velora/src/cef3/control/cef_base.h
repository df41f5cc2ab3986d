// CCefBaseUI: the skin control that owns one embedded browser. It keeps the
// address to show ("homepage" attribute, SetURL), creates the browser when
// the control joins its window, keeps the browser's child window over the
// control's rectangle and closes the browser when the control goes away.
//
// Threads. The control lives on the main thread; the browser is created on
// the engine's UI thread. Both meet in a BrowserSlot, a small reference-
// counted holder shared by the control and the pending creation task:
//  - the task stores the finished browser under the slot's lock, so the
//    main thread sees the slot empty or holding the complete reference;
//  - once stored, a task on the main loop places the browser's window (the
//    control was laid out before the browser existed, and a child window
//    that already covers the host keeps the host's repaint from reaching
//    DoPaint);
//  - the control's destructor marks the slot dead; a creation that finishes
//    after that closes the browser it made instead of storing it, and never
//    touches the destroyed control.
#pragma once

#include <cstdint>
#include <mutex>

#include "UILib.h"
#include "cef3/common/log_ptr.h"
#include "include/cef_browser.h"
#include "include/cef_client.h"

class BrowserSlot : public CefBaseRefCounted {
 public:
  BrowserSlot() = default;
  // Empty until created, and again after Take.
  CefRefPtr<CefBrowser> Get();
  // Stores `browser` while the owner lives; false (nothing stored) after
  // Kill.
  bool Store(CefRefPtr<CefBrowser> browser);
  // The control, for main-thread tasks only: Kill runs on the main thread,
  // so a task there that finds the slot alive finds the control alive.
  void SetOwner(class CCefBaseUI* owner) { owner_ = owner; }
  CCefBaseUI* OwnerOnMainThread();
  // Empties the slot and returns what it held.
  CefRefPtr<CefBrowser> Take();
  // The owner has gone: later Stores are refused.
  void Kill();

 private:
  std::mutex lock_;
  CefRefPtr<CefBrowser> browser_;
  bool alive_ = true;
  CCefBaseUI* owner_ = nullptr;
  IMPLEMENT_REFCOUNTING(BrowserSlot);
  DISALLOW_COPY_AND_ASSIGN(BrowserSlot);
};

class CCefBaseUI : public DuiLib::CControlUI, public DuiLib::IMessageFilterUI {
 public:
  // The default client: no handlers, no messages handled.
  class ClientHandlerBase : public CefClient {
   public:
    explicit ClientHandlerBase(CCefBaseUI* owner) : m_pBaseOwner(owner) {}

   protected:
    CCefBaseUI* m_pBaseOwner;  // not owned

   private:
    IMPLEMENT_REFCOUNTING(ClientHandlerBase);
    DISALLOW_COPY_AND_ASSIGN(ClientHandlerBase);
  };

  // `client` null: a ClientHandlerBase of this control.
  CCefBaseUI(DuiLib::CPaintManagerUI* manager, CefRefPtr<CefClient> client);
  ~CCefBaseUI() override;

  LPCTSTR GetClass() const override;
  void SetVisible(bool visible = true) override;
  void SetInternVisible(bool visible = true) override;
  void DoInit() override;
  void SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) override;
  void DoPaint(HDC hDC, const RECT& rcPaint) override;
  virtual void CloseBrowser(bool force);
  void SetPos(RECT rc, bool bNeedInvalidate = true) override;

  // Main thread: puts the browser's child window over the control's
  // rectangle and shows it when the control is visible.
  void PlaceBrowserWindow();

  LRESULT MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) override;

  void SetURL(const CefString& url);
  const CefString& GetURL() const { return m_strUrl; }
  CefRefPtr<CefBrowser> GetBrowser();
  CefRefPtr<CefFrame> GetMainFrame();
  HWND GetBrowserWindow();
  CefRefPtr<CefClient> GetClient() const { return m_client; }
  HWND GetParentWindow() const { return m_hParentWnd; }

  // Creates a browser for `slot` on the engine's UI thread (posting itself
  // there from any other thread), over `rect` of `parent`, showing `url`.
  // Windowless creation when `windowless`; `transparent` does not change it.
  static void CreateBrowserSync(CefRefPtr<BrowserSlot> slot, CefRefPtr<CefClient> client, HWND parent, RECT rect,
                                CefString url, bool windowless, bool transparent);

 protected:
  DuiLib::CPaintManagerUI* m_pManager;  // not owned
  CefRefPtr<BrowserSlot> m_slot;
  CefRefPtr<CefClient> m_client;
  CefString m_strUrl;
  HWND m_hParentWnd;
};
