#include <gtest/gtest.h>

#include <random>

#include "ziparchive/codecs/decompress_stream.h"
#include "ziparchive/codecs/inflater.h"
#include "ziparchive/platform/zip_platform.h"
#include "zip_builder.h"

using namespace ziparchive;

namespace {
std::string Compressible(size_t size, unsigned seed) {
  std::mt19937 rng(seed);
  std::string words[] = {"logon", "bitmap", "uifile", "\x01\x02\x03", "Windows XP ", "theme.ini\r\n"};
  std::string s;
  while (s.size() < size) {
    if (rng() % 7 == 0)
      s += char(rng());
    else
      s += words[rng() % 6];
  }
  s.resize(size);
  return s;
}

// Decodes all of a stream with reads of `chunk` bytes; the status that ended it goes to status.
std::string DecodeAll(TDecompressStream& stream, size_t chunk, int64_t& status) {
  std::string out;
  std::vector<uint8_t> buf(chunk);
  for (;;) {
    int64_t n = stream.Read(buf.data(), chunk);
    status = n;
    if (n <= 0) break;
    out.append(reinterpret_cast<char*>(buf.data()), size_t(n));
  }
  return out;
}
}  // namespace

// The own inflater in plain deflate mode must agree with zlib on every kind of block, with
// input arriving in tiny pieces and output asked for in odd sizes.
TEST(Inflater, AgreesWithZlibAcrossLevelsAndBoundaries) {
  for (int level : {0, 1, 6, 9}) {
    for (size_t size : {size_t(0), size_t(1), size_t(300), size_t(200000)}) {
      std::string data = Compressible(size, unsigned(level * 1000 + size));
      std::string packed = RawDeflate(data, level);
      for (size_t inChunk : {size_t(1), size_t(13), size_t(65536)}) {
        MemoryInput in(reinterpret_cast<const uint8_t*>(packed.data()), packed.size(), inChunk);
        Inflater inf(in, false);
        std::string out;
        std::vector<uint8_t> buf(32768);
        size_t ask = 7;
        for (;;) {
          int64_t n = inf.Read(buf.data(), ask);
          ASSERT_GE(n, 0) << "level " << level << " size " << size;
          if (n == 0) break;
          out.append(reinterpret_cast<char*>(buf.data()), size_t(n));
          ask = ask == 7 ? 32768 : 7;
        }
        EXPECT_EQ(out, data) << "level " << level << " size " << size << " chunk " << inChunk;
        EXPECT_TRUE(inf.Finished());
      }
    }
  }
}

// A stored block of 65535 bytes, then a fixed-code block using what only the 64 KiB variant
// has: distance symbol 31 (base 49153, 14 extra bits) and length symbol 285 with 16 extra bits.
TEST(Inflater, Deflate64LongDistanceAndLength) {
  std::mt19937 rng(5);
  std::string history(65535, '\0');
  for (char& c : history) c = char(rng());
  BitWriter w;
  w.Put(0, 1);  // not final
  w.Put(0, 2);  // stored
  w.Finish();
  std::string packed = w.out;
  packed += char(0xFF);
  packed += char(0xFF);
  packed += char(0x00);
  packed += char(0x00);
  packed += history;
  BitWriter f;
  f.Put(1, 1);        // final
  f.Put(1, 2);        // fixed codes
  f.PutCode(0xC5, 8); // length symbol 285
  f.Put(1000, 16);    // length 3 + 1000
  f.PutCode(31, 5);   // distance symbol 31
  f.Put(300, 14);     // distance 49153 + 300
  f.PutCode(0, 7);    // end of block
  packed += f.Finish();

  std::string expected = history;
  size_t distance = 49153 + 300;
  for (size_t i = 0; i < 1003; ++i) expected += expected[expected.size() - distance];

  MemoryInput in(reinterpret_cast<const uint8_t*>(packed.data()), packed.size());
  TDecompressStream d64(in, true);
  int64_t status = 0;
  EXPECT_EQ(DecodeAll(d64, 32768, status), expected);
  EXPECT_EQ(status, 0);

  // Distance symbol 30 exists only in the 64 KiB variant: plain deflate calls it corrupt.
  BitWriter g;
  g.Put(1, 1);
  g.Put(1, 2);
  g.PutCode(1, 7);     // length symbol 257: 3
  g.PutCode(30, 5);    // distance symbol 30
  g.Put(5, 14);        // distance 32769 + 5
  g.PutCode(0, 7);
  std::string packed30 = packed.substr(0, packed.size() - f.out.size()) + g.Finish();
  std::string expected30 = history;
  for (int i = 0; i < 3; ++i) expected30 += expected30[expected30.size() - (32769 + 5)];
  for (bool d64 : {true, false}) {
    MemoryInput in30(reinterpret_cast<const uint8_t*>(packed30.data()), packed30.size());
    TDecompressStream s(in30, d64);
    std::string got = DecodeAll(s, 32768, status);
    if (d64) {
      EXPECT_EQ(got, expected30);
      EXPECT_EQ(status, 0);
    } else {
      EXPECT_EQ(got, history);
      EXPECT_EQ(status, -3);
    }
  }
}

