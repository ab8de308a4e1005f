// Apply and restore against a scratch "system root": what the tool is given, when it is not
// run at all, how its result is judged, and that the work folder never outlives a run.
#include <gtest/gtest.h>

#include <functional>

#include "korvel/shared/folder_utils.h"
#include "korvel/test_support/fake_packages.h"
#include "korvel/test_support/test_bitmaps.h"
#include "korvel/apply/editor_scratch.h"
#include "korvel/apply/logon_applier.h"
#include "winbase/handles.h"

namespace korvel {
namespace {

using testing::FakeReader;
using testing::FolderExists;
using testing::Picture;
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
    WriteBytes(package, "the fake reader's package");
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
  std::wstring package = root / L"x.kvl";
  FakeReader reader;
  FakeRunner runner;
  LogonApplier applier{reader, runner, work, root / L"Korvel App\\", root / L"WINDOWS\\"};
};

TEST_F(LogonApplierTest, RunsTheToolInTheWorkFolderWithTheScriptAndCleansUp) {
  reader.members = {{L"100.bmp", Picture("a")}, {L"uifile.txt", "ui"}, {L"notes.txt", "n"}};
  RewriteTargetWhenRun();

  EXPECT_EQ(applier.Apply(package).outcome, ApplyOutcome::Applied);
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
  reader.members = {{L"100.bmp", Picture("fresh")}};
  runner.whileRunning = [&] { EXPECT_EQ(ReadBytes(work + L"\\100.bmp"), Picture("fresh")); };

  applier.Apply(package);
  EXPECT_TRUE(reader.foundInFolder.empty());
  EXPECT_EQ(runner.script.find("999"), std::string::npos);
  EXPECT_FALSE(FolderExists(work));
}

TEST_F(LogonApplierTest, ABadPackageNeverReachesTheTool) {
  reader.readable = false;  // missing, not an archive, or a CRC failure
  reader.members = {{L"100.bmp", "damaged"}};
  EXPECT_EQ(applier.Apply(package).outcome, ApplyOutcome::Unreadable);

  reader.readable = true;
  reader.members = {{L"readme.txt", "nothing to apply"}};
  EXPECT_EQ(applier.Apply(package).outcome, ApplyOutcome::EmptyPackage);

  EXPECT_EQ(runner.calls, 0);
  EXPECT_EQ(ReadBytes(applier.TargetPath()), "current logonkv");
  EXPECT_FALSE(FolderExists(work));
}

// The tool would skip or misread these, Windows would write another file or none, the engine
// refuses the name, the editor would stop at a picture it cannot read (and apply nothing), or
// a picture before it has that resource or file: each is left out and named with its reason,
// in the package's order, and the rest is applied; a package of nothing else applies nothing.
TEST_F(LogonApplierTest, PicturesThatCannotBeAppliedAreLeftOutAndNamedInPackageOrder) {
  const std::string picture = Picture("p");
  reader.members = {{L"Korv\xebl.bmp", picture}, {L" 100.bmp", picture}, {L"1,2.bmp", picture},
                    {L"a:b.bmp", picture},        {L"nul.bmp", picture},  {L"100.bmp.", picture},
                    {L"#0.bmp", picture},         {L"refused.bmp", picture},
                    {L"112.bmp", "GIF89a, no bitmap"}};
  reader.refused = {{L"refused.bmp", L"the engine's reason"}};
  const std::vector<LeftOutBitmap> unusable = {
      {L"Korv\xebl.bmp", LeftOutReason::NotInCodePage, {}},
      {L" 100.bmp", LeftOutReason::BlankAtEnd, {}},
      {L"1,2.bmp", LeftOutReason::Separator, {}},
      {L"a:b.bmp", LeftOutReason::ForbiddenCharacter, {}},
      {L"nul.bmp", LeftOutReason::Device, {}},
      {L"100.bmp.", LeftOutReason::DotAtEnd, {}},
      {L"#0.bmp", LeftOutReason::BadNumber, {}},
      {L"refused.bmp", LeftOutReason::Refused, L"the engine's reason"},
      {L"112.bmp", LeftOutReason::NotABitmap, {}}};
  const ApplyResult none = applier.Apply(package);
  EXPECT_EQ(none.outcome, ApplyOutcome::NothingCarried);
  EXPECT_EQ(none.leftOut, unusable);
  EXPECT_EQ(none.appliedBitmaps, 0u);
  EXPECT_EQ(runner.calls, 0);
  // What Windows would not write as that file is never handed to the engine.
  for (const std::wstring& name : reader.extracted)
    EXPECT_TRUE(name != L"a:b.bmp" && name != L"nul.bmp" && name != L"100.bmp.") << name;

  // "0107.bmp" and "#107.bmp" are bitmap 107 as well; "107.BMP" is the file "107.bmp".
  reader.members.insert(reader.members.begin() + 3, {L"107.bmp", Picture("107")});
  reader.members.push_back({L"0107.bmp", Picture("0107")});
  reader.members.push_back({L"107.BMP", Picture("107 again")});
  reader.members.push_back({L"200.bmp", Picture("200")});
  std::vector<LeftOutBitmap> partlyLeftOut = unusable;
  partlyLeftOut.push_back({L"0107.bmp", LeftOutReason::SameResource, L"107.bmp"});
  partlyLeftOut.push_back({L"107.BMP", LeftOutReason::SameResource, L"107.bmp"});
  RewriteTargetWhenRun();
  const ApplyResult partly = applier.Apply(package);
  EXPECT_EQ(partly.outcome, ApplyOutcome::Applied);
  EXPECT_EQ(partly.appliedBitmaps, 2u);
  EXPECT_NE(runner.script.find("-addoverwrite 107.bmp,Bitmap,107,0\r\n"
                               "-addoverwrite 200.bmp,Bitmap,200,0\r\n"
                               "-addoverwrite uifile.txt"),
            std::string::npos)
      << runner.script;
  EXPECT_EQ(std::count(runner.script.begin(), runner.script.end(), '\n'), 7);
  EXPECT_EQ(partly.leftOut, partlyLeftOut);
  EXPECT_EQ(std::count(reader.extracted.begin(), reader.extracted.end(), L"107.BMP"), 0);
}

// A folder of the package's name, or a package another program holds, is said to be one, not
// taken for a damaged package.
TEST_F(LogonApplierTest, AFolderOrAHeldPackageIsSaidToBeOne) {
  reader.members = {{L"100.bmp", Picture("a")}};
  CreateDirectoryW((root / L"folder.kvl").c_str(), nullptr);
  EXPECT_EQ(applier.Apply(root / L"folder.kvl").outcome, ApplyOutcome::PackageIsFolder);
  EXPECT_EQ(applier.Apply(root / L"missing.kvl").outcome, ApplyOutcome::Unreadable);
  {
    const winbase::FileHandle held(CreateFileW(package.c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                               nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(held);
    const ApplyResult inUse = applier.Apply(package);
    EXPECT_EQ(inUse.outcome, ApplyOutcome::PackageInUse);
    EXPECT_EQ(inUse.systemError, static_cast<unsigned long>(ERROR_SHARING_VIOLATION));
  }
  EXPECT_EQ(reader.calls, 0);
  EXPECT_EQ(runner.calls, 0);
  EXPECT_FALSE(FolderExists(work));
}

// Windows refuses to replace a read-only file, and the script is ANSI text: both are refused
// before anything runs, on every system alike.
TEST_F(LogonApplierTest, AReadOnlyTargetOrASystemFolderTheScriptCannotNameIsRefused) {
  reader.members = {{L"100.bmp", Picture("a")}};
  RewriteTargetWhenRun();
  SetFileAttributesW(applier.TargetPath().c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(applier.Apply(package).outcome, ApplyOutcome::TargetReadOnly);
  SetFileAttributesW(applier.TargetPath().c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(ReadBytes(applier.TargetPath()), "current logonkv");

  const std::wstring lossyRoot = root / L"WIND\xd6WS\\";
  CreateDirectoryW(lossyRoot.c_str(), nullptr);
  CreateDirectoryW((lossyRoot + L"system32").c_str(), nullptr);
  LogonApplier lossy{reader, runner, work, root / L"Korvel App\\", lossyRoot};
  EXPECT_EQ(lossy.Apply(package).outcome, ApplyOutcome::SystemRootNotAnsi);
  EXPECT_EQ(runner.calls, 0);
  EXPECT_FALSE(FolderExists(work));
}

TEST_F(LogonApplierTest, AUiFileAloneIsEnoughToApply) {
  reader.members = {{L"uifile.txt", "ui"}};
  RewriteTargetWhenRun();
  EXPECT_EQ(applier.Apply(package).outcome, ApplyOutcome::Applied);
  EXPECT_EQ(std::count(runner.script.begin(), runner.script.end(), '\n'), 5);
}

TEST_F(LogonApplierTest, ToolFailuresAreReportedNotHiddenBehindSuccess) {
  reader.members = {{L"100.bmp", Picture("a")}};

  runner.outcome = {false, 0};
  EXPECT_EQ(applier.Apply(package).outcome, ApplyOutcome::ToolNotStarted);
  EXPECT_FALSE(FolderExists(work));

  runner.outcome = {true, 2};
  EXPECT_EQ(applier.Apply(package).outcome, ApplyOutcome::ToolFailed);

  runner.outcome = {true, 0};  // ended well but wrote nothing
  EXPECT_EQ(applier.Apply(package).outcome, ApplyOutcome::TargetUnchanged);

  DeleteFileW(applier.TargetPath().c_str());  // and nothing appeared where nothing was
  EXPECT_EQ(applier.Apply(package).outcome, ApplyOutcome::TargetUnchanged);

  RewriteTargetWhenRun();  // a target that did not exist before and does now counts
  EXPECT_EQ(applier.Apply(package).outcome, ApplyOutcome::Applied);
  EXPECT_FALSE(FolderExists(work));
}

TEST_F(LogonApplierTest, RestoreCopiesTheSystemHostOverTheTarget) {
  EXPECT_TRUE(applier.Restore());
  EXPECT_EQ(ReadBytes(applier.TargetPath()), "system logon host");

  // A write-protected logon host stays exactly as it was, with nothing left beside it.
  WriteBytes(applier.TargetPath(), "applied");
  const std::set<std::wstring> before = testing::NamesIn(root / L"WINDOWS\\system32");
  SetFileAttributesW(applier.TargetPath().c_str(), FILE_ATTRIBUTE_READONLY);
  unsigned long error = 0;  // the system's reason, for the user to read
  EXPECT_FALSE(applier.Restore(&error));
  EXPECT_EQ(error, static_cast<unsigned long>(ERROR_ACCESS_DENIED));
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
  EXPECT_EQ(applier.Apply(package).outcome, ApplyOutcome::EmptyPackage);
  EXPECT_FALSE(FileExists(scratch));

  reader.members = {{L"100.bmp", Picture("a")}};  // a tool stopped in this very run
  runner.whileRunning = leaveScratch;
  runner.outcome = {true, 1};
  EXPECT_EQ(applier.Apply(package).outcome, ApplyOutcome::ToolFailed);
  EXPECT_FALSE(FileExists(scratch));

  // One that cannot be removed changes no outcome.
  CreateDirectoryW(scratch.c_str(), nullptr);
  RewriteTargetWhenRun();
  runner.outcome = {true, 0};
  EXPECT_EQ(applier.Apply(package).outcome, ApplyOutcome::Applied);
  EXPECT_TRUE(applier.Restore());
  EXPECT_EQ(ReadBytes(applier.TargetPath()), "system logon host");
  EXPECT_TRUE(FolderExists(scratch));
}

}  // namespace
}  // namespace korvel
