// Focus moves into and out of a browser. UI thread.
#ifndef CEF_INCLUDE_CEF_FOCUS_HANDLER_H_
#define CEF_INCLUDE_CEF_FOCUS_HANDLER_H_
#pragma once

#include "include/cef_base.h"
#include "include/cef_browser.h"

class CefFocusHandler : public virtual CefBaseRefCounted {
 public:
  typedef cef_focus_source_t FocusSource;

  // Tabbing left the page; `next` is true for forward.
  virtual void OnTakeFocus(CefRefPtr<CefBrowser> browser, bool next) {}

  // Return true to keep the browser from taking the focus.
  virtual bool OnSetFocus(CefRefPtr<CefBrowser> browser, FocusSource source) {
    return false;
  }

  virtual void OnGotFocus(CefRefPtr<CefBrowser> browser) {}
};

#endif  // CEF_INCLUDE_CEF_FOCUS_HANDLER_H_
