// The handshake token that a caller of the cafe library proves itself with.
// Both sides compute it alike:
//
//   input  = machine identity + ",%!*||*!%," + computer name
//            L"00-1a-2b-3c-4d-5e,%!*||*!%,PC-01"
//   token  = MD5 of the input in the thread's ANSI code page (no trailing
//            zero), as 32 uppercase hexadecimal digits
//            "3F1C...": always 32 characters
#pragma once

#include <cstddef>
#include <string>

namespace handshake {

extern const wchar_t kTokenSeparator[];  // L",%!*||*!%,"

std::wstring MakeTokenInput(const std::wstring& identity, const std::wstring& computer_name);

// MD5 of `size` bytes as 32 uppercase hexadecimal digits.
std::string Md5Hex(const void* data, size_t size);

#ifdef _WIN32
// The token for a given identity and computer name; the input is converted
// with CP_THREAD_ACP.
std::string MakeHandshakeTokenFor(const std::wstring& identity, const std::wstring& computer_name);
// This PC's computer name as GetComputerNameW gives it (260-character
// buffer), empty when the call fails.
std::wstring QueryComputerName();
// This PC's token.
std::string MakeHandshakeToken();
#endif

}  // namespace handshake
