// The bar-id rule of the cafe client's data file "\data\UIDesc.dat": the
// value that follows the first occurrence of a key such as "4=", up to the
// next ";" or the end of the text, read as a decimal number.
//
//   "a=1;4=1234;b=2"  -> 1234
//   "x;4=56"          -> 56
//   "x;4=;y"          -> 0
//   "14=9;4=1"        -> 9     (the first "4=" counts, even inside "14=")
//   "4= -7x"          -> 0xFFFFFFF9 (blanks and a sign allowed; stops at x)
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace veyra {

// The data file for a client executable path: its directory (everything
// before the last backslash, the whole path when there is none) followed by
// "\data\UIDesc.dat".
//   L"C:\\Pavlix8\\Tallowview.exe" -> L"C:\\Pavlix8\\data\\UIDesc.dat"
//   L""                            -> L"\\data\\UIDesc.dat"
std::wstring UIDescPathFor(const std::wstring& exe_path);

// The platform's decimal conversion of a wide text (as _wtoi): leading
// blanks, an optional sign, then digits up to the first other character; no
// digits give 0. Values beyond the signed 32-bit range are clamped to it.
int32_t ParseDecimal(std::wstring_view text);

// Applies the rule above; 0 when the key is missing or its value is empty.
uint32_t FindBarIdInUIDesc(std::wstring_view text, std::wstring_view key);

// The part of the file's bytes that is text: up to the first zero byte.
std::string_view UIDescTextBytes(std::string_view bytes);

}  // namespace veyra
