// The Win32 side of the token: the adapter query, the computer name and the
// ANSI conversion, run against Wine's real APIs.
#include "handshake/handshake_token.h"
#include "handshake/machine_identity.h"

#include <gtest/gtest.h>

#include <cwctype>

namespace {

TEST(HandshakeWin, IdentityHasTheDocumentedForm) {
  const std::wstring identity = handshake::MakeMachineIdentity();
  ASSERT_EQ(17u, identity.size());
  for (size_t i = 0; i < identity.size(); ++i) {
    SCOPED_TRACE(i);
    if (i % 3 == 2) {
      EXPECT_EQ(L'-', identity[i]);
    } else {
      const wchar_t c = identity[i];
      EXPECT_TRUE((c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f'));
    }
  }
}

TEST(HandshakeWin, TokenIsStableAndUppercaseHex) {
  const std::string first = handshake::MakeHandshakeToken();
  const std::string second = handshake::MakeHandshakeToken();
  EXPECT_EQ(first, second);
  ASSERT_EQ(32u, first.size());
  for (char c : first) EXPECT_TRUE((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F')) << first;
}

TEST(HandshakeWin, TokenIsTheDigestOfIdentityAndComputerName) {
  EXPECT_EQ("A6EF000736F17A0F2A7851260EE744D0",
            handshake::MakeHandshakeTokenFor(L"00-1a-2b-3c-4d-5e", L"PC-01"));
  const std::wstring name = handshake::QueryComputerName();
  EXPECT_FALSE(name.empty());
  EXPECT_EQ(handshake::MakeHandshakeTokenFor(handshake::MakeMachineIdentity(), name),
            handshake::MakeHandshakeToken());
}

}  // namespace
