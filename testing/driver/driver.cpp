#include "driver.h"

namespace kvdriver {
namespace {

const DWORD kSendTimeoutMs = 2000;
const DWORD kPollMs = 25;

template <class F>
bool PollUntil(DWORD timeoutMs, F done) {
  DWORD start = ::GetTickCount();
  for (;;) {
    if (done()) return true;
    if (::GetTickCount() - start >= timeoutMs) return false;
    ::Sleep(kPollMs);
  }
}

BOOL CALLBACK CollectTop(HWND hwnd, LPARAM param) {
  try {
    reinterpret_cast<std::vector<HWND>*>(param)->push_back(hwnd);
  } catch (...) {
    return FALSE;
  }
  return TRUE;
}

BOOL CALLBACK CollectChild(HWND hwnd, LPARAM param) {
  try {
    reinterpret_cast<std::vector<HWND>*>(param)->push_back(hwnd);
  } catch (...) {
    return FALSE;
  }
  return TRUE;
}

bool Matches(const WindowInfo& w, const WindowQuery& q) {
  if (q.visibleOnly && !w.visible) return false;
  if (!q.caption.empty() && w.text != q.caption) return false;
  if (!q.className.empty() && w.className != q.className) return false;
  if (q.processId && w.processId != q.processId) return false;
  return true;
}

}  // namespace

std::wstring WindowText(HWND hwnd) {
  DWORD_PTR length = 0;
  if (!::SendMessageTimeoutW(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &length)) {
    return {};
  }
  std::wstring text(length + 1, L'\0');
  DWORD_PTR copied = 0;
  if (!::SendMessageTimeoutW(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                             SMTO_ABORTIFHUNG, kSendTimeoutMs, &copied)) {
    return {};
  }
  text.resize(copied < text.size() ? copied : text.size() - 1);
  return text;
}

std::wstring ClassName(HWND hwnd) {
  wchar_t name[256];
  int n = ::GetClassNameW(hwnd, name, 256);
  return std::wstring(name, n > 0 ? static_cast<size_t>(n) : 0);
}

WindowInfo Describe(HWND hwnd) {
  WindowInfo w;
  w.hwnd = hwnd;
  w.className = ClassName(hwnd);
  w.text = WindowText(hwnd);
  ::GetWindowThreadProcessId(hwnd, &w.processId);
  w.id = ::GetDlgCtrlID(hwnd);
  w.visible = ::IsWindowVisible(hwnd) != FALSE;
  w.enabled = ::IsWindowEnabled(hwnd) != FALSE;
  ::GetWindowRect(hwnd, &w.rect);
  if (::GetWindowLongW(hwnd, GWL_STYLE) & WS_CHILD) {
    ::MapWindowPoints(HWND_DESKTOP, ::GetAncestor(hwnd, GA_ROOT), reinterpret_cast<POINT*>(&w.rect), 2);
  }
  return w;
}

std::vector<WindowInfo> TopWindows(const WindowQuery& query) {
  std::vector<HWND> all;
  ::EnumWindows(&CollectTop, reinterpret_cast<LPARAM>(&all));
  std::vector<WindowInfo> out;
  for (HWND h : all) {
    WindowInfo w = Describe(h);
    if (Matches(w, query)) out.push_back(std::move(w));
  }
  return out;
}

HWND FindTopWindow(const WindowQuery& query) {
  auto found = TopWindows(query);
  return found.empty() ? nullptr : found.front().hwnd;
}

HWND WaitForWindow(const WindowQuery& query, DWORD timeoutMs) {
  HWND found = nullptr;
  PollUntil(timeoutMs, [&] { return (found = FindTopWindow(query)) != nullptr; });
  return found;
}

bool WaitForWindowGone(HWND hwnd, DWORD timeoutMs) {
  return PollUntil(timeoutMs, [&] { return !::IsWindow(hwnd) || !::IsWindowVisible(hwnd); });
}

SIZE ClientSize(HWND hwnd) {
  RECT r{};
  ::GetClientRect(hwnd, &r);
  return SIZE{r.right, r.bottom};
}

std::vector<WindowInfo> Controls(HWND top) {
  std::vector<HWND> all;
  ::EnumChildWindows(top, &CollectChild, reinterpret_cast<LPARAM>(&all));
  std::vector<WindowInfo> out;
  for (HWND h : all) out.push_back(Describe(h));
  return out;
}

HWND FindControl(HWND top, const std::wstring& text, const std::wstring& className) {
  for (const WindowInfo& c : Controls(top)) {
    if (c.text != text) continue;
    if (!className.empty() && _wcsicmp(c.className.c_str(), className.c_str()) != 0) continue;
    return c.hwnd;
  }
  return nullptr;
}

bool ClickButton(HWND top, const std::wstring& caption) {
  HWND button = FindControl(top, caption, L"Button");
  // Posted: a click that opens a modal window must not hold the driver up.
  return button && ::PostMessageW(button, BM_CLICK, 0, 0);
}

std::optional<MessageBoxInfo> WaitForMessageBox(DWORD processId, DWORD timeoutMs,
                                                const std::wstring& caption) {
  WindowQuery q;
  q.className = L"#32770";
  q.processId = processId;
  q.caption = caption;
  HWND box = WaitForWindow(q, timeoutMs);
  if (!box) return std::nullopt;
  MessageBoxInfo info;
  info.hwnd = box;
  info.caption = WindowText(box);
  for (const WindowInfo& c : Controls(box)) {
    if (_wcsicmp(c.className.c_str(), L"Button") == 0) {
      info.buttons.push_back(c.text);
      info.buttonIds.push_back(c.id);
    } else if (_wcsicmp(c.className.c_str(), L"Static") == 0 && !c.text.empty()) {
      if (!info.text.empty()) info.text += L"\n";
      info.text += c.text;
    }
  }
  return info;
}

bool AnswerMessageBox(const MessageBoxInfo& box, const std::wstring& button) {
  return ClickButton(box.hwnd, button);
}

bool AnswerMessageBox(const MessageBoxInfo& box, int buttonId) {
  HWND button = ::GetDlgItem(box.hwnd, buttonId);
  return button && ::PostMessageW(button, BM_CLICK, 0, 0);
}

bool PressKey(HWND top, WORD virtualKey) {
  DWORD thread = ::GetWindowThreadProcessId(top, nullptr);
  GUITHREADINFO gui{};
  gui.cbSize = sizeof gui;
  HWND target = top;
  if (::GetGUIThreadInfo(thread, &gui) && gui.hwndFocus) target = gui.hwndFocus;
  UINT scan = ::MapVirtualKeyW(virtualKey, 0);
  LPARAM down = 1 | (static_cast<LPARAM>(scan) << 16);
  LPARAM up = down | (1LL << 30) | (1LL << 31);
  return ::PostMessageW(target, WM_KEYDOWN, virtualKey, down) &&
         ::PostMessageW(target, WM_KEYUP, virtualKey, up);
}

bool CloseWindow(HWND top) { return ::PostMessageW(top, WM_CLOSE, 0, 0) != FALSE; }

std::optional<DWORD> Process::Wait(DWORD timeoutMs) const {
  if (!handle_) return std::nullopt;
  if (::WaitForSingleObject(handle_.get(), timeoutMs) != WAIT_OBJECT_0) return std::nullopt;
  DWORD code = 0;
  ::GetExitCodeProcess(handle_.get(), &code);
  return code;
}

void Process::Kill() {
  if (handle_ && Running()) {
    ::TerminateProcess(handle_.get(), 99);
    ::WaitForSingleObject(handle_.get(), 5000);
  }
}

Process Start(const std::wstring& exe, const std::wstring& args, const std::wstring& workDir) {
  std::wstring commandLine = L"\"" + exe + L"\"";
  if (!args.empty()) commandLine += L" " + args;
  STARTUPINFOW si{};
  si.cb = sizeof si;
  // No standard handles for the program: it must not keep a caller's pipe open.
  si.dwFlags = STARTF_USESTDHANDLES;
  PROCESS_INFORMATION pi{};
  if (!::CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        workDir.empty() ? nullptr : workDir.c_str(), &si, &pi)) {
    return Process{};
  }
  ::CloseHandle(pi.hThread);
  ::WaitForInputIdle(pi.hProcess, 5000);
  return Process(winbase::ProcessHandle(pi.hProcess), pi.dwProcessId);
}

