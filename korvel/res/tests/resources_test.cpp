// The program's resources as the system finds them: the manifest the common controls need, the
// version, and the pictures at their sizes and colour depths.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>

namespace korvel {
namespace {

std::string ResourceBytes(const wchar_t* name, const wchar_t* type) {
  HRSRC info = ::FindResourceW(nullptr, name, type);
  if (!info) return {};
  HGLOBAL data = ::LoadResource(nullptr, info);
  return std::string(static_cast<const char*>(::LockResource(data)),
                     ::SizeofResource(nullptr, info));
}

TEST(Resources, ManifestAsksForCommonControls6AndNothingXpRejects) {
  std::string manifest = ResourceBytes(MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
  ASSERT_FALSE(manifest.empty());
  EXPECT_NE(manifest.find("Microsoft.Windows.Common-Controls"), std::string::npos);
  EXPECT_NE(manifest.find("version=\"6.0.0.0\""), std::string::npos);
  EXPECT_EQ(manifest.find("trustInfo"), std::string::npos);
  EXPECT_FALSE(ResourceBytes(MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(16)).empty());  // version info
}

TEST(Resources, PicturesHaveTheirSizesAndColourDepths) {
  struct Expected {
    const wchar_t* name;
    int size;
    int bits;
  };
  for (Expected e : {Expected{L"MSG", 48, 8}, Expected{L"GLYPH_OK", 24, 24},
                     Expected{L"GLYPH_CANCEL", 24, 24}}) {
    std::string dib = ResourceBytes(e.name, MAKEINTRESOURCEW(2));
    ASSERT_GE(dib.size(), sizeof(BITMAPINFOHEADER)) << e.name;
    BITMAPINFOHEADER header;
    memcpy(&header, dib.data(), sizeof header);
    EXPECT_EQ(header.biWidth, e.size) << e.name;
    EXPECT_EQ(header.biHeight, e.size) << e.name;
    EXPECT_EQ(header.biBitCount, e.bits) << e.name;
  }
  EXPECT_TRUE(::FindResourceW(nullptr, L"MAINICON", MAKEINTRESOURCEW(14)));
  EXPECT_TRUE(::FindResourceW(nullptr, L"UNINST", MAKEINTRESOURCEW(14)));
}

}  // namespace
}  // namespace korvel
