#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "ziparchive/archive/zip_common.h"
#include "ziparchive/records/zip_messages.h"
#include "ziparchive/records/zip_records.h"

using namespace ziparchive;

TEST(Crc32, KnownValuesAndTable) {
  EXPECT_EQ(Crc32Of("abc", 3), 0x352441C2u);
  EXPECT_EQ(Crc32Of("", 0), 0u);
  EXPECT_EQ(Crc32Table()[1], 0x77073096u);
  // Updating in pieces gives the same register as in one go.
  uint32_t reg = Crc32Update(kCrc32Init, "a", 1);
  reg = Crc32Update(reg, "bc", 2);
  EXPECT_EQ(Crc32Final(reg), 0x352441C2u);
  // Both the final value and the register before the final xor are accepted.
  EXPECT_TRUE(Crc32Accepts(0x352441C2u, reg));
  EXPECT_TRUE(Crc32Accepts(reg, reg));
  EXPECT_FALSE(Crc32Accepts(0x352441C3u, reg));
}

// zlib's crc32 is the reference: it works on the final form, the register is its complement.
static uint32_t Crc32ByZlib(uint32_t reg, const uint8_t* p, size_t n) {
  return ~uint32_t(crc32(~reg & 0xFFFFFFFFu, p, uInt(n)));
}

