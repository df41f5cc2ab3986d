// A small zip reader for the tests, over zlib: reads an archive as an unzip
// program does, from the end record back, and checks every local header,
// the data and its CRC on the way (gtest expectations).
#pragma once

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <string>
#include <vector>

namespace cafecheck_test {

inline uint32_t Get16(const std::string& s, size_t at) {
  return static_cast<uint8_t>(s[at]) | (static_cast<uint8_t>(s[at + 1]) << 8);
}
inline uint32_t Get32(const std::string& s, size_t at) { return Get16(s, at) | (Get16(s, at + 2) << 16); }

inline std::string Inflate(const std::string& packed, size_t size) {
  std::string out(size, '\0');
  z_stream z{};
  EXPECT_EQ(Z_OK, inflateInit2(&z, -MAX_WBITS));
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data()));
  z.avail_in = static_cast<uInt>(packed.size());
  z.next_out = reinterpret_cast<Bytef*>(&out[0]);
  z.avail_out = static_cast<uInt>(out.size());
  EXPECT_EQ(Z_STREAM_END, inflate(&z, Z_FINISH));
  EXPECT_EQ(size, z.total_out);
  inflateEnd(&z);
  return out;
}

struct ReadEntry {
  std::string name;
  std::string data;
  uint16_t flags;
  uint16_t method;
  uint16_t date;
};

// Reads the archive as an unzip program does: from the end record back.
inline std::vector<ReadEntry> ReadZip(const std::string& zip) {
  std::vector<ReadEntry> entries;
  EXPECT_GE(zip.size(), 22u);
  const size_t end = zip.size() - 22;
  EXPECT_EQ(0x06054b50u, Get32(zip, end));
  const uint32_t count = Get16(zip, end + 10);
  EXPECT_EQ(count, Get16(zip, end + 8));
  const uint32_t dir_size = Get32(zip, end + 12);
  size_t at = Get32(zip, end + 16);
  EXPECT_EQ(end, at + dir_size);
  for (uint32_t i = 0; i < count; ++i) {
    EXPECT_EQ(0x02014b50u, Get32(zip, at));
    ReadEntry e;
    e.flags = static_cast<uint16_t>(Get16(zip, at + 8));
    e.method = static_cast<uint16_t>(Get16(zip, at + 10));
    e.date = static_cast<uint16_t>(Get16(zip, at + 14));
    const uint32_t crc = Get32(zip, at + 16), csize = Get32(zip, at + 20), size = Get32(zip, at + 24);
    const uint32_t name_len = Get16(zip, at + 28);
    const uint32_t local = Get32(zip, at + 42);
    e.name = zip.substr(at + 46, name_len);
    at += 46 + name_len + Get16(zip, at + 30) + Get16(zip, at + 32);

    // The local header repeats the central one.
    EXPECT_EQ(0x04034b50u, Get32(zip, local));
    EXPECT_EQ(e.method, Get16(zip, local + 8));
    EXPECT_EQ(crc, Get32(zip, local + 14));
    EXPECT_EQ(csize, Get32(zip, local + 18));
    EXPECT_EQ(size, Get32(zip, local + 22));
    EXPECT_EQ(e.name, zip.substr(local + 30, Get16(zip, local + 26)));
    const std::string packed = zip.substr(local + 30 + Get16(zip, local + 26) + Get16(zip, local + 28), csize);
    e.data = e.method == 8 ? Inflate(packed, size) : packed;
    EXPECT_EQ(crc, crc32(0, reinterpret_cast<const Bytef*>(e.data.data()), static_cast<uInt>(e.data.size())));
    entries.push_back(e);
  }
  return entries;
}

}  // namespace cafecheck_test
