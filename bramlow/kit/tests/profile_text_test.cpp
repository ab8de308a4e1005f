// The portable profile reader against awkward files: natively against the values the system
// gives for them, and under Wine against the system's own profile functions, file by file,
// value by value.
#include "bramlow/kit/profile_text.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>

#include "testing/support/file_bytes.h"
#include "testing/support/scratch_folder.h"
#endif

namespace bramlow {
namespace {

constexpr char kDefault[] = "<default>";

struct TextCase {
  const char* what;
  std::string file;
  const char* section;
  const char* key;
  std::string expected;  // kDefault when the system gives the default
};

std::string Utf16(const std::string& ascii, bool bigEndian) {
  std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
  for (char c : ascii) {
    out += bigEndian ? '\0' : c;
    out += bigEndian ? c : '\0';
  }
  return out;
}

std::vector<TextCase> TextCases() {
  const std::string longValue(3000, 'x');
  const std::string quoted2046 = "\"" + std::string(2046, 'q') + "\"";
  const std::string quoted2047 = "\"" + std::string(2047, 'q') + "\"";
  return {
      {"plain", "[setup1]\r\nAppName=Viewer\r\n", "setup1", "AppName", "Viewer"},
      {"names in any case", "[SETUP1]\r\nappname=Viewer\r\n", "setup1", "AppName", "Viewer"},
      {"blanks around", "  [setup1]  \r\n  AppName  =   Viewer 1.0   \r\n", "setup1", "AppName",
       "Viewer 1.0"},
      {"asked name with blanks", "[setup1]\r\nAppName=V\r\n", " setup1 ", " AppName ", "V"},
      {"blanks inside brackets", "[ setup1 ]\r\nAppName=X\r\n", "setup1", "AppName", "X"},
      {"tabs", "\t[setup1]\t\r\n\tAppName\t=\tX\t\r\n", "setup1", "AppName", "X"},
      {"first section wins", "[a]\r\nk=1\r\n[b]\r\n[A]\r\nk=2\r\nj=3\r\n", "a", "k", "1"},
      {"second section unread", "[a]\r\nk=1\r\n[b]\r\n[A]\r\nk=2\r\nj=3\r\n", "a", "j", kDefault},
      {"first key wins", "[a]\r\nk=1\r\nK=2\r\n", "a", "k", "1"},
      {"comment line", "[a]\r\n;k=1\r\nk=2\r\n", "a", "k", "2"},
      {"comment as a key", "[a]\r\n;k=1\r\nk=2\r\n", "a", ";k", "1"},
      {"double quotes", "[a]\r\nk=\"quoted value\"\r\n", "a", "k", "quoted value"},
      {"single quotes", "[a]\r\nk='single'\r\n", "a", "k", "single"},
      {"quotes keep blanks", "[a]\r\nk=\" spaced \"\r\n", "a", "k", " spaced "},
      {"unbalanced quote", "[a]\r\nk=\"open\r\n", "a", "k", "\"open"},
      {"lone quote", "[a]\r\nk=\"\r\n", "a", "k", "\""},
      {"empty quotes", "[a]\r\nk=\"\"\r\n", "a", "k", ""},
      {"quote inside", "[a]\r\nk=\"a\"b\"\r\n", "a", "k", "a\"b"},
      {"mixed quotes", "[a]\r\nk='x\"\r\n", "a", "k", "'x\""},
      {"line without =", "[a]\r\nlonely\r\nk=v\r\n", "a", "lonely", kDefault},
      {"after a line without =", "[a]\r\nlonely\r\nk=v\r\n", "a", "k", "v"},
      {"no final line break", "[a]\r\nk=v", "a", "k", "v"},
      {"LF line ends", "[a]\nk=v\n", "a", "k", "v"},
      {"CR alone ends a line", "[a]\rk=v\r", "a", "k", "v"},
      {"line breaks in a run", "[a]\r\r\n\n\rk=v", "a", "k", "v"},
      {"long value is cut", "[a]\r\nk=" + longValue + "\r\n", "a", "k", std::string(2047, 'x')},
      {"quoted value that fits", "[a]\r\nk=" + quoted2046 + "\r\n", "a", "k",
       std::string(2046, 'q')},
      {"quoted value at the limit", "[a]\r\nk=" + quoted2047 + "\r\n", "a", "k",
       std::string(2046, 'q')},
      {"ANSI bytes", "[a]\r\nk=\xCF\xF0\xE8\xE2\xE5\xF2 \xEC\xE8\xF0\r\n", "a", "k",
       "\xCF\xF0\xE8\xE2\xE5\xF2 \xEC\xE8\xF0"},
      {"no-break space is no blank", "[a]\r\nk=\xA0value\xA0\r\n", "a", "k", "\xA0value\xA0"},
      {"vertical tab and form feed are", "[a]\r\nk=\x0B\x0Cvalue\x0B\r\n", "a", "k", "value"},
      {"end-of-file mark is a blank", "[a]\r\nk=v\x1A\r\n", "a", "k", "v"},
      {"blanks inside a name", "[a]\r\nmy key = v\r\n", "a", "my key", "v"},
      {"= in the value", "[a]\r\nk=a=b\r\n", "a", "k", "a=b"},
      {"empty value", "[a]\r\nk=\r\n", "a", "k", ""},
      {"text after the bracket", "[a] note\r\nk=v\r\n", "a", "k", "v"},
      {"last bracket ends the name", "[a]]\r\nk=v\r\n", "a]", "k", "v"},
      {"key before any section", "k=v\r\n[a]\r\n", "a", "k", kDefault},
      {"key before any section, no section asked", "k=v\r\n[a]\r\n", "", "k", "v"},
      {"nameless key", "[a]\r\n=v\r\n", "a", "", "v"},
      {"header without bracket", "[a\r\nk=v\r\n", "a", "k", kDefault},
      {"empty section name", "[]\r\nk=v\r\n", "", "k", kDefault},
      {"missing section", "[a]\r\nk=v\r\n", "b", "k", kDefault},
      {"blank lines between", "\r\n\r\n[a]\r\n\r\n   \r\nk=v\r\n\r\n", "a", "k", "v"},
      {"UTF-16 with a mark", Utf16("[a]\r\nk=wide value\r\n", false), "a", "k", "wide value"},
      {"UTF-16 big-endian", Utf16("[a]\r\nk=big\r\n", true), "a", "k", "big"},
      {"UTF-8 with a mark", "\xEF\xBB\xBF[a]\r\nk=\xD0\x9F\xD1\x80\xD0\xB8\r\n", "a", "k",
       "\xD0\x9F\xD1\x80\xD0\xB8"},
  };
}

struct IntegerCase {
  std::string value;  // the text after "n="; nothing for a missing key
  int expected;       // with the default 77
};

std::vector<IntegerCase> IntegerCases() {
  return {{"42", 42},   {" 7 ", 7},        {"12abc", 12}, {"abc", 0},   {"-3", -3}, {"+5", 5},
          {"0x10", 16}, {"0X10", 0},       {"0b101", 5},  {"0o17", 15}, {"", 77},   {"\"5\"", 5},
          {"007", 7},   {"4294967297", 1}, {"1 2", 1},    {"$10", 0},   {"'9'", 9}, {"--1", 0}};
}

TEST(ProfileText, ReadsAwkwardFilesAsTheSystemDoes) {
  for (const TextCase& c : TextCases()) {
    const ProfileText text(c.file);
    EXPECT_EQ(text.Text(c.section, c.key, kDefault), c.expected) << c.what;
  }
}

TEST(ProfileText, ReadsIntegersAsTheSystemDoes) {
  for (const IntegerCase& c : IntegerCases()) {
    const ProfileText text("[a]\r\nn=" + c.value + "\r\n");
    EXPECT_EQ(text.Integer("a", "n", 77), c.expected) << c.value;
  }
  EXPECT_EQ(ProfileText("[a]\r\n").Integer("a", "n", 77), 77);
}

TEST(ProfileText, KeepsEveryLineWithItsNumber) {
  const ProfileText text(
      "; about\r\n[setup1]\r\nAppName = X\r\n\r\nlonely\r\n[Oth1]\r\nDest=\"d\"\r\n=nameless\r\n");
  ASSERT_EQ(text.Sections().size(), 3u);
  EXPECT_EQ(text.Sections()[0].line, 0);
  ASSERT_EQ(text.Sections()[0].entries.size(), 1u);
  EXPECT_EQ(text.Sections()[0].entries[0].name, "; about");
  const ProfileSection& setup = text.Sections()[1];
  EXPECT_EQ(setup.name, "setup1");
  EXPECT_EQ(setup.line, 2);
  ASSERT_EQ(setup.entries.size(), 2u);
  EXPECT_EQ(setup.entries[0].line, 3);
  EXPECT_EQ(setup.entries[0].name, "AppName");
  EXPECT_EQ(setup.entries[1].line, 5);
  EXPECT_FALSE(setup.entries[1].value.has_value());
  const ProfileSection& oth = text.Sections()[2];
  ASSERT_EQ(oth.entries.size(), 2u);
  EXPECT_EQ(*oth.entries[0].value, "\"d\"");  // as written; the quotes go when it is read
  EXPECT_EQ(oth.entries[1].name, "");
  EXPECT_EQ(oth.entries[1].line, 8);
}

TEST(ProfileText, AnyBytesReadWithoutHarm) {
  // Every cut of an awkward file and every byte changed: the reader answers, whatever it finds.
  const std::string file = "\xEF\xBB\xBF[a]\r\nk=\"v\"\r\n[b\r\n=x\r\n;c\r\n[a]\r\nk=2";
  for (size_t cut = 0; cut <= file.size(); ++cut) {
    const ProfileText text(file.substr(0, cut));
    (void)text.Text("a", "k");
    (void)text.Integer("a", "k", 0);
  }
  for (size_t at = 0; at < file.size(); ++at) {
    for (int value : {0x00, 0x0A, 0x22, 0x5B, 0x5D, 0x3D, 0xFF, 0xFE, 0xC0}) {
      std::string changed = file;
      changed[at] = static_cast<char>(value);
      const ProfileText text(changed);
      (void)text.Text("a", "k");
    }
  }
}

#ifdef _WIN32
// The reader's text as the system's wide functions give it: the bytes of an ANSI file in the
// ANSI code page, the names and values of a Unicode file as UTF-8.
std::wstring AsSystemText(const std::string& bytes, ProfileEncoding encoding) {
  const UINT codePage = encoding == ProfileEncoding::Ansi ? CP_ACP : CP_UTF8;
  if (bytes.empty()) return {};
  const int length =
      MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), wide.data(),
                      length);
  return wide;
}

