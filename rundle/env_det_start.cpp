// EnvDetImp, second half: after detection, the preload programs of the
// detected environment and the game start, with the DefSoft fallbacks.
#include "env_det_imp.h"

#include "win_include.h"

#include <shellapi.h>

#include <vector>

#include "process_mgr.h"
#include "start_config.h"
#include "start_log.h"
#include "text_win.h"

namespace {

std::wstring RundleBase() { return GetRundleDirectory() + L"\\"; }

STARTUPINFOW ShowWindowStartup() {
  STARTUPINFOW si = {};
  si.cb = sizeof(si);
  si.dwFlags = STARTF_USESHOWWINDOW;
  si.wShowWindow = SW_SHOW;
  return si;
}

// CreateProcessW may write into the command line, so it gets its own copy.
bool StartProcess(const std::wstring& commandLine, DWORD flags, const std::wstring& directory,
                  PROCESS_INFORMATION* pi) {
  std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
  line.push_back(L'\0');
  STARTUPINFOW si = ShowWindowStartup();
  *pi = PROCESS_INFORMATION{};
  return CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, flags, nullptr,
                        directory.c_str(), &si, pi) != FALSE;
}

}  // namespace

void EnvDetImp::ShellSoft() {
  bool clientRunning = false;
  const int code = DetectEnvCode(&clientRunning);
  const StartPlan plan = PlanStart(clientRunning, code);

  ProcessPreload(plan.preloadCode);
  if (!ProcessRunGame(plan.gameCode) && plan.fallBackToDefault) ProcessRunGame(0);

  // Written after everything has been started.
  if (!clientRunning) {
    STARTLOG(kLogError, "EnvDetImp::ShellSoft", kTextNotOemEnv);
  } else {
    STARTLOG(kLogInfo, "EnvDetImp::ShellSoft", kTextEnvDetectedFmt, code);
  }
}

void EnvDetImp::ProcessPreload(int code) {
  const std::wstring base = RundleBase();
  for (const PreloadEntry& entry : CStartConfig::Instance().GetPreloadList(code)) {
    if (entry.exe.empty()) continue;
    const std::wstring path = ResolveExePath(base, entry.exe);
    PROCESS_INFORMATION pi;
    // A path that climbs above the drive resolves to nothing: there is no
    // program to start.
    const bool started =
        !path.empty() && StartProcess(BuildPreloadCommandLine(path, entry.param), CREATE_NEW_CONSOLE, base, &pi);
    if (started) {
      // Preloads marked with Wait hold up everything after them, the game
      // included; there is deliberately no time-out.
      if (entry.wait != 0) WaitForSingleObject(pi.hProcess, INFINITE);
      CloseHandle(pi.hThread);
      CloseHandle(pi.hProcess);
    }
    STARTLOG(kLogInfo, "EnvDetImp::ProcessPreload", "ProcessPreload CreateProcess_%d. %s", entry.index,
             started ? "success" : "failed");
  }
}

bool EnvDetImp::ProcessRunGame(int code) {
  const std::wstring base = RundleBase();
  const RunInfo info = CStartConfig::Instance().GetRunInfo(code);
  if (info.gameExe.empty()) return false;

  // An empty before-path makes the joined text start with "\", which gives
  // a doubled separator in the full path; the platform accepts it.
  const std::wstring fullPath = ResolveExePath(base, JoinPath(info.beforePath, info.gameExe));
  const std::wstring commandLine = BuildGameCommandLine(fullPath, info.param);

  // The outcome of the start is not reported (except for the browser
  // fallback of option 3). A path that resolved to nothing is not handed to
  // the platform: the shell would open Rundle's folder for it and the
  // process creation would take the arguments for the program.
  switch (info.runOption) {
    case 1:
      if (!fullPath.empty()) {
        ShellExecuteW(nullptr, nullptr, fullPath.c_str(), info.param.c_str(), base.c_str(), SW_SHOW);
      }
      break;
    case 2:
      if (!fullPath.empty()) WinExec(ToAnsi(commandLine).c_str(), SW_SHOW);
      break;
    case 3: {
      // The game text is taken as written, typically a web address.
      const HINSTANCE opened =
          ShellExecuteW(nullptr, L"open", info.gameExe.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
      if (reinterpret_cast<INT_PTR>(opened) <= 32) {
        const HINSTANCE ie = ShellExecuteW(nullptr, L"open", L"iexplore.exe", info.gameExe.c_str(),
                                           nullptr, SW_SHOWNORMAL);
        STARTLOG(kLogInfo, "EnvDetImp::ProcessRunGame", "EnvDetImp::ProcessRunGame. iexplore: %d",
                 static_cast<int>(reinterpret_cast<INT_PTR>(ie)));
      }
      break;
    }
    default: {
      std::wstring directory = base;
      if (!info.beforePath.empty()) {
        directory = JoinPath(base, info.beforePath);
        STARTLOG(kLogInfo, "EnvDetImp::ProcessRunGame", "RunGameOption: EnvDetImp::ProcessRunGame. CurrentPath: %s",
                 ToAnsi(directory).c_str());
      }
      PROCESS_INFORMATION pi;
      if (!fullPath.empty() && StartProcess(commandLine, CREATE_DEFAULT_ERROR_MODE, directory, &pi)) {
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
      }
      break;
    }
  }
  return true;
}
