#include "handshake/md5.h"
#include "handshake/handshake_token.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using handshake::Md5Hex;
using handshake::MD5_CTX;

std::string Hex(const unsigned char* d) {
  static const char kDigits[] = "0123456789abcdef";
  std::string s;
  for (int i = 0; i < 16; ++i) {
    s += kDigits[d[i] >> 4];
    s += kDigits[d[i] & 15];
  }
  return s;
}

// The test suite of RFC 1321, appendix A.5.
struct Rfc1321Case {
  const char* input;
  const char* digest;
};
const Rfc1321Case kRfc1321[] = {
    {"", "d41d8cd98f00b204e9800998ecf8427e"},
    {"a", "0cc175b9c0f1b6a831c399e269772661"},
    {"abc", "900150983cd24fb0d6963f7d28e17f72"},
    {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
    {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
    {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
     "d174ab98d277d9f5a5611c2c9f419d9f"},
    {"1234567890123456789012345678901234567890"
     "1234567890123456789012345678901234567890",
     "57edf4a22be3c955ac49da2e2107b67a"},
};

TEST(Md5, Rfc1321SuiteInOnePiece) {
  for (const auto& c : kRfc1321) {
    SCOPED_TRACE(c.input);
    MD5_CTX ctx;
    ctx.MD5Update(c.input, std::string(c.input).size());
    unsigned char d[16];
    ctx.MD5Final(d);
    EXPECT_EQ(c.digest, Hex(d));
  }
}

// Feeding the same bytes in uneven pieces must not change the digest; the
// piece sizes cross the 64-byte block edge and the 56-byte padding edge.
TEST(Md5, UnevenPiecesGiveTheSameDigest) {
  const std::vector<std::vector<size_t>> pieces = {
      {1}, {3, 5, 7}, {55}, {56}, {57}, {63}, {64}, {65}, {13, 64, 1}, {127, 2}, {200}};
  for (const auto& c : kRfc1321) {
    const std::string input = c.input;
    for (size_t p = 0; p < pieces.size(); ++p) {
      SCOPED_TRACE(testing::Message() << c.input << " / pieces #" << p);
      MD5_CTX ctx;
      size_t pos = 0, k = 0;
      while (pos < input.size()) {
        const size_t n = std::min(pieces[p][k++ % pieces[p].size()], input.size() - pos);
        ctx.MD5Update(input.data() + pos, n);
        pos += n;
      }
      ctx.MD5Update(input.data(), 0);  // an empty piece changes nothing
      unsigned char d[16];
      ctx.MD5Final(d);
      EXPECT_EQ(c.digest, Hex(d));
    }
  }
}

TEST(Md5, LongInputsAndReuseAfterFinal) {
  // Lengths around the padding edges, checked against values from md5sum.
  struct LengthCase {
    size_t length;
    const char* digest;
  };
  const LengthCase cases[] = {
      {55, "EF1772B6DFF9A122358552954AD0DF65"},
      {56, "3B0C8AC703F828B04C6C197006D17218"},
      {64, "014842D480B571495A4A0363793F7367"},
      {1000000, "7707D6AE4E027C70EEA2A935C2296F21"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.length);
    const std::string input(c.length, 'a');
    EXPECT_EQ(c.digest, Md5Hex(input.data(), input.size()));
  }

  // MD5Final leaves the context ready for a new message.
  MD5_CTX ctx;
  unsigned char d[16];
  ctx.MD5Update("junk", 4);
  ctx.MD5Final(d);
  ctx.MD5Update("abc", 3);
  ctx.MD5Final(d);
  EXPECT_EQ("900150983cd24fb0d6963f7d28e17f72", Hex(d));
}

}  // namespace
