#include "bitmap_file.h"

#include <gtest/gtest.h>

#include "bmp_builder.h"

namespace resedit {
namespace {

using testing::MakeBmp;
using testing::Put16;
using testing::Put32;

PackedDibResult Pack(const std::vector<std::uint8_t>& file) {
  return PackedDibFromBitmapFile(file.data(), file.size());
}

TEST(BitmapFile, StripsTheFileHeaderOfCommonDepths) {
  for (int depth : {1, 4, 8, 16, 24, 32}) {
    const auto file = MakeBmp(13, 7, depth);
    const auto r = Pack(file);
    ASSERT_TRUE(r.ok) << depth << ": " << r.error;
    EXPECT_EQ(r.dib, std::vector<std::uint8_t>(file.begin() + 14, file.end())) << depth;
  }
}

TEST(BitmapFile, AcceptsTopDownAndDropsBytesAfterThePixels) {
  auto file = MakeBmp(5, -3, 24);
  const std::vector<std::uint8_t> expected(file.begin() + 14, file.end());
  file.insert(file.end(), {1, 2, 3, 4, 5});
  const auto r = Pack(file);
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(r.dib, expected);
}

TEST(BitmapFile, ClosesAGapBeforeThePixels) {
  const auto plain = MakeBmp(9, 4, 8);
  const auto gapped = MakeBmp(9, 4, 8, 1, 6);
  const auto r = Pack(gapped);
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(r.dib, std::vector<std::uint8_t>(plain.begin() + 14, plain.end()));
}

TEST(BitmapFile, ReadsACoreHeader) {
  // 2x2, 24 bits, 12-byte header: rows of 8 bytes.
  std::vector<std::uint8_t> file(14 + 12 + 16);
  file[0] = 'B';
  file[1] = 'M';
  Put32(file, 10, 26);
  Put32(file, 14, 12);
  Put16(file, 18, 2);
  Put16(file, 20, 2);
  Put16(file, 22, 1);
  Put16(file, 24, 24);
  const auto r = Pack(file);
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(r.dib.size(), 12u + 16u);
}

TEST(BitmapFile, RefusesBrokenFiles) {
  struct Case {
    const char* what;
    std::vector<std::uint8_t> file;
  };
  const auto good = MakeBmp(8, 8, 24);
  auto with = [&](auto change) {
    auto f = good;
    change(f);
    return f;
  };
  const Case cases[] = {
      {"empty", {}},
      {"only the file header", std::vector<std::uint8_t>(good.begin(), good.begin() + 14)},
      {"not BM", with([](auto& f) { f[0] = 'X'; f[1] = 'X'; })},
      {"pixels cut short", std::vector<std::uint8_t>(good.begin(), good.end() - 1)},
      {"unknown header size", with([](auto& f) { Put32(f, 14, 41); })},
      {"two planes", with([](auto& f) { Put16(f, 26, 2); })},
      {"depth 7", with([](auto& f) { Put16(f, 28, 7); })},
      {"zero width", with([](auto& f) { Put32(f, 18, 0); })},
      {"negative width", with([](auto& f) { Put32(f, 18, 0xFFFFFFF0u); })},
      {"zero height", with([](auto& f) { Put32(f, 22, 0); })},
      {"huge height", with([](auto& f) { Put32(f, 22, 0x7FFFFFFF); })},
      {"most negative height", with([](auto& f) { Put32(f, 22, 0x80000000u); })},
      {"pixel offset into header", with([](auto& f) { Put32(f, 10, 20); })},
      {"pixel offset past end", with([](auto& f) { Put32(f, 10, 0x7FFFFFFF); })},
      {"JPEG compression", with([](auto& f) { Put32(f, 30, 4); })},
      {"RLE8 on 24 bits", with([](auto& f) { Put32(f, 30, 1); })},
      {"colour table larger than depth", [] {
         auto f = MakeBmp(4, 4, 1);
         Put32(f, 46, 3);
         return f;
       }()},
      {"colour table cut short", [] {
         auto f = MakeBmp(4, 4, 8);
         f.resize(14 + 40 + 100);
         return f;
       }()},
  };
  for (const auto& c : cases) {
    const auto r = Pack(c.file);
    EXPECT_FALSE(r.ok) << c.what;
    EXPECT_FALSE(r.error.empty()) << c.what;
  }
}

TEST(BitmapFile, KeepsRunLengthDataOfTheDeclaredSize) {
  auto file = MakeBmp(4, 4, 8);
  const std::size_t pixels = 14 + 40 + 1024;
  file.resize(pixels + 10);
  Put32(file, 30, 1);  // RLE8
  Put32(file, 34, 6);  // six bytes of runs
  auto r = Pack(file);
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(r.dib.size(), 40u + 1024u + 6u);
  Put32(file, 34, 11);  // more than the file holds
  r = Pack(file);
  EXPECT_FALSE(r.ok);
}

}  // namespace
}  // namespace resedit
