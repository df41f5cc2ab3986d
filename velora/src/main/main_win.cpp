// Entry of every Velora process: the main process and the engine's
// sub-processes, which the engine starts from this same program file.
#include <new>
#include <string>

#include "UILib.h"
#include "cef3/browser/main_message_loop.h"
#include "cef3/common/recovery_rules.h"
#include "cef3/common/startup_clock_win.h"
#include "cef3/common/cef_main.h"
#include "frame_log.h"
#include "include/cef_app.h"
#include "main/frame_rules.h"
#include "common/game_frame_win.h"
#include "win_include.h"

#include <ole2.h>

int WINAPI wWinMain(HINSTANCE hInstance, HINSTANCE, LPWSTR lpCmdLine, int) {
  // Only Debug lines reach the outputs, in every process.
  CFrameLog::Get()->SetLevelMask(kLogDebug);
  LogAt(__FILE__, __LINE__, "wWinMain")(kLogInfo, L"DSB...");

  unsigned char multiThreadedLoop = 0;
  unsigned char success = 0;
  // A sub-process ends inside this constructor.
  CefRefPtr<CefMainInit> engine = new CefMainInit(hInstance, &multiThreadedLoop, &success);
  if (!success) {
    LogAt(__FILE__, __LINE__, "wWinMain")(kLogError, L"cef_main_init failed");
    return -1;
  }

  DuiLib::CPaintManagerUI::SetInstance(hInstance);
  DuiLib::CPaintManagerUI::SetResourcePath((DuiLib::CPaintManagerUI::GetInstancePath() + L"Skin\\").GetData());

  if (FAILED(OleInitialize(nullptr))) return 0;

  CMainWnd* mainWnd = new (std::nothrow) CMainWnd();
  if (!mainWnd) {
    OleUninitialize();
    return 0;
  }

  const LaunchCommand command = ClassifyCommandLine(lpCmdLine ? lpCmdLine : L"");
  if (command.hasSettingsFile)
    mainWnd->LoadLaunchSettings(command.settingsPath);
  else if (!command.launchArgument.empty())
    mainWnd->SetLaunchArgument(command.launchArgument);

  // WS_VISIBLE | WS_OVERLAPPEDWINDOW; the size comes from the skin.
  if (mainWnd->Create(nullptr, L"", 0x10CF0000, 0, 0, 0, 0, 0, nullptr)) {
    mainWnd->CenterWindow();
    LogAt(__FILE__, __LINE__, "wWinMain")(
        kLogDebug, L"%ls", recovery_rules::TimingLine(recovery_rules::Mark::kFrameShown, MsSinceProcessStart()).c_str());
  } else {
    // The window refused (no skin): its object is still ours, and there is
    // no window to end the loop.
    delete mainWnd;
    PostQuitMessage(0);
  }

  if (multiThreadedLoop) {
    LogAt(__FILE__, __LINE__, "wWinMain")(kLogInfo, L"is_multi_threaded_message_loop");
    CMainMessageLoopWin loop;
    loop.Run();
  } else {
    CefRunMessageLoop();
  }

  LogAt(__FILE__, __LINE__, "wWinMain")(kLogDebug, L"=== WinMain cef shutdown ===");
  CefShutdown();
  OleUninitialize();
  LogAt(__FILE__, __LINE__, "wWinMain")(kLogDebug, L"==== WinMain exit ====");
  return 0;
}
