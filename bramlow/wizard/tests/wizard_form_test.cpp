// The wizard window itself: its layout, the pages the buttons walk through, the licence
// viewer, the link label's hover colours and the way out after an installation, with the
// restart behind a counting stand-in. The installation here is a stand-in that drives the
// window as the real one does.
#include <windows.h>
#include <gtest/gtest.h>

#include <string>

#include "testing/support/file_bytes.h"
#include "testing/support/scratch_folder.h"
#include "bramlow/wizard/wizard_form.h"
#include "ui/application.h"
#include "ui/user_prompt.h"

namespace bramlow {
namespace {

class CountingRestart : public IComputerRestart {
 public:
  void RestartComputer() override { ++restarts; }
  int restarts = 0;
};

const char kLanguage[] =
    "[language]\r\n1=< Back\r\n2=Next >\r\n3=Cancel\r\n4=Welcome to %s\r\n5=Body\r\n"
    "7=Licence\r\n8=Read it\r\n9=I Agree\r\n11=Where\r\n12=Into %s\r\n14=Needs %s\r\n"
    "15=Destination Folder\r\n16=Browse...\r\n17=Quit?\r\n18=Installing\r\n19=Please wait\r\n"
    "25=Done\r\n26=%s is installed\r\n27=%s needs a restart\r\n28=Restart now\r\n29=Finish\r\n";

const char kScript[] =
    "[setup1]\r\nAppName=Demo\r\nWindowName=Demo Setup\r\nLinkName=Demo on the web\r\n"
    "DestFolder=C:\\Apps\\Demo\r\nFreeSpace=1 MB\r\nReboot=1\r\n";

const char kLicence[] =
    "{\\rtf1\\ansi{\\fonttbl{\\f0 Tahoma;}}\\f0\\fs16 {\\b LICENCE} first line\\par second line\\par}";

RECT Rect(const ui::Window& w) { return w.Bounds(); }

void ExpectBounds(const ui::Window& w, int x, int y, int width, int height, const char* what) {
  RECT r = Rect(w);
  EXPECT_EQ(r.left, x) << what;
  EXPECT_EQ(r.top, y) << what;
  EXPECT_EQ(r.right - r.left, width) << what;
  EXPECT_EQ(r.bottom - r.top, height) << what;
}

// The stand-in installation: the calls the real one makes on the window, ending with the
// restart offer.
void StandInInstallation(TSetupState& state, IInstallView& view) {
  view.ShowProgressPage();
  view.SetProgressTitle(L"Installing");
  view.ShowStatus(L"Please wait");
  view.DisableButtons();
  view.SetProgressMaximum(4);
  view.SetProgressPosition(3);
  view.ProcessPendingMessages();
  view.ShowFinishPage();
  view.SetFinishTitle(L"Done");
  view.EnableClose(L"Finish");
  state.Finished = true;
  view.SetFinishText(L"Demo needs a restart");
  view.OfferRestart(L"Restart now");
}

class WizardFormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testsupport::WriteBytes(kit / L"English.qxl", kLanguage);
    testsupport::WriteBytes(kit / L"setup.qx1", kScript);
    testsupport::WriteBytes(kit / L"setup.rtf", kLicence);
    SetupState = TSetupState{};
    SetupState.InstallerFolder = kit.Path() + L"\\";
    SetupState.LangName = L"English";
    ui::Application::Get().ClearTerminated();
  }
  void TearDown() override { SetupState = TSetupState{}; }

  testsupport::ScratchFolder kit;
  CountingRestart restart;
  ui::ScriptedPrompt prompt;
  ui::ScopedPrompt promptScope{prompt};
};

