// The engine's process-level functions. Which process this is comes from
// the "type" switch of its own command line: none is the main process,
// "renderer" the renderer sub-process; other kinds (a GPU or utility
// process in the engine's own model) have no work here and end at once.
#include "command_line_impl.h"
#include "engine_log_win.h"
#include "engine_main_win.h"
#include "include/cef_app.h"

namespace velora_engine {
int RunRendererProcess(CefRefPtr<CefApp> app, const CommandLineModel& command_line);
}

int CefExecuteProcess(const CefMainArgs& args, CefRefPtr<CefApp> application, void* windows_sandbox_info) {
  using namespace velora_engine;
  const CommandLineModel cl = ParseArgv(SplitCommandLine(::GetCommandLineW()));
  SetGlobalCommandLineText(::GetCommandLineW());
  const std::wstring type = cl.GetSwitchValue(L"type");
  if (!cl.HasSwitch(L"type")) return -1;
  if (type == L"renderer") {
    const int code = RunRendererProcess(application, cl);
    return code;
  }
  return 0;
}

bool CefInitialize(const CefMainArgs& args, const CefSettings& settings, CefRefPtr<CefApp> application,
                   void* windows_sandbox_info) {
  return velora_engine::Engine::Get()->Initialize(args, settings, application);
}

void CefShutdown() { velora_engine::Engine::Get()->Shutdown(); }
void CefRunMessageLoop() { velora_engine::Engine::Get()->RunMessageLoop(); }
void CefQuitMessageLoop() { velora_engine::Engine::Get()->QuitMessageLoop(); }
void CefDoMessageLoopWork() {}
void CefSetOSModalLoop(bool) {}
void CefEnableHighDPISupport() {}
