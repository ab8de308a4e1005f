// Apply and restore against a scratch "system root": what the tool is given, when it is not
// run at all, how its result is judged, and that the work folder never outlives a run.
#include <gtest/gtest.h>

#include <functional>

#include "korvel/shared/folder_utils.h"
#include "korvel/test_support/fake_packages.h"
#include "korvel/apply/editor_scratch.h"
#include "korvel/apply/logon_applier.h"

namespace korvel {
namespace {

using testing::FakeReader;
using testing::FolderExists;
using testing::ReadBytes;
using testing::ScratchFolder;
using testing::WriteBytes;

class FakeRunner : public IProgramRunner {
 public:
  RunOutcome outcome{true, 0};
  std::function<void()> whileRunning;
  int calls = 0;
  std::wstring commandLine, currentFolder;
  std::string script;

  RunOutcome RunAndWait(const std::wstring& line, const std::wstring& folder) override {
    ++calls;
    commandLine = line;
    currentFolder = folder;
    script = ReadBytes(folder + L"\\logonkv.ini");
    if (whileRunning) whileRunning();
    return outcome;
  }
};

class LogonApplierTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CreateDirectoryW((root / L"WINDOWS").c_str(), nullptr);
    CreateDirectoryW((root / L"WINDOWS\\system32").c_str(), nullptr);
    WriteBytes(applier.LogonHostPath(), "system logon host");
    WriteBytes(applier.TargetPath(), "current logonkv");
  }
  // Stands for a tool that writes a new file and renames it over the target.
  void RewriteTargetWhenRun() {
    runner.whileRunning = [this] {
      WriteBytes(applier.TargetPath() + L".new", "rebuilt logonkv");
      MoveFileExW((applier.TargetPath() + L".new").c_str(), applier.TargetPath().c_str(),
                  MOVEFILE_REPLACE_EXISTING);
    };
  }

  ScratchFolder root;
  std::wstring work = root / L"_kv";
  FakeReader reader;
  FakeRunner runner;
  LogonApplier applier{reader, runner, work, root / L"Korvel App\\", root / L"WINDOWS\\"};
};

TEST_F(LogonApplierTest, RunsTheToolInTheWorkFolderWithTheScriptAndCleansUp) {
  reader.members = {{L"100.bmp", "a"}, {L"uifile.txt", "ui"}, {L"notes.txt", "n"}};
  RewriteTargetWhenRun();

  EXPECT_EQ(applier.Apply(L"x.kvl").outcome, ApplyOutcome::Applied);
  EXPECT_EQ(runner.calls, 1);
  EXPECT_EQ(runner.currentFolder, work);
  EXPECT_EQ(runner.commandLine,
            L"\"" + root.Path() + L"\\Korvel App\\reshacker.exe\" -script logonkv.ini");
  const std::string systemRoot(root.Path().begin(), root.Path().end());
  EXPECT_EQ(runner.script, "[FILENAMES]\r\nExe=" + systemRoot +
                               "\\WINDOWS\\system32\\logonui.exe\r\n"
                               "SaveAs=" +
                               systemRoot +
                               "\\WINDOWS\\system32\\logonkv.exe\r\n"
                               "[COMMANDS]\r\n-addoverwrite 100.bmp,Bitmap,100,0\r\n"
                               "-addoverwrite uifile.txt, UIFILE, 1000,\r\n");
  EXPECT_FALSE(FolderExists(work));
}

TEST_F(LogonApplierTest, LeftoversOfAStoppedRunAreNeverApplied) {
  CreateDirectoryW(work.c_str(), nullptr);
  WriteBytes(work + L"\\999.bmp", "stale");
  WriteBytes(work + L"\\100.bmp", "stale copy of a member");
  CreateDirectoryW((work + L"\\sub").c_str(), nullptr);
  WriteBytes(work + L"\\sub\\x.bmp", "stale");
  reader.members = {{L"100.bmp", "fresh"}};
  runner.whileRunning = [&] { EXPECT_EQ(ReadBytes(work + L"\\100.bmp"), "fresh"); };

  applier.Apply(L"x.kvl");
  EXPECT_TRUE(reader.foundInFolder.empty());
  EXPECT_EQ(runner.script.find("999"), std::string::npos);
  EXPECT_FALSE(FolderExists(work));
}