std::optional<DWORD> WaitForProcess(DWORD processId, DWORD timeoutMs) {
  winbase::ProcessHandle h(
      ::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, processId));
  if (!h) return std::nullopt;
  Process p(std::move(h), processId);
  return p.Wait(timeoutMs);
}

namespace {

// From ntdll (Windows NT and later): mapping a section into another process.
using MapViewOfSectionFn = LONG(NTAPI*)(HANDLE section, HANDLE process, void** base, ULONG_PTR zeroBits,
                                        SIZE_T commitSize, LARGE_INTEGER* offset, SIZE_T* viewSize,
                                        DWORD inheritDisposition, ULONG allocationType, ULONG protect);
using UnmapViewOfSectionFn = LONG(NTAPI*)(HANDLE process, void* base);
const DWORD kViewUnmap = 2;  // the view is not inherited by children

template <class F>
F Ntdll(const char* name) {
  return reinterpret_cast<F>(reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), name)));
}

}  // namespace

SharedMemory::SharedMemory(HANDLE process, SIZE_T size)
    : process_(process),
      section_(::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                    static_cast<DWORD>(size), nullptr)) {
  auto map = Ntdll<MapViewOfSectionFn>("NtMapViewOfSection");
  if (!section_ || !map) return;
  local_ = ::MapViewOfFile(section_.get(), FILE_MAP_WRITE, 0, 0, size);
  SIZE_T viewSize = 0;
  void* remote = nullptr;
  if (map(section_.get(), process_, &remote, 0, 0, nullptr, &viewSize, kViewUnmap, 0, PAGE_READWRITE) >= 0) {
    remote_ = remote;
  }
}

SharedMemory::~SharedMemory() {
  if (remote_) {
    if (auto unmap = Ntdll<UnmapViewOfSectionFn>("NtUnmapViewOfSection")) unmap(process_, remote_);
  }
  if (local_) ::UnmapViewOfFile(local_);
}

}  // namespace kvdriver
