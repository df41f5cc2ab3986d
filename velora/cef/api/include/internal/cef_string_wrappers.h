// CefStringBase: the C++ wrapper over one of the engine's C string
// structures. It either owns a structure of its own or is attached to one
// that lives elsewhere (for example a field of cef_settings_t); an attached
// wrapper writes through, so
//
//   CefString(&settings.locale) = "zh-CN";
//
// leaves settings.locale holding its own copy of L"zh-CN", which whoever owns
// the structure later frees with cef_string_clear.
#ifndef CEF_INCLUDE_INTERNAL_CEF_STRING_WRAPPERS_H_
#define CEF_INCLUDE_INTERNAL_CEF_STRING_WRAPPERS_H_
#pragma once

#include <string.h>

#include <string>

#include "include/internal/cef_string_types.h"

// Traits of the UTF-16 structure: how CefStringBase stores, compares and
// converts its text.
struct CefStringTraitsUTF16 {
  typedef char16 char_type;
  typedef cef_string_utf16_t struct_type;
  typedef cef_string_userfree_utf16_t userfree_struct_type;

  static inline void clear(struct_type* s) { cef_string_utf16_clear(s); }
  static inline int set(const char_type* src,
                        size_t src_size,
                        struct_type* output,
                        int copy) {
    return cef_string_utf16_set(src, src_size, output, copy);
  }
  static inline int compare(const struct_type* s1, const struct_type* s2) {
    return cef_string_utf16_cmp(s1, s2);
  }
  static inline userfree_struct_type userfree_alloc() {
    return cef_string_userfree_utf16_alloc();
  }
  static inline void userfree_free(userfree_struct_type ufs) {
    cef_string_userfree_utf16_free(ufs);
  }
  static inline bool from_ascii(const char* str, size_t len, struct_type* s) {
    return cef_string_ascii_to_utf16(str, len, s) ? true : false;
  }

  // UTF-8 std::string.
  static inline std::string to_string(const struct_type* s) {
    cef_string_utf8_t cstr;
    memset(&cstr, 0, sizeof(cstr));
    cef_string_utf16_to_utf8(s->str, s->length, &cstr);
    std::string str;
    if (cstr.length > 0)
      str.assign(cstr.str, cstr.length);
    cef_string_utf8_clear(&cstr);
    return str;
  }
  static inline bool from_string(const char* data,
                                 size_t length,
                                 struct_type* s) {
    return cef_string_utf8_to_utf16(data, length, s) ? true : false;
  }

  // std::wstring: the same units on Windows, UTF-32 elsewhere.
#if defined(WCHAR_T_IS_UTF32)
  static inline std::wstring to_wstring(const struct_type* s) {
    cef_string_wide_t cstr;
    memset(&cstr, 0, sizeof(cstr));
    cef_string_utf16_to_wide(s->str, s->length, &cstr);
    std::wstring str;
    if (cstr.length > 0)
      str.assign(cstr.str, cstr.length);
    cef_string_wide_clear(&cstr);
    return str;
  }
  static inline bool from_wstring(const wchar_t* data,
                                  size_t length,
                                  struct_type* s) {
    return cef_string_wide_to_utf16(data, length, s) ? true : false;
  }
#else
  static inline std::wstring to_wstring(const struct_type* s) {
    return std::wstring(s->str, s->length);
  }
  static inline bool from_wstring(const wchar_t* data,
                                  size_t length,
                                  struct_type* s) {
    return cef_string_utf16_set(data, length, s, true) ? true : false;
  }
#endif

  // std::u16string: always the same units, only the C++ type may differ.
  static inline std::u16string to_string16(const struct_type* s) {
    return std::u16string(reinterpret_cast<const char16_t*>(s->str),
                          s->length);
  }
  static inline bool from_string16(const char16_t* data,
                                   size_t length,
                                   struct_type* s) {
    return cef_string_utf16_set(reinterpret_cast<const char16*>(data), length,
                                s, true)
               ? true
               : false;
  }
};

template <class traits>
class CefStringBase {
 public:
  typedef typename traits::char_type char_type;
  typedef typename traits::struct_type struct_type;
  typedef typename traits::userfree_struct_type userfree_struct_type;