TEST_F(WizardFormTest, WindowAndStripHaveTheirSizesFontAndPlaces) {
  TForm1 form(SetupState, restart, &StandInInstallation);
  form.Show();
  ui::ProcessPendingMessages();
  EXPECT_EQ(form.ClientWidth(), 495);
  EXPECT_EQ(form.ClientHeight(), 357);
  LOGFONTW font{};
  ::GetObjectW(form.Font(), sizeof font, &font);
  EXPECT_STREQ(font.lfFaceName, L"Tahoma");
  EXPECT_EQ(font.lfHeight, -11);
  EXPECT_EQ(font.lfCharSet, RUSSIAN_CHARSET);
  LONG style = ::GetWindowLongW(form.Handle(), GWL_STYLE);
  EXPECT_FALSE(style & WS_THICKFRAME);
  EXPECT_FALSE(style & WS_MAXIMIZEBOX);

  ExpectBounds(form.btnBack, 224, 328, 65, 25, "Back");
  ExpectBounds(form.btnNext, 296, 328, 65, 25, "Next");
  ExpectBounds(form.btnCancel, 416, 328, 65, 25, "Cancel");
  ExpectBounds(form.labWelcomeTitle, 224, 8, 265, 41, "welcome title");
  ExpectBounds(form.labWelcomeBody, 168, 72, 321, 169, "welcome body");
  ExpectBounds(form.GroupBox1, 16, 96, 457, 65, "group");
  ExpectBounds(form.EditBox1, 24, 124, 345, 20, "edit box");
  ExpectBounds(form.btnBrowse, 384, 121, 65, 25, "Browse");
  ExpectBounds(form.pbrProgress, 8, 104, 481, 17, "progress bar");
  RECT link = Rect(form.Label1);
  EXPECT_EQ(link.left, 5);
  EXPECT_EQ(link.top, 317);
  EXPECT_GT(link.right - link.left, 20) << "the link label fits its text";

  EXPECT_EQ(form.Caption(), L"Demo Setup");
  EXPECT_EQ(ui::Application::Get().Title(), L"Demo Setup");
  EXPECT_EQ(form.labWelcomeTitle.Text(), L"Welcome to Demo");
  EXPECT_TRUE(form.labWelcomeTitle.Visible());
  EXPECT_FALSE(form.labLicenceTitle.Visible());
  EXPECT_FALSE(form.btnBack.Enabled());
  EXPECT_FALSE(form.chkRestart.Visible());

  // The strip's background is the shaded bitmap, not the page's white.
  ::UpdateWindow(form.Handle());
  HDC dc = ::GetDC(form.Handle());
  COLORREF page = ::GetPixel(dc, 100, 200);
  COLORREF strip = ::GetPixel(dc, 150, 340);
  ::ReleaseDC(form.Handle(), dc);
  EXPECT_EQ(page, RGB(255, 255, 255));
  EXPECT_NE(strip, RGB(255, 255, 255));
  EXPECT_NE(strip, CLR_INVALID);
}

