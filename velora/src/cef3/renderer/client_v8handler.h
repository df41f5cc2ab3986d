// ClientV8Handler: the script bridge's functions. Each call of a bridge
// function becomes one process message named after it, with the call's
// arguments converted (texts, booleans, integers; everything else empty),
// sent to the browser process through the main frame of the calling page's
// browser, also for a call from an iframe. Nothing is returned to the page.
#pragma once

#include "include/cef_v8.h"

class ClientV8Handler : public CefV8Handler {
 public:
  ClientV8Handler() = default;

  // Renderer main thread.
  bool Execute(const CefString& name, CefRefPtr<CefV8Value> object, const CefV8ValueList& arguments,
               CefRefPtr<CefV8Value>& retval, CefString& exception) override;

 private:
  IMPLEMENT_REFCOUNTING(ClientV8Handler);
  DISALLOW_COPY_AND_ASSIGN(ClientV8Handler);
};
