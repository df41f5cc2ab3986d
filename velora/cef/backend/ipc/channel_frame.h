// Framing of the main/renderer channel: every frame is a 4-byte little-endian
// payload length followed by that many payload bytes (the payload is compact
// JSON text, or the token as the first frame of a connection). A length above
// kMaxFrameSize is a corrupt stream: the peer is not speaking this protocol.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>

namespace velora_engine {

constexpr size_t kFrameHeaderSize = 4;
constexpr size_t kMaxFrameSize = 64u * 1024u * 1024u;

// Writes the header of a frame of payload_size bytes. Fails, with a message
// naming the size and the limit, when payload_size exceeds kMaxFrameSize.
bool EncodeFrameHeader(size_t payload_size, unsigned char header[kFrameHeaderSize],
                       std::string* error);

// Header and payload in one string (for tests and small frames; the channel
// sends the header and the payload's own buffer separately). Empty when the
// payload is too large; *error then says why.
std::string EncodeFrame(const std::string& payload, std::string* error);

// Incremental decoder: feed it whatever chunks the socket delivers (a frame
// may arrive in many pieces, several frames in one piece) and take complete
// payloads out in order. Once a header announces more than kMaxFrameSize the
// decoder is broken for good: Feed returns false and error() says why.
class FrameDecoder {
 public:
  bool Feed(const char* data, size_t size);
  // Moves the oldest complete payload into *payload; false when none is ready.
  bool Next(std::string* payload);
  bool broken() const { return !error_.empty(); }
  const std::string& error() const { return error_; }
  // Bytes of the frame in progress (header or payload) received so far.
  size_t pending_bytes() const {
    return in_payload_ ? kFrameHeaderSize + current_.size() : header_filled_;
  }

 private:
  unsigned char header_[kFrameHeaderSize] = {};
  size_t header_filled_ = 0;
  bool in_payload_ = false;
  size_t payload_size_ = 0;
  std::string current_;
  std::deque<std::string> ready_;
  std::string error_;
};

}  // namespace velora_engine
