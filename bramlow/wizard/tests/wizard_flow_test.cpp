// The wizard's decisions against a recording view: script load, the OnlyNT refusal, paging,
// Browse, and the close request with its question, restart and deferral.
#include <windows.h>
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "bramlow/state/destination_check.h"
#include "bramlow/wizard/wizard_flow.h"
#include "testing/support/file_bytes.h"
#include "testing/support/scratch_folder.h"
#include "ui/user_prompt.h"

namespace bramlow {
namespace {

constexpr unsigned long kNtFamily = VER_PLATFORM_WIN32_NT;
constexpr unsigned long kOlderFamily = VER_PLATFORM_WIN32_WINDOWS;

class RecordingView : public IWizardView {
 public:
  void ShowPage(WizardPage p) override { page = p; }
  void SetText(WizardText what, const std::wstring& text) override { texts[what] = text; }
  std::wstring Text(WizardText what) override { return texts[what]; }
  void SetBackEnabled(bool enabled) override { backEnabled = enabled; }
  void SetDestinationEditable(bool editable) override { destinationEditable = editable; }
  void FocusDestination() override { ++destinationFocused; }
  void CreateLicenceViewer(const std::wstring& fileName) override {
    viewerFile = fileName;
    ++viewersCreated;
    viewerPresent = true;
  }
  void DestroyLicenceViewer() override { viewerPresent = false; }
  std::optional<std::wstring> ChooseFolder() override { return chosenFolder; }
  void PostClose() override { ++closesPosted; }
  bool RestartTicked() override { return restartTicked; }
  void OpenSite(const std::wstring& address) override { opened.push_back(address); }

  WizardPage page = WizardPage::Welcome;
  std::map<WizardText, std::wstring> texts;
  bool backEnabled = true, destinationEditable = false, viewerPresent = false;
  bool restartTicked = false;
  int viewersCreated = 0, closesPosted = 0, destinationFocused = 0;
  std::wstring viewerFile;
  std::optional<std::wstring> chosenFolder;
  std::vector<std::wstring> opened;
};

class CountingRestart : public IComputerRestart {
 public:
  void RestartComputer() override { ++restarts; }
  int restarts = 0;
};

const char kLanguage[] =
    "[language]\r\n1=< Back\r\n2=Next >\r\n3=Cancel\r\n4=Welcome to %s\r\n"
    "5=This installs %s.\\nClick Next.\r\n6=Bottom line\r\n7=Licence\r\n8=Read the licence of "
    "%s\r\n"
    "9=I agree\r\n10=%s needs Windows NT\r\n11=Destination\r\n12=Where to put %s\r\n"
    "13=Lower text\r\n14=Space needed: %s\r\n15=Folder\r\n16=Browse...\r\n"
    "17=Leave the setup of %s?\\nNothing is installed.\r\n";

std::string Script(const std::string& extra) {
  return "[setup1]\r\nAppName=Demo 1.0\r\nWindowName=Demo Setup\r\nLinkName=Demo on the web\r\n"
         "Site=http://example.com/demo\r\nDestFolder=C:\\Apps\\Demo\r\nFreeSpace=12 %Dest% MB\r\n" +
         extra;
}

class WizardFlowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testsupport::WriteBytes(kit / L"English.qxl", kLanguage);
    state.InstallerFolder = kit.Path() + L"\\";
    state.LangName = L"English";
    prompt.defaultBoxAnswer = IDNO;
  }

  WizardFlow MakeFlow(const std::string& scriptExtra, unsigned long platform = kNtFamily) {
    testsupport::WriteBytes(kit / L"setup.qx1", Script(scriptExtra));
    return WizardFlow(
        state, view, restart, [this] { RunInstallation(); }, platform);
  }

  void RunInstallation() {
    ++installations;
    if (duringInstallation) duringInstallation();
  }

  testsupport::ScratchFolder kit;
  TSetupState state;
  RecordingView view;
  CountingRestart restart;
  ui::ScriptedPrompt prompt;
  ui::ScopedPrompt promptScope{prompt};
  int installations = 0;
  std::function<void()> duringInstallation;
};

