// ParseJsonPacket over arbitrary bytes: it must never crash, and a packet it
// accepts must come back from its own text as a packet of the same type.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "json_packets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::unique_ptr<Json::CJsonPacketHead> packet = Json::ParseJsonPacket(text);
  if (!packet) return 0;
  const std::string written = Json::PacketToJsonText(packet.get());
  if (written.empty()) std::abort();
  const std::unique_ptr<Json::CJsonPacketHead> again = Json::ParseJsonPacket(written);
  if (!again || again->type != packet->type || again->result != packet->result) std::abort();
  return 0;
}