TEST_F(LogonApplierTest, ABadPackageNeverReachesTheTool) {
  reader.readable = false;  // missing, not an archive, or a CRC failure
  reader.members = {{L"100.bmp", "damaged"}};
  EXPECT_EQ(applier.Apply(L"x.kvl").outcome, ApplyOutcome::Unreadable);

  reader.readable = true;
  reader.members = {{L"readme.txt", "nothing to apply"}};
  EXPECT_EQ(applier.Apply(L"x.kvl").outcome, ApplyOutcome::EmptyPackage);

  EXPECT_EQ(runner.calls, 0);
  EXPECT_EQ(ReadBytes(applier.TargetPath()), "current logonkv");
  EXPECT_FALSE(FolderExists(work));
}

// The tool would skip or misread these; a package of nothing else applies nothing. Each is
// named with its reason, for the user to hear which pictures were not applied.
TEST_F(LogonApplierTest, BitmapsTheScriptCannotNameNeverReachTheTool) {
  reader.members = {{L" 100.bmp", "a"}, {L"1,2.bmp", "b"}, {L"Korv\xebl.bmp", "c"}};
  const ApplyResult none = applier.Apply(L"x.kvl");
  EXPECT_EQ(none.outcome, ApplyOutcome::NothingCarried);
  EXPECT_EQ(none.leftOut.size(), 3u);
  EXPECT_EQ(runner.calls, 0);

  reader.members[L"107.bmp"] = "d";
  RewriteTargetWhenRun();
  const ApplyResult partly = applier.Apply(L"x.kvl");
  EXPECT_EQ(partly.outcome, ApplyOutcome::Applied);
  EXPECT_NE(runner.script.find("-addoverwrite 107.bmp,Bitmap,107,0\r\n-addoverwrite uifile.txt"),
            std::string::npos)
      << runner.script;
  EXPECT_EQ(std::count(runner.script.begin(), runner.script.end(), '\n'), 6);
  std::vector<std::pair<std::wstring, ScriptNameFault>> leftOut;
  for (const LeftOutBitmap& bitmap : partly.leftOut)
    leftOut.emplace_back(bitmap.file, bitmap.fault);
  EXPECT_EQ(leftOut, (std::vector<std::pair<std::wstring, ScriptNameFault>>{
                         {L" 100.bmp", ScriptNameFault::BlankAtEnd},
                         {L"1,2.bmp", ScriptNameFault::Separator},
                         {L"Korv\xebl.bmp", ScriptNameFault::NotInCodePage}}));
}