TEST_F(WizardFlowTest, ShowingTheWindowSetsTheTextsFromScriptAndLanguage) {
  WizardFlow flow = MakeFlow("");
  flow.FormShow();
  EXPECT_EQ(view.texts[WizardText::WindowCaption], L"Demo Setup");
  EXPECT_EQ(view.texts[WizardText::WelcomeTitle], L"Welcome to Demo 1.0");
  EXPECT_EQ(view.texts[WizardText::WelcomeBody], L"This installs Demo 1.0.\r\nClick Next.");
  EXPECT_EQ(view.texts[WizardText::WelcomeBottom], L"Bottom line");
  EXPECT_EQ(view.texts[WizardText::BackButton], L"< Back");
  EXPECT_EQ(view.texts[WizardText::NextButton], L"Next >");
  EXPECT_EQ(view.texts[WizardText::CancelButton], L"Cancel");
  EXPECT_EQ(view.texts[WizardText::LinkLabel], L"Demo on the web");
  EXPECT_FALSE(view.backEnabled);
  EXPECT_EQ(state.PageStep, 0);
  EXPECT_TRUE(prompt.Asked().empty());
  EXPECT_EQ(view.closesPosted, 0);
  EXPECT_FALSE(state.Finished);
}

TEST_F(WizardFlowTest, OnlyNtRefusesWithTextTenAndClosesWithoutQuestion) {
  struct Case {
    const char* onlyNT;
    unsigned long platform;
    bool refused;
  };
  for (Case c : {Case{"OnlyNT=1\r\n", kNtFamily, true}, Case{"OnlyNT=1\r\n", kOlderFamily, true},
                 Case{"OnlyNT=2\r\n", kNtFamily, false}, Case{"OnlyNT=2\r\n", kOlderFamily, true},
                 Case{"OnlyNT=0\r\n", kOlderFamily, false}}) {
    SCOPED_TRACE(std::string(c.onlyNT) + " platform " + std::to_string(c.platform));
    TSetupState fresh;
    fresh.InstallerFolder = state.InstallerFolder;
    fresh.LangName = state.LangName;
    RecordingView freshView;
    ui::ScriptedPrompt freshPrompt;
    ui::ScopedPrompt scope(freshPrompt);
    testsupport::WriteBytes(kit / L"setup.qx1", Script(c.onlyNT));
    WizardFlow flow(
        fresh, freshView, restart, [] {}, c.platform);
    flow.FormShow();
    ASSERT_EQ(freshPrompt.Asked().size(), c.refused ? 1u : 0u);
    EXPECT_EQ(freshView.closesPosted, c.refused ? 1 : 0);
    EXPECT_EQ(fresh.Finished, c.refused);
    if (c.refused) {
      const auto& box = freshPrompt.Asked()[0];
      EXPECT_EQ(box.text, L"Demo 1.0 needs Windows NT");
      EXPECT_EQ(box.caption, L"Demo Setup");
      EXPECT_EQ(box.flags & MB_ICONMASK, static_cast<UINT>(MB_ICONERROR));
      // The posted close then needs no confirmation.
      EXPECT_TRUE(flow.CloseQuery());
      EXPECT_EQ(freshPrompt.Asked().size(), 1u);
      EXPECT_FALSE(fresh.LangFile);
    }
  }
}

TEST_F(WizardFlowTest, MissingLanguageFileGivesEmptyTexts) {
  state.LangName = L"Klingon";
  WizardFlow flow = MakeFlow("");
  flow.FormShow();
  flow.NextClick();
  flow.NextClick();
  for (WizardText t : {WizardText::BackButton, WizardText::NextButton, WizardText::WelcomeTitle,
                       WizardText::WelcomeBody, WizardText::LicenceText, WizardText::FolderText}) {
    EXPECT_EQ(view.texts[t], L"");
  }
  EXPECT_EQ(view.texts[WizardText::WindowCaption], L"Demo Setup");
  EXPECT_EQ(view.page, WizardPage::Folder);
  // The question on closing is empty as well, and still a question.
  EXPECT_FALSE(flow.CloseQuery());
  ASSERT_EQ(prompt.Asked().size(), 1u);
  EXPECT_EQ(prompt.Asked()[0].text, L"");
}

