// The zip writer's archives, read back by a small reader over zlib: the end
// record, the central directory, every local header, the data and its CRC.
#include "zip_writer.h"

#include <gtest/gtest.h>

#include <random>

#include "zip_reader.h"

namespace {

using cafecheck_test::ReadEntry;
using cafecheck_test::ReadZip;

TEST(ZipWriter, EntriesReadBackUnchanged) {
  std::string log;
  for (int i = 0; i < 2000; ++i) log += "[08:05:03.042]|[1a2c]|[Info]|ProcessPreload CreateProcess_0. success\r\n";
  std::string noise(5000, '\0');
  std::mt19937 random(7);
  for (char& c : noise) c = static_cast<char>(random());

  struct Case {
    std::string name;
    std::string data;
    uint16_t method;
  };
  const std::vector<Case> cases = {
      {"CafeCheck-report.txt", "\xEF\xBB\xBF" "report\r\n", 0},  // too small to gain: stored
      {"Log/velora20261210.log", log, 8},
      {"Rundle-log/\xE6\x97\xA5\xE5\xBF\x97.log", noise, 0},  // incompressible: stored
      {"empty.log", "", 0},
  };
  cafecheck::ZipWriter zip;
  for (const Case& c : cases) ASSERT_TRUE(zip.Add(c.name, c.data, {2026, 12, 10, 18, 5, 4})) << c.name;
  const std::vector<ReadEntry> read = ReadZip(zip.Finish());
  ASSERT_EQ(cases.size(), read.size());
  for (size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(cases[i].name);
    EXPECT_EQ(cases[i].name, read[i].name);
    EXPECT_TRUE(read[i].data == cases[i].data);
    EXPECT_EQ(cases[i].method, read[i].method);
    EXPECT_EQ(0x0800, read[i].flags);  // names are UTF-8
    EXPECT_EQ(((2026 - 1980) << 9) | (12 << 5) | 10, read[i].date);
  }
}

TEST(ZipWriter, EmptyArchiveIsJustTheEndRecord) {
  const std::string zip = cafecheck::ZipWriter().Finish();
  EXPECT_EQ(22u, zip.size());
  EXPECT_TRUE(ReadZip(zip).empty());
}

TEST(ZipWriter, RefusesNamesItCannotStore) {
  cafecheck::ZipWriter zip;
  EXPECT_FALSE(zip.Add("", "x", {}));
  EXPECT_FALSE(zip.Add(std::string(70000, 'a'), "x", {}));
  EXPECT_EQ(0u, zip.entry_count());
}

}  // namespace