TEST_F(WizardFormTest, LinkLabelTurnsRedAndUnderlinedUnderTheMouse) {
  TForm1 form(SetupState, restart, &StandInInstallation);
  form.Show();
  ui::ProcessPendingMessages();
  auto underlined = [&] {
    HFONT f = reinterpret_cast<HFONT>(::SendMessageW(form.Label1.Handle(), WM_GETFONT, 0, 0));
    LOGFONTW lf{};
    ::GetObjectW(f, sizeof lf, &lf);
    return std::pair<bool, LONG>(lf.lfUnderline != 0, lf.lfWeight);
  };
  EXPECT_EQ(form.Label1.FontColor(), RGB(0, 0, 255));
  EXPECT_EQ(underlined(), std::make_pair(false, static_cast<LONG>(FW_BOLD)));
  ::SendMessageW(form.Label1.Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
  EXPECT_EQ(form.Label1.FontColor(), RGB(255, 0, 0));
  EXPECT_EQ(underlined(), std::make_pair(true, static_cast<LONG>(FW_BOLD)));
  ::SendMessageW(form.Label1.Handle(), WM_MOUSELEAVE, 0, 0);
  EXPECT_EQ(form.Label1.FontColor(), RGB(0, 0, 255));
  EXPECT_EQ(underlined(), std::make_pair(false, static_cast<LONG>(FW_BOLD)));
}

TEST_F(WizardFormTest, ButtonsWalkThePagesWithAFreshLicenceViewerEachTime) {
  TForm1 form(SetupState, restart, &StandInInstallation);
  form.Show();
  ui::ProcessPendingMessages();

  form.btnNext.Click();
  ASSERT_NE(form.LicenceViewer(), nullptr);
  HWND first = form.LicenceViewer()->Handle();
  ExpectBounds(*form.LicenceViewer(), 8, 104, 482, 200, "viewer");
  std::wstring shown = form.LicenceViewer()->Text();
  EXPECT_NE(shown.find(L"LICENCE first line"), std::wstring::npos) << "rich text is rendered";
  EXPECT_EQ(shown.find(L"\\rtf"), std::wstring::npos);
  LONG viewerStyle = ::GetWindowLongW(first, GWL_STYLE);
  EXPECT_TRUE(viewerStyle & ES_READONLY);
  EXPECT_FALSE(viewerStyle & WS_HSCROLL);
  EXPECT_EQ(form.btnNext.Text(), L"I Agree");
  EXPECT_TRUE(form.btnBack.Enabled());
  EXPECT_FALSE(form.labWelcomeTitle.Visible());

  form.btnNext.Click();
  EXPECT_EQ(form.LicenceViewer(), nullptr);
  EXPECT_FALSE(::IsWindow(first));
  EXPECT_EQ(form.CurrentPage(), WizardPage::Folder);
  EXPECT_TRUE(form.EditBox1.Visible());
  EXPECT_EQ(form.EditBox1.Text(), L"C:\\Apps\\Demo");
  EXPECT_EQ(form.GroupBox1.Text(), L"Destination Folder");

  form.btnBack.Click();
  ASSERT_NE(form.LicenceViewer(), nullptr);
  EXPECT_TRUE(form.LicenceViewer()->Visible());
  EXPECT_FALSE(form.EditBox1.Visible());
  EXPECT_NE(form.LicenceViewer()->Text().find(L"second line"), std::wstring::npos);

  form.btnBack.Click();
  EXPECT_EQ(form.CurrentPage(), WizardPage::Welcome);
  EXPECT_EQ(form.LicenceViewer(), nullptr);
  EXPECT_FALSE(form.btnBack.Enabled());
}

// The wizard has no default button: Enter in the destination box must not start the
// installation. (A focused button still takes Enter, as every button does.)
TEST_F(WizardFormTest, EnterDoesNotPressNext) {
  int installations = 0;
  TForm1 form(SetupState, restart, [&](TSetupState& state, IInstallView& view) {
    ++installations;
    StandInInstallation(state, view);
  });
  form.Show();
  ui::ProcessPendingMessages();
  auto pressEnter = [&](HWND target) {
    ::PostMessageW(target, WM_KEYDOWN, VK_RETURN, 0x001C0001);
    ::PostMessageW(target, WM_KEYUP, VK_RETURN, 0xC01C0001);
    ui::ProcessPendingMessages();
  };
  form.btnNext.Click();
  form.btnNext.Click();
  ASSERT_EQ(form.CurrentPage(), WizardPage::Folder);
  ::SetFocus(form.EditBox1.Handle());
  pressEnter(form.EditBox1.Handle());
  EXPECT_EQ(form.CurrentPage(), WizardPage::Folder);
  EXPECT_EQ(installations, 0);
  EXPECT_EQ(::GetWindowLongW(form.btnNext.Handle(), GWL_STYLE) & BS_DEFPUSHBUTTON, 0)
      << "drawn as an ordinary button";
}

// Next with an empty destination: the page stays, the user is told, the box has the focus.
TEST_F(WizardFormTest, AnEmptyDestinationIsRefusedWithTheFocusInTheBox) {
  int installations = 0;
  TForm1 form(SetupState, restart, [&](TSetupState&, IInstallView&) { ++installations; });
  form.Show();
  ui::ProcessPendingMessages();
  form.btnNext.Click();
  form.btnNext.Click();
  form.EditBox1.SetText(L"");
  prompt.AnswerBox(IDOK);
  form.btnNext.Click();
  EXPECT_EQ(form.CurrentPage(), WizardPage::Folder);
  EXPECT_EQ(installations, 0);
  ASSERT_EQ(prompt.Asked().size(), 1u);
  EXPECT_EQ(::GetFocus(), form.EditBox1.Handle());
}

TEST_F(WizardFormTest, UnreadableLicenceLeavesTheViewerEmpty) {
  testsupport::WriteBytes(kit / L"setup.rtf", "");
  ::DeleteFileW((kit / L"setup.rtf").c_str());
  TForm1 form(SetupState, restart, &StandInInstallation);
  form.Show();
  ui::ProcessPendingMessages();
  form.btnNext.Click();
  ASSERT_NE(form.LicenceViewer(), nullptr);
  EXPECT_EQ(form.LicenceViewer()->Text(), L"");
}

TEST_F(WizardFormTest, FinishPageOffersTheRestartAndClosingRestartsOnlyWhenTicked) {
  for (bool untick : {false, true}) {
    SCOPED_TRACE(untick ? "unticked" : "ticked");
    SetUp();
    CountingRestart counting;
    TForm1 form(SetupState, counting, &StandInInstallation);
    form.Show();
    ui::ProcessPendingMessages();
    form.btnNext.Click();
    form.btnNext.Click();
    form.btnNext.Click();
    EXPECT_EQ(form.CurrentPage(), WizardPage::Finish);
    EXPECT_TRUE(form.labFinishTitle.Visible());
    EXPECT_FALSE(form.labStatus.Visible());
    EXPECT_TRUE(form.chkRestart.Visible());
    EXPECT_TRUE(form.chkRestart.Checked());
    EXPECT_EQ(form.chkRestart.Text(), L"Restart now");
    EXPECT_FALSE(form.btnBack.Enabled());
    EXPECT_FALSE(form.btnNext.Enabled());
    EXPECT_TRUE(form.btnCancel.Enabled());
    EXPECT_EQ(form.btnCancel.Text(), L"Finish");
    if (untick) form.chkRestart.SetChecked(false);
    form.btnCancel.Click();
    EXPECT_EQ(counting.restarts, untick ? 0 : 1);
    EXPECT_TRUE(prompt.Asked().empty());
    EXPECT_TRUE(ui::Application::Get().Terminated());
    EXPECT_FALSE(form.Visible());
  }
}

TEST_F(WizardFormTest, CloseBoxDuringTheInstallationClosesOnlyAfterIt) {
  CountingRestart counting;
  bool aliveDuring = false, readersDuring = false;
  TForm1* formPtr = nullptr;
  TForm1 form(SetupState, counting, [&](TSetupState& state, IInstallView& view) {
    ::PostMessageW(formPtr->Handle(), WM_CLOSE, 0, 0);
    view.ProcessPendingMessages();
    aliveDuring = formPtr->Visible() && !ui::Application::Get().Terminated();
    readersDuring = state.LangFile && state.ScriptFile;
    StandInInstallation(state, view);
  });
  formPtr = &form;
  form.Show();
  ui::ProcessPendingMessages();
  for (int i = 0; i < 3; ++i) form.btnNext.Click();
  EXPECT_TRUE(aliveDuring);
  EXPECT_TRUE(readersDuring);
  EXPECT_TRUE(prompt.Asked().empty());
  ui::ProcessPendingMessages();
  EXPECT_TRUE(ui::Application::Get().Terminated());
  EXPECT_FALSE(SetupState.LangFile);
  EXPECT_EQ(counting.restarts, 0);
}

TEST_F(WizardFormTest, CloseBoxOnTheWelcomePageAsksAndNoKeepsTheWindow) {
  TForm1 form(SetupState, restart, &StandInInstallation);
  form.Show();
  ui::ProcessPendingMessages();
  prompt.AnswerBox(IDNO);
  ::SendMessageW(form.Handle(), WM_CLOSE, 0, 0);
  ASSERT_EQ(prompt.Asked().size(), 1u);
  EXPECT_EQ(prompt.Asked()[0].text, L"Quit?");
  EXPECT_TRUE(form.Visible());
  EXPECT_FALSE(ui::Application::Get().Terminated());
  EXPECT_EQ(form.CurrentPage(), WizardPage::Welcome);
}

}  // namespace
}  // namespace bramlow
