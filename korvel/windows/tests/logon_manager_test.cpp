// The main window's actions without the window: which message the user gets for each result,
// that success is only claimed for a real success, and that nothing runs twice at once.
#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "korvel/shared/folder_utils.h"
#include "korvel/test_support/fake_packages.h"
#include "korvel/test_support/test_bitmaps.h"
#include "korvel/windows/logon_manager.h"
#include "korvel/windows/logon_messages.h"
#include "korvel/shared/message_text.h"

namespace korvel {
namespace {

using testing::FakeReader;
using testing::FakeWriter;
using testing::FolderExists;
using testing::Picture;
using testing::ReadBytes;
using testing::ScratchFolder;
using testing::WriteBytes;

class ScriptRunner : public IProgramRunner {
 public:
  std::function<RunOutcome()> run = [] { return RunOutcome{true, 0}; };
  int calls = 0;
  RunOutcome RunAndWait(const std::wstring&, const std::wstring&) override {
    ++calls;
    return run();
  }
};

class RecordingLinks : public ILinkOpener {
 public:
  std::vector<std::wstring> opened;
  void Open(const std::wstring& address) override { opened.push_back(address); }
};

class LogonManagerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CreateDirectoryW((root / L"app").c_str(), nullptr);
    CreateDirectoryW((root / L"app\\logons").c_str(), nullptr);
    CreateDirectoryW((root / L"WINDOWS").c_str(), nullptr);
    CreateDirectoryW((root / L"WINDOWS\\system32").c_str(), nullptr);
    WriteBytes(root / L"WINDOWS\\system32\\logonui.exe", "host");
    WriteBytes(root / L"WINDOWS\\system32\\logonkv.exe", "old");
    WriteBytes(root / L"app\\logons\\Blue.kvl", "package");
    manager.OnBusyChanged = [this](bool busy) { busyChanges.push_back(busy); };
  }

  std::vector<unsigned> Keys() const {
    std::vector<unsigned> keys;
    for (const auto& record : prompt.Asked()) keys.push_back(std::stoul(record.text));
    return keys;
  }

  ScratchFolder root;
  FakeReader reader;
  FakeWriter writer;
  ScriptRunner runner;
  RecordingLinks links;
  ui::ScriptedPrompt prompt;
  std::vector<bool> busyChanges;
  LogonManager manager{LogonManagerSetup{
      root / L"_kv", root / L"app\\", root / L"WINDOWS\\", &reader, &writer, &runner, &links,
      &prompt, [](unsigned key) { return std::to_wstring(key) + L"[%s]"; },
      [] { return L"Korvel"; }}};
};

TEST_F(LogonManagerTest, SuccessIsOnlyClaimedWhenLogonkvWasRewritten) {
  reader.members = {{L"100.bmp", Picture("b")}};
  runner.run = [] { return RunOutcome{true, 0}; };  // ends well, writes nothing
  manager.Apply(L"Blue.kvl");
  runner.run = [this] {
    WriteBytes(root / L"WINDOWS\\system32\\logonkv.new", "rebuilt");
    MoveFileExW((root / L"WINDOWS\\system32\\logonkv.new").c_str(),
                (root / L"WINDOWS\\system32\\logonkv.exe").c_str(), MOVEFILE_REPLACE_EXISTING);
    return RunOutcome{true, 0};
  };
  manager.Apply(L"Blue.kvl");
  runner.run = [] { return RunOutcome{false, 0}; };
  manager.Apply(L"Blue.kvl");
  runner.run = [] { return RunOutcome{true, 1}; };
  manager.Apply(L"Blue.kvl");
  reader.readable = false;
  manager.Apply(L"Blue.kvl");
  reader.readable = true;
  reader.members = {{L"notes.txt", "n"}};
  manager.Apply(L"Blue.kvl");
  reader.members = {{L"100.bmp", Picture("b")}};
  SetFileAttributesW((root / L"WINDOWS\\system32\\logonkv.exe").c_str(), FILE_ATTRIBUTE_READONLY);
  manager.Apply(L"Blue.kvl");
  SetFileAttributesW((root / L"WINDOWS\\system32\\logonkv.exe").c_str(), FILE_ATTRIBUTE_NORMAL);
  manager.Apply(L"");  // no row selected: nothing at all

  EXPECT_EQ(Keys(), (std::vector<unsigned>{kMsgTargetUnchanged, kMsgApplied, kMsgToolNotStarted,
                                           kMsgToolFailed, kMsgApplyUnreadable, kMsgApplyEmpty,
                                           kMsgTargetReadOnly}));
  EXPECT_EQ(ReadBytes(root / L"WINDOWS\\system32\\logonkv.exe"), "rebuilt");
  EXPECT_EQ(prompt.Asked()[1].caption, L"Korvel");
  EXPECT_EQ(prompt.Asked()[1].flags, static_cast<UINT>(MB_OK | MB_ICONINFORMATION));
  EXPECT_EQ(prompt.Asked()[0].flags, static_cast<UINT>(MB_OK | MB_ICONERROR));
}

