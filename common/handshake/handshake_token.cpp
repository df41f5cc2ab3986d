#include "handshake_token.h"

#include "md5.h"

namespace handshake {

const wchar_t kTokenSeparator[] = L",%!*||*!%,";

std::wstring MakeTokenInput(const std::wstring& identity, const std::wstring& computer_name) {
  return identity + kTokenSeparator + computer_name;
}

std::string Md5Hex(const void* data, size_t size) {
  static const char kDigits[] = "0123456789ABCDEF";
  MD5_CTX ctx;
  ctx.MD5Update(data, size);
  unsigned char digest[MD5_CTX::kDigestSize];
  ctx.MD5Final(digest);
  std::string hex;
  hex.reserve(2 * sizeof(digest));
  for (unsigned char b : digest) {
    hex += kDigits[b >> 4];
    hex += kDigits[b & 15];
  }
  return hex;
}

}  // namespace handshake
