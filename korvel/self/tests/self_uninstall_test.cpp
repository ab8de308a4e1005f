// Removal takes exactly Korvel's own traces, and its batch file removes the program only once
// the program has ended.
#include <gtest/gtest.h>

#include <string>

#include "korvel/shared/kv_error.h"
#include "korvel/shared/program_paths.h"
#include "korvel/self/registry_key.h"
#include "korvel/self/self_install.h"
#include "korvel/test_support/test_files.h"
#include "korvel/self/self_uninstall.h"
#include "testing/support/run_and_wait.h"
#include "winbase/module_path.h"

namespace korvel {
namespace {

using testing::Exists;
using testing::ReadBytes;
using testing::ScratchFolder;
using testing::ScratchKey;
using testing::WriteBytes;
using testsupport::StartedProgram;

const wchar_t* const kShortcutNames[] = {L"Korvel 1.0.lnk", L"UnInstall Korvel.lnk",
                                         L"Korvel on the Web.lnk", L"FeedBack.lnk",
                                         L"Other Software.lnk"};

class RemoveFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    paths.programFolder = folder.Path() + L"\\Korvel\\";
    paths.programFile = paths.programFolder + L"korvel.exe";
    paths.startMenuGroup = folder.Path() + L"\\Programs\\Korvel";
    paths.tempFolder = folder.Path();
    paths.systemFolder = folder.Path() + L"\\system32\\";
    CreateDirectoryW(paths.systemFolder.c_str(), nullptr);
    WriteBytes(paths.systemFolder + L"logonkv.exe", "applied host");
    WriteBytes(paths.systemFolder + L"logonkv.exe.rhtmp", "left by a stopped editor");
    CreateDirectoryW(paths.programFolder.c_str(), nullptr);
    CreateDirectoryW((paths.programFolder + L"logons").c_str(), nullptr);
    CreateDirectoryW((folder.Path() + L"\\Programs").c_str(), nullptr);
    CreateDirectoryW(paths.startMenuGroup.c_str(), nullptr);
    for (const wchar_t* name : {L"korvel.exe", L"reshacker.exe", L"reshacker.log",
                                L"reshacker.ini", L"license.rtf", L"readme.txt",
                                L"logons\\blue.kvl"})
      WriteBytes(paths.programFolder + name, "x");
    for (const wchar_t* name : kShortcutNames)
      WriteBytes(paths.startMenuGroup + L"\\" + name, "lnk");
    winbase::RegKey entry = CreateRegKey(root.Get(), kUninstallKeyPath);
    WriteRegString(entry, L"DisplayName", L"Korvel 1.0");
    WriteRegString(entry, L"UninstallString", L"korvel.exe /2");
    WriteRegString(CreateRegKey(root.Get(), kWinlogonKeyPath), L"UIHost", L"logonkv.exe");
  }

  ScratchFolder folder{"remove"};
  ScratchKey root{L"remove"};
  UninstallPaths paths;
};

