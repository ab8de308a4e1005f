// Starting the resource editor for real: the quoted path finds our tool even where an
// unquoted one would start another program, the tool runs in the given folder, and its exit
// code comes back.
#include <gtest/gtest.h>

#include "korvel/apply/apply_script.h"
#include "korvel/apply/program_runner.h"
#include "korvel/test_support/test_files.h"
#include "winbase/module_path.h"
#include "winbase/text.h"

namespace korvel {
namespace {

using testing::ReadBytes;
using testing::ScratchFolder;
using testing::WriteBytes;

std::wstring FakeToolPath() {
  const std::wstring path = winbase::ProgramPath();
  return path.substr(0, path.rfind(L'\\') + 1) + L"kv_fake_tool.exe";
}

std::string FirstLine(const std::string& text) { return text.substr(0, text.find('\n')); }

class ProgramRunnerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    programFolder = root / L"kv app" + L"\\";
    CreateDirectoryW(programFolder.c_str(), nullptr);
    CreateDirectoryW(work.c_str(), nullptr);
    ASSERT_TRUE(CopyFileW(FakeToolPath().c_str(), (programFolder + L"reshacker.exe").c_str(), FALSE));
    // The decoy sits where an unquoted "...\kv app\reshacker.exe" is first looked for.
    ASSERT_TRUE(CopyFileW(FakeToolPath().c_str(), (root / L"kv.exe").c_str(), FALSE));
  }

  ScratchFolder root;
  std::wstring programFolder;
  std::wstring work = root / L"work";
  WindowsProgramRunner runner;
};

TEST_F(ProgramRunnerTest, QuotedToolPathStartsOurToolDespiteADecoy) {
  const RunOutcome outcome = runner.RunAndWait(ResourceToolCommandLine(programFolder), work);
  ASSERT_TRUE(outcome.started);
  EXPECT_EQ(outcome.exitCode, 0u);
  const std::string ran = ReadBytes(work + L"\\ran.txt");
  EXPECT_EQ(FirstLine(ran), winbase::ToUtf8(programFolder + L"reshacker.exe"));
  EXPECT_NE(ran.find("-script logonkv.ini"), std::string::npos);

  // The same line without quotes starts the decoy: the risk the quotes remove is real.
  DeleteFileW((work + L"\\ran.txt").c_str());
  runner.RunAndWait(programFolder + L"reshacker.exe -script logonkv.ini", work);
  EXPECT_EQ(FirstLine(ReadBytes(work + L"\\ran.txt")), winbase::ToUtf8(root / L"kv.exe"));
}

TEST_F(ProgramRunnerTest, ReportsTheExitCodeAndAMissingProgram) {
  WriteBytes(work + L"\\exitcode.txt", "5");
  RunOutcome outcome = runner.RunAndWait(ResourceToolCommandLine(programFolder), work);
  EXPECT_TRUE(outcome.started);
  EXPECT_EQ(outcome.exitCode, 5u);

  outcome = runner.RunAndWait(ResourceToolCommandLine(root / L"nowhere\\"), work);
  EXPECT_FALSE(outcome.started);
}

TEST_F(ProgramRunnerTest, CallsBackForMessagesWhileWaiting) {
  int calls = 0;
  WindowsProgramRunner pumping([&] {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) ++calls;
  });
  WriteBytes(work + L"\\sleep.txt", "300");
  PostThreadMessageW(GetCurrentThreadId(), WM_USER, 0, 0);
  const RunOutcome outcome = pumping.RunAndWait(ResourceToolCommandLine(programFolder), work);
  EXPECT_TRUE(outcome.started);
  EXPECT_GE(calls, 1);
}

}  // namespace
}  // namespace korvel
