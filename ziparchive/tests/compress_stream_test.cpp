#include "ziparchive/codecs/compress_stream.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <random>
#include <vector>

using namespace ziparchive;

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes ZlibRawDeflate(const Bytes& in, int level) {
  z_stream z{};
  EXPECT_EQ(deflateInit2(&z, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY), Z_OK);
  Bytes out(deflateBound(&z, in.size()) + 16);
  z.next_in = const_cast<Bytef*>(in.data());
  z.avail_in = static_cast<uInt>(in.size());
  z.next_out = out.data();
  z.avail_out = static_cast<uInt>(out.size());
  EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

Bytes RandomBytes(std::size_t n, unsigned seed) {
  std::mt19937 rng(seed);
  Bytes b(n);
  for (auto& c : b) c = static_cast<std::uint8_t>(rng());
  return b;
}

// Text-like data with repeats at all distances, so deflate's matcher has real work.
Bytes MixedBytes(std::size_t n, unsigned seed) {
  std::mt19937 rng(seed);
  const char* words[] = {"logon ", "bitmap ", "uifile ", "\r\n", "0x7F ", "setup ", "zip "};
  Bytes b;
  while (b.size() < n) {
    if (rng() % 13 == 0) {
      b.push_back(static_cast<std::uint8_t>(rng()));
    } else {
      const char* w = words[rng() % 7];
      b.insert(b.end(), w, w + std::strlen(w));
    }
  }
  b.resize(n);
  return b;
}

// Remembers the size of every write so the 64 KiB output blocks can be checked.
class RecordingStream : public OutStream {
 public:
  void Write(const void* d, std::size_t n) override {
    if (failAfter_ >= 0 && written_ + static_cast<long>(n) > failAfter_) throw EZipWriteError("full");
    mem_.Write(d, n);
    written_ += static_cast<long>(n);
    sizes.push_back(n);
  }
  std::uint64_t Position() const override { return mem_.Position(); }
  void Seek(std::uint64_t p) override { mem_.Seek(p); }
  std::uint64_t Size() const override { return mem_.Size(); }
  const Bytes& Data() const { return mem_.Bytes(); }
  void FailAfter(long n) { failAfter_ = n; }
  std::vector<std::size_t> sizes;

 private:
  MemoryOutStream mem_;
  long written_ = 0;
  long failAfter_ = -1;
};

Bytes CompressInPieces(const Bytes& in, int level, std::size_t piece) {
  MemoryOutStream out;
  TCompressStream cs(out, -15, level, nullptr);
  for (std::size_t off = 0; off < in.size(); off += piece) {
    std::size_t n = std::min(piece, in.size() - off);
    EXPECT_EQ(cs.Write(in.data() + off, n), static_cast<long>(n));
  }
  cs.Finish();
  EXPECT_EQ(cs.InputCount(), in.size());
  EXPECT_EQ(cs.OutputCount(), out.Size());
  EXPECT_EQ(cs.Crc32(), crc32(0, in.data(), static_cast<uInt>(in.size())));
  return out.Bytes();
}

TEST(CompressStream, OutputIsExactlyZlibRawDeflateWhateverTheWriteSizes) {
  const Bytes inputs[] = {Bytes{}, Bytes{'a'}, MixedBytes(1000, 1), MixedBytes(300000, 2),
                          RandomBytes(140000, 3)};
  for (const Bytes& in : inputs) {
    for (int level : {1, 6, 9}) {
      Bytes expected = ZlibRawDeflate(in, level);
      for (std::size_t piece : {std::size_t{1}, std::size_t{4093}, std::size_t{65536},
                                std::size_t{1} << 20}) {
        if (piece == 1 && in.size() > 2000) continue;
        EXPECT_EQ(CompressInPieces(in, level, piece), expected)
            << "size " << in.size() << " level " << level << " piece " << piece;
      }
    }
  }
}

TEST(CompressStream, EmptyInputIsOneFinalFixedBlock) {
  Bytes out = CompressInPieces({}, 6, 1);
  EXPECT_EQ(out, (Bytes{0x03, 0x00}));
}

TEST(CompressStream, LongRunShrinksToAFewBytes) {
  Bytes in(70000, 'x');
  EXPECT_LT(CompressInPieces(in, 6, 8192).size(), 100u);
}

TEST(CompressStream, OutputLeavesInFullBuffersThenOneShorter) {
  Bytes in = RandomBytes(200000, 7);
  RecordingStream out;
  TCompressStream cs(out, -15, 6, nullptr);
  cs.Write(in.data(), in.size());
  cs.Finish();
  ASSERT_GE(out.sizes.size(), 2u);
  for (std::size_t i = 0; i + 1 < out.sizes.size(); ++i) EXPECT_EQ(out.sizes[i], 65536u);
  EXPECT_GT(out.sizes.back(), 0u);
  EXPECT_LT(out.sizes.back(), 65536u);
  EXPECT_EQ(out.Data(), ZlibRawDeflate(in, 6));
}

TEST(CompressStream, RestartsPerMemberAndContinuesWhereItLeftOff) {
  Bytes a = MixedBytes(150000, 11), b = RandomBytes(90000, 12), c = MixedBytes(10, 13);
  MemoryOutStream out;
  const Bytes header = {'H', 'D', 'R'};
  out.Write(header.data(), header.size());
  TCompressStream cs(out, -15, 6, nullptr);
  std::vector<std::pair<std::uint64_t, std::uint64_t>> spans;
  for (const Bytes* in : {&a, &b, &c}) {
    std::uint64_t start = out.Position();
    cs.Restart(out);
    cs.Write(in->data(), in->size() / 2);
    // The writer may look elsewhere between writes (e.g. to patch a header).
    out.Seek(0);
    cs.Write(in->data() + in->size() / 2, in->size() - in->size() / 2);
    cs.Finish();
    EXPECT_EQ(cs.Crc32(), crc32(0, in->data(), static_cast<uInt>(in->size())));
    spans.emplace_back(start, cs.OutputCount());
    out.Seek(out.Size());
  }
  const Bytes* ins[] = {&a, &b, &c};
  for (int i = 0; i < 3; ++i) {
    Bytes got(out.Bytes().begin() + spans[i].first,
              out.Bytes().begin() + spans[i].first + spans[i].second);
    EXPECT_EQ(got, ZlibRawDeflate(*ins[i], 6)) << "member " << i;
  }
  EXPECT_EQ(Bytes(out.Bytes().begin(), out.Bytes().begin() + 3), header);
}

TEST(CompressStream, StopsTakingInputOnceCancelled) {
  volatile bool cancel = false;
  MemoryOutStream out;
  TCompressStream cs(out, -15, 6, &cancel);
  Bytes in = MixedBytes(1000, 5);
  EXPECT_EQ(cs.Write(in.data(), in.size()), 1000);
  cancel = true;
  EXPECT_EQ(cs.Write(in.data(), in.size()), 0);
  EXPECT_EQ(cs.InputCount(), 1000u);
}

TEST(CompressStream, FailingArchiveStreamRaisesFromWriteAndFinish) {
  Bytes in = RandomBytes(300000, 9);
  {
    RecordingStream out;
    out.FailAfter(100000);
    TCompressStream cs(out, -15, 6, nullptr);
    EXPECT_THROW(cs.Write(in.data(), in.size()), EZipWriteError);
  }
  {
    RecordingStream out;
    out.FailAfter(10);
    TCompressStream cs(out, -15, 6, nullptr);
    cs.Write(in.data(), 1000);  // stays in deflate's buffers
    EXPECT_THROW(cs.Finish(), EZipWriteError);
  }
}

}  // namespace
