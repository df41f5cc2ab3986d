// Decisions of the game starter that do not need the platform: the settings
// records and how they are read from a profile file, the log level mask, the
// OS code table, the environment sections and the evidence rules of the
// cafe-software detection. The Win32 side feeds them plain values.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

struct PreloadEntry {
  int index = 0;
  int wait = 0;
  std::wstring exe;
  std::wstring param;
};

struct CopyEntry {
  int index = 0;
  int skipOs = 0;
  int closeRedirection = 0;
  int isFile = 0;
  std::wstring src;
  std::wstring dst;
};

struct RunInfo {
  int runOption = 0;
  std::wstring beforePath;
  std::wstring gameExe;
  std::wstring param;
};

namespace rundle {

// Character room of the profile reads: integers are read as text into 32
// characters, strings into 4096 (so at most 4095 characters come back).
constexpr size_t kIntKeyChars = 32;
constexpr size_t kStringKeyChars = 4096;
// A `Num` beyond this many sections is read as this many: a mistyped count
// such as 2147483647 would otherwise read sections for hours before the game
// starts (a missing section still yields an entry).
constexpr int kMaxListEntries = 1000;

// Reads one key of one section with the given buffer size in characters
// (terminating zero included); returns "" for a missing key. On Windows this
// is GetPrivateProfileStringW on the settings file.
using ProfileReader = std::function<std::wstring(const std::wstring& section,
                                                 const std::wstring& key, size_t bufferChars)>;

// Decimal conversion of a key's text: leading white space, an optional sign,
// digits up to the first non-digit. "42" -> 42, " -7x" -> -7, "3x" -> 3,
// "abc" -> 0, "" -> 0. Values beyond the 32-bit range saturate.
int ParseIntText(const std::wstring& text);

int ReadIntKey(const ProfileReader& read, const std::wstring& section, const std::wstring& key);
std::wstring ReadStringKey(const ProfileReader& read, const std::wstring& section,
                           const std::wstring& key);

// The settings file of a module path: every lower-case ".exe" becomes ".ini".
// D:\a.exe\Rundle.exe -> D:\a.ini\Rundle.ini; RUNDLE.EXE stays as it is.
std::wstring SettingsPathForModule(const std::wstring& modulePath);

// logLevel -> mask: 2 -> 127, 3 -> 43, 4 -> 59, 5 -> 107, anything else 47.
int LogLevelMaskFor(int logLevel);

// OS code from the reported version (major, minor, workstation product).
// 1 stands for an unrecognised version.
int OsCodeFor(unsigned major, unsigned minor, bool workstation);

// Environment code -> section ("DefSoft", "PavlixSoft", ...); nullptr for a
// code without a section.
const wchar_t* EnvSectionName(int envCode);

std::vector<PreloadEntry> ReadPreloadList(const ProfileReader& read, int envCode);
std::vector<CopyEntry> ReadCopyList(const ProfileReader& read);
// On 64-bit Windows the "64_Win10" keys (Windows 10 and later) and then the
// "64" keys are used; the plain keys only on 32-bit Windows.
RunInfo ReadRunInfo(const ProfileReader& read, int envCode, bool is64BitSystem,
                    bool isWindows10OrLater);

// First field of a GameClickOrigin value ("3,abc,..." -> 3, "7" -> 7,
// ",1" -> 0).
int EnvCodeFromRegistryText(const std::wstring& text);

// Product-name evidence, tested in the order Quillon (3), Torrel (2),
// "网维" or "Tallowview.exe" (1); 0 when none matches. Case-sensitive.
int EnvCodeFromProductName(const std::wstring& productName);

// The client's version upgrades code 1 to 4 when it is 9.x with x >= 1.
// Separators are "." or, when two dots are not there, ",". "9.1.0.3" -> 4,
// "9,2,0,1" -> 4, "9.0.5.1" -> 1, "9.1" -> 1. Other codes pass unchanged.
int ApplyVersionRule(int envCode, const std::wstring& productVersion);

}  // namespace rundle
