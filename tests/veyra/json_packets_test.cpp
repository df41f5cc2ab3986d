// The packet set: every class written and read back, and the parsing rules
// that decide whether a server's reply is a packet at all.
#include "json_packets.h"

#include <gtest/gtest.h>

#include <json/reader.h>

#include <functional>

namespace Json {
namespace {

std::unique_ptr<CJsonPacketHead> Filled(uint32_t type) {
  std::unique_ptr<CJsonPacketHead> packet = CreatePacket(type);
  packet->result = 7;
  if (auto* p = dynamic_cast<CJsonQuerayPkgListInfo*>(packet.get())) {
    p->pkg_ids = {3, 1, 4000000000u};
  } else if (auto* p = dynamic_cast<CJsonConnectVDisk*>(packet.get())) {
    p->disk_letters = {"Z:", "Y:"};
  } else if (auto* p = dynamic_cast<CJsonQuerayBcInfoAck*>(packet.get())) {
    p->product_version = "8.1.2";
    p->bc_path = "C:\\Pavlix8\\bc";
  } else if (auto* p = dynamic_cast<CJsonQuerayPkgListInfoAck*>(packet.get())) {
    p->packages[9] = PkgInfo{9, "D:\\games\\a", true, false};
    p->packages[2] = PkgInfo{2, "", false, true};
  } else if (auto* p = dynamic_cast<CJsonQuerayAuthParamAck*>(packet.get())) {
    p->auth_param = "k=v&x=\"y\"";
  } else if (auto* p = dynamic_cast<CJsonQuerayBarInfoAck*>(packet.get())) {
    p->bar_id = 4294967295u;
    p->bar_name = "Bar";
    p->bar_addr = "Street 1";
    p->city_id = 21;
  }
  return packet;
}

// Compares the members that the class holds.
void ExpectSamePacket(const CJsonPacketHead& a, const CJsonPacketHead& b) {
  EXPECT_EQ(a.type, b.type);
  EXPECT_EQ(a.result, b.result);
  ASSERT_EQ(typeid(a), typeid(b));
  if (auto* p = dynamic_cast<const CJsonQuerayPkgListInfo*>(&a)) {
    EXPECT_EQ(p->pkg_ids, dynamic_cast<const CJsonQuerayPkgListInfo&>(b).pkg_ids);
  } else if (auto* p = dynamic_cast<const CJsonConnectVDisk*>(&a)) {
    EXPECT_EQ(p->disk_letters, dynamic_cast<const CJsonConnectVDisk&>(b).disk_letters);
  } else if (auto* p = dynamic_cast<const CJsonQuerayBcInfoAck*>(&a)) {
    auto& q = dynamic_cast<const CJsonQuerayBcInfoAck&>(b);
    EXPECT_EQ(p->product_version, q.product_version);
    EXPECT_EQ(p->bc_path, q.bc_path);
  } else if (auto* p = dynamic_cast<const CJsonQuerayPkgListInfoAck*>(&a)) {
    EXPECT_EQ(p->packages, dynamic_cast<const CJsonQuerayPkgListInfoAck&>(b).packages);
  } else if (auto* p = dynamic_cast<const CJsonQuerayAuthParamAck*>(&a)) {
    EXPECT_EQ(p->auth_param, dynamic_cast<const CJsonQuerayAuthParamAck&>(b).auth_param);
  } else if (auto* p = dynamic_cast<const CJsonQuerayBarInfoAck*>(&a)) {
    auto& q = dynamic_cast<const CJsonQuerayBarInfoAck&>(b);
    EXPECT_EQ(p->bar_id, q.bar_id);
    EXPECT_EQ(p->bar_name, q.bar_name);
    EXPECT_EQ(p->bar_addr, q.bar_addr);
    EXPECT_EQ(p->city_id, q.city_id);
  }
}

TEST(JsonPackets, EveryClassRoundTripsThroughItsText) {
  const uint32_t types[] = {0,          1,          2,          3,          4,         5,
                            0x80000001, 0x80000002, 0x80000003, 0x80000004, 0x80000005};
  for (uint32_t type : types) {
    SCOPED_TRACE(type);
    const std::unique_ptr<CJsonPacketHead> packet = Filled(type);
    ASSERT_TRUE(packet);
    EXPECT_EQ(type, packet->type);
    const std::string text = PacketToJsonText(packet.get());
    ASSERT_FALSE(text.empty());
    const std::unique_ptr<CJsonPacketHead> back = ParseJsonPacket(text);
    ASSERT_TRUE(back) << text;
    ExpectSamePacket(*packet, *back);
  }
}

TEST(JsonPackets, NewPacketsCarryTheirTypeAndResultZero) {
  EXPECT_EQ(0u, CJsonPacketHead().type);
  EXPECT_EQ(5u, CJsonSamplePkt<5>().type);
  EXPECT_EQ(0x80000004u, CJsonConnectVDiskAck().type);
  EXPECT_EQ(0u, CJsonQuerayBarInfoAck().result);
  EXPECT_FALSE(CreatePacket(6));
  EXPECT_FALSE(CreatePacket(0x80000000u));
  EXPECT_FALSE(CreatePacket(0x80000006u));
}

TEST(JsonPackets, BarInfoQueryTextHoldsOnlyTheHeader) {
  const CJsonSamplePkt<5> query;
  EXPECT_EQ("{\n   \"JSON_RESULT\" : 0,\n   \"JSON_TYPE\" : 5\n}\n", PacketToJsonText(&query));
  EXPECT_EQ("", PacketToJsonText(nullptr));
}

TEST(JsonPackets, EmptyListsAreWrittenAsNull) {
  CJsonQuerayPkgListInfo ids;
  CJsonConnectVDisk disks;
  CJsonQuerayPkgListInfoAck packages;
  const CJsonPacketHead* packets[] = {&ids, &disks, &packages};
  const char* members[] = {"PKGIDLIST", "DiskLetter", "PKGINFO_LIST"};
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(members[i]);
    Value json;
    ASSERT_TRUE(Reader().parse(PacketToJsonText(packets[i]), json));
    ASSERT_TRUE(json.isMember(members[i]));
    EXPECT_TRUE(json[members[i]].isNull());
  }
}

// A reply text and what ParseJsonPacket makes of it: no packet, or a packet
// of `type` that `check` looks into.
struct ParseCase {
  const char* name;
  const char* text;
  bool parsed;
  uint32_t type;
  std::function<void(const CJsonPacketHead&)> check;
};

const CJsonQuerayBarInfoAck& BarInfo(const CJsonPacketHead& p) {
  return dynamic_cast<const CJsonQuerayBarInfoAck&>(p);
}
const CJsonQuerayPkgListInfoAck& PkgList(const CJsonPacketHead& p) {
  return dynamic_cast<const CJsonQuerayPkgListInfoAck&>(p);
}

TEST(JsonPackets, ParseRules) {
  const ParseCase cases[] = {
      {"result member ignored, missing members empty",
       R"({"JSON_TYPE": 2147483653, "JSON_RESULT": 1, "BarId": 42})", true, 0x80000005u,
       [](const CJsonPacketHead& p) {
         EXPECT_EQ(1u, p.result);
         EXPECT_EQ(42u, BarInfo(p).bar_id);
         EXPECT_EQ("", BarInfo(p).bar_name);
         EXPECT_EQ(0u, BarInfo(p).city_id);
       }},
      {"info acknowledgement", R"({"JSON_TYPE": 2147483649, "ProductVersion": "1"})", true,
       0x80000001u, nullptr},
      {"missing header reads as type 0", R"({})", true, 0, nullptr},
      {"BarId as a string", R"({"JSON_TYPE": 2147483653, "BarId": "42"})", false, 0, nullptr},
      {"BarId negative", R"({"JSON_TYPE": 2147483653, "BarId": -1})", false, 0, nullptr},
      {"BarId beyond 32 bits", R"({"JSON_TYPE": 2147483653, "BarId": 4294967296})", false, 0,
       nullptr},
      {"BarName an object", R"({"JSON_TYPE": 2147483653, "BarName": {}})", false, 0, nullptr},
      {"type as a string", R"({"JSON_TYPE": "5"})", false, 0, nullptr},
      {"result not convertible", R"({"JSON_TYPE": 5, "JSON_RESULT": [1]})", false, 0, nullptr},
      {"unknown type", R"({"JSON_TYPE": 6})", false, 0, nullptr},
      {"comment before a value", "{\"JSON_TYPE\": // bar info\n 5}", false, 0, nullptr},
      {"comment before the root", "/* x */ {\"JSON_TYPE\": 5}", false, 0, nullptr},
      {"array root", R"([{"JSON_TYPE": 5}])", false, 0, nullptr},
      {"number root", "42", false, 0, nullptr},
      {"string root", "\"BarId\"", false, 0, nullptr},
      {"empty text", "", false, 0, nullptr},
      {"truncated", R"({"JSON_TYPE": 2147483653, "BarId": 4)", false, 0, nullptr},
      {"duplicate package ids keep the last, id 0 dropped",
       R"({"JSON_TYPE": 2147483650, "PKGINFO_LIST": [
            {"PKGINFO_PKGID": 7, "PKGINFO_PKGPATH": "first", "PKGINFO_BVDISK": true},
            {"PKGINFO_PKGID": 0, "PKGINFO_PKGPATH": "zero"},
            {"PKGINFO_PKGID": 7, "PKGINFO_PKGPATH": "second"}]})",
       true, 0x80000002u,
       [](const CJsonPacketHead& p) {
         ASSERT_EQ(1u, PkgList(p).packages.size());
         const PkgInfo& info = PkgList(p).packages.at(7);
         EXPECT_EQ("second", info.pkg_path);
         EXPECT_FALSE(info.vdisk);
         EXPECT_FALSE(info.already);
       }},
      {"package element not an object",
       R"({"JSON_TYPE": 2147483650, "PKGINFO_LIST": [5]})", false, 0, nullptr},
      {"id list not an array gives an empty list",
       R"({"JSON_TYPE": 2, "PKGIDLIST": 5})", true, 2,
       [](const CJsonPacketHead& p) {
         EXPECT_TRUE(dynamic_cast<const CJsonQuerayPkgListInfo&>(p).pkg_ids.empty());
       }},
      {"id list element not a number", R"({"JSON_TYPE": 2, "PKGIDLIST": [1, "2"]})", false, 0,
       nullptr},
      {"disk letters in order", R"({"JSON_TYPE": 4, "DiskLetter": ["B:", "A:"]})", true, 4,
       [](const CJsonPacketHead& p) {
         const std::list<std::string> expected = {"B:", "A:"};
         EXPECT_EQ(expected, dynamic_cast<const CJsonConnectVDisk&>(p).disk_letters);
       }},
  };
  for (const ParseCase& c : cases) {
    SCOPED_TRACE(c.name);
    const std::unique_ptr<CJsonPacketHead> packet = ParseJsonPacket(c.text);
    ASSERT_EQ(c.parsed, packet != nullptr);
    if (!packet) continue;
    EXPECT_EQ(c.type, packet->type);
    if (c.check) c.check(*packet);
  }
}

TEST(JsonPackets, DeepNestingIsRefusedNotFollowed) {
  const std::string deep = "{\"JSON_TYPE\": 5, \"x\": " + std::string(100000, '[') +
                           std::string(100000, ']') + "}";
  EXPECT_FALSE(ParseJsonPacket(deep));
}

}  // namespace
}  // namespace Json
