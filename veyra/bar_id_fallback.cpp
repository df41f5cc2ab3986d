#include "bar_id_fallback.h"

#include <memory>
#include <new>
#include <string>

#include "probes.h"
#include "text_convert.h"
#include "uidesc.h"
#include "veyra_core.h"
#include "win_include.h"

namespace veyra {
namespace {

struct FileCloser {
  void operator()(HANDLE h) const { CloseHandle(h); }
};

uint32_t ReadRegistryBarId(const wchar_t* value_name) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Pavlix8", 0, KEY_READ, &key) != ERROR_SUCCESS) {
    return 0;
  }
  // Raw bytes into a zeroed 32-bit number: a longer value fails to read and
  // leaves 0, a shorter one fills the low bytes.
  uint32_t value = 0;
  DWORD size = sizeof(value);
  if (RegQueryValueExW(key, value_name, nullptr, nullptr, reinterpret_cast<BYTE*>(&value),
                       &size) != ERROR_SUCCESS) {
    value = 0;
  }
  RegCloseKey(key);
  return value;
}

}  // namespace

bool ReadUIDescText(const std::wstring& file, std::wstring* text) {
  HANDLE raw = CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  if (raw == INVALID_HANDLE_VALUE) return false;
  std::unique_ptr<void, FileCloser> handle(raw);
  try {
    // Read in chunks until the end of the file or the first zero byte, which
    // ends the text anyway.
    std::string bytes;
    char chunk[64 * 1024];
    for (;;) {
      DWORD read = 0;
      if (!ReadFile(raw, chunk, sizeof(chunk), &read, nullptr)) return false;
      if (read == 0) break;
      const std::string_view part = UIDescTextBytes(std::string_view(chunk, read));
      bytes.append(part);
      if (part.size() < read) break;
    }
    *text = NarrowToWide(bytes, CP_THREAD_ACP);
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

uint32_t ReadBarIdFallback(const wchar_t* value_name, const wchar_t* key) {
  if (const uint32_t bar_id = ReadRegistryBarId(value_name)) return bar_id;

  std::wstring exe_path;
  if (!FindRunningProcess(kTallowviewExe, &exe_path)) return 0;
  std::wstring text;
  if (!ReadUIDescText(UIDescPathFor(exe_path), &text)) return 0;
  return FindBarIdInUIDesc(text, key);
}

}  // namespace veyra