TEST_F(RemoveFiles, TakesTheListedFilesShortcutsGroupAndEntryOnly) {
  RemoveProductFiles(paths, root.Get());

  for (const wchar_t* name : {L"reshacker.exe", L"reshacker.log", L"reshacker.ini",
                              L"license.rtf"})
    EXPECT_FALSE(Exists(paths.programFolder + name));
  EXPECT_FALSE(Exists(paths.startMenuGroup));
  EXPECT_TRUE(Exists(folder.Path() + L"\\Programs"));
  EXPECT_FALSE(OpenRegKey(root.Get(), kUninstallKeyPath));
  EXPECT_TRUE(OpenRegKey(root.Get(), L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall"));

  // The program file itself goes later, through the batch; the library and others stay.
  EXPECT_TRUE(Exists(paths.programFile));
  EXPECT_TRUE(Exists(paths.programFolder + L"readme.txt"));
  EXPECT_TRUE(Exists(paths.programFolder + L"logons\\blue.kvl"));
  EXPECT_EQ(ReadRegString(OpenRegKey(root.Get(), kWinlogonKeyPath), L"UIHost", 255),
            std::wstring(L"logonkv.exe"));
  // The editor's leftover goes; the logon host Winlogon may still name stays.
  EXPECT_FALSE(Exists(paths.systemFolder + L"logonkv.exe.rhtmp"));
  EXPECT_TRUE(Exists(paths.systemFolder + L"logonkv.exe"));
}

TEST_F(RemoveFiles, KeepsAGroupThatHoldsSomethingElse) {
  WriteBytes(paths.startMenuGroup + L"\\Mine.lnk", "lnk");
  RemoveProductFiles(paths, root.Get());
  for (const wchar_t* name : kShortcutNames) EXPECT_FALSE(Exists(paths.startMenuGroup + L"\\" + name));
  EXPECT_TRUE(Exists(paths.startMenuGroup + L"\\Mine.lnk"));
}

TEST_F(RemoveFiles, AnEntryWithSubkeysStaysAndNothingMissingIsAnError) {
  CreateRegKey(root.Get(), std::wstring(kUninstallKeyPath) + L"\\Extra");
  RemoveProductFiles(paths, root.Get());
  EXPECT_TRUE(OpenRegKey(root.Get(), kUninstallKeyPath));
  // Second run: everything already gone.
  RegDeleteKeyW(root.Get(), (std::wstring(kUninstallKeyPath) + L"\\Extra").c_str());
  RemoveProductFiles(paths, root.Get());
  RemoveProductFiles(paths, root.Get());
  EXPECT_FALSE(OpenRegKey(root.Get(), kUninstallKeyPath));
}

TEST_F(RemoveFiles, UnknownProgramsFolderTouchesNoGroup) {
  paths.startMenuGroup.clear();
  RemoveProductFiles(paths, root.Get());
  for (const wchar_t* name : kShortcutNames)
    EXPECT_TRUE(Exists(folder.Path() + L"\\Programs\\Korvel\\" + name));
}

TEST(ProgramsShellFolder, ReadsTheValueUpTo255Characters) {
  ScratchKey user(L"shellfolders");
  EXPECT_EQ(ProgramsShellFolder(user.Get()), L"");  // no key
  winbase::RegKey folders = CreateRegKey(user.Get(), kShellFoldersKeyPath);
  EXPECT_EQ(ProgramsShellFolder(user.Get()), L"");  // no value
  WriteRegString(folders, L"Programs", L"C:\\Menu\\Programs");
  EXPECT_EQ(ProgramsShellFolder(user.Get()), L"C:\\Menu\\Programs");
  const std::wstring longest = L"C:\\" + std::wstring(252, L'p');
  WriteRegString(folders, L"Programs", longest);
  EXPECT_EQ(ProgramsShellFolder(user.Get()), longest);
  WriteRegString(folders, L"Programs", longest + L"q");
  EXPECT_EQ(ProgramsShellFolder(user.Get()), L"");
}

// The program has usually ended by the first try: then only the first five lines run, and the
// last of them deletes the batch. A later try comes after a pause; the tries are counted.
TEST(RemovalBatch, FiveLinesForAnEndedProgramThenBoundedPausedRetries) {
  EXPECT_EQ(RemovalBatchText(L"C:\\PROGRA~1\\Korvel\\korvel.exe", 60),
            ":uninst\r\n"
            "del C:\\PROGRA~1\\Korvel\\korvel.exe\r\n"
            "if exist C:\\PROGRA~1\\Korvel\\korvel.exe goto wait\r\n"
            "rd C:\\PROGRA~1\\Korvel\\\r\n"
            "del kvun.bat\r\n"
            "goto :eof\r\n"
            ":wait\r\n"
            "set /a kvtries+=1\r\n"
            "if %kvtries% lss 60 ping -n 2 127.0.0.1 >nul\r\n"
            "if %kvtries% lss 60 goto uninst\r\n"
            "del kvun.bat\r\n");
}

TEST(RemovalBatch, PathsTheInterpreterWouldSplitAreQuoted) {
  // A volume without short names gives the long path back; "&" is allowed in short names.
  const std::string text = RemovalBatchText(L"D:\\Tom&Jerry\\100% Logons\\korvel.exe");
  EXPECT_EQ(text.substr(0, text.find(":wait")),
            ":uninst\r\n"
            "del \"D:\\Tom&Jerry\\100%% Logons\\korvel.exe\"\r\n"
            "if exist \"D:\\Tom&Jerry\\100%% Logons\\korvel.exe\" goto wait\r\n"
            "rd \"D:\\Tom&Jerry\\100%% Logons\\\"\r\n"
            "del kvun.bat\r\n"
            "goto :eof\r\n");
}

// The command interpreter reads batch files in the OEM code page (866 in the test prefix).
TEST(RemovalBatch, IsWrittenInTheOemCodePage) {
  // "Логоны" fits the 8.3 rules, so its short form keeps the Cyrillic letters.
  const std::string text = RemovalBatchText(L"C:\\Логоны\\korvel.exe");
  EXPECT_NE(text.find("del C:\\\x8B\xAE\xA3\xAE\xAD\xEB\\korvel.exe\r\n"), std::string::npos);
  // What code page 866 cannot hold would become "?", a wildcard: refused instead.
  EXPECT_THROW(RemovalBatchText(L"C:\\\x65e5\x672c\\korvel.exe"), EKvError);
}

TEST(RemovalBatch, WrittenFileHoldsExactlyTheTextForTheShortPath) {
  ScratchFolder folder("batch");
  UninstallPaths paths;
  const std::wstring programFolder = folder.Path() + L"\\Long Folder Name";
  CreateDirectoryW(programFolder.c_str(), nullptr);
  paths.programFile = programFolder + L"\\korvel.exe";
  WriteBytes(paths.programFile, "x");
  paths.tempFolder = folder.Path();
  WriteBytes(folder.Path() + L"\\kvun.bat", std::string(4000, 'z'));  // truncated, not kept

  const std::wstring batch = WriteRemovalBatch(paths);
  EXPECT_EQ(batch, folder.Path() + L"\\kvun.bat");
  const std::wstring shortPath = ShortPath(paths.programFile);
  EXPECT_EQ(shortPath.find(L' '), std::wstring::npos);
  EXPECT_EQ(ReadBytes(batch), RemovalBatchText(shortPath));
}

TEST(RemovalBatch, UnwritableTemporaryFolderRaisesTheSystemText) {
  ScratchFolder folder("nobatch");
  UninstallPaths paths;
  paths.programFile = folder.Path() + L"\\korvel.exe";
  paths.tempFolder = folder.Path() + L"\\missing";
  try {
    WriteRemovalBatch(paths);
    FAIL() << "no error raised";
  } catch (const EKvError& error) {
    EXPECT_FALSE(error.Message().empty());
  }
  EXPECT_FALSE(Exists(paths.tempFolder + L"\\kvun.bat"));
}

// A copy of this test program stands in for korvel.exe: started with "--linger ms" it just
// keeps running for that long.
class RunningBatch : public ::testing::Test {
 protected:
  void SetUp() override {
    paths.tempFolder = folder.Path() + L"\\temp";
    CreateDirectoryW(paths.tempFolder.c_str(), nullptr);
    paths.programFolder = folder.Path() + L"\\Program With Spaces\\";
    CreateDirectoryW(paths.programFolder.c_str(), nullptr);
    paths.programFile = paths.programFolder + L"korvel.exe";
    ASSERT_TRUE(CopyFileW(winbase::ProgramPath().c_str(), paths.programFile.c_str(), FALSE));
  }

  StartedProgram StartProgram(int milliseconds) {
    StartedProgram program(
        L"\"" + paths.programFile + L"\" --linger " + std::to_wstring(milliseconds),
        paths.programFolder);
    if (!program.Started()) ADD_FAILURE() << "cannot start the program copy";
    return program;
  }

  // Runs the batch as the program does and waits until it has deleted itself.
  void RunBatchToTheEnd() {
    const std::wstring batch = WriteRemovalBatch(paths);
    StartRemovalBatch(batch, paths.tempFolder);
    for (int i = 0; i < 300 && Exists(batch); ++i) Sleep(100);
    EXPECT_FALSE(Exists(batch)) << "the batch did not finish";
  }

  ScratchFolder folder{"running"};
  UninstallPaths paths;
};

TEST_F(RunningBatch, DeletesTheProgramAfterItEndsAndTheEmptyFolder) {
  StartedProgram program = StartProgram(2500);
  Sleep(300);
  const std::wstring batch = WriteRemovalBatch(paths);
  StartRemovalBatch(batch, paths.tempFolder);
  Sleep(1000);
  ASSERT_TRUE(program.Running());
  EXPECT_TRUE(Exists(paths.programFile)) << "deleted while still running";
  program.WaitExit(10000);
  for (int i = 0; i < 300 && Exists(batch); ++i) Sleep(100);
  EXPECT_FALSE(Exists(batch));
  EXPECT_FALSE(Exists(paths.programFile));
  EXPECT_FALSE(Exists(paths.programFolder));
}

// The batch must name the folder as the interpreter reads it, or the program stays behind.
// Windows keeps the letters of "Логоны" in the short path (it fits the 8.3 rules); Wine makes
// up an ASCII short name, so the path is written as Windows would give it.
TEST_F(RunningBatch, RemovesAProgramFromAFolderWithCyrillicLetters) {
  paths.programFolder = folder.Path() + L"\\Логоны\\";
  ASSERT_TRUE(CreateDirectoryW(paths.programFolder.c_str(), nullptr));
  paths.programFile = paths.programFolder + L"korvel.exe";
  ASSERT_TRUE(CopyFileW(winbase::ProgramPath().c_str(), paths.programFile.c_str(), FALSE));
  const std::wstring batch = paths.tempFolder + L"\\" + kRemovalBatchName;
  WriteBytes(batch, RemovalBatchText(paths.programFile, 3));
  StartRemovalBatch(batch, paths.tempFolder);
  for (int i = 0; i < 300 && Exists(batch); ++i) Sleep(100);
  EXPECT_FALSE(Exists(batch)) << "the batch did not finish";
  EXPECT_FALSE(Exists(paths.programFile));
  EXPECT_FALSE(Exists(paths.programFolder));
}

// A program file that can never be deleted (held open here) must not keep a hidden batch
// looping for ever: it gives up after its tries and removes itself.
TEST_F(RunningBatch, GivesUpOnAProgramThatCannotBeDeleted) {
  const HANDLE held = CreateFileW(paths.programFile.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  const std::wstring batch = paths.tempFolder + L"\\" + kRemovalBatchName;
  WriteBytes(batch, RemovalBatchText(ShortPath(paths.programFile), 3));
  const DWORD started = GetTickCount();
  StartRemovalBatch(batch, paths.tempFolder);
  for (int i = 0; i < 300 && Exists(batch); ++i) Sleep(100);
  const DWORD took = GetTickCount() - started;
  CloseHandle(held);
  EXPECT_FALSE(Exists(batch)) << "the batch is still trying";
  EXPECT_GE(took, 1500u) << "no pause between the tries";
  EXPECT_TRUE(Exists(paths.programFile));
  EXPECT_TRUE(Exists(paths.programFolder));
}

TEST_F(RunningBatch, LeavesAFolderThatStillHoldsTheLibrary) {
  CreateDirectoryW((paths.programFolder + L"logons").c_str(), nullptr);
  WriteBytes(paths.programFolder + L"logons\\blue.kvl", "PK");
  RunBatchToTheEnd();
  EXPECT_FALSE(Exists(paths.programFile));
  EXPECT_TRUE(Exists(paths.programFolder + L"logons\\blue.kvl"));
}

}  // namespace
}  // namespace korvel

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "--linger") {
    Sleep(static_cast<DWORD>(std::stoi(argv[2])));
    return 0;
  }
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
