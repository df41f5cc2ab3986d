// CDuiString: the wide string of the skin UI library. A thin value type over
// std::wstring with the operations the windows and controls use (compare
// with or without case, format, sub-strings, replace).
#pragma once

#include <cstdarg>
#include <string>

namespace DuiLib {

class CDuiString {
 public:
  CDuiString() = default;
  CDuiString(const wchar_t* text) : text_(text ? text : L"") {}
  CDuiString(const wchar_t* text, size_t length) : text_(text ? std::wstring(text, length) : std::wstring()) {}
  CDuiString(const std::wstring& text) : text_(text) {}
  CDuiString(std::wstring&& text) : text_(std::move(text)) {}
  CDuiString(wchar_t ch) : text_(1, ch) {}

  const wchar_t* GetData() const { return text_.c_str(); }
  operator const wchar_t*() const { return text_.c_str(); }
  const std::wstring& str() const { return text_; }

  int GetLength() const { return static_cast<int>(text_.size()); }
  bool IsEmpty() const { return text_.empty(); }
  void Empty() { text_.clear(); }
  wchar_t GetAt(int index) const;
  void Append(const wchar_t* text) { if (text) text_ += text; }
  void Assign(const wchar_t* text, int length = -1);

  // 0 when equal, <0 or >0 like wcscmp; NoCase folds ASCII and Latin letters.
  int Compare(const wchar_t* text) const;
  int CompareNoCase(const wchar_t* text) const;

  CDuiString& MakeUpper();
  CDuiString& MakeLower();
  CDuiString Left(int length) const;
  CDuiString Mid(int pos, int length = -1) const;
  CDuiString Right(int length) const;
  // Index of the first match at or after pos, or -1.
  int Find(wchar_t ch, int pos = 0) const;
  int Find(const wchar_t* text, int pos = 0) const;
  int ReverseFind(wchar_t ch) const;
  // Replaces every occurrence; returns how many were replaced.
  int Replace(const wchar_t* from, const wchar_t* to);

  // printf-style formatting into the string; returns the new length.
  int Format(const wchar_t* format, ...);
  int FormatV(const wchar_t* format, va_list args);

  CDuiString& operator=(const wchar_t* text) { text_ = text ? text : L""; return *this; }
  CDuiString& operator+=(const CDuiString& other) { text_ += other.text_; return *this; }
  CDuiString& operator+=(const wchar_t* text) { Append(text); return *this; }
  CDuiString& operator+=(wchar_t ch) { text_ += ch; return *this; }
  friend CDuiString operator+(const CDuiString& a, const CDuiString& b) { return CDuiString(a.text_ + b.text_); }
  friend CDuiString operator+(const CDuiString& a, const wchar_t* b) { return CDuiString(a.text_ + (b ? b : L"")); }
  friend bool operator==(const CDuiString& a, const CDuiString& b) { return a.text_ == b.text_; }
  friend bool operator==(const CDuiString& a, const wchar_t* b) { return a.text_ == (b ? b : L""); }
  friend bool operator!=(const CDuiString& a, const CDuiString& b) { return !(a == b); }
  friend bool operator!=(const CDuiString& a, const wchar_t* b) { return !(a == b); }
  friend bool operator<(const CDuiString& a, const CDuiString& b) { return a.text_ < b.text_; }

 private:
  std::wstring text_;
};

// Case-insensitive equality of two texts (null counts as empty).
bool EqualsNoCase(const wchar_t* a, const wchar_t* b);

}  // namespace DuiLib
