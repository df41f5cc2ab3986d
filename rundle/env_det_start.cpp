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

RunPlan EnvDetImp::PlanRun(const std::wstring& base, PlatformMutexUse mutexUse) {
  RunPlan plan;
  plan.envCode = DetectEnvCode(&plan.clientRunning, mutexUse);
  plan.start = PlanStart(plan.clientRunning, plan.envCode);
  plan.preloads = PlanPreloads(plan.start.preloadCode, base);
  plan.games.push_back(PlanGame(plan.start.gameCode, base));
  if (!plan.games.front().named && plan.start.fallBackToDefault) plan.games.push_back(PlanGame(0, base));
  return plan;
}

std::vector<PreloadStep> EnvDetImp::PlanPreloads(int code, const std::wstring& base) {
  std::vector<PreloadStep> steps;
  for (const PreloadEntry& entry : CStartConfig::Instance().GetPreloadList(code)) {
    PreloadStep step;
    step.entry = entry;
    step.skipped = entry.exe.empty();
    if (!step.skipped) {
      step.path = ResolveExePath(base, entry.exe);
      if (!step.path.empty()) step.commandLine = BuildPreloadCommandLine(step.path, entry.param);
    }
    steps.push_back(step);
  }
  return steps;
}

GameStep EnvDetImp::PlanGame(int code, const std::wstring& base) {
  GameStep step;
  step.envCode = code;
  step.info = CStartConfig::Instance().GetRunInfo(code);
  step.named = !step.info.gameExe.empty();
  if (!step.named) return step;
  // An empty before-path makes the joined text start with "\", which gives
  // a doubled separator in the full path; the platform accepts it.
  step.fullPath = ResolveExePath(base, JoinPath(step.info.beforePath, step.info.gameExe));
  step.commandLine = BuildGameCommandLine(step.fullPath, step.info.param);
  step.directory = step.info.beforePath.empty() ? base : JoinPath(base, step.info.beforePath);
  return step;
}

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
  for (const PreloadStep& step : PlanPreloads(code, RundleBase())) {
    if (step.skipped) continue;
    PROCESS_INFORMATION pi;
    // A path that climbs above the drive resolves to nothing: there is no
    // program to start.
    const bool started =
        !step.path.empty() && StartProcess(step.commandLine, CREATE_NEW_CONSOLE, RundleBase(), &pi);
    if (started) {
      // Preloads marked with Wait hold up everything after them, the game
      // included; there is deliberately no time-out.
      if (step.entry.wait != 0) WaitForSingleObject(pi.hProcess, INFINITE);
      CloseHandle(pi.hThread);
      CloseHandle(pi.hProcess);
    }
    STARTLOG(kLogInfo, "EnvDetImp::ProcessPreload", "ProcessPreload CreateProcess_%d. %s", step.entry.index,
             started ? "success" : "failed");
  }
}

bool EnvDetImp::ProcessRunGame(int code) {
  const std::wstring base = RundleBase();
  const GameStep step = PlanGame(code, base);
  if (!step.named) return false;
  const RunInfo& info = step.info;
  const std::wstring& fullPath = step.fullPath;

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
      if (!fullPath.empty()) WinExec(ToAnsi(step.commandLine).c_str(), SW_SHOW);
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
      if (!info.beforePath.empty()) {
        STARTLOG(kLogInfo, "EnvDetImp::ProcessRunGame", "RunGameOption: EnvDetImp::ProcessRunGame. CurrentPath: %s",
                 ToAnsi(step.directory).c_str());
      }
      PROCESS_INFORMATION pi;
      if (!fullPath.empty() && StartProcess(step.commandLine, CREATE_DEFAULT_ERROR_MODE, step.directory, &pi)) {
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
      }
      break;
    }
  }
  return true;
}
