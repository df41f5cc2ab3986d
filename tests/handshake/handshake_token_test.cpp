#include "handshake/handshake_token.h"

#include <gtest/gtest.h>

namespace {

TEST(HandshakeToken, InputLayout) {
  EXPECT_EQ(L"00-1a-2b-3c-4d-5e,%!*||*!%,PC-01",
            handshake::MakeTokenInput(L"00-1a-2b-3c-4d-5e", L"PC-01"));
  EXPECT_EQ(L"00-00-00-00-00-00,%!*||*!%,",
            handshake::MakeTokenInput(L"00-00-00-00-00-00", L""));
}

// Expected digests from md5sum over the same ASCII bytes.
TEST(HandshakeToken, DigestMatchesAnIndependentTool) {
  const std::string input = "00-1a-2b-3c-4d-5e,%!*||*!%,PC-01";
  EXPECT_EQ("A6EF000736F17A0F2A7851260EE744D0", handshake::Md5Hex(input.data(), input.size()));
  const std::string no_name = "00-00-00-00-00-00,%!*||*!%,";
  EXPECT_EQ("823C024FFDBBD1D8079BF9C244BEFE6B", handshake::Md5Hex(no_name.data(), no_name.size()));
}

}  // namespace
