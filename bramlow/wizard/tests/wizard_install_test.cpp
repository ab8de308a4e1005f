// The wizard window running the real installation on small kits: the finish page after a
// failed tree copy with a restart offered, an installation without uninstaller, one that only
// runs programs, and a kit without setup.dat.
#include <windows.h>
#include <gtest/gtest.h>

#include <string>

#include "bramlow/sequence/install_sequence.h"
#include "testing/support/file_bytes.h"
#include "testing/support/scratch_folder.h"
#include "bramlow/wizard/wizard_form.h"
#include "ui/application.h"
#include "ui/user_prompt.h"
#include "winbase/text.h"

namespace bramlow {
namespace {

class CountingRestart : public IComputerRestart {
 public:
  void RestartComputer() override { ++restarts; }
  int restarts = 0;
};

const char kLanguage[] =
    "[language]\r\n2=Next >\r\n9=I Agree\r\n18=Installing\r\n19=Please wait\r\n20=Copying %s\r\n"
    "25=Done\r\n26=%s is installed\r\n27=%s needs a restart\r\n28=Restart now\r\n29=Finish\r\n"
    "30=Remove\r\n37=%s is incomplete\r\n38=Some files were not copied%s.\r\n";

bool Exists(const std::wstring& path) {
  return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

class WizardInstallTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testsupport::WriteBytes(kit / L"English.qxl", kLanguage);
    testsupport::WriteBytes(kit / L"setup.dat", "uninstaller");
    ::CreateDirectoryW((kit / L"app").c_str(), nullptr);
    testsupport::WriteBytes(kit / L"app\\a.txt", "a");
    testsupport::WriteBytes(kit / L"app\\b.txt", "b");
    ::CreateDirectoryW((kit / L"dest").c_str(), nullptr);
    SetupState = TSetupState{};
    SetupState.InstallerFolder = kit.Path() + L"\\";
    SetupState.LangName = L"English";
    ui::Application::Get().ClearTerminated();
  }
  void TearDown() override { SetupState = TSetupState{}; }

  void WriteScript(const std::string& extra) {
    std::string dest = winbase::Narrow(kit / L"dest\\Demo");
    testsupport::WriteBytes(kit / L"setup.qx1", "[setup1]\r\nAppName=Demo\r\nWindowName=Demo Setup\r\n"
                                 "SourceFolder=%Installer%app\r\nDestFolder=" + dest + "\r\n" + extra);
  }

  // Walks the wizard to its end through its buttons.
  void Install(TForm1& form) {
    form.Show();
    ui::ProcessPendingMessages();
    for (int i = 0; i < 3; ++i) form.btnNext.Click();
    ASSERT_EQ(form.CurrentPage(), WizardPage::Finish);
  }

  std::wstring Dest(const std::wstring& name = L"") const {
    return kit / L"dest\\Demo" + (name.empty() ? L"" : L"\\" + name);
  }

