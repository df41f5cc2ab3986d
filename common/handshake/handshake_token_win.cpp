#include "handshake_token.h"

#include "machine_identity.h"
#include "win_include.h"

namespace handshake {

std::string MakeHandshakeTokenFor(const std::wstring& identity, const std::wstring& computer_name) {
  const std::wstring input = MakeTokenInput(identity, computer_name);
  std::string bytes;
  const int wide_len = static_cast<int>(input.size());
  const int len = WideCharToMultiByte(CP_THREAD_ACP, 0, input.data(), wide_len, nullptr, 0,
                                      nullptr, nullptr);
  if (len > 0) {
    bytes.resize(static_cast<size_t>(len));
    WideCharToMultiByte(CP_THREAD_ACP, 0, input.data(), wide_len, &bytes[0], len, nullptr,
                        nullptr);
  }
  return Md5Hex(bytes.data(), bytes.size());
}

std::wstring QueryComputerName() {
  wchar_t name[260] = {};
  DWORD size = 260;
  if (!GetComputerNameW(name, &size)) return std::wstring();
  return std::wstring(name, size);
}

std::string MakeHandshakeToken() {
  return MakeHandshakeTokenFor(MakeMachineIdentity(), QueryComputerName());
}

}  // namespace handshake
