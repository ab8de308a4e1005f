// The main window's actions without the window: which message the user gets for each result,
// that success is only claimed for a real success, and that nothing runs twice at once.
#include <gtest/gtest.h>

#include <functional>

#include "fake_packages.h"
#include "logon_manager.h"
#include "logon_messages.h"

namespace korvel {
namespace {

using testing::FakeReader;
using testing::FakeWriter;
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
      &prompt, [](unsigned key) { return std::to_wstring(key); }, [] { return L"Korvel"; }}};
};

TEST_F(LogonManagerTest, SuccessIsOnlyClaimedWhenLogonkvWasRewritten) {
  reader.members = {{L"100.bmp", "b"}};
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
  reader.members = {{L"100.bmp", "b"}};
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
  reader.members = {{L"100.bmp", "b"}};
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

  EXPECT_EQ(Keys(), (std::vector<unsigned>{kMsgOverwriteQuestion, kMsgOverwriteQuestion,
                                           kMsgConversionFailed, kMsgConversionFailed}));
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

  EXPECT_EQ(Keys(), (std::vector<unsigned>{kMsgDeleteFailed, kMsgOverwriteQuestion,
                                           kMsgLibraryWriteFailed, kMsgRestoreFailed,
                                           kMsgImportSourceUnreadable}));
  for (std::size_t i : {0u, 2u, 3u, 4u})
    EXPECT_EQ(prompt.Asked()[i].flags, static_cast<UINT>(MB_OK | MB_ICONERROR)) << i;
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
