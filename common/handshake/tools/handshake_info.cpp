// Prints this PC's machine identity, computer name and handshake token, for
// comparing what the frame and the cafe library compute on a given PC.
#include "handshake/handshake_token.h"
#include "handshake/machine_identity.h"

#include <cstdio>

int wmain() {
  const std::wstring identity = handshake::MakeMachineIdentity();
  const std::wstring name = handshake::QueryComputerName();
  std::wprintf(L"machine identity: %ls\n", identity.c_str());
  std::wprintf(L"computer name:    %ls\n", name.c_str());
  std::printf("handshake token:  %s\n", handshake::MakeHandshakeToken().c_str());
  return 0;
}