// Both ways of computing, the folding one and the portable one, on every length around the
// folding's 16- and 64-byte steps at every alignment, from a register that is not the
// initial one, and on data where a slipped folding constant shows (all zeros, all ones).
TEST(Crc32, EveryLengthAndAlignmentAgreesWithZlibOnBothPaths) {
  std::vector<uint8_t> data(70000);
  uint32_t seed = 12345;
  for (uint8_t& b : data) b = uint8_t((seed = seed * 1103515245u + 12345u) >> 16);
  std::vector<uint8_t> zeros(1000, 0), ones(1000, 0xFF);
  for (bool fold : {true, false}) {
    bool folding = Crc32UseFolding(fold);
#if (defined(__x86_64__) || defined(__i386__)) && defined(__GNUC__)
    // Where the processor can fold, asking for it must get it, or the fast path goes untested.
    __builtin_cpu_init();
    EXPECT_EQ(folding, fold && __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse2"));
#else
    (void)folding;
#endif
    for (size_t offset = 0; offset < 16; ++offset)
      for (size_t length = 0; length <= 300; ++length)
        ASSERT_EQ(Crc32Update(0x12345678u, data.data() + offset, length),
                  Crc32ByZlib(0x12345678u, data.data() + offset, length))
            << "folding " << fold << ", offset " << offset << ", length " << length;
    for (size_t length : {4095u, 32768u, 65536u, 69999u})
      EXPECT_EQ(Crc32Update(kCrc32Init, data.data() + 1, length),
                Crc32ByZlib(kCrc32Init, data.data() + 1, length))
          << fold;
    EXPECT_EQ(Crc32Update(kCrc32Init, zeros.data(), zeros.size()),
              Crc32ByZlib(kCrc32Init, zeros.data(), zeros.size()));
    EXPECT_EQ(Crc32Update(0, ones.data(), ones.size()), Crc32ByZlib(0, ones.data(), ones.size()));
    // Pieces of any size fed one after another give the register of the whole.
    uint32_t reg = kCrc32Init;
    for (size_t at = 0, piece = 1; at < data.size(); at += piece, piece = piece * 3 % 997 + 1)
      reg = Crc32Update(reg, data.data() + at, std::min(piece, data.size() - at));
    EXPECT_EQ(reg, Crc32ByZlib(kCrc32Init, data.data(), data.size())) << fold;
  }
  Crc32UseFolding(true);
}

TEST(Records, HeadersRoundTripAtTheirOffsets) {
  LocalHeader h;
  h.flags = 0x0806;
  h.method = 8;
  h.time = 0x1234;
  h.date = 0x5678;
  h.crc32 = 0xCAFEBABE;
  h.compressedSize = 100;
  h.uncompressedSize = 200;
  h.nameLength = 7;
  uint8_t buf[30];
  h.Write(buf);
  EXPECT_EQ(0, memcmp(buf, "PK\3\4", 4));
  EXPECT_EQ(GetLE32(buf + 14), 0xCAFEBABEu);
  EXPECT_EQ(GetLE16(buf + 26), 7);
  LocalHeader back;
  back.Read(buf);
  EXPECT_EQ(back.DosDateTime(), 0x56781234u);
  EXPECT_EQ(back.uncompressedSize, 200u);

  CentralHeader c;
  c.externalAttributes = 0x20;
  c.localHeaderOffset = 0x01020304;
  c.commentLength = 3;
  uint8_t cb[46];
  c.Write(cb);
  EXPECT_EQ(0, memcmp(cb, "PK\1\2", 4));
  EXPECT_EQ(GetLE16(cb + 36), 1);  // internal attributes
  EXPECT_EQ(GetLE32(cb + 42), 0x01020304u);
  CentralHeader cback;
  cback.Read(cb);
  EXPECT_EQ(cback.commentLength, 3);
  EXPECT_EQ(cback.externalAttributes, 0x20u);
}

TEST(Records, Zip64ExtraReplacesOnlySaturatedFields) {
  // id 1, 16 bytes: uncompressed and compressed (the offset field is not saturated).
  uint8_t extra[4 + 4 + 4 + 16] = {0x99, 0x99, 4, 0, 1, 2, 3, 4, 1, 0, 16, 0};
  uint8_t* d = extra + 12;
  for (int i = 0; i < 8; ++i) d[i] = uint8_t(i == 4 ? 1 : 0);      // 1 << 32
  for (int i = 0; i < 8; ++i) d[8 + i] = uint8_t(i == 0 ? 5 : 0);  // 5
  MemberSizes s;
  EXPECT_TRUE(ApplyZip64Extra(extra, sizeof extra, 0xFFFFFFFFu, 0xFFFFFFFFu, 77, s));
  EXPECT_EQ(s.uncompressedSize, uint64_t(1) << 32);
  EXPECT_EQ(s.compressedSize, 5u);
  EXPECT_EQ(s.localHeaderOffset, 77u);
  // An item that claims more than the field holds ends the walk without reading past it.
  uint8_t bad[] = {1, 0, 200, 0, 1, 2, 3};
  EXPECT_FALSE(ApplyZip64Extra(bad, sizeof bad, 0xFFFFFFFFu, 9, 9, s));
  EXPECT_EQ(s.uncompressedSize, 0xFFFFFFFFu);
  // The disk comes last, where its 16-bit field is saturated; padding under 4 bytes is no item.
  uint8_t withDisk[] = {1, 0, 12, 0, 40, 0, 0, 0, 0, 0, 0, 0, 3, 0, 0, 0, 0, 0};
  EXPECT_TRUE(ApplyZip64Extra(withDisk, sizeof withDisk, 9, 0xFFFFFFFFu, 7, s, 0xFFFF));
  EXPECT_EQ(s.compressedSize, 40u);
  EXPECT_EQ(s.diskStart, 3u);
}

TEST(Records, DosDateTimeAndNames) {
  DosDateTime t{2004, 8, 25, 13, 45, 58};
  uint32_t v = PackDosDateTime(t);
  DosDateTime u = UnpackDosDateTime(v);
  EXPECT_EQ(u.year, 2004);
  EXPECT_EQ(u.month, 8);
  EXPECT_EQ(u.day, 25);
  EXPECT_EQ(u.hour, 13);
  EXPECT_EQ(u.minute, 45);
  EXPECT_EQ(u.second, 58);

  EXPECT_EQ(EncodeStoredName("dir\\file.txt", false), "dir/file.txt");
  EXPECT_EQ(DecodeStoredName("dir/file.txt", false), "dir\\file.txt");
  // Cyrillic "Ж" (0xC6 in the ANSI code page) is stored in its OEM form and comes back.
  std::string ansi = "\xC6.bmp";
  std::string stored = EncodeStoredName(ansi, true);
  EXPECT_EQ(stored, "\x86.bmp");
  EXPECT_EQ(DecodeStoredName(stored, true), ansi);
}

namespace {
class Probe : public TZipCommon {
 public:
  using TZipCommon::Report;
  using TZipCommon::ReportFatal;
};
}  // namespace

TEST(ZipCommon, ReportingIsSilentUnassignedCancelledAndFatal) {
  Probe z;
  EXPECT_NO_THROW(z.Report("a.zip", "", zipmsg::kBadFileHeader));
  std::vector<int> codes;
  std::string lastVolume;
  z.OnError = [&](TZipCommon&, const std::string&, const std::string&, const std::string& vol,
                  int code) {
    codes.push_back(code);
    lastVolume = vol;
  };
  z.Report("a.zip", "", zipmsg::kBadFileHeader);
  try {
    z.ReportFatal("a.zip", "", zipmsg::kBadBlock);
    FAIL() << "the fatal form must raise";
  } catch (const EZipError& e) {
    EXPECT_STREQ(e.what(), "Bad block");
    EXPECT_EQ(e.Code(), zipmsg::kBadBlock);
  }
  z.Cancel();
  EXPECT_NO_THROW(z.ReportFatal("a.zip", "", zipmsg::kStackOverflow));
  EXPECT_EQ(codes,
            (std::vector<int>{zipmsg::kBadFileHeader, zipmsg::kBadBlock, zipmsg::kUserCanceled}));
  EXPECT_EQ(lastVolume, "0");
  EXPECT_STREQ(ZipMessageText(zipmsg::kRequiredEventNotAssigned), "Required event not assigned");
}
