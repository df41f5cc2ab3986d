// CStartConfig: the settings of the game starter, read from the INI file
// beside Rundle.exe (the module path with ".exe" replaced by ".ini"), and the
// facts about Windows that the other steps use: the 64-bit flag, the OS code
// and the Windows 10 test.
#pragma once

#include <string>
#include <vector>

#include "start_rules.h"

class CStartConfig {
 public:
  // The one instance, created empty on first use.
  static CStartConfig& Instance();

  // Finds the settings file for Rundle's own module path and reads the
  // log level, the 64-bit flag and the OS code. Always succeeds.
  bool Load();
  // The same for a given module path (used by Load and by tests).
  bool LoadForModule(const std::wstring& modulePath);
  // Reads a given settings file the way Load does, but leaves the file's
  // attributes alone (for callers that only look at a settings file).
  bool LoadSettingsFile(const std::wstring& settingsPath);

  std::vector<PreloadEntry> GetPreloadList(int envCode) const;
  std::vector<CopyEntry> GetCopyList() const;
  RunInfo GetRunInfo(int envCode) const;

  // Computed on the first call, then kept.
  int GetOsCode();
  bool Is64BitSystem() const { return is64BitSystem_; }
  int GetLogLevelMask() const { return logLevelMask_; }
  const std::wstring& GetSettingsPath() const { return settingsPath_; }

  static bool IsWindows10OrLater();
  // Enables (on) or removes (off) SeDebugPrivilege on the process token;
  // failures are ignored.
  static void SetDebugPrivilege(bool on);

  // Reads one key of the settings file with the given buffer size.
  std::wstring ReadProfile(const std::wstring& section, const std::wstring& key,
                           size_t bufferChars) const;

 private:
  CStartConfig() = default;
  rundle::ProfileReader Reader() const;

  std::wstring settingsPath_;
  int logLevelMask_ = 0;
  bool is64BitSystem_ = false;
  int osCode_ = 0;
};

// Rundle's full module path (wide), empty when it does not fit in 32767
// characters.
std::wstring GetRundleModulePath();
// The module path cut before its last backslash: D:\Games\Rundle.exe -> D:\Games.
std::wstring GetRundleDirectory();
