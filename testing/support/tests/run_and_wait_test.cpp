#include "testing/support/run_and_wait.h"

#include <gtest/gtest.h>

#include "testing/support/file_bytes.h"
#include "testing/support/scratch_folder.h"

namespace testsupport {
namespace {

TEST(RunAndWait, GivesTheExitCodeAndRunsInTheFolder) {
  ScratchFolder folder;
  EXPECT_EQ(RunAndWait(L"cmd.exe /c echo made>made.txt&exit 3", folder.Path()), 3);
  EXPECT_EQ(ReadBytes(folder / L"made.txt"), "made\r\n");
  EXPECT_EQ(RunAndWait(L"\"" + (folder / L"missing.exe") + L"\"", folder.Path()), -1);
}

TEST(RunAndCapture, CollectsTheOutputAndTheExitCode) {
  const CapturedRun run = RunAndCapture(L"cmd.exe /c echo seen& exit 4");
  EXPECT_TRUE(run.started);
  EXPECT_EQ(run.exitCode, 4u);
  EXPECT_EQ(run.output, "seen\r\n");
  EXPECT_FALSE(RunAndCapture(L"no-such-program-here.exe").started);
}

TEST(StartedProgram, WaitsForTheEndAndMoves) {
  StartedProgram program(L"cmd.exe /c exit 5");
  ASSERT_TRUE(program.Started());
  EXPECT_NE(program.Id(), 0u);
  StartedProgram moved = std::move(program);
  EXPECT_EQ(moved.WaitExit(30000), 5u);
  EXPECT_FALSE(moved.Running());
  EXPECT_FALSE(StartedProgram(L"no-such-program-here.exe").Started());
}

}  // namespace
}  // namespace testsupport
