// ClientAppBrowser: the main process's application object. It fixes the
// engine switches every embedded page runs under (WebGL regardless of the
// GPU blocklist, file pages reading files, plug-ins, no crash reports or
// component updates, no proxy, one renderer process for every browser) and
// logs the command lines the engine starts with and starts its children with.
#pragma once

#include "cef3/browser/client_app.h"
#include "include/cef_browser_process_handler.h"

class ClientAppBrowser : public ClientApp, public CefBrowserProcessHandler {
 public:
  ClientAppBrowser() = default;

  // CefApp
  void OnBeforeCommandLineProcessing(const CefString& process_type,
                                     CefRefPtr<CefCommandLine> command_line) override;
  CefRefPtr<CefBrowserProcessHandler> GetBrowserProcessHandler() override { return this; }

  // CefBrowserProcessHandler
  void OnContextInitialized() override;
  void OnBeforeChildProcessLaunch(CefRefPtr<CefCommandLine> command_line) override;

 private:
  DISALLOW_COPY_AND_ASSIGN(ClientAppBrowser);
};
