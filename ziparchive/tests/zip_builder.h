// Builds small archives in memory for the reader's tests, with hooks to damage them.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "ziparchive/records/zip_records.h"
#include "engine_paths.h"
#include "testing/support/file_bytes.h"

using namespace ziparchive;

struct TestMember {
  TestMember(std::string name, std::string data) : name(std::move(name)), data(std::move(data)) {}
  std::string name;  // stored form ("/" separators)
  std::string data;
  uint16_t method = 8;  // 0 or 8 are encoded here; others take Raw as is
  uint32_t attributes = 0x20;
  uint32_t dosTime = 0x3A4B5C6D;
  uint16_t flags = 0;
  std::string raw;  // compressed bytes for methods the builder does not encode
  bool corruptCrc = false;
};

inline std::string RawDeflate(const std::string& data, int level = 6) {
  z_stream s{};
  deflateInit2(&s, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&s, uLong(data.size())) + 16, '\0');
  s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  s.avail_in = uInt(data.size());
  s.next_out = reinterpret_cast<Bytef*>(out.data());
  s.avail_out = uInt(out.size());
  deflate(&s, Z_FINISH);
  out.resize(s.total_out);
  deflateEnd(&s);
  return out;
}

struct ZipBuild {
  std::string bytes;
  uint32_t centralOffset = 0;
  uint32_t centralSize = 0;
};

inline ZipBuild BuildZip(const std::vector<TestMember>& members, const std::string& comment = "",
                         int64_t cdOffsetDelta = 0) {
  ZipBuild b;
  std::string central;
  for (const TestMember& m : members) {
    std::string packed = m.method == 8 ? RawDeflate(m.data) : m.method == 0 ? m.data : m.raw;
    LocalHeader h;
    h.flags = m.flags;
    h.method = m.method;
    h.time = uint16_t(m.dosTime);
    h.date = uint16_t(m.dosTime >> 16);
    h.crc32 = Crc32Of(m.data.data(), m.data.size()) ^ (m.corruptCrc ? 1u : 0u);
    h.compressedSize = uint32_t(packed.size());
    h.uncompressedSize = uint32_t(m.data.size());
    h.nameLength = uint16_t(m.name.size());
    uint8_t lh[30];
    h.Write(lh);
    CentralHeader c;
    c.flags = h.flags;
    c.method = h.method;
    c.time = h.time;
    c.date = h.date;
    c.crc32 = h.crc32;
    c.compressedSize = h.compressedSize;
    c.uncompressedSize = h.uncompressedSize;
    c.nameLength = h.nameLength;
    c.externalAttributes = m.attributes;
    c.localHeaderOffset = uint32_t(b.bytes.size());
    uint8_t ch[46];
    c.Write(ch);
    b.bytes.append(reinterpret_cast<char*>(lh), 30);
    b.bytes += m.name;
    b.bytes += packed;
    central.append(reinterpret_cast<char*>(ch), 46);
    central += m.name;
  }
  b.centralOffset = uint32_t(b.bytes.size());
  b.centralSize = uint32_t(central.size());
  b.bytes += central;
  EndOfCentralDir e;
  e.entriesOnDisk = e.totalEntries = uint16_t(members.size());
  e.centralDirSize = b.centralSize;
  e.centralDirOffset = uint32_t(int64_t(b.centralOffset) + cdOffsetDelta);
  e.commentLength = uint16_t(comment.size());
  uint8_t er[22];
  e.Write(er);
  b.bytes.append(reinterpret_cast<char*>(er), 22);
  b.bytes += comment;
  return b;
}

// Single records, for archives put together by hand (damaged on purpose).
inline std::string Bytes(const uint8_t* p, size_t n) {
  return std::string(reinterpret_cast<const char*>(p), n);
}

inline std::string LocalRecord(const LocalHeader& header, const std::string& name,
                               const std::string& extra = "") {
  LocalHeader h = header;
  h.nameLength = uint16_t(name.size());
  h.extraLength = uint16_t(extra.size());
  uint8_t b[LocalHeader::kSize];
  h.Write(b);
  return Bytes(b, sizeof b) + name + extra;
}

inline std::string CentralRecord(const CentralHeader& header, const std::string& name,
                                 const std::string& extra = "", const std::string& comment = "") {
  CentralHeader c = header;
  c.nameLength = uint16_t(name.size());
  c.extraLength = uint16_t(extra.size());
  c.commentLength = uint16_t(comment.size());
  uint8_t b[CentralHeader::kSize];
  c.Write(b);
  return Bytes(b, sizeof b) + name + extra + comment;
}

inline std::string EndRecord(uint16_t entries, uint32_t size, uint32_t offset,
                             const std::string& comment = "") {
  EndOfCentralDir e;
  e.entriesOnDisk = e.totalEntries = entries;
  e.centralDirSize = size;
  e.centralDirOffset = offset;
  e.commentLength = uint16_t(comment.size());
  uint8_t b[EndOfCentralDir::kSize];
  e.Write(b);
  return Bytes(b, sizeof b) + comment;
}

inline std::string Le(uint64_t v, int bytes) {
  std::string s;
  for (int i = 0; i < bytes; ++i) s += char(uint8_t(v >> (8 * i)));
  return s;
}

// A Zip64 extra item holding the given 64-bit values in order.
inline std::string Zip64Extra(std::initializer_list<uint64_t> values) {
  std::string data;
  for (uint64_t v : values) data += Le(v, 8);
  return Le(1, 2) + Le(data.size(), 2) + data;
}

// A data descriptor: optional signature, CRC, then 32- or 64-bit sizes.
inline std::string Descriptor(uint32_t crc, uint64_t compressed, uint64_t uncompressed,
                              bool signature, bool wide) {
  return (signature ? Le(zipsig::kDataDescriptor, 4) : "") + Le(crc, 4) +
         Le(compressed, wide ? 8 : 4) + Le(uncompressed, wide ? 8 : 4);
}

// Files named in the engine's path form.
inline void WriteBytes(const std::string& path, const std::string& bytes) {
  testsupport::WriteBytes(HostPath(path), bytes);
}

inline std::string ReadBytes(const std::string& path) {
  return testsupport::ReadBytes(HostPath(path));
}

// Bits least significant first, as deflate and the legacy methods pack them.
struct BitWriter {
  std::string out;
  uint32_t acc = 0;
  int count = 0;
  void Put(uint32_t value, int bits) {
    for (int i = 0; i < bits; ++i) {
      acc |= ((value >> i) & 1u) << count;
      if (++count == 8) {
        out += char(acc);
        acc = 0;
        count = 0;
      }
    }
  }
  // A Huffman code goes most significant bit first.
  void PutCode(uint32_t code, int bits) {
    for (int i = bits - 1; i >= 0; --i) Put((code >> i) & 1u, 1);
  }
  std::string Finish() {
    if (count) out += char(acc);
    acc = 0;
    count = 0;
    return out;
  }
};
