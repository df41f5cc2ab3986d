// Stand-in for the preload and game start while those are not part of the
// build: ShellSoft runs the detection and writes its result.
#include "env_det_imp.h"
#include "start_log.h"

void EnvDetImp::ShellSoft() {
  bool anyClientRunning = false;
  const int code = DetectEnvCode(&anyClientRunning);
  if (!anyClientRunning) {
    ProcessPreload(0);
    ProcessRunGame(0);
    STARTLOG(kLogError, "EnvDetImp::ShellSoft", kTextNotOemEnv);
    return;
  }
  ProcessPreload(code);
  if (code < 1 || code > 5 || !ProcessRunGame(code)) ProcessRunGame(0);
  STARTLOG(kLogInfo, "EnvDetImp::ShellSoft", kTextEnvDetectedFmt, code);
}

void EnvDetImp::ProcessPreload(int) {}

bool EnvDetImp::ProcessRunGame(int) { return false; }
