// ClientApp: the bare application object, used by the engine's "other"
// sub-processes (GPU, utility). It keeps every engine default: no switches,
// no schemes, no process handlers. The browser and renderer applications
// derive from it and share its reference count.
#pragma once

#include "include/cef_app.h"

class ClientApp : public CefApp {
 public:
  ClientApp() = default;

 private:
  IMPLEMENT_REFCOUNTING(ClientApp);
  DISALLOW_COPY_AND_ASSIGN(ClientApp);
};
