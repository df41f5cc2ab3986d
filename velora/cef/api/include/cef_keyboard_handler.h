// Keyboard events of a windowed browser. UI thread.
#ifndef CEF_INCLUDE_CEF_KEYBOARD_HANDLER_H_
#define CEF_INCLUDE_CEF_KEYBOARD_HANDLER_H_
#pragma once

#include "include/cef_base.h"
#include "include/cef_browser.h"

class CefKeyboardHandler : public virtual CefBaseRefCounted {
 public:
  // Before the page sees the event. Return true to consume it; set
  // `*is_keyboard_shortcut` to get OnKeyEvent for it if the page does not
  // consume it.
  virtual bool OnPreKeyEvent(CefRefPtr<CefBrowser> browser,
                             const CefKeyEvent& event,
                             CefEventHandle os_event,
                             bool* is_keyboard_shortcut) {
    return false;
  }

  // After the page has seen and not consumed the event.
  virtual bool OnKeyEvent(CefRefPtr<CefBrowser> browser,
                          const CefKeyEvent& event,
                          CefEventHandle os_event) {
    return false;
  }
};

#endif  // CEF_INCLUDE_CEF_KEYBOARD_HANDLER_H_
