// ClientAppRender: the renderer processes' application object. On every
// new script context it puts the bridge functions on the global object and
// makes "external" the global itself, so a page calls them either way
// (close() and external.close()).
#pragma once

#include "cef3/browser/client_app.h"
#include "cef3/renderer/client_v8handler.h"
#include "include/cef_render_process_handler.h"

class ClientAppRender : public ClientApp, public CefRenderProcessHandler {
 public:
  ClientAppRender();
  ~ClientAppRender() override;

  CefRefPtr<CefRenderProcessHandler> GetRenderProcessHandler() override { return this; }
  void OnContextCreated(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                        CefRefPtr<CefV8Context> context) override;
  void OnContextReleased(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                         CefRefPtr<CefV8Context> context) override {}

 private:
  // The handler of the newest context; older contexts' functions hold
  // their own.
  CefRefPtr<ClientV8Handler> m_handler;
  DISALLOW_COPY_AND_ASSIGN(ClientAppRender);
};
