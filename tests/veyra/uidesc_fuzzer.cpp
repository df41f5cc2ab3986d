// The UIDesc reader's text rule over arbitrary file bytes: the text ends at
// the first zero byte, then the "4=" value is read. Bytes are widened one to
// one here (the Windows build converts from the ANSI code page).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "uidesc.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::string_view text_bytes = veyra::UIDescTextBytes(bytes);
  if (text_bytes.find('\0') != std::string_view::npos) std::abort();
  std::wstring text;
  for (unsigned char c : text_bytes) text += static_cast<wchar_t>(c);
  const uint32_t bar_id = veyra::FindBarIdInUIDesc(text, L"4=");
  if (bar_id != 0 && text.find(L"4=") == std::wstring::npos) std::abort();
  veyra::ParseDecimal(text);
  veyra::UIDescPathFor(text);
  return 0;
}
