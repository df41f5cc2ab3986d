// Browser life span: popups, creation and closing. UI thread.
#ifndef CEF_INCLUDE_CEF_LIFE_SPAN_HANDLER_H_
#define CEF_INCLUDE_CEF_LIFE_SPAN_HANDLER_H_
#pragma once

#include "include/cef_base.h"
#include "include/cef_browser.h"

class CefClient;

class CefLifeSpanHandler : public virtual CefBaseRefCounted {
 public:
  typedef cef_window_open_disposition_t WindowOpenDisposition;

  // A page wants a new window or tab (a link with a target, window.open).
  // Return true to cancel it. Otherwise the popup is created with
  // `windowInfo`, `client`, `settings` and `extra_info`, which may be changed
  // here; by default they are those of the opening browser. Set
  // `*no_javascript_access` to keep the opener's scripts away from the popup.
  virtual bool OnBeforePopup(CefRefPtr<CefBrowser> browser,
                             CefRefPtr<CefFrame> frame,
                             const CefString& target_url,
                             const CefString& target_frame_name,
                             WindowOpenDisposition target_disposition,
                             bool user_gesture,
                             const CefPopupFeatures& popupFeatures,
                             CefWindowInfo& windowInfo,
                             CefRefPtr<CefClient>& client,
                             CefBrowserSettings& settings,
                             CefRefPtr<CefDictionaryValue>& extra_info,
                             bool* no_javascript_access) {
    return false;
  }

  // A browser (including a popup) now exists.
  virtual void OnAfterCreated(CefRefPtr<CefBrowser> browser) {}

  // The browser's window is about to close. Return false to let the engine
  // close it (sending WM_CLOSE to a top-level window), true to handle it
  // here.
  virtual bool DoClose(CefRefPtr<CefBrowser> browser) { return false; }

  // Last call for the browser; release references to it here.
  virtual void OnBeforeClose(CefRefPtr<CefBrowser> browser) {}
};

#endif  // CEF_INCLUDE_CEF_LIFE_SPAN_HANDLER_H_
