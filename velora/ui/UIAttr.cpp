#include "UIAttr.h"

#include <climits>
#include <cwctype>

namespace DuiLib {

namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }

std::wstring Trim(const std::wstring& s) {
  size_t b = 0, e = s.size();
  while (b < e && IsBlank(s[b])) ++b;
  while (e > b && IsBlank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

std::vector<std::wstring> SplitCommas(const std::wstring& s) {
  std::vector<std::wstring> parts;
  size_t start = 0;
  for (;;) {
    const size_t comma = s.find(L',', start);
    parts.push_back(s.substr(start, comma == std::wstring::npos ? std::wstring::npos : comma - start));
    if (comma == std::wstring::npos) break;
    start = comma + 1;
  }
  return parts;
}

int HexDigit(wchar_t c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  return -1;
}

}  // namespace

int ClampExtent(long long value) {
  if (value < 0) return 0;
  return value > kMaxExtent ? kMaxExtent : static_cast<int>(value);
}

int ClampCoordinate(long long value) {
  if (value < -kMaxExtent) return -kMaxExtent;
  return value > kMaxExtent ? kMaxExtent : static_cast<int>(value);
}

bool ParseInt(const std::wstring& text, long long* out) {
  const std::wstring t = Trim(text);
  if (t.empty()) return false;
  size_t i = 0;
  bool negative = false;
  if (t[0] == L'-' || t[0] == L'+') {
    negative = t[0] == L'-';
    i = 1;
  }
  if (i == t.size()) return false;
  long long value = 0;
  for (; i < t.size(); ++i) {
    if (t[i] < L'0' || t[i] > L'9') return false;
    // Saturate instead of overflowing: "99999999999999999999" is just huge.
    if (value < LLONG_MAX / 20) value = value * 10 + (t[i] - L'0');
  }
  *out = negative ? -value : value;
  return true;
}

bool ParseBool(const std::wstring& text, bool* out) {
  const std::wstring t = Trim(text);
  if (NameEquals(t, L"true") || t == L"1") { *out = true; return true; }
  if (NameEquals(t, L"false") || t == L"0") { *out = false; return true; }
  return false;
}

bool ParseColor(const std::wstring& text, uint32_t* out) {
  std::wstring t = Trim(text);
  if (!t.empty() && t[0] == L'#') t.erase(0, 1);
  else if (t.size() > 2 && t[0] == L'0' && (t[1] == L'x' || t[1] == L'X')) t.erase(0, 2);
  else return false;
  if (t.size() != 6 && t.size() != 8) return false;
  uint32_t value = 0;
  for (wchar_t c : t) {
    const int d = HexDigit(c);
    if (d < 0) return false;
    value = (value << 4) | static_cast<uint32_t>(d);
  }
  if (t.size() == 6) value |= 0xFF000000u;
  *out = value;
  return true;
}

bool ParseRect(const std::wstring& text, UiRect* out) {
  const std::vector<std::wstring> parts = SplitCommas(text);
  if (parts.size() != 4) return false;
  long long v[4];
  for (int i = 0; i < 4; ++i)
    if (!ParseInt(parts[i], &v[i])) return false;
  out->left = ClampCoordinate(v[0]);
  out->top = ClampCoordinate(v[1]);
  out->right = ClampCoordinate(v[2]);
  out->bottom = ClampCoordinate(v[3]);
  return true;
}

bool ParseSize(const std::wstring& text, UiSize* out) {
  const std::vector<std::wstring> parts = SplitCommas(text);
  if (parts.size() != 2) return false;
  long long cx, cy;
  if (!ParseInt(parts[0], &cx) || !ParseInt(parts[1], &cy)) return false;
  out->cx = ClampExtent(cx);
  out->cy = ClampExtent(cy);
  return true;
}

std::vector<std::pair<std::wstring, std::wstring>> ParseAttributeList(const std::wstring& text) {
  std::vector<std::pair<std::wstring, std::wstring>> list;
  size_t i = 0;
  const size_t n = text.size();
  for (;;) {
    while (i < n && IsBlank(text[i])) ++i;
    if (i >= n) break;
    const size_t nameStart = i;
    while (i < n && text[i] != L'=' && !IsBlank(text[i])) ++i;
    std::wstring name = text.substr(nameStart, i - nameStart);
    while (i < n && IsBlank(text[i])) ++i;
    if (name.empty() || i >= n || text[i] != L'=') break;
    ++i;
    while (i < n && IsBlank(text[i])) ++i;
    if (i >= n || (text[i] != L'"' && text[i] != L'\'')) break;
    const wchar_t quote = text[i++];
    const size_t close = text.find(quote, i);
    if (close == std::wstring::npos) break;
    list.emplace_back(std::move(name), text.substr(i, close - i));
    i = close + 1;
  }
  return list;
}

bool ParseImageSpec(const std::wstring& text, ImageSpec* out) {
  *out = ImageSpec();
  const std::wstring t = Trim(text);
  if (t.empty()) return false;
  if (t.find(L'=') == std::wstring::npos) {
    out->file = t;
    return true;
  }
  for (const auto& [name, value] : ParseAttributeList(t)) {
    if (NameEquals(name, L"file") || NameEquals(name, L"res")) {
      out->file = value;
    } else if (NameEquals(name, L"source")) {
      out->hasSource = ParseRect(value, &out->source);
    } else if (NameEquals(name, L"dest")) {
      out->hasDest = ParseRect(value, &out->dest);
    } else if (NameEquals(name, L"corner")) {
      UiRect c;
      if (ParseRect(value, &c))
        out->corner = {ClampExtent(c.left), ClampExtent(c.top), ClampExtent(c.right), ClampExtent(c.bottom)};
    } else if (NameEquals(name, L"fade")) {
      long long f;
      if (ParseInt(value, &f)) out->fade = f < 0 ? 0 : (f > 255 ? 255 : static_cast<int>(f));
    }
  }
  return !out->file.empty();
}

bool NameEquals(const std::wstring& a, const wchar_t* b) {
  size_t i = 0;
  for (; i < a.size(); ++i) {
    if (!b[i]) return false;
    if (std::towlower(static_cast<wint_t>(a[i])) != std::towlower(static_cast<wint_t>(b[i]))) return false;
  }
  return b[i] == 0;
}

}  // namespace DuiLib
