#include <gtest/gtest.h>

#include "ui/application.h"
#include "ui/check_box.h"
#include "ui/edit_box.h"
#include "ui/form.h"
#include "ui/group_box.h"
#include "winbase/handles.h"
#include "ui/rich_edit.h"

namespace {

ui::FormStyle PageStyle() {
  ui::FormStyle s;
  s.className = L"TTestPage";
  s.clientWidth = 495;
  s.clientHeight = 357;
  s.color = ui::kWhite;
  s.fontName = L"Tahoma";
  s.fontHeight = -11;
  s.fontCharset = RUSSIAN_CHARSET;
  return s;
}

class ControlsTest : public ::testing::Test {
protected:
  void TearDown() override {
    ui::Application::Get().ProcessPendingMessages();
    ui::Application::Get().ClearTerminated();
  }
  ui::Form form{PageStyle()};
};

TEST_F(ControlsTest, FormFontIsTheOneAskedForAndControlsInheritIt) {
  ui::EditBox edit(form, L"C:\\Program Files\\App", 16, 120, 350, 21);
  LOGFONTW lf{};
  ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(edit.Handle(), WM_GETFONT, 0, 0)), sizeof lf, &lf);
  EXPECT_EQ(lf.lfHeight, -11);
  EXPECT_EQ(lf.lfCharSet, RUSSIAN_CHARSET);
  EXPECT_STREQ(lf.lfFaceName, L"Tahoma");
}

TEST_F(ControlsTest, CheckBoxReportsUserClicksAndItsState) {
  ui::CheckBox box(form, L"Перезагрузить", 16, 300, 200, 17);
  int clicks = 0;
  box.OnClick = [&] { ++clicks; };
  EXPECT_FALSE(box.Checked());
  ::SendMessageW(box.Handle(), BM_CLICK, 0, 0);
  EXPECT_TRUE(box.Checked());
  EXPECT_EQ(clicks, 1);
  box.SetChecked(false);
  EXPECT_FALSE(box.Checked());
  EXPECT_EQ(clicks, 1);  // set by the program: no click
}

TEST_F(ControlsTest, EditBoxReportsChangesAndCanBeReadOnly) {
  ui::EditBox edit(form, L"", 24, 120, 350, 21);
  ui::GroupBox group(form, L"Папка", 16, 96, 457, 65);
  int changes = 0;
  edit.OnChange = [&] { ++changes; };
  edit.SetText(L"D:\\Игры");
  EXPECT_EQ(edit.Text(), L"D:\\Игры");
  EXPECT_GE(changes, 1);
  edit.SetReadOnly(true);
  EXPECT_TRUE(::GetWindowLongW(edit.Handle(), GWL_STYLE) & ES_READONLY);
  EXPECT_EQ(group.Text(), L"Папка");
}

TEST_F(ControlsTest, RichEditShowsRtfInTheDocumentsCodePage) {
  ui::RichEditViewer viewer(form, 16, 96, 457, 161);
  // "Лицензия" in code page 1251, as the licence files are written.
  ASSERT_TRUE(viewer.LoadRtf("{\\rtf1\\ansi\\ansicpg1251 \\'cb\\'e8\\'f6\\'e5\\'ed\\'e7\\'e8\\'ff\\par}"));
  EXPECT_NE(viewer.PlainText().find(L"Лицензия"), std::wstring::npos);
  ASSERT_TRUE(viewer.LoadRtf("plain words"));
  EXPECT_NE(viewer.PlainText().find(L"plain words"), std::wstring::npos);
  // Broken documents are shown as far as they go, never a crash.
  viewer.LoadRtf("{\\rtf1{{{{\\'zz\\bin999999999 ");
  viewer.LoadRtf(std::string_view("\0\0\xff{\\rtf", 8));
  EXPECT_TRUE(::GetWindowLongW(viewer.Handle(), GWL_STYLE) & ES_READONLY);
}

TEST_F(ControlsTest, RichEditLoadsAFileUpToALimitAndShowsNothingForAMissingOne) {
  wchar_t temp[MAX_PATH];
  ASSERT_GT(::GetTempPathW(MAX_PATH, temp), 0u);
  const std::wstring path = std::wstring(temp) + L"ui_rich_edit_test.txt";
  struct Removed {
    std::wstring path;
    ~Removed() { ::DeleteFileW(path.c_str()); }
  } removed{path};
  {
    winbase::FileHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    ASSERT_TRUE(file);
    const char words[] = "first words, second words";
    DWORD written = 0;
    ASSERT_TRUE(::WriteFile(file.get(), words, sizeof words - 1, &written, nullptr));
  }
  ui::RichEditViewer viewer(form, 16, 96, 457, 161);
  ASSERT_TRUE(viewer.LoadFile(path, 11));
  EXPECT_EQ(viewer.PlainText(), L"first words");
  ASSERT_TRUE(viewer.LoadFile(path));
  EXPECT_NE(viewer.PlainText().find(L"second words"), std::wstring::npos);
  EXPECT_FALSE(viewer.LoadFile(L"Z:\\no\\such\\licence.rtf"));
  EXPECT_EQ(viewer.PlainText(), L"");
}

TEST_F(ControlsTest, PageLookIsFlatAndADisabledBoxKeepsThePageColour) {
  ui::EditBox pageEdit(form, L"", 24, 124, 345, 20, ui::EditLook::Page);
  ui::RichEditViewer pageViewer(form, 8, 150, 482, 100, ui::EditLook::Page);
  ui::EditBox dialogEdit(form, L"", 24, 260, 345, 20);
  // (An edit control takes WS_BORDER out of its style and draws the line itself.)
  for (HWND control : {pageEdit.Handle(), pageViewer.Handle()})
    EXPECT_FALSE(::GetWindowLongW(control, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
  EXPECT_TRUE(::GetWindowLongW(pageViewer.Handle(), GWL_STYLE) & WS_BORDER);
  EXPECT_TRUE(::GetWindowLongW(dialogEdit.Handle(), GWL_EXSTYLE) & WS_EX_CLIENTEDGE);

  // A disabled edit box asks its form for the colours of a static control.
  pageEdit.SetEnabled(false);
  dialogEdit.SetEnabled(false);
  winbase::WindowDc dc(form.Handle());
  auto brushFor = [&](HWND control) {
    return reinterpret_cast<HBRUSH>(::SendMessageW(form.Handle(), WM_CTLCOLORSTATIC,
                                                   reinterpret_cast<WPARAM>(dc.get()),
                                                   reinterpret_cast<LPARAM>(control)));
  };
  EXPECT_EQ(brushFor(pageEdit.Handle()), form.BackgroundBrush());
  EXPECT_NE(brushFor(dialogEdit.Handle()), form.BackgroundBrush());
}

}  // namespace