TEST(DecompressStream, CorruptAndTruncatedData) {
  for (bool d64 : {false, true}) {
    // Stored block whose length and complement disagree.
    std::string bad = std::string("\x01\x05\x00\x00\x00", 5) + "hello";
    MemoryInput in1(reinterpret_cast<const uint8_t*>(bad.data()), bad.size());
    TDecompressStream s1(in1, d64);
    uint8_t buf[64];
    EXPECT_EQ(s1.Read(buf, sizeof buf), -3) << d64;

    // A stream cut in the middle: what came out stays, then "no more input".
    std::string data = Compressible(100000, 9);
    std::string whole = RawDeflate(data);
    std::string packed = whole.substr(0, whole.size() / 2);
    MemoryInput in2(reinterpret_cast<const uint8_t*>(packed.data()), packed.size());
    TDecompressStream s2(in2, d64);
    int64_t status = 0;
    std::string got = DecodeAll(s2, 32768, status);
    EXPECT_EQ(status, -5) << d64;
    EXPECT_GT(got.size(), 0u);
    EXPECT_EQ(got, data.substr(0, got.size()));

    // A back-reference before the start of the data.
    BitWriter w;
    w.Put(1, 1);
    w.Put(1, 2);
    w.PutCode(0x30 + 'A', 8);  // literal 'A'
    w.PutCode(1, 7);           // length 3
    w.PutCode(3, 5);           // distance 4
    w.PutCode(0, 7);
    std::string beforeStart = w.Finish();
    MemoryInput in3(reinterpret_cast<const uint8_t*>(beforeStart.data()), beforeStart.size());
    TDecompressStream s3(in3, d64);
    got = DecodeAll(s3, 64, status);
    EXPECT_EQ(got, "A");
    EXPECT_EQ(status, -3);
  }
}

// Destroy puts the archive back right after the member's compressed data, whatever the
// decoder read ahead, and write and seek are refused.
TEST(DecompressStream, DestroyGivesBackUnusedInput) {
  std::string path = OsTempFolder() + "kv_destroy_test.bin";
  std::string data = Compressible(50000, 3);
  std::string packed = RawDeflate(data);
  WriteBytes(path, "HEAD" + packed + std::string(100000, 'T'));
  for (bool d64 : {false, true}) {
    OsFile f;
    ASSERT_TRUE(f.Open(path, OsAccess::Read, OsShare::DenyWrite));
    ASSERT_TRUE(f.Seek(4));
    {
      TDecompressStream s(f, -15, d64);
      int64_t status = 0;
      EXPECT_EQ(DecodeAll(s, 32768, status), data);
      EXPECT_EQ(s.Write("x", 1), -1);
      EXPECT_EQ(s.Seek(5, TDecompressStream::soBeginning), -1);
      EXPECT_EQ(s.Seek(0, TDecompressStream::soCurrent), int64_t(data.size()));
    }
    EXPECT_EQ(f.Position(), int64_t(4 + packed.size())) << d64;
  }
  OsDeleteFile(path);
}

