// Process-level events of the browser (main) process.
#ifndef CEF_INCLUDE_CEF_BROWSER_PROCESS_HANDLER_H_
#define CEF_INCLUDE_CEF_BROWSER_PROCESS_HANDLER_H_
#pragma once

#include "include/cef_base.h"
#include "include/cef_client.h"
#include "include/cef_command_line.h"
#include "include/cef_values.h"

class CefBrowserProcessHandler : public virtual CefBaseRefCounted {
 public:
  // The engine is initialised. UI thread.
  virtual void OnContextInitialized() {}

  // A child process is about to start with `command_line`, which may still
  // be changed. UI thread for renderers, IO thread for others.
  virtual void OnBeforeChildProcessLaunch(
      CefRefPtr<CefCommandLine> command_line) {}

  // For an external message pump only (CefSettings.external_message_pump).
  virtual void OnScheduleMessagePumpWork(int64 delay_ms) {}

  virtual CefRefPtr<CefClient> GetDefaultClient() { return nullptr; }
};

#endif  // CEF_INCLUDE_CEF_BROWSER_PROCESS_HANDLER_H_
