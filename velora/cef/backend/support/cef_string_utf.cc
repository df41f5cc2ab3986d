// The engine's C string functions: buffers, comparison and the conversions
// between UTF-8, UTF-16 and the platform's wchar_t (UTF-16 on Windows,
// UTF-32 on the host).
//
// Buffers made here are allocated with new[] and one more unit than the
// text, zero-terminated, and freed through the structure's dtor, so a string
// may be released by whoever holds the structure.
#include <string.h>

#include <string>
#include <type_traits>

#include "include/internal/cef_string_types.h"

namespace {

constexpr char32_t kReplacement = 0xFFFD;

template <typename CharT>
void DeleteBuffer(CharT* str) {
  delete[] str;
}

template <typename CharT, typename StructT>
void ClearString(StructT* str) {
  if (!str)
    return;
  if (str->dtor && str->str)
    str->dtor(str->str);
  str->str = nullptr;
  str->length = 0;
  str->dtor = nullptr;
}

// Copies first and only then frees the old buffer, so `src` may point into
// the string being replaced (self-assignment).
template <typename CharT, typename StructT>
int SetString(const CharT* src, size_t src_len, StructT* output, int copy) {
  if (!output)
    return 0;
  if (!src || src_len == 0) {
    ClearString<CharT>(output);
    return 1;
  }
  if (copy) {
    CharT* buffer = new CharT[src_len + 1];
    memcpy(buffer, src, src_len * sizeof(CharT));
    buffer[src_len] = 0;
    ClearString<CharT>(output);
    output->str = buffer;
    output->length = src_len;
    output->dtor = DeleteBuffer<CharT>;
  } else {
    if (output->str != src)
      ClearString<CharT>(output);
    else if (output->dtor) {
      // A borrowed view of its own buffer: keep the buffer owned.
      if (src_len < output->length)
        output->length = src_len;
      return 1;
    }
    output->str = const_cast<CharT*>(src);
    output->length = src_len;
    output->dtor = nullptr;
  }
  return 1;
}

template <typename StructT>
int CompareString(const StructT* str1, const StructT* str2) {
  size_t len1 = str1 ? str1->length : 0;
  size_t len2 = str2 ? str2->length : 0;
  size_t common = len1 < len2 ? len1 : len2;
  for (size_t i = 0; i < common; ++i) {
    // Compare as unsigned code units (char may be signed).
    using Unit = typename std::make_unsigned<
        typename std::remove_pointer<decltype(str1->str)>::type>::type;
    Unit a = static_cast<Unit>(str1->str[i]);
    Unit b = static_cast<Unit>(str2->str[i]);
    if (a != b)
      return a < b ? -1 : 1;
  }
  if (len1 == len2)
    return 0;
  return len1 < len2 ? -1 : 1;
}

// Decoders: read one code point at `i`, advance `i`, report invalid input.

char32_t DecodeUtf8(const char* src, size_t len, size_t& i, bool& ok) {
  unsigned char lead = static_cast<unsigned char>(src[i++]);
  if (lead < 0x80)
    return lead;
  int extra;
  char32_t cp;
  char32_t min;
  if (lead >= 0xC2 && lead <= 0xDF) {
    extra = 1;
    cp = lead & 0x1F;
    min = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    extra = 2;
    cp = lead & 0x0F;
    min = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    extra = 3;
    cp = lead & 0x07;
    min = 0x10000;
  } else {
    ok = false;
    return kReplacement;
  }
  for (int k = 0; k < extra; ++k) {
    if (i >= len ||
        (static_cast<unsigned char>(src[i]) & 0xC0) != 0x80) {
      // A truncated sequence: replace what was read, resume at this byte.
      ok = false;
      return kReplacement;
    }
    cp = (cp << 6) | (static_cast<unsigned char>(src[i++]) & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    ok = false;
    return kReplacement;
  }
  return cp;
}

template <typename Unit16>
char32_t DecodeUtf16(const Unit16* src, size_t len, size_t& i, bool& ok) {
  char32_t unit = static_cast<char16_t>(src[i++]);
  if (unit < 0xD800 || unit > 0xDFFF)
    return unit;
  if (unit <= 0xDBFF && i < len) {
    char32_t low = static_cast<char16_t>(src[i]);
    if (low >= 0xDC00 && low <= 0xDFFF) {
      ++i;
      return 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
    }
  }
  ok = false;  // A lone surrogate.
  return kReplacement;
}

void EncodeUtf8(char32_t cp, std::string& out) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

template <typename Unit16>
void EncodeUtf16(char32_t cp, std::basic_string<Unit16>& out) {
  if (cp < 0x10000) {
    out += static_cast<Unit16>(cp);
  } else {
    cp -= 0x10000;
    out += static_cast<Unit16>(0xD800 + (cp >> 10));
    out += static_cast<Unit16>(0xDC00 + (cp & 0x3FF));
  }
}

// Converts with `decode` into `out` via `encode`; returns whether the input
// was clean.
template <typename In, typename Out, typename Decode, typename Encode>
bool Convert(const In* src, size_t len, Out& out, Decode decode,
             Encode encode) {
  bool ok = true;
  out.clear();
  out.reserve(len);
  size_t i = 0;
  while (i < len)
    encode(decode(src, len, i, ok), out);
  return ok;
}

template <typename CharT, typename StructT>
int Store(const std::basic_string<CharT>& text, StructT* output, bool ok) {
  SetString<CharT>(text.data(), text.size(), output, 1);
  return ok ? 1 : 0;
}

using String16 = std::basic_string<char16>;

}  // namespace

extern "C" {

int cef_string_wide_set(const wchar_t* src, size_t src_len,
                        cef_string_wide_t* output, int copy) {
  return SetString<wchar_t>(src, src_len, output, copy);
}

int cef_string_utf8_set(const char* src, size_t src_len,
                        cef_string_utf8_t* output, int copy) {
  return SetString<char>(src, src_len, output, copy);
}

int cef_string_utf16_set(const char16* src, size_t src_len,
                         cef_string_utf16_t* output, int copy) {
  return SetString<char16>(src, src_len, output, copy);
}

void cef_string_wide_clear(cef_string_wide_t* str) {
  ClearString<wchar_t>(str);
}

void cef_string_utf8_clear(cef_string_utf8_t* str) { ClearString<char>(str); }

void cef_string_utf16_clear(cef_string_utf16_t* str) {
  ClearString<char16>(str);
}

int cef_string_wide_cmp(const cef_string_wide_t* str1,
                        const cef_string_wide_t* str2) {
  return CompareString(str1, str2);
}

int cef_string_utf8_cmp(const cef_string_utf8_t* str1,
                        const cef_string_utf8_t* str2) {
  return CompareString(str1, str2);
}

int cef_string_utf16_cmp(const cef_string_utf16_t* str1,
                         const cef_string_utf16_t* str2) {
  return CompareString(str1, str2);
}

int cef_string_utf8_to_utf16(const char* src, size_t src_len,
                             cef_string_utf16_t* output) {
  String16 out;
  bool ok = Convert(src, src ? src_len : 0, out, DecodeUtf8,
                    EncodeUtf16<char16>);
  return Store(out, output, ok);
}

int cef_string_utf16_to_utf8(const char16* src, size_t src_len,
                             cef_string_utf8_t* output) {
  std::string out;
  bool ok = Convert(src, src ? src_len : 0, out, DecodeUtf16<char16>,
                    EncodeUtf8);
  return Store(out, output, ok);
}

#if defined(WCHAR_T_IS_UTF16)

int cef_string_wide_to_utf8(const wchar_t* src, size_t src_len,
                            cef_string_utf8_t* output) {
  std::string out;
  bool ok = Convert(src, src ? src_len : 0, out, DecodeUtf16<wchar_t>,
                    EncodeUtf8);
  return Store(out, output, ok);
}

int cef_string_utf8_to_wide(const char* src, size_t src_len,
                            cef_string_wide_t* output) {
  std::wstring out;
  bool ok = Convert(src, src ? src_len : 0, out, DecodeUtf8,
                    EncodeUtf16<wchar_t>);
  return Store(out, output, ok);
}

// The same units on Windows: a copy.
int cef_string_wide_to_utf16(const wchar_t* src, size_t src_len,
                             cef_string_utf16_t* output) {
  return SetString<char16>(src, src ? src_len : 0, output, 1);
}

int cef_string_utf16_to_wide(const char16* src, size_t src_len,
                             cef_string_wide_t* output) {
  return SetString<wchar_t>(src, src ? src_len : 0, output, 1);
}

#else  // WCHAR_T_IS_UTF32

namespace {

char32_t DecodeUtf32(const wchar_t* src, size_t len, size_t& i, bool& ok) {
  char32_t cp = static_cast<char32_t>(src[i++]);
  if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    ok = false;
    return kReplacement;
  }
  return cp;
}

void EncodeUtf32(char32_t cp, std::wstring& out) {
  out += static_cast<wchar_t>(cp);
}
}  // namespace

int cef_string_wide_to_utf8(const wchar_t* src, size_t src_len,
                            cef_string_utf8_t* output) {
  std::string out;
  bool ok = Convert(src, src ? src_len : 0, out, DecodeUtf32, EncodeUtf8);
  return Store(out, output, ok);
}

int cef_string_utf8_to_wide(const char* src, size_t src_len,
                            cef_string_wide_t* output) {
  std::wstring out;
  bool ok = Convert(src, src ? src_len : 0, out, DecodeUtf8, EncodeUtf32);
  return Store(out, output, ok);
}

int cef_string_wide_to_utf16(const wchar_t* src, size_t src_len,
                             cef_string_utf16_t* output) {
  String16 out;
  bool ok = Convert(src, src ? src_len : 0, out, DecodeUtf32,
                    EncodeUtf16<char16>);
  return Store(out, output, ok);
}

int cef_string_utf16_to_wide(const char16* src, size_t src_len,
                             cef_string_wide_t* output) {
  std::wstring out;
  bool ok = Convert(src, src ? src_len : 0, out, DecodeUtf16<char16>,
                    EncodeUtf32);
  return Store(out, output, ok);
}

#endif  // WCHAR_T_IS_UTF16

int cef_string_ascii_to_wide(const char* src, size_t src_len,
                             cef_string_wide_t* output) {
  std::wstring out;
  bool ok = true;
  for (size_t i = 0; src && i < src_len; ++i) {
    unsigned char c = static_cast<unsigned char>(src[i]);
    if (c > 0x7F) {
      ok = false;
      out += static_cast<wchar_t>(kReplacement);
    } else {
      out += static_cast<wchar_t>(c);
    }
  }
  return Store(out, output, ok);
}

int cef_string_ascii_to_utf16(const char* src, size_t src_len,
                              cef_string_utf16_t* output) {
  String16 out;
  bool ok = true;
  for (size_t i = 0; src && i < src_len; ++i) {
    unsigned char c = static_cast<unsigned char>(src[i]);
    if (c > 0x7F) {
      ok = false;
      out += static_cast<char16>(kReplacement);
    } else {
      out += static_cast<char16>(c);
    }
  }
  return Store(out, output, ok);
}

cef_string_userfree_wide_t cef_string_userfree_wide_alloc(void) {
  return new cef_string_wide_t();
}

cef_string_userfree_utf8_t cef_string_userfree_utf8_alloc(void) {
  return new cef_string_utf8_t();
}

cef_string_userfree_utf16_t cef_string_userfree_utf16_alloc(void) {
  return new cef_string_utf16_t();
}

void cef_string_userfree_wide_free(cef_string_userfree_wide_t str) {
  cef_string_wide_clear(str);
  delete str;
}

void cef_string_userfree_utf8_free(cef_string_userfree_utf8_t str) {
  cef_string_utf8_clear(str);
  delete str;
}

void cef_string_userfree_utf16_free(cef_string_userfree_utf16_t str) {
  cef_string_utf16_clear(str);
  delete str;
}

}  // extern "C"
