// A minimal zip archive writer: deflated entries (zlib's raw deflate and
// CRC-32), the local headers, the central directory and its end record, all
// in memory. Enough for the staff tool's bundle of its report and the logs;
// no zip64, so the whole archive stays below 4 GiB (the tool caps what it
// puts in).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace cafecheck {

struct ZipTime {
  int year = 1980, month = 1, day = 1, hour = 0, minute = 0, second = 0;
};

class ZipWriter {
 public:
  // Adds one file. `name` is UTF-8 with "/" between folders; it is stored
  // with the UTF-8 flag (bit 11) so that Chinese names survive. False when
  // the archive would outgrow the 32-bit format or deflate fails.
  bool Add(const std::string& name, const std::string& data, const ZipTime& time);

  // The archive: local entries, central directory, end record.
  std::string Finish() const;

  size_t entry_count() const { return entries_.size(); }

 private:
  struct Entry {
    std::string name;
    uint32_t crc = 0;
    uint32_t compressed_size = 0;
    uint32_t size = 0;
    uint16_t method = 0;
    uint16_t dos_time = 0, dos_date = 0;
    uint32_t offset = 0;
  };
  std::vector<Entry> entries_;
  std::string body_;  // the local headers with their data
};

// zlib's CRC-32 of a text.
uint32_t Crc32(const std::string& data);

}  // namespace cafecheck
