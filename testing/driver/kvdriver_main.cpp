// kvdriver.exe: the test driver for shell scripts. Prints UTF-8; exit code 0 on success,
// 1 when the window/box/process was not found in time, 2 on a usage error.
//
//   kvdriver windows [--class C] [--caption T] [--pid N] [--all]
//   kvdriver wait-window [--class C] [--caption T] [--pid N] [--timeout MS]
//   kvdriver wait-gone [--class C] [--caption T] [--timeout MS]
//   kvdriver controls [--class C] [--caption T]
//   kvdriver click --button B [--class C] [--caption T]
//   kvdriver key --key enter|escape|tab|space|home|down [--class C] [--caption T]
//   kvdriver close [--class C] [--caption T]
//   kvdriver hot --button N [--class C] [--caption T] [--pid N]
//                                         (lights up the N-th button of the window's toolbar, as the
//                                          mouse over it would; for screenshots)
//   kvdriver answer [--button ok|cancel|yes|no|CAPTION] [--pid N] [--caption T] [--timeout MS]
//                                         (prints the box's caption and text)
//   kvdriver start EXE [ARGS...]          (prints the process id)
//   kvdriver wait-process --pid N [--timeout MS]   (exit code of the process on stdout)
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "driver.h"
#include "winbase/text.h"

namespace {

void Print(const std::wstring& line) {
  std::string bytes = winbase::Narrow(line + L"\n", CP_UTF8);
  DWORD written = 0;
  ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

std::wstring Hex(HWND h) {
  wchar_t buf[32];
  swprintf(buf, 32, L"0x%llx", static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(h)));
  return buf;
}

struct Options {
  std::map<std::wstring, std::wstring> named;
  std::vector<std::wstring> rest;
  bool Has(const wchar_t* k) const { return named.count(k) != 0; }
  std::wstring Get(const wchar_t* k, const std::wstring& d = L"") const {
    auto it = named.find(k);
    return it == named.end() ? d : it->second;
  }
  DWORD Number(const wchar_t* k, DWORD d) const {
    auto it = named.find(k);
    return it == named.end() ? d : static_cast<DWORD>(wcstoul(it->second.c_str(), nullptr, 0));
  }
};

Options Parse(int argc, wchar_t** argv, int from) {
  Options o;
  for (int i = from; i < argc; ++i) {
    std::wstring a = argv[i];
    if (a == L"--all") { o.named[a] = L"1"; continue; }
    if (a.rfind(L"--", 0) == 0 && i + 1 < argc) { o.named[a] = argv[++i]; continue; }
    o.rest.push_back(a);
  }
  return o;
}

kvdriver::WindowQuery Query(const Options& o) {
  kvdriver::WindowQuery q;
  q.className = o.Get(L"--class");
  q.caption = o.Get(L"--caption");
  q.processId = o.Number(L"--pid", 0);
  q.visibleOnly = !o.Has(L"--all");
  return q;
}

HWND Target(const Options& o) {
  return kvdriver::WaitForWindow(Query(o), o.Number(L"--timeout", 5000));
}

WORD KeyCode(const std::wstring& name) {
  if (name == L"enter") return VK_RETURN;
  if (name == L"escape") return VK_ESCAPE;
  if (name == L"tab") return VK_TAB;
  if (name == L"space") return VK_SPACE;
  if (name == L"home") return VK_HOME;
  if (name == L"down") return VK_DOWN;
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) { Print(L"usage: kvdriver COMMAND [options] (see the source's head)"); return 2; }
  std::wstring cmd = argv[1];
  Options o = Parse(argc, argv, 2);

  if (cmd == L"windows") {
    for (const auto& w : kvdriver::TopWindows(Query(o))) {
      Print(Hex(w.hwnd) + L"\t" + std::to_wstring(w.processId) + L"\t" + w.className + L"\t" + w.text);
    }
    return 0;
  }
  if (cmd == L"wait-window") {
    HWND h = Target(o);
    if (!h) return 1;
    Print(Hex(h));
    return 0;
  }
  if (cmd == L"wait-gone") {
    HWND h = kvdriver::FindTopWindow(Query(o));
    return !h || kvdriver::WaitForWindowGone(h, o.Number(L"--timeout", 5000)) ? 0 : 1;
  }
  if (cmd == L"controls") {
    HWND h = Target(o);
    if (!h) return 1;
    for (const auto& c : kvdriver::Controls(h)) {
      Print(c.className + L"\t" + std::to_wstring(c.id) + L"\t" + (c.visible ? L"visible" : L"hidden") +
            L"\t" + c.text);
    }
    return 0;
  }
  if (cmd == L"click") {
    HWND h = Target(o);
    return h && kvdriver::ClickButton(h, o.Get(L"--button")) ? 0 : 1;
  }
  if (cmd == L"key") {
    WORD vk = KeyCode(o.Get(L"--key"));
    if (!vk) return 2;
    HWND h = Target(o);
    return h && kvdriver::PressKey(h, vk) ? 0 : 1;
  }
  if (cmd == L"close") {
    HWND h = Target(o);
    return h && kvdriver::CloseWindow(h) ? 0 : 1;
  }
  if (cmd == L"hot") {
    HWND h = Target(o);
    if (!h) return 1;
    for (const auto& c : kvdriver::Controls(h)) {
      if (c.className != TOOLBARCLASSNAMEW) continue;
      ::SendMessageW(c.hwnd, TB_SETHOTITEM, static_cast<WPARAM>(o.Number(L"--button", 0)), 0);
      return 0;
    }
    return 1;
  }
  if (cmd == L"answer") {
    auto box = kvdriver::WaitForMessageBox(o.Number(L"--pid", 0), o.Number(L"--timeout", 5000), o.Get(L"--caption"));
    if (!box) return 1;
    Print(box->caption + L"\t" + box->text);
    std::wstring button = o.Get(L"--button", L"ok");
    // Button IDs by name, as the system's language names the buttons differently.
    static const std::map<std::wstring, int> ids = {{L"ok", IDOK}, {L"cancel", IDCANCEL},
        {L"yes", IDYES}, {L"no", IDNO}, {L"abort", IDABORT}, {L"retry", IDRETRY}, {L"ignore", IDIGNORE}};
    auto id = ids.find(button);
    bool done = id != ids.end() ? kvdriver::AnswerMessageBox(*box, id->second)
                                : kvdriver::AnswerMessageBox(*box, button);
    return done ? 0 : 1;
  }
  if (cmd == L"start") {
    if (argc < 3) return 2;
    std::wstring args;
    for (int i = 3; i < argc; ++i) {
      if (!args.empty()) args += L" ";
      args += argv[i];
    }
    kvdriver::Process p = kvdriver::Start(argv[2], args);
    if (!p) return 1;
    Print(std::to_wstring(p.Id()));
    return 0;
  }
  if (cmd == L"wait-process") {
    auto code = kvdriver::WaitForProcess(o.Number(L"--pid", 0), o.Number(L"--timeout", 10000));
    if (!code) return 1;
    Print(std::to_wstring(*code));
    return 0;
  }
  Print(L"kvdriver: unknown command " + cmd);
  return 2;
}
