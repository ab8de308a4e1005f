// The package preview without its window: the picture checks that stand between a package and
// the system's picture code, the order and sizes of the pictures, and reading a package through
// the engine within its limits, leaving nothing behind.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <set>
#include <windows.h>

#include "korvel/library/bitmap_header.h"
#include "korvel/preview/package_preview.h"
#include "korvel/preview/preview_layout.h"
#include "korvel/test_support/test_bitmaps.h"
#include "korvel/test_support/test_files.h"
#include "korvel/test_support/test_archives.h"
#include "korvel/library/zip_packages.h"
#include "winbase/handles.h"

namespace korvel {
namespace {

using testing::NamesIn;
using testing::ReadBytes;
using testing::ScratchFolder;
using testing::WriteBytes;

using testing::Bitmap;
using testing::Put32;

TEST(BitmapHeader, ReadsPlainPicturesAndRebuildsTheHeaderFromCheckedValues) {
  const std::string wide = Bitmap(5, 3, 24);
  const auto facts = ReadBitmapHeader(wide);
  ASSERT_TRUE(facts);
  EXPECT_EQ(facts->width, 5);
  EXPECT_EQ(facts->height, 3);
  EXPECT_FALSE(facts->topDown);
  EXPECT_EQ(facts->pixelOffset, 54u);
  EXPECT_EQ(facts->pixelBytes, 3u * 16u);  // rows padded to four bytes
  EXPECT_EQ(facts->info.size(), 40u);

  // Top-down, 4 bits, a short palette: the palette comes along, the sign of the height stays.
  const std::string paletted = Bitmap(3, -2, 4, 2);
  const auto small = ReadBitmapHeader(paletted);
  ASSERT_TRUE(small);
  EXPECT_TRUE(small->topDown);
  EXPECT_EQ(small->height, 2);
  EXPECT_EQ(small->info.size(), 40u + 2 * 4);
  EXPECT_EQ(static_cast<std::int32_t>(small->info[8] | small->info[9] << 8 | small->info[10] << 16 |
                                      small->info[11] << 24), -2);

  // A long header with its bit-field masks inside: handed on as a 40-byte header and the
  // three masks, the fields past 40 bytes (colour profiles and the like) left behind.
  std::string v5(14 + 124 + 4 * 2 * 2, '\0');
  std::string plain = Bitmap(2, 2, 16);
  v5.replace(0, 54, plain.substr(0, 54));
  Put32(v5, 10, 14 + 124);
  Put32(v5, 14, 124);
  Put32(v5, 30, 3);                  // bit fields
  Put32(v5, 54, 0xF800);             // red
  Put32(v5, 58, 0x07E0);             // green
  Put32(v5, 62, 0x001F);             // blue
  Put32(v5, 14 + 112, 0x7fffffff);   // a profile offset nobody checked
  const auto fields = ReadBitmapHeader(v5);
  ASSERT_TRUE(fields);
  ASSERT_EQ(fields->info.size(), 52u);
  EXPECT_EQ(fields->info[0], 40);
  EXPECT_EQ(fields->info[40] | fields->info[41] << 8, 0xF800);
  EXPECT_EQ(fields->info[48], 0x1F);
}

TEST(BitmapHeader, RefusesWhatTheSystemWouldReadPastOrMisread) {
  const std::string good = Bitmap(4, 4, 8, 16);
  ASSERT_TRUE(ReadBitmapHeader(good));
  const std::vector<std::pair<const char*, std::function<void(std::string&)>>> faults = {
      {"no signature", [](std::string& f) { f[1] = 'X'; }},
      {"rows cut short", [](std::string& f) { f.pop_back(); }},
      {"pixels start past the end", [](std::string& f) { Put32(f, 10, 0xFFFFFFF0u); }},
      {"pixels start inside the palette", [](std::string& f) { Put32(f, 10, 60); }},
      {"header longer than the file", [](std::string& f) { Put32(f, 14, 0x7FFFFFFF); }},
      {"old 12-byte header", [](std::string& f) { Put32(f, 14, 12); }},
      {"no width", [](std::string& f) { Put32(f, 18, 0); }},
      {"negative width", [](std::string& f) { Put32(f, 18, 0xFFFFFFFFu); }},
      {"no height", [](std::string& f) { Put32(f, 22, 0); }},
      {"height that cannot be negated", [](std::string& f) { Put32(f, 22, 0x80000000u); }},
      {"side past the limit", [](std::string& f) { Put32(f, 18, kMaxBitmapSide + 1); }},
      {"two planes", [](std::string& f) { f[26] = 2; }},
      {"three bits a pixel", [](std::string& f) { f[28] = 3; }},
      {"run-length data", [](std::string& f) { Put32(f, 30, 1); }},
      {"bit fields on 8 bits", [](std::string& f) { Put32(f, 30, 3); }},
      {"more colours than 8 bits hold", [](std::string& f) { Put32(f, 46, 257); }},
  };
  for (const auto& [what, spoil] : faults) {
    std::string file = good;
    spoil(file);
    EXPECT_FALSE(ReadBitmapHeader(file)) << what;
  }
  // Rows that are all there, but more pixels than scaling may unpack.
  EXPECT_TRUE(ReadBitmapHeader(Bitmap(8192, 2048, 1, 2)));
  EXPECT_FALSE(ReadBitmapHeader(Bitmap(8192, 2049, 1, 2)));
  // Whatever is accepted, the rows it promises lie inside the file: every cut of a file.
  const std::string big = Bitmap(7, -5, 1, 2);
  for (std::size_t length = 0; length <= big.size(); ++length) {
    const auto facts = ReadBitmapHeader(std::string_view(big).substr(0, length));
    if (facts) {
      EXPECT_LE(facts->pixelOffset + facts->pixelBytes, length) << length;
    }
  }
}

TEST(PreviewLayout, FitsPicturesKeepingTheirAspect) {
  EXPECT_EQ(FitInside({320, 240}, {368, 284}), (PixelSize{368, 276}));  // enlarged to the width
  EXPECT_EQ(FitInside({160, 8}, {84, 84}), (PixelSize{84, 4}));
  EXPECT_EQ(FitInside({48, 480}, {84, 84}), (PixelSize{8, 84}));
  EXPECT_EQ(FitInside({16384, 1}, {84, 84}), (PixelSize{84, 1}));  // never thinner than a pixel
  EXPECT_EQ(FitInside({0, 10}, {84, 84}), (PixelSize{}));
}

TEST(PreviewLayout, ShowsTheLargestPictureFirstAndTheOthersByResource) {
  const std::vector<PictureEntry> pictures = {{L"112", {160, 8}},  {L"logo", {0, 0}}, {L"107", {48, 48}},
                                              {L"100", {320, 240}}, {L"99", {240, 320}}, {L"Bar", {10, 10}}};
  // Of the two largest, the lower resource; a picture that cannot be shown comes last.
  const std::vector<std::size_t> expected = {4, 3, 2, 0, 5, 1};
  EXPECT_EQ(ShowingOrder(pictures), expected);
  EXPECT_TRUE(ShowingOrder({}).empty());

  EXPECT_TRUE(ResourceBefore(L"2", L"10"));
  EXPECT_TRUE(ResourceBefore(L"99999999999999999999", L"100000000000000000000"));
  EXPECT_TRUE(ResourceBefore(L"0100", L"100"));
  EXPECT_FALSE(ResourceBefore(L"100", L"0100"));
  EXPECT_TRUE(ResourceBefore(L"100", L"alpha"));
  EXPECT_TRUE(ResourceBefore(L"alpha", L"Beta"));
}

TEST(PreviewLayout, ThumbnailsShrinkToFitAndStayInsideTheirArea) {
  const PixelBox area{392, 8, 184, 300};
  auto inside = [&](const ThumbnailGrid& grid) {
    for (const PixelBox& cell : grid.cells) {
      if (cell.left < area.left || cell.top < area.top || cell.left + cell.width > area.left + area.width ||
          cell.top + cell.height + 14 > area.top + area.height)
        return false;
    }
    return true;
  };
  const ThumbnailGrid two = LayOutThumbnails(2, area, 14, 6, 24, 84);
  EXPECT_EQ(two.side, 84);
  EXPECT_EQ(two.shown, 2u);
  EXPECT_EQ(two.cells[1].left, area.left + 84 + 6);  // side by side
  EXPECT_TRUE(inside(two));

  const ThumbnailGrid many = LayOutThumbnails(30, area, 14, 6, 24, 84);
  EXPECT_EQ(many.shown, 30u);
  EXPECT_LT(many.side, 84);
  EXPECT_GE(many.side, 24);
  EXPECT_TRUE(inside(many));

  const ThumbnailGrid tooMany = LayOutThumbnails(5000, area, 14, 6, 24, 84);
  EXPECT_EQ(tooMany.side, 24);
  EXPECT_LT(tooMany.shown, 5000u);
  EXPECT_EQ(tooMany.cells.size(), tooMany.shown);
  EXPECT_TRUE(inside(tooMany));

  EXPECT_EQ(LayOutThumbnails(0, area, 14, 6, 24, 84).shown, 0u);
  EXPECT_EQ(LayOutThumbnails(3, {0, 0, 10, 10}, 14, 6, 24, 84).shown, 0u);
}

TEST(PreviewLayout, CentresOverTheOwnerWithinTheScreenAndWritesSizes) {
  const PixelBox screen{0, 0, 1024, 768};
  EXPECT_EQ(CentreOver({200, 100}, {100, 100, 400, 300}, screen), (PixelBox{200, 200, 200, 100}));
  EXPECT_EQ(CentreOver({200, 100}, {900, 700, 400, 300}, screen), (PixelBox{824, 668, 200, 100}));
  EXPECT_EQ(CentreOver({200, 100}, {-300, -200, 100, 100}, screen), (PixelBox{0, 0, 200, 100}));
  EXPECT_EQ(CentreOver({2000, 1000}, {0, 0, 100, 100}, screen), (PixelBox{0, 0, 2000, 1000}));

  // The list of pictures never runs out of its label: as many names as fit, then a count.
  const std::vector<std::wstring> names = {L"100", L"107", L"112", L"113", L"114"};
  const auto upTo = [](std::size_t length) {
    return [length](const std::wstring& text) { return text.size() <= length; };
  };
  EXPECT_EQ(PictureListText({}, upTo(100)), L"Рисунков нет");
  EXPECT_EQ(PictureListText(names, upTo(100)), L"Рисунки: 100, 107, 112, 113, 114");
  EXPECT_EQ(PictureListText(names, upTo(26)), L"Рисунки: 100, 107 и ещё 3");
  EXPECT_EQ(PictureListText(names, upTo(5)), L"Рисунки: 100 и ещё 4");
  const std::wstring listed = PictureListText({std::wstring(300, L'w'), L"100"}, upTo(1000));
  EXPECT_EQ(listed, L"Рисунки: " + std::wstring(kMaxListedName - 1, L'w') + L"\x2026, 100");

  EXPECT_EQ(ByteCountText(0), L"0 байт");
  EXPECT_EQ(ByteCountText(1234567), L"1 234 567 байт");
}

class PackagePreviewTest : public ::testing::Test {
 protected:
  void MakeArchive(const std::wstring& archive, const std::map<std::wstring, std::string>& files) {
    testing::PackFiles(archive, files);
  }