// Windows refuses to replace a read-only file, and the script is ANSI text: both are refused
// before anything runs, on every system alike.
TEST_F(LogonApplierTest, AReadOnlyTargetOrASystemFolderTheScriptCannotNameIsRefused) {
  reader.members = {{L"100.bmp", "a"}};
  RewriteTargetWhenRun();
  SetFileAttributesW(applier.TargetPath().c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(applier.Apply(L"x.kvl").outcome, ApplyOutcome::TargetReadOnly);
  SetFileAttributesW(applier.TargetPath().c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(ReadBytes(applier.TargetPath()), "current logonkv");

  const std::wstring lossyRoot = root / L"WIND\xd6WS\\";
  CreateDirectoryW(lossyRoot.c_str(), nullptr);
  CreateDirectoryW((lossyRoot + L"system32").c_str(), nullptr);
  LogonApplier lossy{reader, runner, work, root / L"Korvel App\\", lossyRoot};
  EXPECT_EQ(lossy.Apply(L"x.kvl").outcome, ApplyOutcome::SystemRootNotAnsi);
  EXPECT_EQ(runner.calls, 0);
  EXPECT_FALSE(FolderExists(work));
}

TEST_F(LogonApplierTest, AUiFileAloneIsEnoughToApply) {
  reader.members = {{L"uifile.txt", "ui"}};
  RewriteTargetWhenRun();
  EXPECT_EQ(applier.Apply(L"x.kvl").outcome, ApplyOutcome::Applied);
  EXPECT_EQ(std::count(runner.script.begin(), runner.script.end(), '\n'), 5);
}

TEST_F(LogonApplierTest, ToolFailuresAreReportedNotHiddenBehindSuccess) {
  reader.members = {{L"100.bmp", "a"}};

  runner.outcome = {false, 0};
  EXPECT_EQ(applier.Apply(L"x.kvl").outcome, ApplyOutcome::ToolNotStarted);
  EXPECT_FALSE(FolderExists(work));

  runner.outcome = {true, 2};
  EXPECT_EQ(applier.Apply(L"x.kvl").outcome, ApplyOutcome::ToolFailed);

  runner.outcome = {true, 0};  // ended well but wrote nothing
  EXPECT_EQ(applier.Apply(L"x.kvl").outcome, ApplyOutcome::TargetUnchanged);

  DeleteFileW(applier.TargetPath().c_str());  // and nothing appeared where nothing was
  EXPECT_EQ(applier.Apply(L"x.kvl").outcome, ApplyOutcome::TargetUnchanged);

  RewriteTargetWhenRun();  // a target that did not exist before and does now counts
  EXPECT_EQ(applier.Apply(L"x.kvl").outcome, ApplyOutcome::Applied);
  EXPECT_FALSE(FolderExists(work));
}

TEST_F(LogonApplierTest, RestoreCopiesTheSystemHostOverTheTarget) {
  EXPECT_TRUE(applier.Restore());
  EXPECT_EQ(ReadBytes(applier.TargetPath()), "system logon host");

  // A write-protected logon host stays exactly as it was, with nothing left beside it.
  WriteBytes(applier.TargetPath(), "applied");
  const std::set<std::wstring> before = testing::NamesIn(root / L"WINDOWS\\system32");
  SetFileAttributesW(applier.TargetPath().c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_FALSE(applier.Restore());
  SetFileAttributesW(applier.TargetPath().c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(ReadBytes(applier.TargetPath()), "applied");
  EXPECT_EQ(testing::NamesIn(root / L"WINDOWS\\system32"), before);

  DeleteFileW(applier.LogonHostPath().c_str());
  WriteBytes(applier.TargetPath(), "kept");
  EXPECT_FALSE(applier.Restore());
  EXPECT_EQ(ReadBytes(applier.TargetPath()), "kept");
  EXPECT_EQ(runner.calls, 0);
}

// A tool killed while writing left its scratch copy in the system folder until the next apply
// that got as far as running it.
TEST_F(LogonApplierTest, ApplyAndRestoreTakeTheScratchFileAStoppedToolLeft) {
  const std::wstring scratch = applier.TargetPath() + resedit::kScratchSuffix;
  const auto leaveScratch = [&] {
    WriteBytes(scratch, "half a logon host");
    SetFileAttributesW(scratch.c_str(), FILE_ATTRIBUTE_READONLY);
  };

  leaveScratch();
  EXPECT_TRUE(applier.Restore());
  EXPECT_FALSE(FileExists(scratch));

  leaveScratch();  // an apply refused before the tool runs
  reader.members = {};
  EXPECT_EQ(applier.Apply(L"x.kvl").outcome, ApplyOutcome::EmptyPackage);
  EXPECT_FALSE(FileExists(scratch));

  reader.members = {{L"100.bmp", "a"}};  // a tool stopped in this very run
  runner.whileRunning = leaveScratch;
  runner.outcome = {true, 1};
  EXPECT_EQ(applier.Apply(L"x.kvl").outcome, ApplyOutcome::ToolFailed);
  EXPECT_FALSE(FileExists(scratch));

  // One that cannot be removed changes no outcome.
  CreateDirectoryW(scratch.c_str(), nullptr);
  RewriteTargetWhenRun();
  runner.outcome = {true, 0};
  EXPECT_EQ(applier.Apply(L"x.kvl").outcome, ApplyOutcome::Applied);
  EXPECT_TRUE(applier.Restore());
  EXPECT_EQ(ReadBytes(applier.TargetPath()), "system logon host");
  EXPECT_TRUE(FolderExists(scratch));
}

}  // namespace
}  // namespace korvel
