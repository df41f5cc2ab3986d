#include "env_det_win.h"

#include <tlhelp32.h>

#include <memory>
#include <vector>

#include "env_det_imp.h"
#include "start_config.h"
#include "start_log.h"
#include "start_rules.h"
#include "text_win.h"

namespace {

struct HandleCloser {
  void operator()(HANDLE h) const {
    if (h && h != INVALID_HANDLE_VALUE) CloseHandle(h);
  }
};
using ScopedHandle = std::unique_ptr<void, HandleCloser>;

struct KeyCloser {
  void operator()(HKEY key) const { RegCloseKey(key); }
};
using ScopedKey = std::unique_ptr<std::remove_pointer<HKEY>::type, KeyCloser>;

constexpr DWORD kValueNameChars = 16383;
constexpr DWORD kValueDataBytes = 8192;

// One string of the file's version resource, e.g. L"ProductName".
bool GetVersionString(const std::wstring& filePath, const wchar_t* valueName, std::wstring& out) {
  out.clear();
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(filePath.c_str(), &ignored);
  if (size == 0) return false;
  std::vector<unsigned char> data(size);
  if (!GetFileVersionInfoW(filePath.c_str(), 0, size, data.data())) return false;

  struct Translation {
    WORD language;
    WORD codePage;
  };
  Translation* table = nullptr;
  UINT tableBytes = 0;
  if (!VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&table),
                      &tableBytes) ||
      !table || tableBytes < sizeof(Translation))
    return true;
  wchar_t query[64];
  swprintf(query, sizeof(query) / sizeof(query[0]), L"\\StringFileInfo\\%04x%04x\\%ls",
           table[0].language, table[0].codePage, valueName);
  wchar_t* text = nullptr;
  UINT length = 0;
  if (VerQueryValueW(data.data(), query, reinterpret_cast<void**>(&text), &length) && text &&
      length > 1) {
    out.assign(text, length);
    if (!out.empty() && out.back() == L'\0') out.pop_back();
  }
  return true;
}

EnvDetImp* g_envDetImp = nullptr;

}  // namespace

EnvDetImp* EnvDetImp::Create() {
  if (!g_envDetImp) g_envDetImp = new EnvDetImp();
  return g_envDetImp;
}

void EnvDetImp::Destroy() {
  delete g_envDetImp;
  g_envDetImp = nullptr;
}

bool GetProductName(const std::wstring& filePath, std::wstring& out) {
  return GetVersionString(filePath, L"ProductName", out);
}

bool GetProductVersion(const std::wstring& filePath, std::wstring& out) {
  return GetVersionString(filePath, L"ProductVersion", out);
}

std::wstring FindProcessPath(const std::wstring& fileName) {
  std::wstring path;
  CStartConfig::SetDebugPrivilege(true);
  ScopedHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (snapshot.get() != INVALID_HANDLE_VALUE) {
    PROCESSENTRY32W process{};
    process.dwSize = sizeof(process);
    for (BOOL more = Process32FirstW(snapshot.get(), &process); more;
         more = Process32NextW(snapshot.get(), &process)) {
      if (_wcsicmp(process.szExeFile, fileName.c_str()) != 0) continue;
      // Only the first process of that name is tried.
      ScopedHandle modules(
          CreateToolhelp32Snapshot(TH32CS_SNAPMODULE | TH32CS_SNAPMODULE32, process.th32ProcessID));
      if (modules.get() != INVALID_HANDLE_VALUE) {
        MODULEENTRY32W module{};
        module.dwSize = sizeof(module);
        if (Module32FirstW(modules.get(), &module)) path = module.szExePath;
      }
      break;
    }
  }
  CStartConfig::SetDebugPrivilege(false);
  return path;
}

int ReadRegistryEnvCode(HKEY key) {
  DWORD valueCount = 0;
  if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &valueCount,
                       nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
    return -1;
  std::vector<wchar_t> name(kValueNameChars + 1);
  // Room for the largest accepted value and a terminating zero, whether or
  // not the stored text carries one.
  std::vector<unsigned char> data(kValueDataBytes + sizeof(wchar_t));
  for (DWORD index = 0; index < valueCount; ++index) {
    DWORD nameChars = kValueNameChars + 1;
    if (RegEnumValueW(key, index, name.data(), &nameChars, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS)
      continue;
    DWORD type = 0;
    DWORD bytes = kValueDataBytes;
    std::fill(data.begin(), data.end(), 0);
    if (RegQueryValueExW(key, name.data(), nullptr, &type, data.data(), &bytes) != ERROR_SUCCESS ||
        type != REG_SZ)
      continue;
    const wchar_t* chars = reinterpret_cast<const wchar_t*>(data.data());
    std::wstring text(chars, bytes / sizeof(wchar_t));
    text.resize(wcsnlen(text.c_str(), text.size()));
    if (text.empty()) continue;
    return rundle::EnvCodeFromRegistryText(text);
  }
  return -1;
}

int EnvDetImp::GetEnvDetInfo(const std::wstring& clientPath) {
  int code = 0;
  HKEY raw = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, RUNDLE_GAME_CLICK_KEY, 0, KEY_READ, &raw) ==
      ERROR_SUCCESS) {
    ScopedKey key(raw);
    code = ReadRegistryEnvCode(key.get());
  }

  if (code == 0) {
    std::wstring productName;
    if (!GetProductName(clientPath, productName)) return 0;
    STARTLOG(kLogInfo, "EnvDetImp::GetEnvDetInfo", kTextClientProductNameFmt,
             ToAnsi(productName).c_str());
    code = rundle::EnvCodeFromProductName(productName);
  }

  if (code == 1) {
    std::wstring version;
    if (GetProductVersion(clientPath, version)) code = rundle::ApplyVersionRule(code, version);
  }
  return code;
}

int EnvDetImp::DetectEnvCode(bool* anyClientRunning, PlatformMutexUse mutexUse) {
  const std::wstring clientPath = FindProcessPath(L"Tallowview.exe");
  const std::wstring ovplayPath = FindProcessPath(L"ovplay.exe");
  const bool running = !clientPath.empty() || !ovplayPath.empty();
  if (anyClientRunning) *anyClientRunning = running;
  if (!running) return 0;

  int code = GetEnvDetInfo(clientPath);
  if (mutexUse == PlatformMutexUse::kProbeOnly) {
    // Looking only: an existing mutex decides as it would for Rundle, and
    // none is created, so a Rundle started meanwhile is not misled into
    // code 5 by this process.
    SetLastError(ERROR_SUCCESS);
    HANDLE existing = OpenMutexW(SYNCHRONIZE, FALSE, RUNDLE_PLATFORM_MUTEX);
    if (existing) CloseHandle(existing);
    if (existing || GetLastError() == ERROR_ACCESS_DENIED) code = 5;
    return code;
  }
  SetLastError(ERROR_SUCCESS);
  HANDLE mutex = CreateMutexW(nullptr, FALSE, RUNDLE_PLATFORM_MUTEX);
  if (GetLastError() == ERROR_ALREADY_EXISTS) {
    if (mutex) CloseHandle(mutex);
    code = 5;
  }
  // A new mutex is left open on purpose: it exists for as long as Rundle runs.
  return code;
}
