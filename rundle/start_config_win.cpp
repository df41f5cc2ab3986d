#include "start_config.h"

#include <memory>

#include "win_include.h"

namespace {

constexpr DWORD kModulePathChars = 32767;

struct HandleCloser {
  void operator()(HANDLE h) const { CloseHandle(h); }
};
using ScopedHandle = std::unique_ptr<void, HandleCloser>;

struct LibraryFreer {
  void operator()(HMODULE m) const { FreeLibrary(m); }
};
using ScopedLibrary = std::unique_ptr<std::remove_pointer<HMODULE>::type, LibraryFreer>;

// GetSystemWow64DirectoryW exists and does not answer "not implemented":
// Windows itself is 64-bit.
bool QueryIs64BitSystem() {
  using GetWow64DirFn = UINT(WINAPI*)(LPWSTR, UINT);
  HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  if (!kernel) return false;
  auto fn = reinterpret_cast<GetWow64DirFn>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "GetSystemWow64DirectoryW")));
  if (!fn) return false;
  wchar_t buffer[MAX_PATH];
  if (fn(buffer, MAX_PATH) != 0) return true;
  return GetLastError() != ERROR_CALL_NOT_IMPLEMENTED;
}

}  // namespace

CStartConfig& CStartConfig::Instance() {
  // Created once, under the compiler's guard for function-local statics.
  static CStartConfig* config = new CStartConfig();  // lives until the process ends
  return *config;
}

std::wstring GetRundleModulePath() {
  std::wstring path(kModulePathChars, L'\0');
  const DWORD length = GetModuleFileNameW(nullptr, &path[0], kModulePathChars);
  if (length == 0 || length >= kModulePathChars) return std::wstring();
  path.resize(length);
  return path;
}

std::wstring GetRundleDirectory() {
  std::wstring path = GetRundleModulePath();
  const size_t slash = path.rfind(L'\\');
  if (slash != std::wstring::npos) path.resize(slash);
  return path;
}

bool CStartConfig::Load() { return LoadForModule(GetRundleModulePath()); }

bool CStartConfig::LoadForModule(const std::wstring& modulePath) {
  const std::wstring settingsPath = rundle::SettingsPathForModule(modulePath);
  // Read-only, hidden or system settings stay readable; the outcome is ignored.
  if (!settingsPath.empty()) SetFileAttributesW(settingsPath.c_str(), FILE_ATTRIBUTE_NORMAL);
  return LoadSettingsFile(settingsPath);
}

bool CStartConfig::LoadSettingsFile(const std::wstring& settingsPath) {
  settingsPath_ = settingsPath;
  logLevelMask_ = rundle::LogLevelMaskFor(rundle::ReadIntKey(Reader(), L"General", L"logLevel"));
  is64BitSystem_ = QueryIs64BitSystem();
  GetOsCode();
  return true;
}

std::wstring CStartConfig::ReadProfile(const std::wstring& section, const std::wstring& key,
                                       size_t bufferChars) const {
  // An empty path would make the reader fall back to win.ini: no file, no keys.
  if (settingsPath_.empty() || bufferChars == 0) return std::wstring();
  std::wstring buffer(bufferChars, L'\0');
  const DWORD length = GetPrivateProfileStringW(section.c_str(), key.c_str(), L"", &buffer[0],
                                                static_cast<DWORD>(bufferChars),
                                                settingsPath_.c_str());
  buffer.resize(length < bufferChars ? length : bufferChars - 1);
  return buffer;
}

rundle::ProfileReader CStartConfig::Reader() const {
  return [this](const std::wstring& section, const std::wstring& key, size_t chars) {
    return ReadProfile(section, key, chars);
  };
}

std::vector<PreloadEntry> CStartConfig::GetPreloadList(int envCode) const {
  return rundle::ReadPreloadList(Reader(), envCode);
}

std::vector<CopyEntry> CStartConfig::GetCopyList() const { return rundle::ReadCopyList(Reader()); }

RunInfo CStartConfig::GetRunInfo(int envCode) const {
  return rundle::ReadRunInfo(Reader(), envCode, is64BitSystem_, IsWindows10OrLater());
}

int CStartConfig::GetOsCode() {
  if (osCode_ != 0) return osCode_;
  int code = 1;
  OSVERSIONINFOEXW info{};
  info.dwOSVersionInfoSize = sizeof(info);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  if (GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&info)))
#pragma GCC diagnostic pop
    code = rundle::OsCodeFor(info.dwMajorVersion, info.dwMinorVersion,
                             info.wProductType == VER_NT_WORKSTATION);
  osCode_ = code;
  return osCode_;
}

bool CStartConfig::IsWindows10OrLater() {
  using RtlGetNtVersionNumbersFn = void(WINAPI*)(DWORD*, DWORD*, DWORD*);
  ScopedLibrary ntdll(LoadLibraryW(L"ntdll.dll"));
  if (!ntdll) return false;
  auto fn = reinterpret_cast<RtlGetNtVersionNumbersFn>(
      reinterpret_cast<void*>(GetProcAddress(ntdll.get(), "RtlGetNtVersionNumbers")));
  if (!fn) return false;
  DWORD major = 0, minor = 0, build = 0;
  fn(&major, &minor, &build);
  return major >= 10;
}

void CStartConfig::SetDebugPrivilege(bool on) {
  HANDLE raw = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &raw)) return;
  ScopedHandle token(raw);
  TOKEN_PRIVILEGES privileges{};
  privileges.PrivilegeCount = 1;
  if (!LookupPrivilegeValueW(nullptr, L"SeDebugPrivilege", &privileges.Privileges[0].Luid)) return;
  privileges.Privileges[0].Attributes = on ? SE_PRIVILEGE_ENABLED : 0;
  AdjustTokenPrivileges(token.get(), FALSE, &privileges, sizeof(privileges), nullptr, nullptr);
}