  ScratchFolder root{"kvpv"};
  ScratchFolder scratchParent{"kvpvtmp"};
};

TEST_F(PackagePreviewTest, ReadsTheRootPicturesAndUiFileAndLeavesNothingBehind) {
  const std::string picture100 = Bitmap(32, 24, 24), picture107 = Bitmap(8, 8, 8);
  MakeArchive(root / L"sunrise.kvl", {{L"100.bmp", picture100},
                                      {L"107.BMP", picture107},
                                      {L"uifile.txt", "<duixml/>"},
                                      {L"readme.txt", std::string(100, 'r')},
                                      {L"inner\\200.bmp", picture100}});
  PreviewZipReader reader;
  const auto contents = ReadPackageForPreview(reader, root / L"sunrise.kvl", scratchParent.Path());
  ASSERT_TRUE(contents);
  std::map<std::wstring, std::string> bitmaps;
  for (const PreviewBitmap& b : contents->bitmaps) bitmaps[b.resource] = b.bytes;
  EXPECT_EQ(bitmaps, (std::map<std::wstring, std::string>{{L"100", picture100}, {L"107", picture107}}));
  EXPECT_TRUE(contents->hasUiFile);
  EXPECT_EQ(contents->packageSize, ReadBytes(root / L"sunrise.kvl").size());
  EXPECT_TRUE(NamesIn(scratchParent.Path()).empty());

  MakeArchive(root / L"plain.kvl", {{L"100.bmp", picture100}});
  const auto plain = ReadPackageForPreview(reader, root / L"plain.kvl", scratchParent.Path());
  ASSERT_TRUE(plain);
  EXPECT_FALSE(plain->hasUiFile);
  EXPECT_EQ(plain->bitmaps.size(), 1u);
}

TEST_F(PackagePreviewTest, DamagedMissingOrForeignPackagesAreUnreadable) {
  MakeArchive(root / L"good.kvl", {{L"100.bmp", std::string(5000, 'x')}, {L"uifile.txt", "ui"}});
  std::string bytes = ReadBytes(root / L"good.kvl");
  bytes[60] = static_cast<char>(bytes[60] ^ 0x55);  // inside the first member's data
  WriteBytes(root / L"damaged.kvl", bytes);
  WriteBytes(root / L"text.kvl", "this is no archive");
  PreviewZipReader reader;
  for (const wchar_t* name : {L"damaged.kvl", L"text.kvl", L"missing.kvl"}) {
    EXPECT_FALSE(ReadPackageForPreview(reader, root / name, scratchParent.Path()));
    EXPECT_TRUE(NamesIn(scratchParent.Path()).empty()) << name;
  }
  // A folder, or a package another program holds, is said to be one: neither is damaged.
  CreateDirectoryW((root / L"folder.kvl").c_str(), nullptr);
  EXPECT_EQ(ReadPackageForPreview(reader, root / L"folder.kvl", scratchParent.Path()).failure,
            PreviewFailure::IsFolder);
  const winbase::FileHandle held(CreateFileW((root / L"good.kvl").c_str(), GENERIC_READ | GENERIC_WRITE,
                                             0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(held);
  const PreviewRead inUse = ReadPackageForPreview(reader, root / L"good.kvl", scratchParent.Path());
  EXPECT_EQ(inUse.failure, PreviewFailure::InUse);
  EXPECT_EQ(inUse.systemError, static_cast<unsigned long>(ERROR_SHARING_VIOLATION));
  EXPECT_TRUE(NamesIn(scratchParent.Path()).empty());
}

// A few kilobytes of archive can decode to gigabytes: extraction stops at the limit, not at
// the end of the member.
TEST_F(PackagePreviewTest, ExtractionStopsAtTheMemberAndTotalLimits) {
  MakeArchive(root / L"bomb.kvl", {{L"100.bmp", std::string(8u << 20, '\0')}});
  ASSERT_LT(ReadBytes(root / L"bomb.kvl").size(), 100000u);
  ScratchFolder out("kvpvout");
  PreviewZipReader strict(64u << 10, 1u << 20);
  EXPECT_FALSE(strict.ExtractRoot(root / L"bomb.kvl", out.Path()));
  EXPECT_LT(ReadBytes(out / L"100.bmp").size(), 1u << 20);

  MakeArchive(root / L"many.kvl", {{L"100.bmp", std::string(40000, 'a')},
                                   {L"101.bmp", std::string(40000, 'b')},
                                   {L"102.bmp", std::string(40000, 'c')}});
  ScratchFolder out2("kvpvout");
  EXPECT_FALSE(PreviewZipReader(50000, 100000).ExtractRoot(root / L"many.kvl", out2.Path()));
  ScratchFolder out3("kvpvout");
  EXPECT_TRUE(PreviewZipReader(50000, 120000).ExtractRoot(root / L"many.kvl", out3.Path()));

  // The limits hold for whatever reader filled the folder; a picture stated past the member
  // limit is named as too large, not taken for damage.
  struct OversizedReader : IPackageReader {
    std::uint64_t stated = 10;
    bool ExtractRoot(const std::wstring&, const std::wstring&) override { return false; }
    std::optional<std::vector<PackageFile>> ListFiles(const std::wstring&) override {
      return std::vector<PackageFile>{{L"100.bmp", stated}};
    }
    bool ExtractFiles(const std::wstring&, const std::wstring& folder, const std::vector<std::size_t>&,
                      std::vector<RefusedFile>&) override {
      WriteBytes(folder + L"\\100.bmp", std::string(kMaxPreviewMemberBytes + 1, 'x'));
      return true;
    }
  } oversized;
  EXPECT_EQ(ReadPackageForPreview(oversized, root / L"many.kvl", scratchParent.Path()).failure,
            PreviewFailure::Unreadable);
  EXPECT_TRUE(NamesIn(scratchParent.Path()).empty());
  oversized.stated = kMaxPreviewMemberBytes + 1;
  const PreviewRead tooLarge = ReadPackageForPreview(oversized, root / L"many.kvl", scratchParent.Path());
  EXPECT_EQ(tooLarge.failure, PreviewFailure::PictureTooLarge);
  EXPECT_EQ(tooLarge.picture, L"100.bmp");
}

// The description is only looked for in the listing: however large, it is never unpacked nor
// counted against the limits.
TEST_F(PackagePreviewTest, UiFileComesFromTheListingAndIsNeverUnpacked) {
  const std::string picture = Bitmap(16, 16, 24);
  MakeArchive(root / L"big-ui.kvl", {{L"100.bmp", picture}, {L"UIFile.txt", std::string(3u << 20, ' ')}});
  PreviewZipReader strict(64u << 10, 1u << 20);
  const auto contents = ReadPackageForPreview(strict, root / L"big-ui.kvl", scratchParent.Path());
  ASSERT_TRUE(contents);
  EXPECT_TRUE(contents->hasUiFile);
  ASSERT_EQ(contents->bitmaps.size(), 1u);
  EXPECT_EQ(contents->bitmaps[0].bytes, picture);
  EXPECT_TRUE(NamesIn(scratchParent.Path()).empty());
}

// A name no file can have is named from the listing, not unpacked; the rest is read as
// always (the engine used to refuse the whole package, or take "a:b.bmp" for "b.bmp").
TEST_F(PackagePreviewTest, PicturesThatCannotBeWrittenAreNamedNotUnpacked) {
  const std::string picture = Bitmap(8, 8, 24);
  MakeArchive(root / L"names.kvl", {{L"100.bmp", picture}, {L"aXb.bmp", picture},
                                    {L"nuX.bmp", picture}, {L"107.bmp", "GIF89a, no bitmap"}});
  testing::RenameStored(root / L"names.kvl", {{"aXb.bmp", "a:b.bmp"}, {"nuX.bmp", "nul.bmp"}});
  PreviewZipReader reader;
  const auto contents = ReadPackageForPreview(reader, root / L"names.kvl", scratchParent.Path());
  ASSERT_TRUE(contents);
  std::map<std::wstring, std::string> bitmaps;
  for (const PreviewBitmap& b : contents->bitmaps) bitmaps[b.resource] = b.bytes;
  // What is no bitmap is unpacked all the same, and shown as none.
  EXPECT_EQ(bitmaps, (std::map<std::wstring, std::string>{{L"100", picture}, {L"107", "GIF89a, no bitmap"}}));
  EXPECT_FALSE(ReadBitmapHeader(bitmaps[L"107"]));
  EXPECT_EQ(std::set<std::wstring>(contents->listedOnly.begin(), contents->listedOnly.end()),
            (std::set<std::wstring>{L"a:b", L"nul"}));
  EXPECT_TRUE(NamesIn(scratchParent.Path()).empty());
}

TEST(PreviewChoice, DecodesTheLargestAndTheFirstByResourceUpToTheLimit) {
  const std::vector<PackageFile> listed = {{L"300.bmp", 10}, {L"2.bmp", 10},   {L"100.bmp", 90},
                                           {L"10.bmp", 10},  {L"abc.bmp", 90}, {L"1.bmp", 10}};
  EXPECT_EQ(BitmapsToDecode(listed, 3), (std::vector<std::size_t>{2, 5, 1}));
  EXPECT_EQ(BitmapsToDecode(listed, 100), (std::vector<std::size_t>{2, 5, 1, 3, 0, 4}));
  EXPECT_EQ(BitmapsToDecode(listed, 1), (std::vector<std::size_t>{2}));
  EXPECT_TRUE(BitmapsToDecode({}, 40).empty());
}

// Thousands of pictures froze the window: only as many as it shows are unpacked, the rest
// are named from the listing.
TEST_F(PackagePreviewTest, OnlyThePicturesTheWindowShowsAreUnpacked) {
  std::map<std::wstring, std::string> files;
  const std::size_t count = kMaxPreviewPictures + 25;
  for (std::size_t i = 0; i < count; ++i) files[std::to_wstring(1000 - i) + L".bmp"] = Bitmap(4, 4, 24);
  files[L"5000.bmp"] = Bitmap(64, 64, 24);
  MakeArchive(root / L"crowd.kvl", files);
  PreviewZipReader reader;
  const auto contents = ReadPackageForPreview(reader, root / L"crowd.kvl", scratchParent.Path());
  ASSERT_TRUE(contents);
  ASSERT_EQ(contents->bitmaps.size(), kMaxPreviewPictures);
  EXPECT_EQ(contents->listedOnly.size(), count + 1 - kMaxPreviewPictures);
  std::set<std::wstring> decoded;
  for (const PreviewBitmap& b : contents->bitmaps) decoded.insert(b.resource);
  EXPECT_TRUE(decoded.count(L"5000"));
  EXPECT_TRUE(decoded.count(std::to_wstring(1000 - count + 1)));  // the lowest number
  for (const std::wstring& resource : contents->listedOnly) EXPECT_FALSE(decoded.count(resource)) << resource;
  EXPECT_TRUE(NamesIn(scratchParent.Path()).empty());

  const auto few = ReadPackageForPreview(reader, root / L"crowd.kvl", scratchParent.Path(), 5);
  ASSERT_TRUE(few);
  EXPECT_EQ(few->bitmaps.size(), 5u);
  EXPECT_EQ(few->listedOnly.size(), count + 1 - 5);
}

// Without a usable temporary folder the preview fails as such, never falling back on the
// drive's root or the current folder, and never blaming the package.
TEST_F(PackagePreviewTest, NoUsableTemporaryFolderIsItsOwnFailure) {
  EXPECT_TRUE(PrivateFolder(L"", L"kvpvrel").path().empty());
  EXPECT_TRUE(PrivateFolder(L"relative", L"kvpvrel").path().empty());
  EXPECT_TRUE(PrivateFolder(L"\\", L"kvpvrel").path().empty());

  MakeArchive(root / L"fine.kvl", {{L"100.bmp", Bitmap(8, 8, 24)}});
  PreviewZipReader reader;
  for (const std::wstring& parent : {std::wstring(), scratchParent.Path() + L"\\gone"}) {
    const auto read = ReadPackageForPreview(reader, root / L"fine.kvl", parent);
    EXPECT_EQ(read.failure, PreviewFailure::NoScratchFolder);
  }
  EXPECT_EQ(ReadPackageForPreview(reader, root / L"missing.kvl", L"").failure, PreviewFailure::Unreadable);

  wchar_t saved[2][32768] = {};
  const wchar_t* names[2] = {L"TMP", L"TEMP"};
  DWORD had[2];
  for (int i = 0; i < 2; ++i) had[i] = GetEnvironmentVariableW(names[i], saved[i], 32768);
  const std::wstring tooLong = L"C:\\" + std::wstring(400, L'a');
  for (const wchar_t* name : names) SetEnvironmentVariableW(name, tooLong.c_str());
  const std::wstring folder = TemporaryFolder();
  for (const wchar_t* name : names) SetEnvironmentVariableW(name, L"C:\\");
  const std::wstring driveRoot = TemporaryFolder();
  for (int i = 0; i < 2; ++i) SetEnvironmentVariableW(names[i], had[i] ? saved[i] : nullptr);
  EXPECT_EQ(folder, L"");
  // A drive's root is a temporary folder like any other.
  EXPECT_EQ(driveRoot, L"C:");
  EXPECT_FALSE(PrivateFolder(driveRoot, L"kvpvroot").path().empty());
  EXPECT_FALSE(TemporaryFolder().empty());
}

}  // namespace
}  // namespace korvel
