// MD5 message digest (RFC 1321).
//
//   handshake::MD5_CTX ctx;           // starts initialised
//   ctx.MD5Update(data, size);        // any number of pieces, any sizes
//   unsigned char digest[16];
//   ctx.MD5Final(digest);             // resets the context afterwards
#pragma once

#include <cstddef>
#include <cstdint>

namespace handshake {

class MD5_CTX {
 public:
  static constexpr size_t kDigestSize = 16;

  MD5_CTX() { MD5Init(); }

  void MD5Init();
  void MD5Update(const void* data, size_t size);
  // Writes the 16-byte digest and leaves the context initialised again.
  void MD5Final(unsigned char digest[kDigestSize]);

 private:
  // Processes `blocks` consecutive 64-byte blocks.
  void Transform(const unsigned char* data, size_t blocks);

  uint32_t state_[4];
  uint64_t length_;  // bytes fed so far
  unsigned char buffer_[64];
};

}  // namespace handshake
