// Starts the real program in a folder of language files and drives its language dialog from
// outside, as a user would.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bramlow/actions/language/language_files.h"
#include "testing/support/file_bytes.h"
#include "testing/support/run_and_wait.h"
#include "testing/support/scratch_folder.h"

namespace {

struct Found {
  DWORD process;
  const wchar_t* className;
  HWND window;
};

// A named CALLBACK function: a lambda converts to a pointer of the compiler's default calling
// convention, which on 32-bit Windows is not the one EnumWindows calls.
BOOL CALLBACK MatchProcessWindow(HWND hwnd, LPARAM lp) {
  auto* f = reinterpret_cast<Found*>(lp);
  DWORD owner = 0;
  ::GetWindowThreadProcessId(hwnd, &owner);
  wchar_t name[64] = {};
  ::GetClassNameW(hwnd, name, 64);
  if (owner == f->process && lstrcmpW(name, f->className) == 0 && ::IsWindowVisible(hwnd)) {
    f->window = hwnd;
    return FALSE;
  }
  return TRUE;
}

HWND FindProcessWindow(DWORD process, const wchar_t* className) {
  Found found{process, className, nullptr};
  ::EnumWindows(MatchProcessWindow, reinterpret_cast<LPARAM>(&found));
  return found.window;
}

HWND WaitForWindow(DWORD process, const wchar_t* className, int ms) {
  for (int waited = 0; waited < ms; waited += 50) {
    if (HWND w = FindProcessWindow(process, className)) return w;
    ::Sleep(50);
  }
  return nullptr;
}

struct TaskBarSearch {
  DWORD process;
  std::vector<std::wstring> captions;
};

// The process's windows the task bar lists: visible, not tool windows, and without an owner or
// asking for a button of their own.
BOOL CALLBACK CollectTaskBarCaption(HWND hwnd, LPARAM lp) {
  auto* s = reinterpret_cast<TaskBarSearch*>(lp);
  DWORD owner = 0;
  ::GetWindowThreadProcessId(hwnd, &owner);
  const LONG_PTR ex = ::GetWindowLongPtrW(hwnd, GWL_EXSTYLE);
  if (owner == s->process && ::IsWindowVisible(hwnd) && !(ex & WS_EX_TOOLWINDOW) &&
      ((ex & WS_EX_APPWINDOW) || !::GetWindow(hwnd, GW_OWNER))) {
    wchar_t caption[256] = {};
    ::GetWindowTextW(hwnd, caption, 256);
    s->captions.push_back(caption);
  }
  return TRUE;
}

std::vector<std::wstring> TaskBarCaptions(DWORD process) {
  TaskBarSearch search{process, {}};
  ::EnumWindows(CollectTaskBarCaption, reinterpret_cast<LPARAM>(&search));
  return search.captions;
}

HWND Child(HWND parent, const wchar_t* className, const wchar_t* text) {
  return ::FindWindowExW(parent, nullptr, className, text);
}

// The program started from its own folder, as a user's double-click starts it.
testsupport::StartedProgram StartFromItsFolder(const std::wstring& exe) {
  return testsupport::StartedProgram(L"\"" + exe + L"\"", exe.substr(0, exe.find_last_of(L'\\') + 1));
}

class Program : public ::testing::Test {
protected:
  void SetUp() override {
    exe = dir / L"bramlow.exe";
    ASSERT_TRUE(::CopyFileW((bramlow::ProgramFolder() + L"bramlow.exe").c_str(), exe.c_str(), FALSE));
    testsupport::WriteBytes(dir / L"English.qxl", "[language]\r\n1=< Back\r\n");
    testsupport::WriteBytes(dir / L"Deutsch.qxl", "[language]\r\n1=< Zurueck\r\n");
    testsupport::WriteBytes(dir / L"readme.txt", "not a language\r\n");
  }
  testsupport::ScratchFolder dir;
  std::wstring exe;
};

}  // namespace

TEST_F(Program, LanguageDialogListsTheLanguagesAndCancelEndsWithoutQuestion) {
  testsupport::StartedProgram program = StartFromItsFolder(exe);
  ASSERT_TRUE(program.Started());
  HWND dialog = WaitForWindow(program.Id(), L"TForm2", 20000);
  ASSERT_NE(dialog, nullptr);
  wchar_t caption[64] = {};
  ::GetWindowTextW(dialog, caption, 64);
  EXPECT_STREQ(caption, L"Language");

  HWND combo = Child(dialog, L"ComboBox", nullptr);
  ASSERT_NE(combo, nullptr);
  std::vector<std::wstring> items;
  LRESULT count = ::SendMessageW(combo, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    wchar_t text[256] = {};
    ::SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
    items.push_back(text);
  }
  EXPECT_EQ(items, (std::vector<std::wstring>{L"Deutsch", L"English"}));
  EXPECT_NE(::SendMessageW(combo, CB_GETCURSEL, 0, 0), CB_ERR);

  HWND cancel = Child(dialog, L"Button", L"Cancel");
  ASSERT_NE(cancel, nullptr);
  ::PostMessageW(cancel, BM_CLICK, 0, 0);
  EXPECT_EQ(program.WaitExit(30000), 2u) << "cancelled";
}

TEST_F(Program, EnterInTheDialogTakesTheSelectedLanguage) {
  testsupport::WriteBytes(dir / L"setup.qx1", "[setup1]\r\nWindowName=Tool Setup\r\n");
  testsupport::StartedProgram program = StartFromItsFolder(exe);
  ASSERT_TRUE(program.Started());
  HWND dialog = WaitForWindow(program.Id(), L"TForm2", 20000);
  ASSERT_NE(dialog, nullptr);
  // While the dialog is open the task bar shows the program as "Language".
  EXPECT_EQ(TaskBarCaptions(program.Id()), std::vector<std::wstring>{L"Language"});
  HWND combo = Child(dialog, L"ComboBox", nullptr);
  ASSERT_NE(combo, nullptr);
  ::PostMessageW(combo, WM_KEYDOWN, VK_RETURN, 0x001C0001);
  ::PostMessageW(combo, WM_KEYUP, VK_RETURN, 0xC01C0001);
  // The language is taken and the wizard appears, in the task bar by the script's caption.
  EXPECT_NE(WaitForWindow(program.Id(), L"TForm1", 15000), nullptr);
  ::Sleep(300);
  EXPECT_EQ(TaskBarCaptions(program.Id()), std::vector<std::wstring>{L"Tool Setup"});
}
