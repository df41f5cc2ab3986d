// The bar id when the bar-client server gives none: the Pavlix8 product's
// registry value, else the "4=" entry of the data file beside its running
// client "Tallowview.exe".
#pragma once

#include <cstdint>
#include <string>

namespace veyra {

// HKLM "SOFTWARE\Pavlix8" value `value_name` (its first four bytes, type not
// examined) when it is not 0; else the value of `key` in "\data\UIDesc.dat"
// beside the running "Tallowview.exe"; 0 when there is none.
uint32_t ReadBarIdFallback(const wchar_t* value_name, const wchar_t* key);

// The text of a UIDesc file: its bytes up to the first zero, converted from
// the thread's ANSI code page. False when the file cannot be opened or read.
bool ReadUIDescText(const std::wstring& file, std::wstring* text);

}  // namespace veyra