  CefStringBase() : string_(nullptr), owner_(false) {}
  CefStringBase(const CefStringBase& str) : string_(nullptr), owner_(false) {
    FromString(str.c_str(), str.length(), true);
  }
  // Takes over the other string's structure and ownership; the other string
  // is left empty and detached.
  CefStringBase(CefStringBase&& str) noexcept
      : string_(str.string_), owner_(str.owner_) {
    str.string_ = nullptr;
    str.owner_ = false;
  }
  CefStringBase(const std::string& src) : string_(nullptr), owner_(false) {
    FromString(src);
  }
  CefStringBase(const char* src, size_t length = 0)
      : string_(nullptr), owner_(false) {
    if (src)
      FromString(src, length);
  }
  CefStringBase(const std::wstring& src) : string_(nullptr), owner_(false) {
    FromWString(src);
  }
  CefStringBase(const wchar_t* src, size_t length = 0)
      : string_(nullptr), owner_(false) {
    if (src)
      FromWString(src, length);
  }
  CefStringBase(const std::u16string& src) : string_(nullptr), owner_(false) {
    FromString16(src);
  }
  CefStringBase(const char16_t* src, size_t length = 0)
      : string_(nullptr), owner_(false) {
    if (src)
      FromString16(src, length);
  }
  // Copies (copy == true) or refers to (copy == false) `src_len` units.
  CefStringBase(const char_type* src, size_t src_len, bool copy)
      : string_(nullptr), owner_(false) {
    if (src && src_len > 0)
      FromString(src, src_len, copy);
  }
  // Attaches to `src` without owning it: changes write through into `src`.
  CefStringBase(const struct_type* src) : string_(nullptr), owner_(false) {
    if (!src)
      return;
    Attach(const_cast<struct_type*>(src), false);
  }
  virtual ~CefStringBase() { ClearAndFree(); }

  const char_type* c_str() const { return string_ ? string_->str : nullptr; }
  size_t length() const { return string_ ? string_->length : 0; }
  inline size_t size() const { return length(); }
  bool empty() const { return string_ == nullptr || string_->length == 0; }

  int compare(const CefStringBase& str) const {
    if (empty() && str.empty())
      return 0;
    if (empty())
      return -1;
    if (str.empty())
      return 1;
    return traits::compare(string_, str.GetStruct());
  }

  // Empties the text; an attached structure is emptied too.
  void clear() {
    if (string_)
      traits::clear(string_);
  }

  void swap(CefStringBase& str) {
    struct_type* tmp_string = string_;
    bool tmp_owner = owner_;
    string_ = str.string_;
    owner_ = str.owner_;
    str.string_ = tmp_string;
    str.owner_ = tmp_owner;
  }

  bool IsOwner() const { return owner_; }
  const struct_type* GetStruct() const { return string_; }
  struct_type* GetWritableStruct() {
    AllocIfNeeded();
    return string_;
  }

  // Frees an owned structure, forgets an attached one.
  void ClearAndFree() {
    if (!string_)
      return;
    if (owner_) {
      clear();
      delete string_;
    }
    string_ = nullptr;
    owner_ = false;
  }

  void Attach(struct_type* str, bool owner) {
    ClearAndFree();
    string_ = str;
    owner_ = owner;
  }

  // Takes the contents of a userfree structure and frees the structure.
  void AttachToUserFree(userfree_struct_type str) {
    ClearAndFree();
    if (!str)
      return;
    AllocIfNeeded();
    owner_ = true;
    memcpy(string_, str, sizeof(struct_type));
    memset(str, 0, sizeof(struct_type));
    traits::userfree_free(str);
  }

  void Detach() {
    string_ = nullptr;
    owner_ = false;
  }

  // Hands the text out in a new userfree structure (null when empty); this
  // string is empty afterwards.
  userfree_struct_type DetachToUserFree() {
    if (empty())
      return nullptr;
    userfree_struct_type str = traits::userfree_alloc();
    if (owner_) {
      memcpy(str, string_, sizeof(struct_type));
      memset(string_, 0, sizeof(struct_type));
    } else {
      traits::set(string_->str, string_->length, str, true);
    }
    ClearAndFree();
    return str;
  }

