#include "bramlow/wizard/language_dialog.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "bramlow/actions/language/language_files.h"
#include "testing/support/file_bytes.h"
#include "testing/support/scratch_folder.h"
#include "ui/application.h"

using namespace bramlow;

namespace {

class LanguageDialog : public ::testing::Test {
protected:
  void SetUp() override {
    ui::Application::Get().ClearTerminated();
    testsupport::WriteBytes(dir / L"English.qxl", "[language]\r\n1=< Back\r\n");
    testsupport::WriteBytes(dir / L"Deutsch.qxl", "[language]\r\n1=< Zur\xFC" "ck\r\n");
    testsupport::WriteBytes(dir / L"readme.txt", "not a language\r\n");
  }
  void TearDown() override {
    ui::Application::Get().ProcessPendingMessages();
    ui::Application::Get().ClearTerminated();
  }
  std::wstring Folder() const { return dir.Path() + L"\\"; }

  testsupport::ScratchFolder dir;
  TSetupState state;
};

}  // namespace

TEST_F(LanguageDialog, ListsTheLanguagesSortedAndSelectsTheFirstFound) {
  TForm2 form(state, Folder());
  EXPECT_EQ(state.InstallerFolder, Folder());
  ASSERT_EQ(form.cbbLanguage.Count(), 2);
  EXPECT_EQ(form.cbbLanguage.Item(0), L"Deutsch");
  EXPECT_EQ(form.cbbLanguage.Item(1), L"English");
  EXPECT_EQ(form.FirstFound(), ListLanguageNames(Folder()).front());
  EXPECT_EQ(form.cbbLanguage.SelectedText(), form.FirstFound());
  EXPECT_EQ(ui::Application::Get().Title(), L"Language");
  EXPECT_EQ(form.Caption(), L"Language");

  RECT client{};
  ::GetClientRect(form.Handle(), &client);
  EXPECT_EQ(client.right, 248);
  EXPECT_EQ(client.bottom, 130);
  LONG style = ::GetWindowLongW(form.Handle(), GWL_STYLE);
  EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME));
  EXPECT_EQ(::GetWindowLongW(form.cbbLanguage.Handle(), GWL_STYLE) & (CBS_DROPDOWNLIST | CBS_SORT),
            CBS_DROPDOWNLIST | CBS_SORT);
  EXPECT_TRUE(form.labPrompt.Bold());
}

// The task bar lists a visible window that is not a tool window when it has no owner or
// asks for a button of its own.
bool HasTaskBarButton(HWND window) {
  const LONG_PTR ex = ::GetWindowLongPtrW(window, GWL_EXSTYLE);
  return ::IsWindowVisible(window) && !(ex & WS_EX_TOOLWINDOW) &&
         ((ex & WS_EX_APPWINDOW) || !::GetWindow(window, GW_OWNER));
}

// At start-up the wizard (the main window) is built first and hidden; the dialog it owns must
// still show the program in the task bar, as "Language".
TEST_F(LanguageDialog, ShowsTheProgramInTheTaskBarAsLanguage) {
  ui::FormStyle hidden;
  hidden.className = L"KvHiddenMain";
  hidden.clientWidth = 10;
  hidden.clientHeight = 10;
  ui::Form mainForm(hidden);
  TForm2 form(state, Folder());
  ASSERT_EQ(::GetWindow(form.Handle(), GW_OWNER), mainForm.Handle());
  form.Show();
  EXPECT_TRUE(HasTaskBarButton(form.Handle()));
  EXPECT_FALSE(HasTaskBarButton(mainForm.Handle()));
  EXPECT_EQ(form.Caption(), L"Language");
  EXPECT_EQ(ui::Application::Get().Title(), L"Language");
  form.Hide();
}

TEST_F(LanguageDialog, EnterActsAsOk) {
  TForm2 form(state, Folder());
  bool accepted = false;
  form.OnAccepted = [&] { accepted = true; };
  form.Show();
  form.cbbLanguage.SetItemIndex(form.cbbLanguage.IndexOf(L"English"));
  form.cbbLanguage.SetFocus();
  ::PostMessageW(form.cbbLanguage.Handle(), WM_KEYDOWN, VK_RETURN, 0x001C0001);
  ::PostMessageW(form.cbbLanguage.Handle(), WM_KEYUP, VK_RETURN, 0xC01C0001);
  for (int i = 0; i < 500 && !accepted; ++i) {
    ui::Application::Get().ProcessPendingMessages();
    ::Sleep(10);
  }
  EXPECT_TRUE(accepted);
  EXPECT_EQ(state.LangName, L"English");
  EXPECT_FALSE(form.Visible());
  EXPECT_FALSE(state.Finished);
}

TEST_F(LanguageDialog, CancelClosesBothWindowsWithoutConfirmation) {
  ui::FormStyle style;
  style.className = L"TTestForm1";
  style.clientWidth = 100;
  style.clientHeight = 50;
  ui::Form form1(style);
  TForm2 form(state, Folder());
  form.Form1 = &form1;
  bool form1Closed = false;
  form1.OnClose = [&](ui::CloseAction&) { form1Closed = true; };
  form.Show();
  // The close box and Alt+F4 do not end the dialog.
  ::SendMessageW(form.Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
  ui::Application::Get().ProcessPendingMessages();
  EXPECT_TRUE(form.Visible());
  EXPECT_FALSE(ui::Application::Get().Terminated());

  form.btnCancel.Click();
  EXPECT_TRUE(state.Finished);
  ui::Application::Get().ProcessPendingMessages();
  EXPECT_FALSE(form.Visible());
  EXPECT_TRUE(form1Closed);
  EXPECT_TRUE(ui::Application::Get().Terminated());  // Form1 is the main window
  EXPECT_EQ(state.LangName, L"");
}

TEST_F(LanguageDialog, NoLanguageFilesGiveAnEmptyChoice) {
  testsupport::ScratchFolder empty;
  TForm2 form(state, empty.Path() + L"\\");
  EXPECT_EQ(form.cbbLanguage.Count(), 0);
  state.LangName = L"previous";
  form.btnOk.Click();
  EXPECT_EQ(state.LangName, L"");
}
