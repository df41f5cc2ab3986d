#include "uidesc.h"

#include <limits>

namespace veyra {

std::wstring UIDescPathFor(const std::wstring& exe_path) {
  const size_t slash = exe_path.rfind(L'\\');
  std::wstring dir = slash == std::wstring::npos ? exe_path : exe_path.substr(0, slash);
  return dir + L"\\data\\UIDesc.dat";
}

int32_t ParseDecimal(std::wstring_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == L' ' || (text[i] >= L'\t' && text[i] <= L'\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) {
    negative = text[i] == L'-';
    ++i;
  }
  // Accumulate as a negative number so that INT32_MIN fits; clamp on overflow.
  constexpr int64_t kMin = std::numeric_limits<int32_t>::min();
  constexpr int64_t kMax = std::numeric_limits<int32_t>::max();
  int64_t value = 0;
  for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
    value = value * 10 + (text[i] - L'0');
    if (value > kMax + 1) value = kMax + 1;
  }
  if (negative) return static_cast<int32_t>(-value < kMin ? kMin : -value);
  return static_cast<int32_t>(value > kMax ? kMax : value);
}

uint32_t FindBarIdInUIDesc(std::wstring_view text, std::wstring_view key) {
  if (key.empty()) return 0;
  const size_t at = text.find(key);
  if (at == std::wstring_view::npos) return 0;
  const size_t start = at + key.size();
  const size_t end = text.find(L';', start);
  const std::wstring_view value =
      text.substr(start, end == std::wstring_view::npos ? std::wstring_view::npos : end - start);
  if (value.empty()) return 0;
  return static_cast<uint32_t>(ParseDecimal(value));
}

std::string_view UIDescTextBytes(std::string_view bytes) {
  const size_t zero = bytes.find('\0');
  return zero == std::string_view::npos ? bytes : bytes.substr(0, zero);
}

}  // namespace veyra
