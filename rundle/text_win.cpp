#include "text_win.h"

#include "win_include.h"

std::string ToAnsi(const std::wstring& text) {
  if (text.empty()) return std::string();
  const int size = static_cast<int>(text.size());
  const int needed = WideCharToMultiByte(CP_ACP, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
  if (needed <= 0) return std::string();
  std::string out(static_cast<size_t>(needed), '\0');
  WideCharToMultiByte(CP_ACP, 0, text.data(), size, &out[0], needed, nullptr, nullptr);
  return out;
}
