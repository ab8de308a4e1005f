// Test driver: finds and drives the windows of other programs (under Wine or on Windows) the
// way a user would, for end-to-end tests and for kvdriver.exe.
#pragma once
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "winbase/handles.h"

namespace kvdriver {

// Which top-level window: every field that is set must match (caption exactly, class exactly).
struct WindowQuery {
  std::wstring caption;
  std::wstring className;
  DWORD processId = 0;
  bool visibleOnly = true;
};

struct WindowInfo {
  HWND hwnd = nullptr;
  std::wstring className;
  std::wstring text;
  DWORD processId = 0;
  int id = 0;
  bool visible = false;
  bool enabled = false;
  RECT rect{};  // top-level: screen; child: client coordinates of its top-level window
};

std::wstring WindowText(HWND hwnd);
std::wstring ClassName(HWND hwnd);
WindowInfo Describe(HWND hwnd);

std::vector<WindowInfo> TopWindows(const WindowQuery& query = {});
HWND FindTopWindow(const WindowQuery& query);
HWND WaitForWindow(const WindowQuery& query, DWORD timeoutMs);
bool WaitForWindowGone(HWND hwnd, DWORD timeoutMs);
// Client-area size of a window (of any process).
SIZE ClientSize(HWND hwnd);

// Every descendant control, in the order of the window tree (= tab order of siblings).
std::vector<WindowInfo> Controls(HWND top);
// The first control whose text equals `text` (and class, when given).
HWND FindControl(HWND top, const std::wstring& text, const std::wstring& className = L"");
// Clicks the button with this caption as a user would; false when there is none.
bool ClickButton(HWND top, const std::wstring& caption);

// A standard message box (dialog class #32770) of a process.
struct MessageBoxInfo {
  HWND hwnd = nullptr;
  std::wstring caption;
  std::wstring text;                  // the message (all static texts, joined by new lines)
  std::vector<std::wstring> buttons;  // button captions in order (in the system's language)
  std::vector<int> buttonIds;         // their IDs (IDOK, IDCANCEL, IDYES...), same order
};
std::optional<MessageBoxInfo> WaitForMessageBox(DWORD processId, DWORD timeoutMs,
                                                const std::wstring& caption = L"");
bool AnswerMessageBox(const MessageBoxInfo& box, const std::wstring& button);
// By the button's ID, whatever the system's language calls it.
bool AnswerMessageBox(const MessageBoxInfo& box, int buttonId);

// Sends a key press to the control that has the focus in the window's thread (or to the
// window itself): as typed, it goes through that program's message loop.
bool PressKey(HWND top, WORD virtualKey);
// Asks the window to close, as its close button would.
bool CloseWindow(HWND top);

// A started program.
class Process {
public:
  Process() = default;
  Process(winbase::ProcessHandle process, DWORD id) : handle_(std::move(process)), id_(id) {}
  HANDLE Handle() const noexcept { return handle_.get(); }
  DWORD Id() const noexcept { return id_; }
  explicit operator bool() const noexcept { return static_cast<bool>(handle_); }
  // The exit code, or nothing when it has not ended within the time.
  std::optional<DWORD> Wait(DWORD timeoutMs) const;
  bool Running() const { return !Wait(0).has_value(); }
  void Kill();

private:
  winbase::ProcessHandle handle_;
  DWORD id_ = 0;
};

// Memory that a control of another process can be handed a pointer to (LVITEM and the like):
// one section seen by both processes, each at its own address. ReadProcessMemory and
// WriteProcessMemory would miss by a page in a 32-bit program that qemu-user runs, whose
// addresses are not those the system sees.
class SharedMemory {
public:
  SharedMemory(HANDLE process, SIZE_T size);
  ~SharedMemory();
  SharedMemory(const SharedMemory&) = delete;
  SharedMemory& operator=(const SharedMemory&) = delete;

  explicit operator bool() const noexcept { return local_ && remote_; }
  // This process's view, to fill and read.
  void* Local() const noexcept { return local_; }
  // The same bytes as the other process addresses them, to pass in a message.
  void* Remote() const noexcept { return remote_; }
  // Where a byte of the local view is in the other process.
  template <class T>
  T* RemoteOf(T* local) const noexcept {
    return reinterpret_cast<T*>(static_cast<char*>(remote_) +
                                (reinterpret_cast<char*>(local) - static_cast<char*>(local_)));
  }

private:
  HANDLE process_;
  winbase::KernelHandle section_;
  void* local_ = nullptr;
  void* remote_ = nullptr;
};

// Starts exe with the arguments (a command-line tail, already quoted as needed).
Process Start(const std::wstring& exe, const std::wstring& args = L"",
              const std::wstring& workDir = L"");
std::optional<DWORD> WaitForProcess(DWORD processId, DWORD timeoutMs);

}  // namespace kvdriver
