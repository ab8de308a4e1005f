#include <gtest/gtest.h>

#include "ziparchive/records/wildcard.h"

using namespace ziparchive;

TEST(Wildcard, StarQuestionAndCase) {
  EXPECT_TRUE(WildcardMatch("*.*", "theme.ini"));
  EXPECT_TRUE(WildcardMatch("*.BMP", "logo.bmp"));
  EXPECT_TRUE(WildcardMatch("*", "dir\\a.b"));          // "*" crosses "\" and "."
  EXPECT_FALSE(WildcardMatch("*.txt", "a.txt.bak"));
  EXPECT_TRUE(WildcardMatch("a?c", "abc"));
  EXPECT_FALSE(WildcardMatch("a?c", "ac"));
  EXPECT_TRUE(WildcardMatch("*?.ini", ".ini"));          // "?" after "*" is ignored
  EXPECT_TRUE(WildcardMatch("\xE0*", "\xC0\xC1"));       // Cyrillic а matches А
  EXPECT_TRUE(WildcardMatch("readme.", "readme"));       // trailing "." matches no dot
  EXPECT_FALSE(WildcardMatch("*.*", "readme"));          // the caller's retry handles this
  EXPECT_TRUE(WildcardMatch("*.*", "readme."));
}

TEST(Wildcard, ManyStarsStayFast) {
  std::string name(5000, 'a');
  std::string mask;
  for (int i = 0; i < 200; ++i) mask += "*a";
  mask += "b";
  EXPECT_FALSE(WildcardMatch(mask, name));
}

TEST(Wildcard, FolderAndFileParts) {
  EXPECT_EQ(NameFolderPart("Theme\\theme.ini"), "Theme\\");
  EXPECT_EQ(NameFolderPart("theme.ini"), "");
  EXPECT_EQ(NameFolderPart("C:\\"), "C:\\");
  EXPECT_EQ(NameFolderPart("C:x.txt"), "C:\\");
  EXPECT_EQ(NameFilePart("a\\b\\c.txt"), "c.txt");
  EXPECT_EQ(NameFilePart("C:x.txt"), "x.txt");
}
