// The decisions of the setup and removal windows, answered by a scripted prompt.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "korvel/shared/kv_error.h"
#include "korvel/shared/message_text.h"
#include "korvel/self/removal_flow.h"
#include "korvel/self/self_install.h"
#include "korvel/self/setup_flow.h"
#include "korvel/self/windows_version.h"

namespace korvel {
namespace {

constexpr ui::Color kRed = RGB(255, 0, 0);
const SetupTexts kSetupTexts{L"XP %s supported?", L"XP %s not supported", L"No logonkv.exe: %s"};
const RemovalTexts kRemovalTexts{L"Remove?", L"Removed"};

class FakeSetupActions : public ISetupActions {
 public:
  bool CheckWindowsVersion() override {
    if (versionOk) WindowsVersionText = L"5.1.2600.Service Pack 2";
    return versionOk;
  }
  void RegisterProduct() override {
    ++registered;
    if (failRegister) throw EKvError(L"Failed to set data for 'UIHost'");
    if (failCopy)
      throw ELogonHostCopyFailed(L"C:\\WINDOWS\\system32\\logonkv.exe", ERROR_ACCESS_DENIED);
  }
  void StartSelfRemoval() override { ++removalsStarted; }

  bool versionOk = true;
  bool failRegister = false;
  bool failCopy = false;
  int registered = 0;
  int removalsStarted = 0;
};

class SetupFlow : public ::testing::Test {
 protected:
  void SetUp() override { WindowsVersionText.clear(); }
  SetupResult Run() { return CompleteSetup(L"Korvel --- Setup", kSetupTexts, prompt, actions); }

  ui::ScriptedPrompt prompt;
  FakeSetupActions actions;
};

TEST_F(SetupFlow, RefusedSystemIsToldInRedAndRemovedWhateverTheAnswer) {
  actions.versionOk = false;
  prompt.AnswerAsk(true);
  EXPECT_EQ(Run().outcome, SetupOutcome::HandedToRemoval);
  ASSERT_EQ(prompt.Asked().size(), 1u);
  EXPECT_EQ(prompt.Asked()[0].text, L"XP  not supported");
  EXPECT_EQ(prompt.Asked()[0].color, kRed);
  EXPECT_EQ(prompt.Asked()[0].caption, L"Korvel --- Setup");
  EXPECT_EQ(actions.removalsStarted, 1);
  EXPECT_EQ(actions.registered, 0);
}

TEST_F(SetupFlow, CancelHandsOverToRemovalWithoutRegistering) {
  prompt.AnswerAsk(false);
  EXPECT_EQ(Run().outcome, SetupOutcome::HandedToRemoval);
  ASSERT_EQ(prompt.Asked().size(), 1u);
  EXPECT_EQ(prompt.Asked()[0].text, L"XP 5.1.2600.Service Pack 2 supported?");
  EXPECT_EQ(prompt.Asked()[0].color, ui::kBlack);
  EXPECT_FALSE(prompt.Asked()[0].bold);
  EXPECT_EQ(actions.removalsStarted, 1);
  EXPECT_EQ(actions.registered, 0);
}

TEST_F(SetupFlow, OkRegistersAndStartsNoRemoval) {
  prompt.AnswerAsk(true);
  EXPECT_EQ(Run().outcome, SetupOutcome::Registered);
  EXPECT_EQ(actions.registered, 1);
  EXPECT_EQ(actions.removalsStarted, 0);
}

TEST_F(SetupFlow, RegistryFailureComesBackAsTheErrorText) {
  prompt.AnswerAsk(true);
  actions.failRegister = true;
  const SetupResult result = Run();
  EXPECT_EQ(result.outcome, SetupOutcome::Failed);
  EXPECT_EQ(result.error, L"Failed to set data for 'UIHost'");
  EXPECT_EQ(actions.removalsStarted, 0);
}

TEST_F(SetupFlow, AMissingLogonHostIsToldInTheUsersLanguageWithTheSystemsReason) {
  prompt.AnswerAsk(true);
  actions.failCopy = true;
  const SetupResult result = Run();
  EXPECT_EQ(result.outcome, SetupOutcome::Failed);
  EXPECT_EQ(result.error, L"No logonkv.exe: " + SystemErrorWording(ERROR_ACCESS_DENIED));
  EXPECT_EQ(actions.removalsStarted, 0);
}

TEST(RemovalConfirmation, AsksInBoldRedOnlyWhenToldTo) {
  ui::ScriptedPrompt prompt;
  EXPECT_TRUE(ConfirmRemoval(false, L"Korvel --- Uninstall", kRemovalTexts, prompt));
  EXPECT_TRUE(prompt.Asked().empty());

  prompt.AnswerAsk(false);
  prompt.AnswerAsk(true);
  EXPECT_FALSE(ConfirmRemoval(true, L"Korvel --- Uninstall", kRemovalTexts, prompt));
  EXPECT_TRUE(ConfirmRemoval(true, L"Korvel --- Uninstall", kRemovalTexts, prompt));
  ASSERT_EQ(prompt.Asked().size(), 2u);
  EXPECT_EQ(prompt.Asked()[0].text, L"Remove?");
  EXPECT_EQ(prompt.Asked()[0].caption, L"Korvel --- Uninstall");
  EXPECT_EQ(prompt.Asked()[0].color, kRed);
  EXPECT_TRUE(prompt.Asked()[0].bold);
}

class RecordingRemoval : public IRemovalActions {
 public:
  explicit RecordingRemoval(std::vector<std::wstring>& log) : log_(log) {}
  void RemoveProductFiles() override { log_.push_back(L"remove"); }
  std::wstring WriteBatch() override {
    log_.push_back(L"write");
    if (failWrite) throw EKvError(L"Access denied.");
    return L"C:\\temp\\kvun.bat";
  }
  void EnterTemporaryFolder() override { log_.push_back(L"cd"); }
  void StartBatch(const std::wstring& batch) override { log_.push_back(L"start " + batch); }
  bool failWrite = false;