  bool FromString(const char_type* src, size_t src_len, bool copy) {
    if (src == nullptr || src_len == 0) {
      clear();
      return true;
    }
    AllocIfNeeded();
    return traits::set(src, src_len, string_, copy) ? true : false;
  }

  bool FromASCII(const char* str) {
    size_t len = str ? strlen(str) : 0;
    if (len == 0) {
      clear();
      return true;
    }
    AllocIfNeeded();
    return traits::from_ascii(str, len, string_);
  }

  // UTF-8.
  std::string ToString() const {
    if (empty())
      return std::string();
    return traits::to_string(string_);
  }
  bool FromString(const std::string& str) {
    return FromString(str.data(), str.length());
  }
  bool FromString(const char* data, size_t length = 0) {
    if (data && length == 0)
      length = strlen(data);
    if (!data || length == 0) {
      clear();
      return true;
    }
    AllocIfNeeded();
    return traits::from_string(data, length, string_);
  }

  std::wstring ToWString() const {
    if (empty())
      return std::wstring();
    return traits::to_wstring(string_);
  }
  bool FromWString(const std::wstring& str) {
    return FromWString(str.data(), str.length());
  }
  bool FromWString(const wchar_t* data, size_t length = 0) {
    if (data && length == 0)
      length = std::char_traits<wchar_t>::length(data);
    if (!data || length == 0) {
      clear();
      return true;
    }
    AllocIfNeeded();
    return traits::from_wstring(data, length, string_);
  }

  std::u16string ToString16() const {
    if (empty())
      return std::u16string();
    return traits::to_string16(string_);
  }
  bool FromString16(const std::u16string& str) {
    return FromString16(str.data(), str.length());
  }
  bool FromString16(const char16_t* data, size_t length = 0) {
    if (data && length == 0)
      length = std::char_traits<char16_t>::length(data);
    if (!data || length == 0) {
      clear();
      return true;
    }
    AllocIfNeeded();
    return traits::from_string16(data, length, string_);
  }

  bool operator<(const CefStringBase& str) const { return compare(str) < 0; }
  bool operator<=(const CefStringBase& str) const { return compare(str) <= 0; }
  bool operator>(const CefStringBase& str) const { return compare(str) > 0; }
  bool operator>=(const CefStringBase& str) const { return compare(str) >= 0; }
  bool operator==(const CefStringBase& str) const { return compare(str) == 0; }
  bool operator!=(const CefStringBase& str) const { return compare(str) != 0; }

  // Assignment copies the text into this string's structure, so an attached
  // string writes through. Self-assignment leaves the text unchanged.
  CefStringBase& operator=(const CefStringBase& str) {
    if (&str != this)
      FromString(str.c_str(), str.length(), true);
    return *this;
  }
  // Moving takes the other structure over only when neither side is
  // attached; otherwise the text is copied, so write-through still holds.
  CefStringBase& operator=(CefStringBase&& str) noexcept {
    if (&str == this)
      return *this;
    if ((string_ == nullptr || owner_) && (str.string_ == nullptr || str.owner_)) {
      ClearAndFree();
      swap(str);
    } else {
      FromString(str.c_str(), str.length(), true);
    }
    return *this;
  }

  operator std::string() const { return ToString(); }
  CefStringBase& operator=(const std::string& str) {
    FromString(str);
    return *this;
  }
  CefStringBase& operator=(const char* str) {
    FromString(str);
    return *this;
  }
  operator std::wstring() const { return ToWString(); }
  CefStringBase& operator=(const std::wstring& str) {
    FromWString(str);
    return *this;
  }
  CefStringBase& operator=(const wchar_t* str) {
    FromWString(str);
    return *this;
  }
  operator std::u16string() const { return ToString16(); }
  CefStringBase& operator=(const std::u16string& str) {
    FromString16(str);
    return *this;
  }
  CefStringBase& operator=(const char16_t* str) {
    FromString16(str);
    return *this;
  }

 private:
  void AllocIfNeeded() {
    if (string_ == nullptr) {
      string_ = new struct_type;
      memset(string_, 0, sizeof(struct_type));
      owner_ = true;
    }
  }

  struct_type* string_;
  bool owner_;
};

typedef CefStringBase<CefStringTraitsUTF16> CefStringUTF16;

#endif  // CEF_INCLUDE_INTERNAL_CEF_STRING_WRAPPERS_H_
