#include <gtest/gtest.h>
#include <windows.h>

#include "bramlow/actions/entries/register_server.h"
#include "test_support.h"

namespace bramlow {
namespace {

using testing::FileExists;
using testing::ProgramFolder;
using testing::ScratchFolder;

class RegisterServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    server = ProgramFolder() + L"actions_test_server.dll";
    ASSERT_TRUE(FileExists(server));
    marker = scratch / L"registered.marker";
    SetEnvironmentVariableW(L"KV_SERVER_MARKER", marker.c_str());
  }
  void TearDown() override { SetEnvironmentVariableW(L"KV_SERVER_MARKER", nullptr); }
  ScratchFolder scratch;
  std::wstring server, marker;
};

TEST_F(RegisterServerTest, ABareNameIsFoundInTheSystemFolder) {
  wchar_t system[MAX_PATH] = {};
  ASSERT_GT(GetSystemDirectoryW(system, MAX_PATH), 0u);
  const std::wstring copied = std::wstring(system) + L"\\kvact_test.ocx";
  ASSERT_TRUE(CopyFileW(server.c_str(), copied.c_str(), FALSE));
  const bool registered = RegisterServer(L"kvact_test.ocx");
  DeleteFileW(copied.c_str());
  EXPECT_TRUE(registered);
  EXPECT_TRUE(FileExists(marker));
}

TEST_F(RegisterServerTest, ABareNameOutsideTheSearchOrderIsNotRegistered) {
  ASSERT_TRUE(CopyFileW(server.c_str(), (scratch / L"kvact_lib.ocx").c_str(), FALSE));
  EXPECT_FALSE(RegisterServer(L"kvact_lib.ocx"));
  EXPECT_FALSE(FileExists(marker));
}

TEST_F(RegisterServerTest, AModuleWithoutTheEntryOrNotLoadableFails) {
  EXPECT_FALSE(RegisterServer(L"kernel32.dll"));
  EXPECT_FALSE(RegisterServer(L"kvact_no_such_module.dll"));
  EXPECT_FALSE(RegisterServer(L""));
  // A text file under a module's name must not be loaded, let alone run.
  testing::WriteBytes(scratch / L"fake.ocx", "not a module");
  EXPECT_FALSE(RegisterServer(scratch / L"fake.ocx"));
}

TEST_F(RegisterServerTest, AFailingEntryCountsAsNotRegistered) {
  SetEnvironmentVariableW(L"KV_SERVER_MARKER", (scratch / L"no\\such\\folder.marker").c_str());
  EXPECT_FALSE(RegisterServer(server));
}

}  // namespace
}  // namespace bramlow
