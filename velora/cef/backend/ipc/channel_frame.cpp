#include "channel_frame.h"

#include <algorithm>

namespace velora_engine {
namespace {

std::string TooLarge(uint64_t size) {
  return "frame of " + std::to_string(size) + " bytes exceeds the limit of " +
         std::to_string(kMaxFrameSize) + " bytes (64 MiB)";
}

}  // namespace

bool EncodeFrameHeader(size_t payload_size, unsigned char header[kFrameHeaderSize],
                       std::string* error) {
  if (payload_size > kMaxFrameSize) {
    if (error)
      *error = TooLarge(payload_size);
    return false;
  }
  const uint32_t size = static_cast<uint32_t>(payload_size);
  header[0] = static_cast<unsigned char>(size & 0xff);
  header[1] = static_cast<unsigned char>((size >> 8) & 0xff);
  header[2] = static_cast<unsigned char>((size >> 16) & 0xff);
  header[3] = static_cast<unsigned char>((size >> 24) & 0xff);
  return true;
}

std::string EncodeFrame(const std::string& payload, std::string* error) {
  unsigned char header[kFrameHeaderSize];
  if (!EncodeFrameHeader(payload.size(), header, error))
    return std::string();
  std::string frame(reinterpret_cast<const char*>(header), kFrameHeaderSize);
  frame += payload;
  return frame;
}

bool FrameDecoder::Feed(const char* data, size_t size) {
  if (broken())
    return false;
  while (size > 0) {
    if (!in_payload_) {
      while (size > 0 && header_filled_ < kFrameHeaderSize) {
        header_[header_filled_++] = static_cast<unsigned char>(*data++);
        --size;
      }
      if (header_filled_ < kFrameHeaderSize)
        break;
      const uint32_t length = static_cast<uint32_t>(header_[0]) |
                              (static_cast<uint32_t>(header_[1]) << 8) |
                              (static_cast<uint32_t>(header_[2]) << 16) |
                              (static_cast<uint32_t>(header_[3]) << 24);
      if (length > kMaxFrameSize) {
        error_ = TooLarge(length);
        return false;
      }
      header_filled_ = 0;
      payload_size_ = length;
      in_payload_ = true;
      current_.clear();
      // Reserve at most what a few chunks bring; a peer's length alone must
      // not make us allocate 64 MiB.
      current_.reserve(std::min<size_t>(payload_size_, 1u << 20));
    }
    const size_t take = std::min(size, payload_size_ - current_.size());
    current_.append(data, take);
    data += take;
    size -= take;
    if (current_.size() == payload_size_) {
      ready_.push_back(std::move(current_));
      current_ = std::string();
      in_payload_ = false;
    }
  }
  return true;
}

bool FrameDecoder::Next(std::string* payload) {
  if (ready_.empty())
    return false;
  *payload = std::move(ready_.front());
  ready_.pop_front();
  return true;
}

}  // namespace velora_engine
