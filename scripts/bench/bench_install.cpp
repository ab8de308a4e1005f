// bench_install KIT DEST COPYDEST: times bramlow.exe installing the kit's source tree (driven
// through the wizard) and, in the same run, a plain recursive copy of that tree with the same
// file API; samples the wizard's status line and bar while it works. Prints one line each.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <set>
#include <vector>
#include <string>

#include "driver.h"
#include "testing/support/tree_removal.h"
#include "winbase/handles.h"

namespace {

// The plain copy: folders created as they are met, files with the system's file copy.
int CopyTree(const std::wstring& from, const std::wstring& to) {
  ::CreateDirectoryW(to.c_str(), nullptr);
  int files = 0;
  WIN32_FIND_DATAW data;
  winbase::FindHandle find(::FindFirstFileW((from + L"\\*.*").c_str(), &data));
  if (!find) return 0;
  do {
    std::wstring name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      files += CopyTree(from + L"\\" + name, to + L"\\" + name);
    } else if (::CopyFileW((from + L"\\" + name).c_str(), (to + L"\\" + name).c_str(), FALSE)) {
      ++files;
    }
  } while (::FindNextFileW(find.get(), &data));
  return files;
}

bool WaitForControl(HWND top, const std::wstring& text, DWORD timeoutMs) {
  for (DWORD start = ::GetTickCount(); ::GetTickCount() - start <= timeoutMs; ::Sleep(50)) {
    HWND c = kvdriver::FindControl(top, text);
    if (c && ::IsWindowVisible(c)) return true;
  }
  return false;
}

// The text of a control as another process sees it without waiting for the wizard: the
// system keeps every window's text, so reading it sends nothing (sending would measure how
// often the wizard looks at its queue, not how fast it installs).
std::wstring TextOf(HWND hwnd) {
  wchar_t text[512] = {};
  ::GetWindowTextW(hwnd, text, 512);
  return text;
}

// The status line: the text control at the status line's place on the progress page.
HWND StatusLine(HWND wizard) {
  for (const auto& c : kvdriver::Controls(wizard)) {
    if (c.className != L"Static") continue;
    RECT r;
    ::GetWindowRect(c.hwnd, &r);
    POINT p{r.left, r.top};
    ::ScreenToClient(wizard, &p);
    if (p.x == 8 && p.y == 80) return c.hwnd;
  }
  return nullptr;
}

int Fail(const char* what) {
  std::printf("bench_install: %s\n", what);
  return 1;
}

// What one installation showed while it ran.
struct Observation {
  DWORD ms = 0;
  std::set<std::wstring> statuses;
  std::set<LRESULT> positions;
  DWORD slowest = 0;
};

// Drives bramlow.exe through the wizard into dest and times the installation from the last
// Next to the Finish button; returns an empty message on success.
const char* InstallOnce(const std::wstring& kit, const std::wstring& dest, Observation& seen) {
  kvdriver::Process setup = kvdriver::Start(kit + L"\\bramlow.exe", L"", kit);
  HWND dialog = kvdriver::WaitForWindow({L"Language", L"TForm2", setup.Id()}, 30000);
  if (!dialog) return "no language dialog";
  kvdriver::ClickButton(dialog, L"OK");
  HWND wizard = kvdriver::WaitForWindow({L"", L"TForm1", setup.Id()}, 30000);
  if (!wizard || !WaitForControl(wizard, L"Next >", 30000)) return "no wizard";
  kvdriver::ClickButton(wizard, L"Next >");
  if (!WaitForControl(wizard, L"I Agree", 30000)) return "no licence page";
  kvdriver::ClickButton(wizard, L"I Agree");
  if (!WaitForControl(wizard, L"Browse...", 30000)) return "no folder page";
  HWND edit = nullptr, bar = nullptr;
  std::vector<HWND> buttons;
  for (const auto& c : kvdriver::Controls(wizard)) {
    if (c.className == L"Edit") edit = c.hwnd;
    if (c.className == PROGRESS_CLASSW) bar = c.hwnd;
    if (c.className == L"Button") buttons.push_back(c.hwnd);
  }
  HWND status = StatusLine(wizard);
  if (!edit) return "no destination box";
  if (!status) return "no status line";
  ::SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(dest.c_str()));

  DWORD start = ::GetTickCount();
  kvdriver::ClickButton(wizard, L"Next >");
  for (;;) {
    // A window that does not answer within the time is not handling its messages.
    DWORD asked = ::GetTickCount();
    DWORD_PTR position = 0;
    if (bar) ::SendMessageTimeoutW(bar, PBM_GETPOS, 0, 0, SMTO_NORMAL, 5000, &position);
    seen.slowest = std::max<DWORD>(seen.slowest, ::GetTickCount() - asked);
    seen.positions.insert(static_cast<LRESULT>(position));
    const std::wstring shown = TextOf(status);
    if (shown.rfind(L"Copying ", 0) == 0) seen.statuses.insert(shown);
    bool finished = false;
    for (HWND button : buttons) {
      if (::IsWindowVisible(button) && ::IsWindowEnabled(button) && TextOf(button) == L"Finish") finished = true;
    }
    if (finished) break;
    if (::GetTickCount() - start > 30 * 60 * 1000) return "installation did not end";
    // Looking costs the system's time too; a few looks a frame are enough.
    ::Sleep(25);
  }
  seen.ms = ::GetTickCount() - start;
  kvdriver::ClickButton(wizard, L"Finish");
  setup.Wait(30000);
  return nullptr;
}

DWORD Median(std::vector<DWORD> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 4 && argc != 5) return Fail("usage: bench_install KIT DEST COPYDEST [RUNS]");
  const std::wstring kit = argv[1], dest = argv[2], copyDest = argv[3];
  const int runs = argc == 5 ? std::max(1, _wtoi(argv[4])) : 3;
  std::vector<DWORD> installs, copies;
  for (int run = 1; run <= runs; ++run) {
    testsupport::RemoveTree(dest);
    testsupport::RemoveTree(copyDest);
    // Taking turns at going first: whichever goes second inherits the first one's unwritten
    // data, on a disk.
    Observation seen;
    DWORD copyMs = 0;
    int copied = 0;
    auto copy = [&] {
      DWORD start = ::GetTickCount();
      copied = CopyTree(kit + L"\\tree", copyDest);
      copyMs = ::GetTickCount() - start;
    };
    if (run % 2 == 0) copy();
    if (const char* failure = InstallOnce(kit, dest, seen)) return Fail(failure);
    if (run % 2 == 1) copy();
    installs.push_back(seen.ms);
    copies.push_back(copyMs);
    std::printf("run %d: install (bramlow.exe, wizard) %lu ms, plain recursive copy (CopyFileW) %lu ms "
                "for %d files; %zu different status lines seen, %zu bar positions, slowest answer %lu ms\n",
                run, static_cast<unsigned long>(seen.ms), static_cast<unsigned long>(copyMs), copied,
                seen.statuses.size(), seen.positions.size(), static_cast<unsigned long>(seen.slowest));
  }
  DWORD install = Median(installs), copy = Median(copies);
  std::printf("median of %d: install %lu ms, copy %lu ms, ratio install/copy: %.2f\n", runs,
              static_cast<unsigned long>(install), static_cast<unsigned long>(copy),
              copy ? static_cast<double>(install) / copy : 0.0);
  testsupport::RemoveTree(dest);
  testsupport::RemoveTree(copyDest);
  return 0;
}