std::wstring Wide(const char* ascii) {
  return std::wstring(ascii, ascii + strlen(ascii));
}

TEST(ProfileText, GivesWhatTheSystemsProfileFunctionsGive) {
  testsupport::ScratchFolder folder("kvprofile");
  int number = 0;
  for (const TextCase& c : TextCases()) {
    // One file per case: the system keeps recently read files.
    const std::wstring path = folder / (L"case" + std::to_wstring(++number) + L".ini");
    testsupport::WriteBytes(path, c.file);
    wchar_t buffer[2048] = {};
    const DWORD length = GetPrivateProfileStringW(Wide(c.section).c_str(), Wide(c.key).c_str(),
                                                  L"<default>", buffer, 2048, path.c_str());
    const ProfileText text(c.file);
    EXPECT_EQ(AsSystemText(text.Text(c.section, c.key, kDefault), text.Encoding()),
              std::wstring(buffer, length))
        << c.what;
  }
  for (const IntegerCase& c : IntegerCases()) {
    const std::wstring path = folder / (L"case" + std::to_wstring(++number) + L".ini");
    const std::string file = "[a]\r\nn=" + c.value + "\r\n";
    testsupport::WriteBytes(path, file);
    const int system = static_cast<int>(GetPrivateProfileIntW(L"a", L"n", 77, path.c_str()));
    EXPECT_EQ(ProfileText(file).Integer("a", "n", 77), system) << c.value;
  }
}
#endif

}  // namespace
}  // namespace bramlow