// Reading in place hands out the bytes Read would, in pieces no larger than asked, however
// far the decoder works ahead and whether or not plain reads come between; a damaged stream
// still ends with its status after everything decoded before the damage.
TEST(DecompressStream, ReadViewAgreesWithRead) {
  std::string data = Compressible(700000, 21);
  std::string packed = RawDeflate(data);
  std::string cut = packed.substr(0, packed.size() / 2);
  for (bool d64 : {false, true}) {
    for (const std::string* input : {&packed, &cut}) {
      MemoryInput in(reinterpret_cast<const uint8_t*>(input->data()), input->size(), 4096);
      TDecompressStream s(in, d64);
      std::string got;
      int64_t status = 0;
      uint8_t small[100];
      for (int step = 0;; ++step) {
        if (step % 5 == 4) {
          status = s.Read(small, sizeof small);
          if (status <= 0) break;
          got.append(reinterpret_cast<char*>(small), size_t(status));
          continue;
        }
        const uint8_t* view = nullptr;
        size_t ask = step % 2 ? 32768 : 1000;
        status = s.ReadView(ask, TDecompressStream::kMaxAhead, view);
        if (status <= 0) break;
        ASSERT_LE(size_t(status), ask);
        got.append(reinterpret_cast<const char*>(view), size_t(status));
      }
      if (input == &packed) {
        EXPECT_EQ(got, data) << d64;
        EXPECT_EQ(status, 0);
        EXPECT_EQ(s.Seek(0, TDecompressStream::soCurrent), int64_t(data.size()));
      } else {
        EXPECT_EQ(status, -5) << d64;
        EXPECT_EQ(got, data.substr(0, got.size()));
      }
    }
  }
}

// One decoder state serves member after member: each decodes as if alone, input the last
// one left unread is not taken for the next one's, and a back-reference before a member's
// start is refused rather than reaching into the member before.
TEST(DecompressStream, ReusedDecoderStateKeepsMembersApart) {
  DecoderCache cache;
  std::string first = Compressible(40000, 5), second = Compressible(3000, 6);
  std::string firstPacked = RawDeflate(first) + "TRAILING BYTES";
  std::string secondPacked = RawDeflate(second);
  BitWriter w;  // a literal 'A', then a copy from 4 bytes back: before the data's start
  w.Put(1, 1);
  w.Put(1, 2);
  w.PutCode(0x30 + 'A', 8);
  w.PutCode(1, 7);
  w.PutCode(3, 5);
  w.PutCode(0, 7);
  std::string reachesBack = w.Finish();
  for (bool d64 : {false, true}) {
    for (int round = 0; round < 2; ++round) {
      int64_t status = 0;
      {
        MemoryInput in(reinterpret_cast<const uint8_t*>(firstPacked.data()), firstPacked.size());
        TDecompressStream s(in, d64, &cache);
        EXPECT_EQ(DecodeAll(s, 32768, status), first) << d64;
        EXPECT_EQ(s.UnusedInput(), 14u);
      }
      {
        MemoryInput in(reinterpret_cast<const uint8_t*>(reachesBack.data()), reachesBack.size());
        TDecompressStream s(in, d64, &cache);
        EXPECT_EQ(DecodeAll(s, 64, status), "A") << d64;
        EXPECT_EQ(status, -3);
      }
      {
        MemoryInput in(reinterpret_cast<const uint8_t*>(secondPacked.data()), secondPacked.size());
        TDecompressStream s(in, d64, &cache);
        const uint8_t* view = nullptr;
        std::string got;
        while ((status = s.ReadView(32768, TDecompressStream::kMaxAhead, view)) > 0)
          got.append(reinterpret_cast<const char*>(view), size_t(status));
        EXPECT_EQ(got, second) << d64;
        EXPECT_EQ(status, 0);
      }
    }
  }
}