TEST_F(WizardFlowTest, NextAndBackWalkThePagesAndRecreateTheLicenceViewer) {
  WizardFlow flow = MakeFlow("");
  flow.FormShow();

  flow.NextClick();  // licence
  EXPECT_EQ(view.page, WizardPage::Licence);
  EXPECT_TRUE(view.backEnabled);
  EXPECT_TRUE(view.viewerPresent);
  EXPECT_EQ(view.viewerFile, kit.Path() + L"\\setup.rtf");
  EXPECT_EQ(view.texts[WizardText::NextButton], L"I agree");
  EXPECT_EQ(view.texts[WizardText::LicenceText], L"Read the licence of Demo 1.0");

  flow.NextClick();  // folder page
  EXPECT_EQ(view.page, WizardPage::Folder);
  EXPECT_FALSE(view.viewerPresent);
  EXPECT_EQ(view.texts[WizardText::NextButton], L"Next >");
  EXPECT_EQ(view.texts[WizardText::Destination], L"C:\\Apps\\Demo");
  // FreeSpace is shown as written, macros and all.
  EXPECT_EQ(view.texts[WizardText::FreeSpaceLine], L"Space needed: 12 %Dest% MB");
  EXPECT_TRUE(view.destinationEditable);

  view.texts[WizardText::Destination] = L"D:\\Typed";
  flow.BackClick();  // licence again, with a new viewer
  EXPECT_EQ(view.page, WizardPage::Licence);
  EXPECT_TRUE(view.viewerPresent);
  EXPECT_EQ(view.viewersCreated, 2);
  EXPECT_EQ(view.texts[WizardText::NextButton], L"I agree");

  flow.NextClick();  // the typed folder is not kept
  EXPECT_EQ(view.texts[WizardText::Destination], L"C:\\Apps\\Demo");

  flow.BackClick();
  flow.BackClick();  // welcome
  EXPECT_EQ(view.page, WizardPage::Welcome);
  EXPECT_FALSE(view.backEnabled);
  EXPECT_FALSE(view.viewerPresent);
  EXPECT_EQ(view.texts[WizardText::NextButton], L"Next >");
  EXPECT_EQ(state.PageStep, 0);
  EXPECT_EQ(installations, 0);
}

TEST_F(WizardFlowTest, ShowingTheWindowAgainKeepsThePageAndTheReaders) {
  WizardFlow flow = MakeFlow("");
  flow.FormShow();
  flow.NextClick();
  flow.NextClick();
  const ProfileFile* script = state.ScriptFile.get();
  flow.FormShow();
  EXPECT_EQ(state.PageStep, 2);
  EXPECT_EQ(state.ScriptFile.get(), script);
  EXPECT_EQ(view.texts[WizardText::NextButton], L"Next >");
  EXPECT_TRUE(view.backEnabled);
}

TEST_F(WizardFlowTest, ThirdNextInstallsOnceAndLaterClicksDoNothing) {
  WizardFlow flow = MakeFlow("EditDest=0\r\n");
  flow.FormShow();
  flow.NextClick();
  flow.NextClick();
  EXPECT_FALSE(view.destinationEditable);
  flow.NextClick();
  EXPECT_EQ(installations, 1);
  flow.NextClick();
  flow.BackClick();
  flow.NextClick();
  EXPECT_EQ(installations, 1);
  EXPECT_EQ(state.PageStep, 3);
}

// An empty or relative destination would install into the root or the current folder of the
// current drive and still report success: the folder page is not left, and the user is told.
TEST_F(WizardFlowTest, AnEmptyOrRelativeDestinationKeepsTheFolderPage) {
  WizardFlow flow = MakeFlow("");
  testsupport::WriteBytes(kit / L"English.qxl",
                          std::string(kLanguage) + "39=Give a full path.\r\n");
  flow.FormShow();
  flow.NextClick();
  flow.NextClick();
  for (const wchar_t* typed : {L"", L"Apps\\Demo", L"\\Apps", L"C:Apps", L"C:\\Apps\\NUL",
                               L"C:\\Apps\\Demo.", L"C:\\LPT1\\Demo"}) {
    view.texts[WizardText::Destination] = typed;
    flow.NextClick();
    EXPECT_EQ(state.PageStep, 2);
    EXPECT_EQ(view.page, WizardPage::Folder);
  }
  EXPECT_EQ(installations, 0);
  ASSERT_EQ(prompt.Asked().size(), 7u);
  EXPECT_EQ(prompt.Asked()[0].text, L"Give a full path.");
  EXPECT_EQ(prompt.Asked()[0].caption, L"Demo Setup");
  EXPECT_EQ(prompt.Asked()[0].flags & MB_ICONMASK, static_cast<UINT>(MB_ICONWARNING));
  EXPECT_EQ(view.destinationFocused, 7);

  view.texts[WizardText::Destination] = L"C:\\Apps\\..\\Demo";
  flow.NextClick();
  EXPECT_EQ(installations, 1);
  EXPECT_EQ(prompt.Asked().size(), 7u);
}

