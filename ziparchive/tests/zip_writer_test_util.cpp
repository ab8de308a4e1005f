#include "zip_writer_test_util.h"

#include "ziparchive/archive/zip_directory.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <random>

#include "ziparchive/platform/zip_platform.h"
#include "testing/support/file_bytes.h"

using namespace ziparchive;

void WriteBytes(const std::string& path, const Bytes& bytes) {
  testsupport::WriteBytes(HostPath(path), bytes);
}

void WriteText(const std::string& path, const std::string& text) {
  testsupport::WriteBytes(HostPath(path), text);
}

Bytes ReadBytes(const std::string& path) { return testsupport::ReadBytesAs<Bytes>(HostPath(path)); }

bool Exists(const std::string& path) { return testsupport::Exists(HostPath(path)); }

std::vector<std::string> ListFolder(const std::string& folder) {
  std::vector<std::string> names;
  OsDirSearch s;
  OsFindData d;
  if (s.Open(folder))
    while (s.Next(d)) names.push_back(d.name);
  return names;
}

Bytes RandomBytes(std::size_t n, unsigned seed) {
  std::mt19937 rng(seed);
  Bytes b(n);
  for (auto& c : b) c = std::uint8_t(rng());
  return b;
}

Bytes TextBytes(std::size_t n, unsigned seed) {
  std::mt19937 rng(seed);
  static const char* words[] = {"logon ", "bitmap ", "[theme]\r\n", "uifile ", "0x7F ", "Color=", "\r\n"};
  Bytes b;
  while (b.size() < n) {
    const char* w = words[rng() % 7];
    b.insert(b.end(), w, w + std::strlen(w));
    if (rng() % 9 == 0) b.push_back(std::uint8_t('0' + rng() % 10));
  }
  b.resize(n);
  return b;
}

Bytes RawDeflate(const Bytes& in, int level) {
  z_stream z{};
  EXPECT_EQ(deflateInit2(&z, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY), Z_OK);
  Bytes out(deflateBound(&z, in.size()) + 16);
  z.next_in = const_cast<Bytef*>(in.data());
  z.avail_in = uInt(in.size());
  z.next_out = out.data();
  z.avail_out = uInt(out.size());
  EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

Bytes RawInflate(const Bytes& in, std::size_t expectedSize) {
  z_stream z{};
  EXPECT_EQ(inflateInit2(&z, -15), Z_OK);
  Bytes out(expectedSize + 1);
  z.next_in = const_cast<Bytef*>(in.data());
  z.avail_in = uInt(in.size());
  z.next_out = out.data();
  z.avail_out = uInt(out.size());
  EXPECT_EQ(inflate(&z, Z_FINISH), Z_STREAM_END);
  EXPECT_EQ(z.avail_in, 0u) << "bytes after the end of the deflate stream";
  out.resize(z.total_out);
  inflateEnd(&z);
  return out;
}

std::uint32_t Crc(const Bytes& b) { return crc32(0, b.data(), uInt(b.size())); }

const ParsedMember* ParsedZip::Find(const std::string& name) const {
  for (const ParsedMember& m : members)
    if (m.centralName == name) return &m;
  return nullptr;
}

ParsedZip ParseZip(const Bytes& zip) {
  ParsedZip z;
  EXPECT_GE(zip.size(), EndOfCentralDir::kSize);
  if (zip.size() < EndOfCentralDir::kSize) return z;
  // The writer's archives end with the end record and its comment; find it from the end.
  std::size_t endPos = SIZE_MAX;
  for (std::size_t i = zip.size() - EndOfCentralDir::kSize + 1; i-- > 0;)
    if (GetLE32(&zip[i]) == zipsig::kEndOfCentralDir &&
        i + EndOfCentralDir::kSize + GetLE16(&zip[i + 20]) == zip.size()) {
      endPos = i;
      break;
    }
  EXPECT_NE(endPos, SIZE_MAX) << "no end record";
  if (endPos == SIZE_MAX) return z;
  z.end.Read(&zip[endPos]);
  z.comment.assign(zip.begin() + endPos + 22, zip.end());
  EXPECT_EQ(z.end.entriesOnDisk, z.end.totalEntries);
  EXPECT_EQ(std::size_t(z.end.centralDirOffset) + z.end.centralDirSize, endPos)
      << "central directory does not end at the end record";
  std::size_t p = z.end.centralDirOffset;
  std::size_t expectNextLocal = 0;
  for (int i = 0; i < z.end.totalEntries; ++i) {
    if (p + 46 > endPos || GetLE32(&zip[p]) != zipsig::kCentralHeader) {
      ADD_FAILURE() << "central header " << i << " missing";
      return z;
    }
    ParsedMember m;
    m.central.Read(&zip[p]);
    std::size_t q = p + 46;
    m.centralName.assign(zip.begin() + q, zip.begin() + q + m.central.nameLength);
    q += m.central.nameLength;
    m.extra.assign(zip.begin() + q, zip.begin() + q + m.central.extraLength);
    q += m.central.extraLength;
    m.comment.assign(zip.begin() + q, zip.begin() + q + m.central.commentLength);
    p = q + m.central.commentLength;

    std::size_t l = m.central.localHeaderOffset;
    EXPECT_EQ(l, expectNextLocal) << "members are not contiguous";
    if (l + 30 > zip.size() || GetLE32(&zip[l]) != zipsig::kLocalHeader) {
      ADD_FAILURE() << "local header of " << m.centralName << " missing";
      return z;
    }
    m.local.Read(&zip[l]);
    std::size_t d = l + 30;
    m.localName.assign(zip.begin() + d, zip.begin() + d + m.local.nameLength);
    d += m.local.nameLength + m.local.extraLength;
    std::size_t dataEnd = d + m.central.compressedSize;
    EXPECT_LE(dataEnd, z.end.centralDirOffset);
    if (dataEnd > zip.size()) return z;
    m.data.assign(zip.begin() + d, zip.begin() + dataEnd);
    if (m.central.flags & 8) {
      // The descriptor's sizes are 64-bit when the local header has a Zip64 item.
      bool zip64 = HasZip64Extra(&zip[l + 30 + m.local.nameLength], m.local.extraLength);
      dataEnd += (GetLE32(&zip[dataEnd]) == zipsig::kDataDescriptor ? 4 : 0) + (zip64 ? 20 : 12);
    }
    m.localSize = dataEnd - l;
    expectNextLocal = dataEnd;
    z.members.push_back(std::move(m));
  }
  EXPECT_EQ(p, endPos);
  EXPECT_EQ(expectNextLocal, z.end.centralDirOffset);
  return z;
}

Bytes MemberContent(const ParsedMember& m) {
  Bytes out;
  if (m.central.method == 0) {
    out = m.data;
  } else {
    EXPECT_EQ(m.central.method, 8);
    out = RawInflate(m.data, m.central.uncompressedSize);
  }
  EXPECT_EQ(out.size(), m.central.uncompressedSize) << m.centralName;
  EXPECT_EQ(Crc(out), m.central.crc32) << m.centralName;
  return out;
}
