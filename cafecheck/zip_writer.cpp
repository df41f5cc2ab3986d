#include "zip_writer.h"

#include <zlib.h>

#include <algorithm>
#include <limits>

namespace cafecheck {

namespace {

void Put16(std::string& out, uint32_t v) {
  out.push_back(static_cast<char>(v & 0xff));
  out.push_back(static_cast<char>((v >> 8) & 0xff));
}
void Put32(std::string& out, uint32_t v) {
  Put16(out, v & 0xffff);
  Put16(out, v >> 16);
}

constexpr uint16_t kVersionNeeded = 20;   // 2.0: deflate
constexpr uint16_t kUtf8NameFlag = 0x0800;
constexpr uint16_t kMethodStored = 0;
constexpr uint16_t kMethodDeflate = 8;
constexpr uint64_t kMax32 = std::numeric_limits<uint32_t>::max();

// Raw deflate (no zlib header), as zip entries carry it.
bool Deflate(const std::string& in, std::string& out) {
  z_stream z{};
  if (deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK) return false;
  out.resize(deflateBound(&z, static_cast<uLong>(in.size())));
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
  z.avail_in = static_cast<uInt>(in.size());
  z.next_out = reinterpret_cast<Bytef*>(&out[0]);
  z.avail_out = static_cast<uInt>(out.size());
  const int rc = deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  return rc == Z_STREAM_END;
}

}  // namespace

uint32_t Crc32(const std::string& data) {
  uLong crc = crc32(0L, Z_NULL, 0);
  // zlib takes the length as uInt: feed large texts in pieces.
  size_t done = 0;
  while (done < data.size()) {
    const size_t piece = std::min<size_t>(data.size() - done, 1u << 30);
    crc = crc32(crc, reinterpret_cast<const Bytef*>(data.data() + done), static_cast<uInt>(piece));
    done += piece;
  }
  return static_cast<uint32_t>(crc);
}

bool ZipWriter::Add(const std::string& name, const std::string& data, const ZipTime& time) {
  if (name.empty() || name.size() > 0xffff || data.size() > (1u << 30)) return false;
  if (entries_.size() >= 0xffff) return false;
  Entry e;
  e.name = name;
  e.crc = Crc32(data);
  e.size = static_cast<uint32_t>(data.size());
  std::string packed;
  if (!Deflate(data, packed)) return false;
  const std::string* payload = &packed;
  e.method = kMethodDeflate;
  if (packed.size() >= data.size()) {  // incompressible: store it
    payload = &data;
    e.method = kMethodStored;
  }
  e.compressed_size = static_cast<uint32_t>(payload->size());
  const int year = time.year < 1980 ? 1980 : (time.year > 2107 ? 2107 : time.year);
  e.dos_date = static_cast<uint16_t>(((year - 1980) << 9) | (time.month << 5) | time.day);
  e.dos_time = static_cast<uint16_t>((time.hour << 11) | (time.minute << 5) | (time.second / 2));
  if (body_.size() + 30 + name.size() + payload->size() > kMax32) return false;
  e.offset = static_cast<uint32_t>(body_.size());

  Put32(body_, 0x04034b50);
  Put16(body_, kVersionNeeded);
  Put16(body_, kUtf8NameFlag);
  Put16(body_, e.method);
  Put16(body_, e.dos_time);
  Put16(body_, e.dos_date);
  Put32(body_, e.crc);
  Put32(body_, e.compressed_size);
  Put32(body_, e.size);
  Put16(body_, static_cast<uint32_t>(name.size()));
  Put16(body_, 0);  // no extra field
  body_ += name;
  body_ += *payload;
  entries_.push_back(e);
  return true;
}

std::string ZipWriter::Finish() const {
  std::string out = body_;
  const uint32_t directory_offset = static_cast<uint32_t>(out.size());
  for (const Entry& e : entries_) {
    Put32(out, 0x02014b50);
    Put16(out, kVersionNeeded);  // made by: MS-DOS/FAT attributes, 2.0
    Put16(out, kVersionNeeded);
    Put16(out, kUtf8NameFlag);
    Put16(out, e.method);
    Put16(out, e.dos_time);
    Put16(out, e.dos_date);
    Put32(out, e.crc);
    Put32(out, e.compressed_size);
    Put32(out, e.size);
    Put16(out, static_cast<uint32_t>(e.name.size()));
    Put16(out, 0);  // extra
    Put16(out, 0);  // comment
    Put16(out, 0);  // disk
    Put16(out, 0);  // internal attributes
    Put32(out, 0);  // external attributes
    Put32(out, e.offset);
    out += e.name;
  }
  const uint32_t directory_size = static_cast<uint32_t>(out.size() - directory_offset);
  Put32(out, 0x06054b50);
  Put16(out, 0);
  Put16(out, 0);
  Put16(out, static_cast<uint32_t>(entries_.size()));
  Put16(out, static_cast<uint32_t>(entries_.size()));
  Put32(out, directory_size);
  Put32(out, directory_offset);
  Put16(out, 0);
  return out;
}

}  // namespace cafecheck