TEST_F(LogonManagerTest, ActionsAreRefusedWhileAnApplyRuns) {
  reader.members = {{L"100.bmp", Picture("b")}};
  runner.run = [this] {
    EXPECT_TRUE(manager.Busy());
    manager.Apply(L"Blue.kvl");  // a second click that got through
    EXPECT_FALSE(manager.Import(root / L"app\\logons\\Blue.kvl"));
    EXPECT_FALSE(manager.Delete(L"Blue.kvl"));
    manager.Restore();
    return RunOutcome{true, 1};
  };
  manager.Apply(L"Blue.kvl");
  EXPECT_EQ(runner.calls, 1);
  EXPECT_EQ(busyChanges, (std::vector<bool>{true, false}));
  EXPECT_FALSE(manager.Busy());
  EXPECT_EQ(ReadBytes(root / L"app\\logons\\Blue.kvl"), "package");
  EXPECT_EQ(Keys(), (std::vector<unsigned>{kMsgToolFailed}));
}

TEST_F(LogonManagerTest, ImportAsksWithTheQuestionAndReportsAFailedConversion) {
  WriteBytes(root / L"Blue.kvl", "new package");
  prompt.AnswerBox(IDNO);
  EXPECT_FALSE(manager.Import(root / L"Blue.kvl"));
  prompt.AnswerBox(IDYES);
  EXPECT_TRUE(manager.Import(root / L"Blue.kvl"));
  EXPECT_EQ(ReadBytes(root / L"app\\logons\\Blue.kvl"), "new package");

  WriteBytes(root / L"Night.logonxp", "foreign");
  reader.members = {{L"100.bmp", "no theme.ini"}};
  EXPECT_FALSE(manager.Import(root / L"Night.logonxp"));
  // A bitmap that would become a device is the package's fault, not the library's.
  reader.members = {{L"theme.ini", "[Theme]"}, {L"Bitmap_NUL.bmp", "b"}};
  EXPECT_FALSE(manager.Import(root / L"Night.logonxp"));
  EXPECT_FALSE(FileExists(root / L"app\\logons\\Night.kvl"));
  // A damaged one (its directory cut short...) is said to be damaged.
  reader.readable = false;
  EXPECT_FALSE(manager.Import(root / L"Night.logonxp"));
  reader.readable = true;
  // A folder named like a package, chosen or in the library, is said to be one.
  CreateDirectoryW((root / L"Dir.kvl").c_str(), nullptr);
  EXPECT_FALSE(manager.Import(root / L"Dir.kvl"));
  CreateDirectoryW((root / L"app\\logons\\Night.kvl").c_str(), nullptr);
  EXPECT_FALSE(manager.Import(root / L"Night.logonxp"));
  EXPECT_TRUE(FolderExists(root / L"app\\logons\\Night.kvl"));

  EXPECT_EQ(Keys(), (std::vector<unsigned>{kMsgOverwriteQuestion, kMsgOverwriteQuestion,
                                           kMsgConversionFailed, kMsgConversionFailed,
                                           kMsgConversionUnreadable, kMsgImportSourceFolder,
                                           kMsgImportTargetFolder}));
  EXPECT_EQ(prompt.Asked().back().text, std::to_wstring(kMsgImportTargetFolder) + L"[Night.kvl]");
  EXPECT_EQ(prompt.Asked()[0].flags, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION));
}

