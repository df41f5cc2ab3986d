// Fuzzes the plumbing's readers of untrusted bytes: DevTools messages, the
// DevToolsActivePort file and the channel's frame decoder (fed in two
// chunks split where the input says).
#include <cstddef>
#include <cstdint>
#include <string>

#include "channel_frame.h"
#include "devtools_message.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  velora_engine::ParsedMessage message = velora_engine::ParseMessage(text);
  if (message.kind == velora_engine::MessageKind::kEvent && !message.params.isObject())
    __builtin_trap();
  int port = 0;
  std::string path;
  if (velora_engine::ParseActivePort(text, &port, &path) && (port < 1 || port > 65535 || path.empty()))
    __builtin_trap();

  velora_engine::FrameDecoder decoder;
  const size_t split = size > 0 ? data[0] % (size + 1) : 0;
  size_t delivered = 0;
  if (decoder.Feed(text.data(), split) && decoder.Feed(text.data() + split, size - split)) {
    std::string payload;
    while (decoder.Next(&payload))
      delivered += velora_engine::kFrameHeaderSize + payload.size();
    if (delivered + decoder.pending_bytes() != size)
      __builtin_trap();
  }
  return 0;
}
