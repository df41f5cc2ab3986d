#include "cef3/common/cef_main.h"

#include <cstdlib>

#include "cef3/browser/client_app.h"
#include "cef3/browser/client_browser_app.h"
#include "cef3/renderer/client_renderer_app.h"
#include "frame_log.h"
#include "include/cef_app.h"
#include "include/cef_command_line.h"
#include "main/frame_rules.h"

#if defined(_WIN32) && !defined(_WIN64)
// The engine API of branch 4896 as shipped for 32-bit Windows.
static_assert(sizeof(cef_settings_t) == 252, "cef_settings_t must be the 252-byte structure of CEF 4896");
#endif

std::wstring GetExeDir(bool keepTrailingBackslash) {
  wchar_t path[512] = {};
  GetModuleFileNameW(nullptr, path, 512);
  path[511] = L'\0';
  std::wstring text = path;
  const size_t slash = text.rfind(L'\\');
  if (slash != std::wstring::npos) text.resize(keepTrailingBackslash ? slash + 1 : slash);
  return text;
}

CefMainInit::CefMainInit(HINSTANCE instance, unsigned char* multiThreadedLoop, unsigned char* success) {
  CefRefPtr<CefCommandLine> commandLine = CefCommandLine::CreateCommandLine();
  commandLine->InitFromString(::GetCommandLineW());
  const bool hasType = commandLine->HasSwitch("type");
  const ProcessKind kind =
      ProcessKindFromType(hasType, hasType ? commandLine->GetSwitchValue("type").ToWString() : std::wstring());

  // The prefix is set before the first line so that a sub-process's day
  // file carries it from the start.
  CefRefPtr<CefApp> app;
  switch (kind) {
    case kProcessMain:
      LogAt(__FILE__, __LINE__, "CefMainInit::CefMainInit")(kLogDebug, L"===== main browser =====");
      app = new ClientAppBrowser();
      break;
    case kProcessRenderer:
      CFrameLog::Get()->SetFilePrefix(L"\\ovwebgame_render");
      LogAt(__FILE__, __LINE__, "CefMainInit::CefMainInit")(kLogDebug, L"===== renderer browser =====");
      app = new ClientAppRender();
      break;
    default:
      CFrameLog::Get()->SetFilePrefix(L"\\ovwebgame_other");
      LogAt(__FILE__, __LINE__, "CefMainInit::CefMainInit")(kLogDebug, L"===== other browser =====");
      app = new ClientApp();
      break;
  }

  CefMainArgs mainArgs(instance);
  const int exitCode = CefExecuteProcess(mainArgs, app, nullptr);
  if (exitCode >= 0) {
    // A sub-process whose work is done: a normal exit, so static
    // destructors run and the log file is closed.
    LogAt(__FILE__, __LINE__, "CefMainInit::CefMainInit")(kLogDebug, L"----- WinMain exit_code=%d -----", exitCode);
    std::exit(exitCode);
  }

  // CefSettings starts zero-filled with its size set; only these change.
  CefSettings settings;
  settings.multi_threaded_message_loop = 1;
  settings.log_severity = LOGSEVERITY_DISABLE;
  CefString(&settings.locale).FromWString(L"zh-CN");
  const std::wstring exeDir = GetExeDir(true);
  CefString(&settings.cache_path).FromWString(exeDir + L"cookies");
  CefString(&settings.log_file).FromWString(exeDir + L"Log\\webkit.log");
  settings.background_color = 0xFFEEEEEE;

  *success = CefInitialize(mainArgs, settings, app, nullptr) ? 1 : 0;
  *multiThreadedLoop = settings.multi_threaded_message_loop != 0 ? 1 : 0;
  // The settings' strings are released by CefSettings when it goes.
}
