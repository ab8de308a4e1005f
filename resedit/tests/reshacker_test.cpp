// reshacker.exe driven as Korvel drives it, on copies of the stand-in logon host.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "bmp_builder.h"
#include "test_files.h"
#include "testing/support/file_bytes.h"
#include "testing/support/folder_names.h"
#include "testing/support/run_and_wait.h"
#include "testing/support/scratch_folder.h"

namespace resedit::testing {
namespace {

using testsupport::ReadBytesAs;
using testsupport::RunAndWait;
using testsupport::ScratchFolder;
using testsupport::SortedFolderNames;
using testsupport::WriteBytes;

const LPCWSTR kUiFile = L"UIFILE";
constexpr WORD kRussian = MAKELANGID(LANG_RUSSIAN, SUBLANG_DEFAULT);
constexpr WORD kEnglish = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);

std::string Narrow(const std::wstring& w) {
  std::string s;
  for (wchar_t c : w) s += static_cast<char>(c);  // test paths are ASCII
  return s;
}

Bytes WithoutFileHeader(const Bytes& bmp) { return Bytes(bmp.begin() + 14, bmp.end()); }

class Reshacker : public ::testing::Test {
 protected:
  void SetUp() override {
    original_ = ReadBytesAs<Bytes>(WindowsPath(KV_STANDIN_LOGONUI));
    ASSERT_FALSE(original_.empty()) << "stand-in logon host missing";
    WriteBytes(Source(), original_);
    const auto languages = ResourceLanguages(Source(), RT_BITMAP, MAKEINTRESOURCEW(100));
    ASSERT_EQ(languages.size(), 1u);
    hostLanguage_ = languages[0];
  }

  std::wstring Source() const { return work_ / L"logonui.exe"; }
  std::wstring Target() const { return work_ / L"logonkv.exe"; }

  void WriteScript(const std::string& commands) {
    WriteBytes(work_ / L"logonkv.ini", "[FILENAMES]\r\nExe=" + Narrow(Source()) + "\r\nSaveAs=" +
                                          Narrow(Target()) + "\r\n[COMMANDS]\r\n" + commands);
  }

  int Run() {
    return RunAndWait(L"\"" + WindowsPath(KV_RESHACKER_EXE) + L"\" -script logonkv.ini", work_.Path());
  }

  std::optional<Bytes> Resource(const std::wstring& exe, LPCWSTR type, int name, WORD language) {
    return ResourceBytes(exe, type, MAKEINTRESOURCEW(name), language);
  }