  testsupport::ScratchFolder kit;
  ui::ScriptedPrompt prompt;
  ui::ScopedPrompt promptScope{prompt};
};

TEST_F(WizardInstallTest, FailedTreeCopyWithRestartShowsTheFailureTextsAndTheTickedBox) {
  for (bool untick : {false, true}) {
    SCOPED_TRACE(untick ? "unticked" : "ticked");
    SetUp();
    WriteScript("Reboot=1\r\nOverwrite=0\r\n");
    ::CreateDirectoryW(Dest().c_str(), nullptr);
    testsupport::WriteBytes(kit / L"dest\\Demo\\a.txt", "there before");
    testsupport::WriteBytes(kit / L"dest\\Demo\\b.txt", "there before");
    CountingRestart restart;
    TForm1 form(SetupState, restart, &RunInstallation);
    Install(form);
    EXPECT_EQ(form.labFinishTitle.Text(), L"Demo is incomplete");
    EXPECT_EQ(form.labFinishText.Text(), L"Some files were not copied.");
    EXPECT_TRUE(form.chkRestart.Visible());
    EXPECT_TRUE(form.chkRestart.Checked());
    EXPECT_EQ(form.chkRestart.Text(), L"Restart now");
    EXPECT_EQ(form.btnCancel.Text(), L"Finish");
    EXPECT_TRUE(form.btnCancel.Enabled());
    EXPECT_FALSE(form.btnNext.Enabled());
    EXPECT_EQ(testsupport::ReadBytes(kit / L"dest\\Demo\\a.txt"), "there before");
    if (untick) form.chkRestart.SetChecked(false);
    form.btnCancel.Click();
    EXPECT_EQ(restart.restarts, untick ? 0 : 1);
    EXPECT_TRUE(prompt.Asked().empty());
  }
}

TEST_F(WizardInstallTest, WithoutCreateUninstOnlyTheFilesAreWritten) {
  WriteScript("CreateUninst=0\r\nRegUninst=1\r\nReboot=0\r\n");
  CountingRestart restart;
  TForm1 form(SetupState, restart, &RunInstallation);
  Install(form);
  EXPECT_EQ(form.labFinishTitle.Text(), L"Done");
  EXPECT_EQ(form.labFinishText.Text(), L"Demo is installed");
  EXPECT_FALSE(form.chkRestart.Visible());
  EXPECT_EQ(testsupport::ReadBytes(kit / L"dest\\Demo\\a.txt"), "a");
  EXPECT_EQ(testsupport::ReadBytes(kit / L"dest\\Demo\\b.txt"), "b");
  EXPECT_FALSE(Exists(Dest(L"Uninstall.ini")));
  EXPECT_FALSE(Exists(Dest(L"Uninstall.exe")));
  HKEY key;
  EXPECT_NE(::RegOpenKeyExW(HKEY_LOCAL_MACHINE,
                            L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Demo", 0,
                            KEY_READ, &key),
            ERROR_SUCCESS);
  form.btnCancel.Click();
  EXPECT_EQ(restart.restarts, 0);
}

TEST_F(WizardInstallTest, OnlyProgramsShowTextNineteenWithTheBarAtZero) {
  // The folder page takes only a full path, also from a kit that copies nothing.
  testsupport::WriteBytes(kit / L"setup.qx1",
                 "[setup1]\r\nAppName=Demo\r\nExeCount=1\r\nDestFolder=" + winbase::Narrow(Dest()) + "\r\n"
                 "[Exe1]\r\nFile=%Installer%missing-program.exe\r\nShell=0\r\n");
  CountingRestart restart;
  TForm1 form(SetupState, restart, &RunInstallation);
  Install(form);
  // The last status and position the progress page showed before the finish page came.
  EXPECT_EQ(form.labStatus.Text(), L"Please wait");
  EXPECT_EQ(form.pbrProgress.Position(), 0);
  EXPECT_EQ(form.pbrProgress.Max(), 0);
  EXPECT_EQ(form.labFinishTitle.Text(), L"Done");
}

TEST_F(WizardInstallTest, MissingSetupDatLeavesNoUninstallerButTheList) {
  ::DeleteFileW((kit / L"setup.dat").c_str());
  WriteScript("CreateUninst=1\r\n");
  CountingRestart restart;
  TForm1 form(SetupState, restart, &RunInstallation);
  Install(form);
  EXPECT_FALSE(Exists(Dest(L"Uninstall.exe")));
  ASSERT_TRUE(Exists(Dest(L"Uninstall.ini")));
  wchar_t count[16] = {};
  ::GetPrivateProfileStringW(L"files", L"Count", L"", count, 16, Dest(L"Uninstall.ini").c_str());
  EXPECT_STREQ(count, L"2");
  wchar_t appName[64] = {};
  ::GetPrivateProfileStringW(L"uninstall", L"AppName", L"", appName, 64, Dest(L"Uninstall.ini").c_str());
  EXPECT_STREQ(appName, L"Demo");
}

}  // namespace
}  // namespace bramlow
