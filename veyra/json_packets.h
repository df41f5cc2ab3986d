// The JSON packets of the bar-client server protocol. Every packet is a JSON
// object with the two header members "JSON_TYPE" and "JSON_RESULT" and the
// members of its class; a reply's type is its request's type with the top
// bit set. The classes share jsoncpp's namespace `Json`.
//
//   {"JSON_RESULT": 0, "JSON_TYPE": 5}                    bar-information query
//   {"JSON_TYPE": 2147483653, "JSON_RESULT": 0,
//    "BarId": 42, "BarName": "...", "BarAddr": "...", "CITYID": 7}   its answer
//
// Integers are written as unsigned numbers and read with jsoncpp's conversion
// to unsigned 32-bit; a value that cannot be converted raises
// Json::LogicError out of FromJson/ToJson, which ParseJsonPacket and
// PacketToJsonText turn into "no packet" and "no text".
#pragma once

#include <json/value.h>

#include <cstdint>
#include <list>
#include <map>
#include <memory>
#include <string>

namespace Json {

enum : uint32_t {
  kReplyBit = 0x80000000u,
  kPktQuerayBcInfo = 1,
  kPktQuerayPkgListInfo = 2,
  kPktQuerayAuthParam = 3,
  kPktConnectVDisk = 4,
  kPktQuerayBarInfo = 5,
  kPktQuerayBcInfoAck = kReplyBit | 1,
  kPktQuerayPkgListInfoAck = kReplyBit | 2,
  kPktQuerayAuthParamAck = kReplyBit | 3,
  kPktConnectVDiskAck = kReplyBit | 4,
  kPktQuerayBarInfoAck = kReplyBit | 5,
};

class CJsonPacketHead {
 public:
  explicit CJsonPacketHead(uint32_t type = 0) : type(type) {}
  virtual ~CJsonPacketHead() = default;
  // Fills the packet from a JSON object: the header, then the class's own
  // members. Returns true; throws on a member that cannot be converted.
  virtual bool FromJson(const Value& json);
  // Writes the header members, then the class's own members, into `json`
  // (a null value becomes an object).
  virtual bool ToJson(Value& json) const;

  uint32_t type = 0;    // "JSON_TYPE"
  uint32_t result = 0;  // "JSON_RESULT"
};

// A packet without members of its own; N is its type number (0, 1, 3, 5).
template <uint32_t N>
class CJsonSamplePkt : public CJsonPacketHead {
 public:
  CJsonSamplePkt() : CJsonPacketHead(N) {}
};

class CJsonQuerayPkgListInfo : public CJsonPacketHead {
 public:
  CJsonQuerayPkgListInfo() : CJsonPacketHead(kPktQuerayPkgListInfo) {}
  bool FromJson(const Value& json) override;
  bool ToJson(Value& json) const override;

  std::list<uint32_t> pkg_ids;  // "PKGIDLIST", in array order
};

class CJsonConnectVDisk : public CJsonPacketHead {
 public:
  CJsonConnectVDisk() : CJsonPacketHead(kPktConnectVDisk) {}
  bool FromJson(const Value& json) override;
  bool ToJson(Value& json) const override;

  std::list<std::string> disk_letters;  // "DiskLetter", in array order
};

class CJsonQuerayBcInfoAck : public CJsonPacketHead {
 public:
  CJsonQuerayBcInfoAck() : CJsonPacketHead(kPktQuerayBcInfoAck) {}
  bool FromJson(const Value& json) override;
  bool ToJson(Value& json) const override;

  std::string product_version;  // "ProductVersion"
  std::string bc_path;          // "BcPath"
};

struct PkgInfo {
  uint32_t pkg_id = 0;     // "PKGINFO_PKGID"
  std::string pkg_path;    // "PKGINFO_PKGPATH"
  bool vdisk = false;      // "PKGINFO_BVDISK"
  bool already = false;    // "PKGINFO_BALREADY"

  bool operator==(const PkgInfo& o) const {
    return pkg_id == o.pkg_id && pkg_path == o.pkg_path && vdisk == o.vdisk &&
           already == o.already;
  }
};

class CJsonQuerayPkgListInfoAck : public CJsonPacketHead {
 public:
  CJsonQuerayPkgListInfoAck() : CJsonPacketHead(kPktQuerayPkgListInfoAck) {}
  // Elements with package id 0 are skipped; a later element with the same
  // id replaces an earlier one.
  bool FromJson(const Value& json) override;
  // Writes the packages in ascending id order.
  bool ToJson(Value& json) const override;

  std::map<uint32_t, PkgInfo> packages;  // "PKGINFO_LIST"
};

class CJsonQuerayAuthParamAck : public CJsonPacketHead {
 public:
  CJsonQuerayAuthParamAck() : CJsonPacketHead(kPktQuerayAuthParamAck) {}
  bool FromJson(const Value& json) override;
  bool ToJson(Value& json) const override;

  std::string auth_param;  // "AuthParam"
};

class CJsonConnectVDiskAck : public CJsonPacketHead {
 public:
  CJsonConnectVDiskAck() : CJsonPacketHead(kPktConnectVDiskAck) {}
};

class CJsonQuerayBarInfoAck : public CJsonPacketHead {
 public:
  CJsonQuerayBarInfoAck() : CJsonPacketHead(kPktQuerayBarInfoAck) {}
  bool FromJson(const Value& json) override;
  bool ToJson(Value& json) const override;

  uint32_t bar_id = 0;   // "BarId"
  std::string bar_name;  // "BarName"
  std::string bar_addr;  // "BarAddr"
  uint32_t city_id = 0;  // "CITYID"
};

// A new packet of the class that `type` names, or null for a type outside
// the protocol.
std::unique_ptr<CJsonPacketHead> CreatePacket(uint32_t type);

// Parses a packet text with the strict reader (no comments; the root must be
// an object). Null for malformed JSON, a root that is not an object, a
// header that cannot be converted, an unknown type or a member that cannot
// be converted. The caller owns the packet.
std::unique_ptr<CJsonPacketHead> ParseJsonPacket(const std::string& text);

// The styled text of a packet (members sorted by name); empty for a null
// packet or when a member cannot be written.
std::string PacketToJsonText(const CJsonPacketHead* packet);

}  // namespace Json