 private:
  std::vector<std::wstring>& log_;
};

// A prompt that notes in the same log when the user is told something.
class LoggingPrompt : public ui::ScriptedPrompt {
 public:
  explicit LoggingPrompt(std::vector<std::wstring>& log) : log_(log) {}
  int Box(const std::wstring& text, const std::wstring& caption, UINT flags) override {
    log_.push_back(L"box " + text);
    return ScriptedPrompt::Box(text, caption, flags);
  }

 private:
  std::vector<std::wstring>& log_;
};

TEST(RemovalFlow, TellsTheUserBeforeTheBatchStartsFromTheHiddenWindow) {
  std::vector<std::wstring> log;
  RecordingRemoval actions(log);
  LoggingPrompt prompt(log);
  const RemovalResult result = CompleteRemoval(L"Korvel --- Uninstall", kRemovalTexts, prompt,
                                               actions, [&] { log.push_back(L"hide"); });
  EXPECT_TRUE(result.done);
  EXPECT_EQ(log, (std::vector<std::wstring>{L"remove", L"write", L"cd", L"hide", L"box Removed",
                                            L"start C:\\temp\\kvun.bat"}));
  ASSERT_EQ(prompt.Asked().size(), 1u);
  EXPECT_EQ(prompt.Asked()[0].flags, static_cast<UINT>(MB_OK | MB_ICONINFORMATION));
  EXPECT_EQ(prompt.Asked()[0].caption, L"Korvel --- Uninstall");
}

TEST(RemovalFlow, UnwritableBatchStopsBeforeTheMessageAndTheStart) {
  std::vector<std::wstring> log;
  RecordingRemoval actions(log);
  actions.failWrite = true;
  LoggingPrompt prompt(log);
  const RemovalResult result =
      CompleteRemoval(L"Korvel --- Uninstall", kRemovalTexts, prompt, actions, {});
  EXPECT_FALSE(result.done);
  EXPECT_EQ(result.error, L"Access denied.");
  EXPECT_EQ(log, (std::vector<std::wstring>{L"remove", L"write"}));
}

}  // namespace
}  // namespace korvel