// Each of these used to fail without a word.
TEST_F(LogonManagerTest, AFailedDeleteReplaceOrRestoreIsReported) {
  const std::wstring package = root / L"app\\logons\\Blue.kvl";
  SetFileAttributesW(package.c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_TRUE(manager.Delete(L"Blue.kvl"));  // the list is refilled all the same
  EXPECT_EQ(ReadBytes(package), "package");

  WriteBytes(root / L"Blue.kvl", "new package");
  prompt.AnswerBox(IDYES);
  EXPECT_FALSE(manager.Import(root / L"Blue.kvl"));
  EXPECT_EQ(ReadBytes(package), "package");

  DeleteFileW((root / L"WINDOWS\\system32\\logonui.exe").c_str());
  manager.Restore();
  EXPECT_EQ(ReadBytes(root / L"WINDOWS\\system32\\logonkv.exe"), "old");

  // A source another program holds is not the library's fault.
  WriteBytes(root / L"Held.kvl", "held");
  const HANDLE held = CreateFileW((root / L"Held.kvl").c_str(), GENERIC_READ, 0, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(manager.Import(root / L"Held.kvl"));
  CloseHandle(held);
  EXPECT_FALSE(FileExists(root / L"app\\logons\\Held.kvl"));

  EXPECT_EQ(Keys(),
            (std::vector<unsigned>{kMsgDeleteFailed, kMsgOverwriteQuestion, kMsgLibraryWriteFailed,
                                   kMsgRestoreFailed, kMsgImportSourceUnreadable}));
  for (std::size_t i : {0u, 2u, 3u, 4u})
    EXPECT_EQ(prompt.Asked()[i].flags, static_cast<UINT>(MB_OK | MB_ICONERROR)) << i;
}

// Each row once ended in a wrong word: pictures left out under "applied", the apply's failure
// for a preview that applies nothing, a work-folder or script failure without its reason, a
// folder blamed on write protection. The texts are the keys with "[%s]" filled in.
TEST_F(LogonManagerTest, PartialAndRefusedResultsSayWhatHappenedAndWhy) {
  const std::wstring system32 = root / L"WINDOWS\\system32";
  const auto rewriteTarget = [&] {
    runner.run = [&] {
      WriteBytes(system32 + L"\\logonkv.new", "rebuilt");
      MoveFileExW((system32 + L"\\logonkv.new").c_str(), (system32 + L"\\logonkv.exe").c_str(),
                  MOVEFILE_REPLACE_EXISTING);
      return RunOutcome{true, 0};
    };
  };
  const auto leftOut = [](unsigned reason, const std::wstring& name) {
    return std::to_wstring(reason) + L"[" + name + L"]";
  };
  std::vector<std::pair<std::wstring, std::string>> crowd{{L"100.bmp", Picture("b")}};
  std::wstring crowdList;
  for (int i = 0; i < 25; ++i) {
    const std::wstring name = L"#n" + std::wstring(1, static_cast<wchar_t>(L'a' + i)) + L".bmp";
    crowd.push_back({name, Picture("b")});
    if (i < 20) crowdList += leftOut(kMsgLeftOutBadNumber, name) + L"\n";
  }
  crowdList += L"65266[5]";
  HANDLE held = INVALID_HANDLE_VALUE;
  const auto previewFailure = [](PreviewFailure failure) {
    PreviewRead read;
    read.failure = failure;
    return read;
  };

  struct Row {
    const char* what;
    std::function<void()> act;
    std::wstring text;
    UINT icon;
    int toolRuns;  // how often the tool ran in this row
  };
  const std::vector<Row> rows = {
      {"pictures that cannot be applied are left out in the package's order, the others applied "
       "and the user told; a direction mark in a name cannot turn the message around",
       [&] {
         reader.members = {{L"100.bmp", Picture("b")}, {L"0.bmp", Picture("b")},
                           {L"70000.bmp", Picture("b")}, {L"1,2.bmp", Picture("b")},
                           {L" 107.bmp", Picture("b")}, {L"\x4e2d.bmp", Picture("b")},
                           {L"\x202egpj.bmp", Picture("b")}, {L"112.bmp", "GIF89a"},
                           {L"a:b.bmp", Picture("b")}, {L"0100.bmp", Picture("b")},
                           {L"uifile.txt", "ui"}};
         rewriteTarget();
         manager.Apply(L"Blue.kvl");
       },
       L"65256[" + leftOut(kMsgLeftOutBadNumber, L"0.bmp") + L"\n" +
           leftOut(kMsgLeftOutBadNumber, L"70000.bmp") + L"\n" +
           leftOut(kMsgLeftOutSeparator, L"1,2.bmp") + L"\n" +
           leftOut(kMsgLeftOutBlankAtEnd, L" 107.bmp") + L"\n" +
           leftOut(kMsgLeftOutNotInCodePage, L"\x4e2d.bmp") + L"\n" +
           leftOut(kMsgLeftOutNotInCodePage, L"?gpj.bmp") + L"\n" +
           leftOut(kMsgLeftOutNotABitmap, L"112.bmp") + L"\n" +
           leftOut(kMsgLeftOutForbiddenCharacter, L"a:b.bmp") + L"\n" +
           std::to_wstring(kMsgLeftOutSameResource) + L"[0100.bmp]" + L"]",
       MB_ICONWARNING, 1},
      {"every picture left out but uifile.txt applied: not said to be applied with pictures",
       [&] {
         reader.members = {{L"0.bmp", Picture("b")}, {L"uifile.txt", "ui"}};
         rewriteTarget();
         manager.Apply(L"Blue.kvl");
       },
       L"65273[" + leftOut(kMsgLeftOutBadNumber, L"0.bmp") + L"]", MB_ICONWARNING, 1},
      {"a long list is cut with a count of the rest",
       [&] {
         reader.members = crowd;
         rewriteTarget();
         manager.Apply(L"Blue.kvl");
       },
       L"65256[" + crowdList + L"]", MB_ICONWARNING, 1},
      {"nothing the script can name and no uifile.txt: not applied, and why",
       [&] {
         reader.members = {{L"0.bmp", Picture("b")}, {L".bmp", Picture("b")}};
         manager.Apply(L"Blue.kvl");
       },
       L"65257[" + leftOut(kMsgLeftOutBadNumber, L"0.bmp") + L"\n" +
           leftOut(kMsgLeftOutNoName, L".bmp") + L"]",
       MB_ICONERROR, 0},
      {"a folder named like the package: said to be a folder",
       [&] {
         CreateDirectoryW((root / L"app\\logons\\x.kvl").c_str(), nullptr);
         manager.Apply(L"x.kvl");
         RemoveDirectoryW((root / L"app\\logons\\x.kvl").c_str());
       },
       L"65274[x.kvl]", MB_ICONERROR, 0},
      {"a package another program holds: the system's reason",
       [&] {
         held = CreateFileW((root / L"app\\logons\\Blue.kvl").c_str(), GENERIC_READ | GENERIC_WRITE,
                            0, nullptr, OPEN_EXISTING, 0, nullptr);
         manager.Apply(L"Blue.kvl");
         CloseHandle(held);
       },
       L"65275[" + SystemErrorWording(ERROR_SHARING_VIOLATION) + L"]", MB_ICONERROR, 0},
      {"a work folder another program holds a file in: the system's reason",
       [&] {
         reader.members = {{L"100.bmp", Picture("b")}};
         CreateDirectoryW((root / L"_kv").c_str(), nullptr);
         held = CreateFileW((root / L"_kv\\held.txt").c_str(), GENERIC_WRITE, 0, nullptr,
                            CREATE_ALWAYS, 0, nullptr);
         manager.Apply(L"Blue.kvl");
         CloseHandle(held);
         RemoveFolderTree(root / L"_kv");
       },
       L"65245[" + SystemErrorWording(ERROR_SHARING_VIOLATION) + L"]", MB_ICONERROR, 0},
      {"a script that cannot be written: the system's reason",
       [&] {
         reader.members = {{L"100.bmp", Picture("b")}};
         reader.afterExtract = [](const std::wstring& folder) {
           CreateDirectoryW((folder + L"\\logonkv.ini").c_str(), nullptr);
         };
         manager.Apply(L"Blue.kvl");
         reader.afterExtract = nullptr;
       },
       L"65245[" + SystemErrorWording(ERROR_ACCESS_DENIED) + L"]", MB_ICONERROR, 0},
      {"a preview of a damaged package: its own message, not the apply's",
       [&] { manager.PreviewFailed(L"Blue.kvl", previewFailure(PreviewFailure::Unreadable)); },
       std::to_wstring(kMsgPreviewUnreadable) + L"[%s]", MB_ICONERROR, 0},
      {"a preview of a folder: said to be a folder",
       [&] { manager.PreviewFailed(L"x\x202e.kvl", previewFailure(PreviewFailure::IsFolder)); },
       L"65276[x?.kvl]", MB_ICONERROR, 0},
      {"a preview of a held package: the system's reason",
       [&] {
         PreviewRead read = previewFailure(PreviewFailure::InUse);
         read.systemError = ERROR_SHARING_VIOLATION;
         manager.PreviewFailed(L"Blue.kvl", read);
       },
       L"65277[" + SystemErrorWording(ERROR_SHARING_VIOLATION) + L"]", MB_ICONERROR, 0},
      {"a preview of a picture too large: which one",
       [&] {
         PreviewRead read = previewFailure(PreviewFailure::PictureTooLarge);
         read.picture = L"100.bmp";
         manager.PreviewFailed(L"Blue.kvl", read);
       },
       L"65278[100.bmp]", MB_ICONERROR, 0},
      {"a restore that fails: the system's reason",
       [&] {
         DeleteFileW((system32 + L"\\logonui.exe").c_str());
         manager.Restore();
         WriteBytes(system32 + L"\\logonui.exe", "host");
       },
       L"65247[" + SystemErrorWording(ERROR_FILE_NOT_FOUND) + L"]", MB_ICONERROR, 0},
      {"deleting a folder named like a package: said to be a folder, and kept",
       [&] {
         CreateDirectoryW((root / L"app\\logons\\x.kvl").c_str(), nullptr);
         EXPECT_TRUE(manager.Delete(L"x.kvl"));
         EXPECT_TRUE(FolderExists(root / L"app\\logons\\x.kvl"));
       },
       L"65259[x.kvl]", MB_ICONERROR, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    const std::size_t asked = prompt.Asked().size();
    const int runs = runner.calls;
    row.act();
    ASSERT_EQ(prompt.Asked().size(), asked + 1);
    EXPECT_EQ(prompt.Asked().back().text, row.text);
    EXPECT_EQ(prompt.Asked().back().flags, static_cast<UINT>(MB_OK | row.icon));
    EXPECT_EQ(runner.calls - runs, row.toolRuns);
    EXPECT_FALSE(FolderExists(root / L"_kv"));
  }
  EXPECT_EQ(ReadBytes(system32 + L"\\logonkv.exe"), "rebuilt");
}

TEST_F(LogonManagerTest, RestoreAboutAndLinks) {
  manager.Restore();
  EXPECT_EQ(ReadBytes(root / L"WINDOWS\\system32\\logonkv.exe"), "host");
  manager.About();
  EXPECT_EQ(Keys(), (std::vector<unsigned>{kMsgRestored, kMsgAbout}));

  manager.Download();
  manager.Site();
  manager.FeedBack();
  ASSERT_EQ(links.opened.size(), 3u);
  EXPECT_EQ(links.opened[0], SiteAddress() + L"redir.php?page=logons");
  EXPECT_EQ(links.opened[1].rfind(L"http://", 0), 0u);
  EXPECT_EQ(links.opened[2].rfind(L"mailto:", 0), 0u);
  EXPECT_EQ(links.opened[2].substr(links.opened[2].find(L'?')), L"?subject=Korvel%202.0");
}

}  // namespace
}  // namespace korvel
