// ClientAppRender: the renderer processes' application object. For now it
// only makes the renderer a render-process handler of its own; the script
// bridge is added to it.
#pragma once

#include "cef3/browser/client_app.h"
#include "include/cef_render_process_handler.h"

class ClientAppRender : public ClientApp, public CefRenderProcessHandler {
 public:
  ClientAppRender() = default;

  CefRefPtr<CefRenderProcessHandler> GetRenderProcessHandler() override { return this; }

 private:
  DISALLOW_COPY_AND_ASSIGN(ClientAppRender);
};
