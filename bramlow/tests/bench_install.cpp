// bench_install KIT DEST COPYDEST: times bramlow.exe installing the kit's source tree (driven
// through the wizard) and, in the same run, a plain recursive copy of that tree with the same
// file API; samples the wizard's status line and bar while it works. Prints one line each.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <set>
#include <string>

#include "driver.h"
#include "ui/handles.h"

namespace {

void RemoveTree(const std::wstring& path) {
  WIN32_FIND_DATAW data;
  ui::FindHandle find(::FindFirstFileW((path + L"\\*").c_str(), &data));
  if (find) {
    do {
      std::wstring name = data.cFileName;
      if (name == L"." || name == L"..") continue;
      std::wstring full = path + L"\\" + name;
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(full);
      } else {
        ::SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileW(full.c_str());
      }
    } while (::FindNextFileW(find.get(), &data));
  }
  ::RemoveDirectoryW(path.c_str());
}

// The plain copy: folders created as they are met, files with the system's file copy.
int CopyTree(const std::wstring& from, const std::wstring& to) {
  ::CreateDirectoryW(to.c_str(), nullptr);
  int files = 0;
  WIN32_FIND_DATAW data;
  ui::FindHandle find(::FindFirstFileW((from + L"\\*.*").c_str(), &data));
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

int Fail(const char* what) {
  std::printf("bench_install: %s\n", what);
  return 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 4) return Fail("usage: bench_install KIT DEST COPYDEST");
  const std::wstring kit = argv[1], dest = argv[2], copyDest = argv[3];
  RemoveTree(dest);
  RemoveTree(copyDest);

  kvdriver::Process setup = kvdriver::Start(kit + L"\\bramlow.exe", L"", kit);
  HWND dialog = kvdriver::WaitForWindow({L"Language", L"TForm2", setup.Id()}, 30000);
  if (!dialog) return Fail("no language dialog");
  kvdriver::ClickButton(dialog, L"OK");
  HWND wizard = kvdriver::WaitForWindow({L"", L"TForm1", setup.Id()}, 30000);
  if (!wizard || !WaitForControl(wizard, L"Next >", 30000)) return Fail("no wizard");
  kvdriver::ClickButton(wizard, L"Next >");
  if (!WaitForControl(wizard, L"I Agree", 30000)) return Fail("no licence page");
  kvdriver::ClickButton(wizard, L"I Agree");
  if (!WaitForControl(wizard, L"Browse...", 30000)) return Fail("no folder page");
  HWND edit = kvdriver::FindControl(wizard, L"", L"Edit");
  for (const auto& c : kvdriver::Controls(wizard)) {
    if (c.className == L"Edit") edit = c.hwnd;
  }
  if (!edit) return Fail("no destination box");
  ::SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(dest.c_str()));
  HWND bar = nullptr;
  for (const auto& c : kvdriver::Controls(wizard)) {
    if (c.className == PROGRESS_CLASSW) bar = c.hwnd;
  }

  std::set<std::wstring> statuses;
  std::set<LRESULT> positions;
  DWORD slowest = 0;
  DWORD start = ::GetTickCount();
  kvdriver::ClickButton(wizard, L"Next >");
  for (;;) {
    // A window that does not answer within the time is not handling its messages.
    DWORD asked = ::GetTickCount();
    DWORD_PTR position = 0;
    if (bar) ::SendMessageTimeoutW(bar, PBM_GETPOS, 0, 0, SMTO_NORMAL, 5000, &position);
    DWORD answered = ::GetTickCount() - asked;
    if (answered > slowest) slowest = answered;
    positions.insert(static_cast<LRESULT>(position));
    for (const auto& c : kvdriver::Controls(wizard)) {
      if (c.className == L"Static" && c.visible && c.text.rfind(L"Copying ", 0) == 0) statuses.insert(c.text);
    }
    HWND finish = kvdriver::FindControl(wizard, L"Finish", L"Button");
    if (finish && ::IsWindowVisible(finish) && ::IsWindowEnabled(finish)) break;
    if (::GetTickCount() - start > 30 * 60 * 1000) return Fail("installation did not end");
    ::Sleep(20);
  }
  DWORD installMs = ::GetTickCount() - start;
  kvdriver::ClickButton(wizard, L"Finish");
  setup.Wait(30000);

  start = ::GetTickCount();
  int copied = CopyTree(kit + L"\\tree", copyDest);
  DWORD copyMs = ::GetTickCount() - start;

  std::printf("install (bramlow.exe, wizard): %lu ms\n", static_cast<unsigned long>(installMs));
  std::printf("plain recursive copy (CopyFileW): %lu ms for %d files\n",
              static_cast<unsigned long>(copyMs), copied);
  std::printf("ratio install/copy: %.2f\n", copyMs ? static_cast<double>(installMs) / copyMs : 0.0);
  std::printf("while installing: %zu different status lines seen, %zu bar positions, slowest answer %lu ms\n",
              statuses.size(), positions.size(), static_cast<unsigned long>(slowest));
  RemoveTree(copyDest);
  return 0;
}