// A name the ANSI code page cannot hold would reach the uninstall list as '?'; a drive or
// share that is not there would fail file by file under a finish page saying success; a
// drive's root or the Windows folder would take the application's files among the system's
// (and a removal would take root files the installation only replaced).
// Also a folder another application's uninstall list is in (both lists would merge, and removing
// either application would remove both), and one too long for the installation's own files.
TEST_F(WizardFlowTest, AFolderTheSystemCannotTakeKeepsTheFolderPage) {
  WizardFlow flow = MakeFlow("CreateUninst=1\r\n");
  const std::wstring otherApp = kit / L"Other App", sameApp = kit / L"Same App";
  for (const std::wstring& folder : {otherApp, sameApp}) CreateDirectoryW(folder.c_str(), nullptr);
  testsupport::WriteBytes(otherApp + L"\\Uninstall.ini", "[uninstall]\r\nAppName=Other Tool\r\n");
  testsupport::WriteBytes(sameApp + L"\\Uninstall.ini", "[uninstall]\r\nAppName=demo 1.0\r\n");
  testsupport::WriteBytes(
      kit / L"English.qxl",
      std::string(kLanguage) + "40=Not in this alphabet.\r\n42=Not the system's folders.\r\n");
  flow.FormShow();
  flow.NextClick();
  flow.NextClick();
  const DWORD drives = GetLogicalDrives();
  wchar_t missing = L'Z';
  while (missing > L'D' && (drives & (1u << (missing - L'A')))) --missing;
  wchar_t windows[MAX_PATH], system[MAX_PATH];
  ASSERT_GT(GetWindowsDirectoryW(windows, MAX_PATH), 0u);
  ASSERT_GT(GetSystemDirectoryW(system, MAX_PATH), 0u);
  std::wstring lowerWindows = windows;
  CharLowerBuffW(lowerWindows.data(), static_cast<DWORD>(lowerWindows.size()));
  const std::wstring notAvailable = L"not available";  // English without text 41
  const struct {
    std::wstring typed, told;
  } cases[] = {
      {L"C:\\Apps\\\u4E2D\u6587", L"Not in this alphabet."},
      {std::wstring(1, missing) + L":\\Apps\\Demo", notAvailable},
      {L"\\\\no-such-server-kv\\share\\Demo", notAvailable},
      {L"C:\\", L"Not the system's folders."},
      {L"c:/", L"Not the system's folders."},
      {L"C:\\Apps\\..", L"Not the system's folders."},
      {windows, L"Not the system's folders."},
      {lowerWindows + L"\\", L"Not the system's folders."},
      {std::wstring(system) + L"\\.", L"Not the system's folders."},
      {otherApp + L"\\", L"another application's uninstall list"},
      {L"C:\\Apps\\" + std::wstring(240, L'x'), L"too long"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.typed.begin(), c.typed.end()));
    const size_t asked = prompt.Asked().size();
    view.texts[WizardText::Destination] = c.typed;
    flow.NextClick();
    EXPECT_EQ(state.PageStep, 2);
    ASSERT_EQ(prompt.Asked().size(), asked + 1);
    EXPECT_NE(prompt.Asked()[asked].text.find(c.told), std::wstring::npos);
  }
  EXPECT_EQ(installations, 0);
  // A folder of its own in the Windows folder is no system folder; the list of an earlier
  // installation of the same application is no other's, and the longest path is taken.
  for (const std::wstring& accepted :
       {std::wstring(windows) + L"\\Demo", sameApp,
        L"C:\\Apps\\" + std::wstring(kLongestDestination - 8, L'x')}) {
    const size_t asked = prompt.Asked().size();
    state.PageStep = 2;
    view.texts[WizardText::Destination] = accepted;
    flow.NextClick();
    EXPECT_EQ(prompt.Asked().size(), asked) << std::string(accepted.begin(), accepted.end());
  }
  EXPECT_EQ(installations, 3);
}

TEST_F(WizardFlowTest, AKitWithoutTheDestinationTextSaysItInEnglish) {
  WizardFlow flow = MakeFlow("");
  flow.FormShow();
  flow.NextClick();
  flow.NextClick();
  view.texts[WizardText::Destination] = L"";
  flow.NextClick();
  EXPECT_EQ(installations, 0);
  ASSERT_EQ(prompt.Asked().size(), 1u);
  EXPECT_NE(prompt.Asked()[0].text.find(L"full path"), std::wstring::npos);
}

TEST_F(WizardFlowTest, BrowseAppendsTheScriptsFolderName) {
  WizardFlow flow = MakeFlow("");
  flow.FormShow();
  flow.NextClick();
  flow.NextClick();
  view.texts[WizardText::Destination] = L"typed";
  view.chosenFolder = std::nullopt;
  flow.BrowseClick();
  EXPECT_EQ(view.texts[WizardText::Destination], L"typed");
  view.chosenFolder = L"D:\\Apps";
  flow.BrowseClick();
  EXPECT_EQ(view.texts[WizardText::Destination], L"D:\\Apps\\Demo");
  view.chosenFolder = L"E:\\";
  flow.BrowseClick();
  EXPECT_EQ(view.texts[WizardText::Destination], L"E:\\Demo");
}

