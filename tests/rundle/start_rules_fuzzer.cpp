// Feeds arbitrary text to the starter's text rules: integer keys, the
// settings path, registry codes, product names and versions, and the
// run-info reader over a profile whose every key holds the input.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "start_rules.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::wstring text;
  for (size_t i = 0; i + 1 < size; i += 2) text += static_cast<wchar_t>(data[i] | (data[i + 1] << 8));

  (void)rundle::ParseIntText(text);
  const std::wstring settings = rundle::SettingsPathForModule(text);
  // ".exe" and ".ini" have the same length, and no ".exe" survives.
  if (settings.size() != text.size() || settings.find(L".exe") != std::wstring::npos) std::abort();
  (void)rundle::EnvCodeFromRegistryText(text);
  const int code = rundle::EnvCodeFromProductName(text);
  if (code < 0 || code > 3) std::abort();
  const int upgraded = rundle::ApplyVersionRule(1, text);
  if (upgraded != 1 && upgraded != 4) std::abort();

  const rundle::ProfileReader reader = [&](const std::wstring&, const std::wstring&, size_t chars) {
    return text.substr(0, chars - 1);
  };
  const RunInfo info = rundle::ReadRunInfo(reader, size % 7, size % 2 != 0, size % 3 != 0);
  if (info.gameExe.size() >= rundle::kStringKeyChars) std::abort();
  const auto preloads = rundle::ReadPreloadList(reader, static_cast<int>(size % 6));
  if (preloads.size() > static_cast<size_t>(rundle::kMaxListEntries)) std::abort();
  return 0;
}
