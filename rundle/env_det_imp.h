// EnvDetImp: works out which cafe-management product runs on this PC and
// then preloads and starts the game for it (ShellSoft).
//
// Environment codes: 0 DefSoft, 1 PavlixSoft, 2 TorrelSoft, 3 QuillonSoft,
// 4 PavlixSoft_GL, 5 OvplaySoft, -1 registry key without a usable value, any
// other value taken unchanged from the registry.
#pragma once

#include <string>
#include <vector>

#include "start_plan.h"

// The platform's mutex: when it already exists, the code is 5.
#define RUNDLE_PLATFORM_MUTEX L"{BCE735F6-EDD8-40A3-902A-0F821BC30C26}"

class EnvDetImp {
 public:
  // The process-wide instance: created before ShellSoft, destroyed after it.
  static EnvDetImp* Create();
  static void Destroy();

  // Detection, then the preloads and the game of the detected environment.
  void ShellSoft();
  void ProcessPreload(int envCode);
  // True when the environment's section names a game program.
  bool ProcessRunGame(int envCode);

  // The same decisions without starting anything; base is Rundle's
  // directory followed by "\". ShellSoft, ProcessPreload and ProcessRunGame
  // carry out exactly these steps.
  RunPlan PlanRun(const std::wstring& base, PlatformMutexUse mutexUse);
  std::vector<PreloadStep> PlanPreloads(int envCode, const std::wstring& base);
  GameStep PlanGame(int envCode, const std::wstring& base);

  // Detection steps: looks for Tallowview.exe and ovplay.exe; with neither
  // running the code is 0 and nothing else is consulted. Otherwise the code
  // comes from GetEnvDetInfo and becomes 5 when the platform's mutex already
  // exists; a mutex created here stays open until the process ends.
  int DetectEnvCode(bool* anyClientRunning,
                    PlatformMutexUse mutexUse = PlatformMutexUse::kCreateAndHold);

  // Registry, then product name and version of the client at `clientPath`.
  int GetEnvDetInfo(const std::wstring& clientPath);
};

// Full path of the first running process whose executable name equals
// `fileName` ignoring case; empty when none runs or its path cannot be read.
std::wstring FindProcessPath(const std::wstring& fileName);

// Version-resource strings of a file; false when the resource cannot be read
// at all, true (text possibly empty) otherwise.
bool GetProductName(const std::wstring& filePath, std::wstring& out);
bool GetProductVersion(const std::wstring& filePath, std::wstring& out);
