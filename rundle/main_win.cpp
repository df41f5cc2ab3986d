// Rundle.exe: the windowless game starter. Runs straight through once:
// settings, log, file copies, cafe-software detection, preloads and the
// game start. The command line is ignored and the exit code is always 0.
#include "win_include.h"

#include <objbase.h>

#include <string>

#include "env_det_imp.h"
#include "process_mgr.h"
#include "start_config.h"
#include "start_log.h"

namespace {

// Directory "<Rundle's folder>\log\" and base name "Rundle" from the narrow
// module path (room for 259 characters).
void ConfigureLog(int levelMask) {
  CStartLog& log = CStartLog::Instance();
  char path[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  if (length > 0 && length < MAX_PATH) {
    const std::string modulePath(path, length);
    const size_t slash = modulePath.rfind('\\');
    const std::string directory = slash == std::string::npos ? std::string() : modulePath.substr(0, slash);
    const std::string fileName = slash == std::string::npos ? modulePath : modulePath.substr(slash + 1);
    log.SetDirectory(directory + "\\log\\");
    log.SetBaseName(fileName.size() > 4 ? fileName.substr(0, fileName.size() - 4) : std::string());
  }
  log.SetOutputFlags(15);
  log.SetLevelMask(levelMask);
  log.SetDaysToKeep(7);
}

// Copies the files of the settings' copy plan; COM and the debug privilege
// are on for its duration.
void RunCopyStep() {
  const std::wstring base = GetRundleDirectory() + L"\\";
  const HRESULT com = CoInitialize(nullptr);
  CStartConfig::SetDebugPrivilege(true);
  CProcessMgr::Instance().ProcessCopyFile(base);
  CStartConfig::SetDebugPrivilege(false);
  if (SUCCEEDED(com)) CoUninitialize();
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  CStartConfig& config = CStartConfig::Instance();
  config.Load();
  ConfigureLog(config.GetLogLevelMask());
  CProcessMgr::Instance();
  RunCopyStep();
  EnvDetImp* envDet = EnvDetImp::Create();
  envDet->ShellSoft();
  EnvDetImp::Destroy();
  return 0;
}
