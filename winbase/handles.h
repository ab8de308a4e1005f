// Move-only owners for the system handles the programs hold, one owner type per handle kind.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <utility>

namespace winbase {

// Generic owner: Traits gives the handle type, the value that means "none" and how to close it.
// Copying is deleted so a handle is closed exactly once, also on early returns.
template <class Traits>
class UniqueHandle {
 public:
  using Handle = typename Traits::Handle;

  UniqueHandle() noexcept = default;
  explicit UniqueHandle(Handle h) noexcept : h_(h) {}
  ~UniqueHandle() { reset(); }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  UniqueHandle(UniqueHandle&& other) noexcept : h_(other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }

  Handle get() const noexcept { return h_; }
  explicit operator bool() const noexcept { return h_ != Traits::invalid(); }
  [[nodiscard]] Handle release() noexcept { return std::exchange(h_, Traits::invalid()); }
  void reset(Handle h = Traits::invalid()) noexcept {
    Handle old = std::exchange(h_, h);
    if (old != Traits::invalid()) Traits::close(old);
  }
  // For APIs that return the handle through an out parameter.
  Handle* put() noexcept {
    reset();
    return &h_;
  }

 private:
  Handle h_ = Traits::invalid();
};

// Traits of the kinds where NULL means "none" and one call closes.
template <class H, auto Close>
struct NullMeansNone {
  using Handle = H;
  static Handle invalid() noexcept { return nullptr; }
  static void close(Handle h) noexcept { Close(h); }
};
// CreateFile and FindFirstFile say "none" with INVALID_HANDLE_VALUE.
template <auto Close>
struct InvalidValueMeansNone {
  using Handle = HANDLE;
  static Handle invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static void close(Handle h) noexcept { Close(h); }
};

// BeginUpdateResource: an update not committed is discarded.
inline void DiscardResourceUpdate(HANDLE update) noexcept {
  ::EndUpdateResourceW(update, TRUE);
}

using KernelHandle = UniqueHandle<NullMeansNone<HANDLE, &::CloseHandle>>;  // process, thread, event
using ProcessHandle = KernelHandle;
using MutexHandle = KernelHandle;
using FileHandle = UniqueHandle<InvalidValueMeansNone<&::CloseHandle>>;
using FindHandle = UniqueHandle<InvalidValueMeansNone<&::FindClose>>;
using RegKey = UniqueHandle<NullMeansNone<HKEY, &::RegCloseKey>>;
using ModuleHandle = UniqueHandle<NullMeansNone<HMODULE, &::FreeLibrary>>;
using BitmapHandle = UniqueHandle<NullMeansNone<HBITMAP, &::DeleteObject>>;
using FontHandle = UniqueHandle<NullMeansNone<HFONT, &::DeleteObject>>;
using BrushHandle = UniqueHandle<NullMeansNone<HBRUSH, &::DeleteObject>>;
using PenHandle = UniqueHandle<NullMeansNone<HPEN, &::DeleteObject>>;
using IconHandle = UniqueHandle<NullMeansNone<HICON, &::DestroyIcon>>;
using MemoryDc = UniqueHandle<NullMeansNone<HDC, &::DeleteDC>>;
// Needs comctl32 where it is used.
using ImageListHandle = UniqueHandle<NullMeansNone<HIMAGELIST, &::ImageList_Destroy>>;
// What the system allocated with LocalAlloc for the caller (CommandLineToArgvW, FormatMessage).
template <class T>
using LocalMemory = UniqueHandle<NullMeansNone<T*, &::LocalFree>>;
using ResourceUpdate = UniqueHandle<NullMeansNone<HANDLE, &DiscardResourceUpdate>>;

// Writes the resource changes to the file; false (see GetLastError) when that failed. The
// update is over either way.
[[nodiscard]] inline bool CommitResourceUpdate(ResourceUpdate& update) noexcept {
  return ::EndUpdateResourceW(update.release(), FALSE) != FALSE;
}

// A window's device context from GetDC, given back with ReleaseDC.
class WindowDc {
 public:
  explicit WindowDc(HWND hwnd) noexcept : hwnd_(hwnd), dc_(::GetDC(hwnd)) {}
  ~WindowDc() {
    if (dc_) ::ReleaseDC(hwnd_, dc_);
  }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  HDC get() const noexcept { return dc_; }

 private:
  HWND hwnd_;
  HDC dc_;
};

// Selects an object into a DC for a scope and puts the previous one back.
class SelectObjectScope {
 public:
  SelectObjectScope(HDC dc, HGDIOBJ obj) noexcept : dc_(dc), old_(::SelectObject(dc, obj)) {}
  ~SelectObjectScope() {
    if (old_ && old_ != HGDI_ERROR) ::SelectObject(dc_, old_);
  }
  SelectObjectScope(const SelectObjectScope&) = delete;
  SelectObjectScope& operator=(const SelectObjectScope&) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_;
};

// A COM interface pointer: Release on destruction.
template <class T>
class ComPtr {
 public:
  ComPtr() noexcept = default;
  explicit ComPtr(T* p) noexcept : p_(p) {}
  ~ComPtr() { reset(); }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  ComPtr(ComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  ComPtr& operator=(ComPtr&& o) noexcept {
    if (this != &o) {
      reset();
      p_ = std::exchange(o.p_, nullptr);
    }
    return *this;
  }
  T* get() const noexcept { return p_; }
  T* operator->() const noexcept { return p_; }
  explicit operator bool() const noexcept { return p_ != nullptr; }
  void reset() noexcept {
    if (p_) {
      p_->Release();
      p_ = nullptr;
    }
  }
  T** put() noexcept {
    reset();
    return &p_;
  }
  void** put_void() noexcept {
    reset();
    return reinterpret_cast<void**>(&p_);
  }

 private:
  T* p_ = nullptr;
};

// COM initialised on this thread for a scope (apartment threaded, as the shell objects want).
class ComInit {
 public:
  ComInit() noexcept : hr_(::CoInitialize(nullptr)) {}
  ~ComInit() {
    if (SUCCEEDED(hr_)) ::CoUninitialize();
  }
  ComInit(const ComInit&) = delete;
  ComInit& operator=(const ComInit&) = delete;
  [[nodiscard]] bool ok() const noexcept { return SUCCEEDED(hr_); }

 private:
  HRESULT hr_;
};

}  // namespace winbase
