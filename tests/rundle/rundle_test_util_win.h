// Helpers of the Rundle tests under Wine: work folders in the build tree,
// files, version resources, stand-in client processes, registry values and
// runs of the real Rundle.exe.
#pragma once

#include <string>
#include <vector>

#include "win_include.h"

namespace rundle_test {

// "Z:\..." form of a path of the build machine.
std::wstring HostPath(const char* unixPath);
// A new, empty folder for one test below the test program's folder.
std::wstring FreshFolder(const std::wstring& name);
void RemoveTree(const std::wstring& path);
bool WriteBytes(const std::wstring& path, const std::string& bytes);
std::string ReadBytes(const std::wstring& path);
std::wstring Utf8ToWide(const std::string& text);
// UTF-8 -> GBK, how Chinese texts appear in the starter's log.
std::string Gbk(const std::string& utf8);

// Version resource contents; an empty optional field is left out.
struct VersionInfo {
  bool hasTranslation = true;
  bool hasName = true;
  bool hasVersion = true;
  std::wstring productName;
  std::wstring productVersion;
};
// Replaces the version resource of an executable file.
bool StampVersion(const std::wstring& exePath, const VersionInfo& info);

// A copy of the stand-in client, named `fileName` in `folder`, running until
// the object is destroyed. With `version` null the copy has no version resource.
class FakeClient {
 public:
  FakeClient(const std::wstring& folder, const std::wstring& fileName, const VersionInfo* version);
  ~FakeClient();
  FakeClient(const FakeClient&) = delete;
  FakeClient& operator=(const FakeClient&) = delete;
  bool running() const { return process_ != nullptr; }
  const std::wstring& path() const { return path_; }

 private:
  std::wstring path_;
  HANDLE process_ = nullptr;
};

// One value to put under a registry key.
struct RegValue {
  std::wstring name;
  DWORD type;
  std::wstring text;     // REG_SZ / REG_EXPAND_SZ
  DWORD number = 0;      // REG_DWORD
};

// Creates HKLM\Software\Pavlix8\GameClickOrigin (or another key) with the
// given values and deletes the key again on destruction.
class ScopedRegistryKey {
 public:
  ScopedRegistryKey(HKEY root, const std::wstring& path, const std::vector<RegValue>& values);
  ~ScopedRegistryKey();
  HKEY key() const { return key_; }

 private:
  HKEY root_;
  std::wstring path_;
  HKEY key_ = nullptr;
};

struct RunResult {
  DWORD exitCode = 0xdeadbeef;
  bool finished = false;
  std::string log;            // today's log file, bytes as written
  std::wstring logFile;       // its path
  std::string output;         // what Rundle wrote to its standard output
  std::string error;          // why the run could not be made
};
// Copies Rundle.exe into `folder` under `exeName` and runs it there.
RunResult RunRundle(const std::wstring& folder, const std::wstring& exeName = L"Rundle.exe");
// Starts a copy of Rundle.exe in `folder` without waiting; the caller waits
// for and closes the returned process handle (null on failure).
HANDLE StartRundle(const std::wstring& folder);
// Ends every process whose executable is named `fileName`; returns how many.
int KillProcesses(const std::wstring& fileName);
// Waits up to `ms` for a process named `fileName` to appear.
bool WaitForProcess(const std::wstring& fileName, DWORD ms);
// "Rundle" + YYYYMMDD of today (local time) - daysBack + ".log"
std::wstring DayLogName(const std::wstring& base, int daysBack);

// Lines of a log text, without line ends.
std::vector<std::string> Lines(const std::string& text);

}  // namespace rundle_test
