#include "UIString.h"

#include <cwchar>
#include <cwctype>
#include <vector>

namespace DuiLib {

namespace {
wchar_t Fold(wchar_t c) { return static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c))); }
}  // namespace

bool EqualsNoCase(const wchar_t* a, const wchar_t* b) {
  if (!a) a = L"";
  if (!b) b = L"";
  for (;; ++a, ++b) {
    if (Fold(*a) != Fold(*b)) return false;
    if (*a == 0) return true;
  }
}

wchar_t CDuiString::GetAt(int index) const {
  return index >= 0 && index < GetLength() ? text_[static_cast<size_t>(index)] : L'\0';
}

void CDuiString::Assign(const wchar_t* text, int length) {
  if (!text) { text_.clear(); return; }
  if (length < 0) text_ = text;
  else text_.assign(text, wcsnlen(text, static_cast<size_t>(length)));
}

int CDuiString::Compare(const wchar_t* text) const { return wcscmp(text_.c_str(), text ? text : L""); }

int CDuiString::CompareNoCase(const wchar_t* text) const {
  const wchar_t* a = text_.c_str();
  const wchar_t* b = text ? text : L"";
  for (;; ++a, ++b) {
    const wchar_t fa = Fold(*a), fb = Fold(*b);
    if (fa != fb) return fa < fb ? -1 : 1;
    if (*a == 0) return 0;
  }
}

CDuiString& CDuiString::MakeUpper() {
  for (auto& c : text_) c = static_cast<wchar_t>(std::towupper(static_cast<wint_t>(c)));
  return *this;
}

CDuiString& CDuiString::MakeLower() {
  for (auto& c : text_) c = Fold(c);
  return *this;
}

CDuiString CDuiString::Left(int length) const {
  if (length <= 0) return CDuiString();
  return CDuiString(text_.substr(0, static_cast<size_t>(length)));
}

CDuiString CDuiString::Mid(int pos, int length) const {
  if (pos < 0) pos = 0;
  if (pos >= GetLength()) return CDuiString();
  return CDuiString(text_.substr(static_cast<size_t>(pos), length < 0 ? std::wstring::npos : static_cast<size_t>(length)));
}

CDuiString CDuiString::Right(int length) const {
  if (length <= 0) return CDuiString();
  if (length >= GetLength()) return *this;
  return CDuiString(text_.substr(text_.size() - static_cast<size_t>(length)));
}

int CDuiString::Find(wchar_t ch, int pos) const {
  if (pos < 0 || pos > GetLength()) return -1;
  const size_t at = text_.find(ch, static_cast<size_t>(pos));
  return at == std::wstring::npos ? -1 : static_cast<int>(at);
}

int CDuiString::Find(const wchar_t* text, int pos) const {
  if (!text || pos < 0 || pos > GetLength()) return -1;
  const size_t at = text_.find(text, static_cast<size_t>(pos));
  return at == std::wstring::npos ? -1 : static_cast<int>(at);
}

int CDuiString::ReverseFind(wchar_t ch) const {
  const size_t at = text_.rfind(ch);
  return at == std::wstring::npos ? -1 : static_cast<int>(at);
}

int CDuiString::Replace(const wchar_t* from, const wchar_t* to) {
  if (!from || !*from) return 0;
  const std::wstring f(from), t(to ? to : L"");
  int count = 0;
  for (size_t at = text_.find(f); at != std::wstring::npos; at = text_.find(f, at + t.size())) {
    text_.replace(at, f.size(), t);
    ++count;
  }
  return count;
}

int CDuiString::Format(const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  const int n = FormatV(format, args);
  va_end(args);
  return n;
}

int CDuiString::FormatV(const wchar_t* format, va_list args) {
  // Grow until the text fits; vswprintf reports truncation only as -1.
  std::vector<wchar_t> buffer(256);
  for (;;) {
    va_list copy;
    va_copy(copy, args);
    const int n = vswprintf(buffer.data(), buffer.size(), format ? format : L"", copy);
    va_end(copy);
    if (n >= 0 && static_cast<size_t>(n) < buffer.size()) {
      text_.assign(buffer.data(), static_cast<size_t>(n));
      return n;
    }
    if (buffer.size() >= (1u << 24)) { text_.clear(); return 0; }
    buffer.resize(buffer.size() * 4);
  }
}

}  // namespace DuiLib
