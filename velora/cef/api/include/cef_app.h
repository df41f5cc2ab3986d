// Process entry and the application object: every process of the program
// calls CefExecuteProcess first; the main process then calls CefInitialize,
// runs its loop and ends with CefShutdown. The engine implements these
// functions.
#ifndef CEF_INCLUDE_CEF_APP_H_
#define CEF_INCLUDE_CEF_APP_H_
#pragma once

#include "include/cef_base.h"
#include "include/cef_browser_process_handler.h"
#include "include/cef_command_line.h"
#include "include/cef_render_process_handler.h"

class CefApp;

// In a sub-process (its command line has a "type" switch) runs that process's
// work and returns its exit code (>= 0). In the main process returns -1 at
// once.
int CefExecuteProcess(const CefMainArgs& args,
                      CefRefPtr<CefApp> application,
                      void* windows_sandbox_info);

// Starts the engine in the main process. Returns false on failure.
bool CefInitialize(const CefMainArgs& args,
                   const CefSettings& settings,
                   CefRefPtr<CefApp> application,
                   void* windows_sandbox_info);

// Stops the engine; after every browser has closed. Main thread.
void CefShutdown();

// One pass of the engine's message loop (external pump only).
void CefDoMessageLoopWork();

// Runs the engine's message loop on this thread until CefQuitMessageLoop.
// Not used with multi_threaded_message_loop.
void CefRunMessageLoop();
void CefQuitMessageLoop();

void CefSetOSModalLoop(bool osModalLoop);
void CefEnableHighDPISupport();

// The application object a process hands to the engine.
class CefApp : public virtual CefBaseRefCounted {
 public:
  // Before the engine reads `command_line` (main process: inside
  // CefInitialize). Switches may be added or removed. `process_type` is empty
  // in the main process.
  virtual void OnBeforeCommandLineProcessing(
      const CefString& process_type,
      CefRefPtr<CefCommandLine> command_line) {}

  virtual CefRefPtr<CefBrowserProcessHandler> GetBrowserProcessHandler() {
    return nullptr;
  }

  virtual CefRefPtr<CefRenderProcessHandler> GetRenderProcessHandler() {
    return nullptr;
  }
};

#endif  // CEF_INCLUDE_CEF_APP_H_
