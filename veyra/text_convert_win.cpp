#include "text_convert.h"

#include <climits>

#include "win_include.h"

namespace veyra {

std::wstring NarrowToWide(std::string_view text, unsigned code_page) {
  if (text.empty() || text.size() > INT_MAX) return std::wstring();
  const int in_len = static_cast<int>(text.size());
  const int len = MultiByteToWideChar(code_page, 0, text.data(), in_len, nullptr, 0);
  if (len <= 0) return std::wstring();
  std::wstring wide(static_cast<size_t>(len), L'\0');
  const int done = MultiByteToWideChar(code_page, 0, text.data(), in_len, &wide[0], len);
  wide.resize(done > 0 ? static_cast<size_t>(done) : 0);
  return wide;
}

std::string WideToNarrow(std::wstring_view text, unsigned code_page) {
  if (text.empty() || text.size() > INT_MAX) return std::string();
  const int in_len = static_cast<int>(text.size());
  const int len =
      WideCharToMultiByte(code_page, 0, text.data(), in_len, nullptr, 0, nullptr, nullptr);
  if (len <= 0) return std::string();
  std::string narrow(static_cast<size_t>(len), '\0');
  const int done =
      WideCharToMultiByte(code_page, 0, text.data(), in_len, &narrow[0], len, nullptr, nullptr);
  narrow.resize(done > 0 ? static_cast<size_t>(done) : 0);
  return narrow;
}

}  // namespace veyra
