#include "cef3/browser/client_browser_app.h"

#include "frame_log.h"
#include "main/frame_rules.h"

void ClientAppBrowser::OnBeforeCommandLineProcessing(const CefString& process_type,
                                                     CefRefPtr<CefCommandLine> command_line) {
  // Logged before the switches below are added: what the engine was given.
  const std::wstring before = command_line->GetCommandLineString().ToWString();
  LogAt(__FILE__, __LINE__, "ClientAppBrowser::OnBeforeCommandLineProcessing")(
      kLogDebug, L"ClientAppBrowser::OnBeforeCommandLineProcessing() cmd=%ls", before.c_str());
  for (const EngineSwitch& s : BrowserProcessSwitches()) {
    if (s.value)
      command_line->AppendSwitchWithValue(s.name, s.value);
    else
      command_line->AppendSwitch(s.name);
  }
}

void ClientAppBrowser::OnContextInitialized() {
  LogAt(__FILE__, __LINE__, "ClientAppBrowser::OnContextInitialized")(kLogDebug,
                                                                      L"ClientAppBrowser::OnContextInitialized()");
}

void ClientAppBrowser::OnBeforeChildProcessLaunch(CefRefPtr<CefCommandLine> command_line) {
  const std::wstring text = command_line->GetCommandLineString().ToWString();
  LogAt(__FILE__, __LINE__, "ClientAppBrowser::OnBeforeChildProcessLaunch")(
      kLogDebug, L"ClientAppBrowser::OnBeforeChildProcessLaunch() cmd=%ls", text.c_str());
}