TEST_F(WizardFlowTest, BrowseWithTrailingBackslashInTheScriptKeepsIt) {
  testsupport::WriteBytes(kit / L"setup.qx1", "[setup1]\r\nDestFolder=C:\\Apps\\Demo\\\r\n");
  WizardFlow flow(
      state, view, restart, [] {}, kNtFamily);
  flow.FormShow();
  flow.NextClick();
  flow.NextClick();
  view.chosenFolder = L"D:\\Apps";
  flow.BrowseClick();
  EXPECT_EQ(view.texts[WizardText::Destination], L"D:\\Apps\\");
}

TEST_F(WizardFlowTest, ClosingOnTheWelcomePageAsksAndNoKeepsTheWizard) {
  WizardFlow flow = MakeFlow("");
  flow.FormShow();
  prompt.AnswerBox(IDNO);
  EXPECT_FALSE(flow.CloseQuery());
  ASSERT_EQ(prompt.Asked().size(), 1u);
  const auto& box = prompt.Asked()[0];
  EXPECT_EQ(box.text, L"Leave the setup of Demo 1.0?\r\nNothing is installed.");
  EXPECT_EQ(box.caption, L"Demo Setup");
  EXPECT_EQ(box.flags & MB_TYPEMASK, static_cast<UINT>(MB_YESNO));
  EXPECT_EQ(box.flags & MB_ICONMASK, static_cast<UINT>(MB_ICONINFORMATION));
  EXPECT_TRUE(state.LangFile && state.ScriptFile);
  EXPECT_EQ(view.page, WizardPage::Welcome);

  prompt.AnswerBox(IDYES);
  EXPECT_TRUE(flow.CloseQuery());
  EXPECT_FALSE(state.LangFile);
  EXPECT_FALSE(state.ScriptFile);
  EXPECT_EQ(restart.restarts, 0);
}

TEST_F(WizardFlowTest, AfterTheInstallationClosingRestartsOnlyWhenTicked) {
  for (bool ticked : {true, false}) {
    SCOPED_TRACE(ticked ? "ticked" : "unticked");
    CountingRestart counting;
    TSetupState fresh;
    fresh.InstallerFolder = state.InstallerFolder;
    fresh.LangName = state.LangName;
    testsupport::WriteBytes(kit / L"setup.qx1", Script("Reboot=1\r\n"));
    WizardFlow flow(
        fresh, view, counting, [&fresh] { fresh.Finished = true; }, kNtFamily);
    flow.FormShow();
    flow.NextClick();
    flow.NextClick();
    flow.NextClick();
    view.restartTicked = ticked;
    EXPECT_TRUE(flow.CloseQuery());
    EXPECT_EQ(counting.restarts, ticked ? 1 : 0);
    EXPECT_TRUE(prompt.Asked().empty());
    EXPECT_FALSE(fresh.LangFile);
  }
}

TEST_F(WizardFlowTest, CloseDuringTheInstallationWaitsForItsEnd) {
  WizardFlow flow = MakeFlow("");
  bool closedDuring = true;
  bool filesDuring = false;
  duringInstallation = [&] {
    closedDuring = flow.CloseQuery();
    filesDuring = state.LangFile && state.ScriptFile;
    state.Finished = true;
  };
  flow.FormShow();
  flow.NextClick();
  flow.NextClick();
  flow.NextClick();
  EXPECT_FALSE(closedDuring);
  EXPECT_TRUE(filesDuring);
  EXPECT_TRUE(prompt.Asked().empty());
  // Carried out once the installation is over: the close is posted and goes through, without
  // the restart the user was not yet offered when asking to close.
  EXPECT_EQ(view.closesPosted, 1);
  EXPECT_FALSE(flow.Installing());
  view.restartTicked = true;
  EXPECT_TRUE(flow.CloseQuery());
  EXPECT_FALSE(state.LangFile);
  EXPECT_EQ(restart.restarts, 0);
}

TEST_F(WizardFlowTest, LinkOpensTheSite) {
  WizardFlow flow = MakeFlow("");
  flow.FormShow();
  flow.LinkClick();
  ASSERT_EQ(view.opened.size(), 1u);
  EXPECT_EQ(view.opened[0], L"http://example.com/demo");
}

}  // namespace
}  // namespace bramlow
