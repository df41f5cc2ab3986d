#include "json_packets.h"

#include <json/reader.h>
#include <json/writer.h>

#include <exception>

// Json::Reader and Json::StyledWriter are the older jsoncpp interfaces; the
// protocol's texts are defined by their strict mode and styled form.
#if defined(__GNUC__)
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#endif

namespace Json {
namespace {

// Reads a header or number member: missing reads as 0, anything jsoncpp
// cannot convert to unsigned 32-bit throws.
uint32_t ReadUInt(const Value& json, const char* name) {
  return json.get(name, Value(0u)).asUInt();
}

std::string ReadString(const Value& json, const char* name) {
  return json.get(name, Value("")).asString();
}

bool ReadBool(const Value& json, const char* name) {
  return json.get(name, Value(false)).asBool();
}

// The array member `name`, or null when it is missing or not an array.
const Value* ArrayMember(const Value& json, const char* name) {
  const Value* member = json.find(name, name + std::char_traits<char>::length(name));
  return member && member->isArray() ? member : nullptr;
}

}  // namespace

bool CJsonPacketHead::FromJson(const Value& json) {
  type = ReadUInt(json, "JSON_TYPE");
  result = ReadUInt(json, "JSON_RESULT");
  return true;
}

bool CJsonPacketHead::ToJson(Value& json) const {
  json["JSON_TYPE"] = type;
  json["JSON_RESULT"] = result;
  return true;
}

bool CJsonQuerayPkgListInfo::FromJson(const Value& json) {
  CJsonPacketHead::FromJson(json);
  pkg_ids.clear();
  if (const Value* list = ArrayMember(json, "PKGIDLIST")) {
    for (const Value& id : *list) pkg_ids.push_back(id.asUInt());
  }
  return true;
}

bool CJsonQuerayPkgListInfo::ToJson(Value& json) const {
  CJsonPacketHead::ToJson(json);
  Value& list = json["PKGIDLIST"];  // stays null when there is nothing to append
  for (uint32_t id : pkg_ids) list.append(id);
  return true;
}

bool CJsonConnectVDisk::FromJson(const Value& json) {
  CJsonPacketHead::FromJson(json);
  disk_letters.clear();
  if (const Value* list = ArrayMember(json, "DiskLetter")) {
    for (const Value& letter : *list) disk_letters.push_back(letter.asString());
  }
  return true;
}

bool CJsonConnectVDisk::ToJson(Value& json) const {
  CJsonPacketHead::ToJson(json);
  Value& list = json["DiskLetter"];
  for (const std::string& letter : disk_letters) list.append(letter);
  return true;
}

bool CJsonQuerayBcInfoAck::FromJson(const Value& json) {
  CJsonPacketHead::FromJson(json);
  product_version = ReadString(json, "ProductVersion");
  bc_path = ReadString(json, "BcPath");
  return true;
}

bool CJsonQuerayBcInfoAck::ToJson(Value& json) const {
  CJsonPacketHead::ToJson(json);
  json["ProductVersion"] = product_version;
  json["BcPath"] = bc_path;
  return true;
}

bool CJsonQuerayPkgListInfoAck::FromJson(const Value& json) {
  CJsonPacketHead::FromJson(json);
  packages.clear();
  if (const Value* list = ArrayMember(json, "PKGINFO_LIST")) {
    for (const Value& element : *list) {
      PkgInfo info;
      info.pkg_id = ReadUInt(element, "PKGINFO_PKGID");
      info.pkg_path = ReadString(element, "PKGINFO_PKGPATH");
      info.vdisk = ReadBool(element, "PKGINFO_BVDISK");
      info.already = ReadBool(element, "PKGINFO_BALREADY");
      if (info.pkg_id == 0) continue;
      packages[info.pkg_id] = info;
    }
  }
  return true;
}

bool CJsonQuerayPkgListInfoAck::ToJson(Value& json) const {
  CJsonPacketHead::ToJson(json);
  Value& list = json["PKGINFO_LIST"];
  for (const auto& entry : packages) {
    Value element;
    element["PKGINFO_PKGID"] = entry.second.pkg_id;
    element["PKGINFO_PKGPATH"] = entry.second.pkg_path;
    element["PKGINFO_BVDISK"] = entry.second.vdisk;
    element["PKGINFO_BALREADY"] = entry.second.already;
    list.append(element);
  }
  return true;
}

bool CJsonQuerayAuthParamAck::FromJson(const Value& json) {
  CJsonPacketHead::FromJson(json);
  auth_param = ReadString(json, "AuthParam");
  return true;
}

bool CJsonQuerayAuthParamAck::ToJson(Value& json) const {
  CJsonPacketHead::ToJson(json);
  json["AuthParam"] = auth_param;
  return true;
}

bool CJsonQuerayBarInfoAck::FromJson(const Value& json) {
  CJsonPacketHead::FromJson(json);
  bar_id = ReadUInt(json, "BarId");
  bar_name = ReadString(json, "BarName");
  bar_addr = ReadString(json, "BarAddr");
  city_id = ReadUInt(json, "CITYID");
  return true;
}

bool CJsonQuerayBarInfoAck::ToJson(Value& json) const {
  CJsonPacketHead::ToJson(json);
  json["BarId"] = bar_id;
  json["BarName"] = bar_name;
  json["BarAddr"] = bar_addr;
  json["CITYID"] = city_id;
  return true;
}

std::unique_ptr<CJsonPacketHead> CreatePacket(uint32_t type) {
  switch (type) {
    case 0: return std::make_unique<CJsonSamplePkt<0>>();
    case kPktQuerayBcInfo: return std::make_unique<CJsonSamplePkt<kPktQuerayBcInfo>>();
    case kPktQuerayPkgListInfo: return std::make_unique<CJsonQuerayPkgListInfo>();
    case kPktQuerayAuthParam: return std::make_unique<CJsonSamplePkt<kPktQuerayAuthParam>>();
    case kPktConnectVDisk: return std::make_unique<CJsonConnectVDisk>();
    case kPktQuerayBarInfo: return std::make_unique<CJsonSamplePkt<kPktQuerayBarInfo>>();
    case kPktQuerayBcInfoAck: return std::make_unique<CJsonQuerayBcInfoAck>();
    case kPktQuerayPkgListInfoAck: return std::make_unique<CJsonQuerayPkgListInfoAck>();
    case kPktQuerayAuthParamAck: return std::make_unique<CJsonQuerayAuthParamAck>();
    case kPktConnectVDiskAck: return std::make_unique<CJsonConnectVDiskAck>();
    case kPktQuerayBarInfoAck: return std::make_unique<CJsonQuerayBarInfoAck>();
    default: return nullptr;
  }
}

std::unique_ptr<CJsonPacketHead> ParseJsonPacket(const std::string& text) {
  try {
    Value root;
    Reader reader(Features::strictMode());
    if (!reader.parse(text.data(), text.data() + text.size(), root, false)) return nullptr;
    if (!root.isObject()) return nullptr;
    const uint32_t type = ReadUInt(root, "JSON_TYPE");
    ReadUInt(root, "JSON_RESULT");  // only to reject a header that cannot be converted
    std::unique_ptr<CJsonPacketHead> packet = CreatePacket(type);
    if (!packet || !packet->FromJson(root)) return nullptr;
    return packet;
  } catch (const std::exception&) {
    return nullptr;
  }
}

std::string PacketToJsonText(const CJsonPacketHead* packet) {
  if (!packet) return std::string();
  try {
    Value json;
    if (!packet->ToJson(json)) return std::string();
    StyledWriter writer;
    return writer.write(json);
  } catch (const std::exception&) {
    return std::string();
  }
}

}  // namespace Json