  ScratchFolder work_{"resedit-test"};
  Bytes original_;
  WORD hostLanguage_ = 0;
};

TEST_F(Reshacker, AppliesTheScriptKorvelWrites) {
  const Bytes pic100 = MakeBmp(40, 30, 24, 5);
  const Bytes pic107 = MakeBmp(16, 16, 8, 9, 4);
  const std::string ui = "<duixml>new interface</duixml>\r\n";
  WriteBytes(work_ / L"100.bmp", pic100);
  WriteBytes(work_ / L"107.BMP", pic107);
  WriteBytes(work_ / L"uifile.txt", ui);
  WriteScript(
      "-addoverwrite 100.bmp,Bitmap,100,0\r\n"
      "-addoverwrite 107.BMP,Bitmap,107,0\r\n"
      "-addoverwrite uifile.txt, UIFILE, 1000,\r\n");

  ASSERT_EQ(Run(), 0);

  EXPECT_EQ(Resource(Target(), RT_BITMAP, 100, hostLanguage_), WithoutFileHeader(pic100));
  // The gap the file had before its pixels is gone from the resource.
  const auto got107 = Resource(Target(), RT_BITMAP, 107, hostLanguage_);
  ASSERT_TRUE(got107);
  EXPECT_EQ(got107->size(), pic107.size() - 14 - 4);
  EXPECT_EQ(Resource(Target(), kUiFile, 1000, hostLanguage_), Bytes(ui.begin(), ui.end()));
  // Untouched: bitmap 112, and the source file itself.
  EXPECT_EQ(Resource(Target(), RT_BITMAP, 112, hostLanguage_), Resource(Source(), RT_BITMAP, 112, hostLanguage_));
  EXPECT_EQ(ReadBytesAs<Bytes>(Source()), original_);
  // Nothing but the files we made and the result.
  EXPECT_EQ(SortedFolderNames(work_.Path()), (std::vector<std::wstring>{L"100.bmp", L"107.BMP", L"logonkv.exe",
                                                                L"logonkv.ini", L"logonui.exe", L"uifile.txt"}));
}

TEST_F(Reshacker, LanguageZeroReplacesEveryLanguageAndAddsMissingOnesNeutral) {
  const WORD other = hostLanguage_ == kRussian ? kEnglish : kRussian;
  const Bytes oldRussian = WithoutFileHeader(MakeBmp(8, 8, 24, 3));
  ASSERT_TRUE(PutResource(Source(), RT_BITMAP, MAKEINTRESOURCEW(100), other, oldRussian));
  ASSERT_EQ(ResourceLanguages(Source(), RT_BITMAP, MAKEINTRESOURCEW(100)).size(), 2u);

  const Bytes pic = MakeBmp(20, 10, 24, 7);
  const Bytes logo = MakeBmp(6, 6, 4, 2);
  const Bytes pinned = MakeBmp(3, 3, 24, 4);
  WriteBytes(work_ / L"100.bmp", pic);
  WriteBytes(work_ / L"Logo.bmp", logo);
  WriteBytes(work_ / L"pinned.bmp", pinned);
  WriteScript(
      "-addoverwrite 100.bmp,Bitmap,100,0\r\n"
      "-addoverwrite Logo.bmp,Bitmap,Logo,0\r\n"
      "-addoverwrite pinned.bmp,Bitmap,112,1049\r\n");

  ASSERT_EQ(Run(), 0);

  EXPECT_EQ(ResourceLanguages(Target(), RT_BITMAP, MAKEINTRESOURCEW(100)),
            ResourceLanguages(Source(), RT_BITMAP, MAKEINTRESOURCEW(100)));
  EXPECT_EQ(Resource(Target(), RT_BITMAP, 100, hostLanguage_), WithoutFileHeader(pic));
  EXPECT_EQ(Resource(Target(), RT_BITMAP, 100, other), WithoutFileHeader(pic));

  // A text name is stored as the loader looks it up, in the neutral language.
  EXPECT_EQ(ResourceLanguages(Target(), RT_BITMAP, L"LOGO"), std::vector<WORD>{0});
  EXPECT_EQ(ResourceBytes(Target(), RT_BITMAP, L"LOGO", 0), WithoutFileHeader(logo));

  // A language given explicitly touches that language only.
  EXPECT_EQ(Resource(Target(), RT_BITMAP, 112, kRussian), WithoutFileHeader(pinned));
  if (hostLanguage_ != kRussian) {
    EXPECT_EQ(Resource(Target(), RT_BITMAP, 112, hostLanguage_), Resource(Source(), RT_BITMAP, 112, hostLanguage_));
  }
}

TEST_F(Reshacker, FailuresLeaveTheTargetAsItWas) {
  const Bytes good = MakeBmp(10, 10, 24);
  Bytes notBm = good;
  notBm[0] = 'X';
  const Bytes tooShort(good.begin(), good.begin() + 20);
  Bytes cutPixels(good.begin(), good.end() - 3);
  WriteBytes(work_ / L"good.bmp", good);
  WriteBytes(work_ / L"notbm.bmp", notBm);
  WriteBytes(work_ / L"short.bmp", tooShort);
  WriteBytes(work_ / L"cut.bmp", cutPixels);
  WriteBytes(work_ / L"text.exe", "not a program");
  WriteBytes(work_ / L"uifile.txt", "ui");
  WriteBytes(work_ / L"locked.bmp", good);
  ASSERT_TRUE(CreateDirectoryW((work_ / L"folder.bmp").c_str(), nullptr));
  // Held open without sharing for the whole test: there, but not readable.
  const HANDLE lock = CreateFileW((work_ / L"locked.bmp").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0,
                                  nullptr);
  ASSERT_NE(lock, INVALID_HANDLE_VALUE);

  struct Case {
    const char* what;
    std::string script;
  };
  const std::string head = "[FILENAMES]\r\nExe=" + Narrow(Source()) + "\r\nSaveAs=" + Narrow(Target()) +
                           "\r\n[COMMANDS]\r\n-addoverwrite good.bmp,Bitmap,100,0\r\n";
  const Case cases[] = {
      {"file that cannot be read", head + "-addoverwrite locked.bmp,Bitmap,107,0\r\n"},
      {"folder named as the file", head + "-addoverwrite folder.bmp,Bitmap,107,0\r\n"},
      {"not BM", head + "-addoverwrite notbm.bmp,Bitmap,107,0\r\n"},
      {"too short", head + "-addoverwrite short.bmp,Bitmap,107,0\r\n"},
      {"pixels cut", head + "-addoverwrite cut.bmp,Bitmap,107,0\r\n"},
      {"bad line", head + "-addoverwrite good.bmp,Bitmap\r\n"},
      {"unknown command", head + "-extract good.bmp,Bitmap,100,0\r\n"},
      {"missing Exe file", "[FILENAMES]\r\nExe=nothere.exe\r\nSaveAs=" + Narrow(Target()) +
                               "\r\n[COMMANDS]\r\n-addoverwrite uifile.txt,UIFILE,1000,0\r\n"},
      {"Exe not a program", "[FILENAMES]\r\nExe=text.exe\r\nSaveAs=" + Narrow(Target()) +
                                "\r\n[COMMANDS]\r\n-addoverwrite uifile.txt,UIFILE,1000,0\r\n"},
      {"every named file missing", "[FILENAMES]\r\nExe=logonui.exe\r\nSaveAs=" + Narrow(Target()) +
                                       "\r\n[COMMANDS]\r\n-addoverwrite gone.bmp,Bitmap,100,0\r\n"
                                       "-addoverwrite nothere.txt, UIFILE, 1000,\r\n"},
      {"SaveAs in a missing folder", "[FILENAMES]\r\nExe=logonui.exe\r\nSaveAs=nofolder\\x.exe\r\n[COMMANDS]\r\n"},
  };
  const Bytes previous = {'o', 'l', 'd'};
  for (const auto& c : cases) {
    WriteBytes(Target(), previous);
    WriteBytes(work_ / L"logonkv.ini", c.script);
    const auto before = SortedFolderNames(work_.Path());
    EXPECT_EQ(Run(), 1) << c.what;
    EXPECT_EQ(ReadBytesAs<Bytes>(Target()), previous) << c.what;
    EXPECT_EQ(SortedFolderNames(work_.Path()), before) << c.what << ": a scratch file was left";
  }
  CloseHandle(lock);
  EXPECT_EQ(ReadBytesAs<Bytes>(Source()), original_);
}

// Korvel names uifile.txt whether or not the package has one; a converted package often has
// none, and must still apply with the system's user interface kept.
TEST_F(Reshacker, ACommandWhoseFileDoesNotExistIsSkippedAndLogged) {
  const Bytes pic100 = MakeBmp(12, 12, 24, 6);
  WriteBytes(work_ / L"100.bmp", pic100);
  WriteScript(
      "-addoverwrite 100.bmp,Bitmap,100,0\r\n"
      "-addoverwrite gone\\107.bmp,Bitmap,107,0\r\n"
      "-addoverwrite uifile.txt, UIFILE, 1000,\r\n");

  ASSERT_EQ(Run(), 0);

  EXPECT_EQ(Resource(Target(), RT_BITMAP, 100, hostLanguage_), WithoutFileHeader(pic100));
  EXPECT_EQ(Resource(Target(), RT_BITMAP, 107, hostLanguage_), Resource(Source(), RT_BITMAP, 107, hostLanguage_));
  const auto systemUi = Resource(Source(), kUiFile, 1000, hostLanguage_);
  ASSERT_TRUE(systemUi);
  EXPECT_EQ(Resource(Target(), kUiFile, 1000, hostLanguage_), systemUi);

  const Bytes log = ReadBytesAs<Bytes>(WindowsPath(KV_RESHACKER_EXE).substr(
                                0, WindowsPath(KV_RESHACKER_EXE).find_last_of(L'\\') + 1) +
                            L"reshacker.log");
  const std::string text(log.begin(), log.end());
  const std::string skipped = "line 7: skipped, " + Narrow(work_ / L"uifile.txt") + " does not exist";
  EXPECT_NE(text.rfind(skipped), std::string::npos) << text;
  EXPECT_NE(text.rfind("line 6: skipped, " + Narrow(work_ / L"gone\\107.bmp")), std::string::npos) << text;
}

TEST_F(Reshacker, ReplacesALockedTargetNeverPartly) {
  WriteBytes(work_ / L"100.bmp", MakeBmp(4, 4, 24));
  WriteScript("-addoverwrite 100.bmp,Bitmap,100,0\r\n");
  const Bytes previous = {'o', 'l', 'd'};
  WriteBytes(Target(), previous);
  HANDLE lock = CreateFileW(Target().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(lock, INVALID_HANDLE_VALUE);
  EXPECT_EQ(Run(), 1);
  CloseHandle(lock);
  EXPECT_EQ(ReadBytesAs<Bytes>(Target()), previous);
  EXPECT_EQ(SortedFolderNames(work_.Path()),
            (std::vector<std::wstring>{L"100.bmp", L"logonkv.exe", L"logonkv.ini", L"logonui.exe"}));
}

TEST_F(Reshacker, ClearsAStoppedRunsScratchFileAndRefusesAReadOnlyTarget) {
  WriteBytes(work_ / L"100.bmp", MakeBmp(4, 4, 24));
  WriteScript("-addoverwrite 100.bmp,Bitmap,100,0\r\n");
  const std::wstring leftover = Target() + L".rhtmp";
  WriteBytes(leftover, {'x'});
  SetFileAttributesW(leftover.c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(GetFileAttributesW(leftover.c_str()), INVALID_FILE_ATTRIBUTES);

  const Bytes previous = {'o', 'l', 'd'};
  WriteBytes(Target(), previous);
  SetFileAttributesW(Target().c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(Run(), 1);
  SetFileAttributesW(Target().c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(ReadBytesAs<Bytes>(Target()), previous);
  EXPECT_EQ(GetFileAttributesW(leftover.c_str()), INVALID_FILE_ATTRIBUTES);
}

// 100.bmp and 0100.bmp both name bitmap 100.
TEST_F(Reshacker, TheLastCommandForOneResourceWins) {
  const Bytes first = MakeBmp(6, 6, 24, 1);
  const Bytes second = MakeBmp(8, 8, 24, 2);
  WriteBytes(work_ / L"100.bmp", first);
  WriteBytes(work_ / L"0100.bmp", second);
  WriteScript("-addoverwrite 100.bmp,Bitmap,100,0\r\n-addoverwrite 0100.bmp,Bitmap,0100,0\r\n");
  ASSERT_EQ(Run(), 0);
  EXPECT_EQ(Resource(Target(), RT_BITMAP, 100, hostLanguage_), WithoutFileHeader(second));

  WriteScript("-addoverwrite 0100.bmp,Bitmap,0100,0\r\n-addoverwrite 100.bmp,Bitmap,100,0\r\n");
  ASSERT_EQ(Run(), 0);
  EXPECT_EQ(Resource(Target(), RT_BITMAP, 100, hostLanguage_), WithoutFileHeader(first));
}

// Korvel starts the tool by its unquoted path, which may contain spaces, and looks for the
// log beside it.
TEST_F(Reshacker, RunsFromAnUnquotedPathWithSpacesAndLogsBesideItself) {
  const std::wstring programs = work_ / L"Program Files";
  const std::wstring folder = programs + L"\\Korvel";
  ASSERT_TRUE(CreateDirectoryW(programs.c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  ASSERT_TRUE(CopyFileW(WindowsPath(KV_RESHACKER_EXE).c_str(), (folder + L"\\reshacker.exe").c_str(), FALSE));
  WriteBytes(work_ / L"uifile.txt", "ui");
  WriteScript("-addoverwrite uifile.txt, UIFILE, 1000,\r\n");

  EXPECT_EQ(RunAndWait(folder + L"\\reshacker.exe -script logonkv.ini", work_.Path()), 0);
  EXPECT_EQ(Resource(Target(), kUiFile, 1000, hostLanguage_), (Bytes{'u', 'i'}));

  EXPECT_EQ(RunAndWait(folder + L"\\reshacker.exe", work_.Path()), 2);
  EXPECT_EQ(RunAndWait(folder + L"\\reshacker.exe -script nothere.ini", work_.Path()), 1);

  const Bytes log = ReadBytesAs<Bytes>(folder + L"\\reshacker.log");
  const std::string text(log.begin(), log.end());
  EXPECT_NE(text.find("wrote "), std::string::npos) << text;
  EXPECT_NE(text.find("usage"), std::string::npos) << text;
  EXPECT_NE(text.find("nothere.ini"), std::string::npos) << text;
}

}  // namespace
}  // namespace resedit::testing
