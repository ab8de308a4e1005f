// Move-only owners for the system handles the programs hold. One owner type per handle kind;
// copying is deleted so a handle is closed exactly once, also on early returns.
#pragma once
#include <windows.h>
#include <objbase.h>
#include <utility>

namespace ui {

// Generic owner: Traits gives the handle type, the value that means "none" and how to close it.
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
  Handle release() noexcept { return std::exchange(h_, Traits::invalid()); }
  void reset(Handle h = Traits::invalid()) noexcept {
    Handle old = std::exchange(h_, h);
    if (old != Traits::invalid()) Traits::close(old);
  }
  // For APIs that return the handle through an out parameter.
  Handle* put() noexcept { reset(); return &h_; }

private:
  Handle h_ = Traits::invalid();
};

struct KernelHandleTraits {  // processes, threads, mutexes, events: NULL means none
  using Handle = HANDLE;
  static Handle invalid() noexcept { return nullptr; }
  static void close(Handle h) noexcept { ::CloseHandle(h); }
};
struct FileHandleTraits {  // CreateFile: INVALID_HANDLE_VALUE means none
  using Handle = HANDLE;
  static Handle invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static void close(Handle h) noexcept { ::CloseHandle(h); }
};
struct FindHandleTraits {
  using Handle = HANDLE;
  static Handle invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static void close(Handle h) noexcept { ::FindClose(h); }
};
struct RegKeyTraits {
  using Handle = HKEY;
  static Handle invalid() noexcept { return nullptr; }
  static void close(Handle h) noexcept { ::RegCloseKey(h); }
};
struct ModuleTraits {
  using Handle = HMODULE;
  static Handle invalid() noexcept { return nullptr; }
  static void close(Handle h) noexcept { ::FreeLibrary(h); }
};
template <class T>
struct GdiObjectTraits {
  using Handle = T;
  static Handle invalid() noexcept { return nullptr; }
  static void close(Handle h) noexcept { ::DeleteObject(h); }
};
struct IconTraits {
  using Handle = HICON;
  static Handle invalid() noexcept { return nullptr; }
  static void close(Handle h) noexcept { ::DestroyIcon(h); }
};
struct MemoryDcTraits {
  using Handle = HDC;
  static Handle invalid() noexcept { return nullptr; }
  static void close(Handle h) noexcept { ::DeleteDC(h); }
};

using KernelHandle = UniqueHandle<KernelHandleTraits>;
using ProcessHandle = KernelHandle;
using MutexHandle = KernelHandle;
using FileHandle = UniqueHandle<FileHandleTraits>;
using FindHandle = UniqueHandle<FindHandleTraits>;
using RegKey = UniqueHandle<RegKeyTraits>;
using ModuleHandle = UniqueHandle<ModuleTraits>;
using BitmapHandle = UniqueHandle<GdiObjectTraits<HBITMAP>>;
using FontHandle = UniqueHandle<GdiObjectTraits<HFONT>>;
using BrushHandle = UniqueHandle<GdiObjectTraits<HBRUSH>>;
using PenHandle = UniqueHandle<GdiObjectTraits<HPEN>>;
using IconHandle = UniqueHandle<IconTraits>;
using MemoryDc = UniqueHandle<MemoryDcTraits>;

// A window's device context from GetDC, given back with ReleaseDC.
class WindowDc {
public:
  explicit WindowDc(HWND hwnd) noexcept : hwnd_(hwnd), dc_(::GetDC(hwnd)) {}
  ~WindowDc() { if (dc_) ::ReleaseDC(hwnd_, dc_); }
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
  ~SelectObjectScope() { if (old_ && old_ != HGDI_ERROR) ::SelectObject(dc_, old_); }
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
    if (this != &o) { reset(); p_ = std::exchange(o.p_, nullptr); }
    return *this;
  }
  T* get() const noexcept { return p_; }
  T* operator->() const noexcept { return p_; }
  explicit operator bool() const noexcept { return p_ != nullptr; }
  void reset() noexcept { if (p_) { p_->Release(); p_ = nullptr; } }
  T** put() noexcept { reset(); return &p_; }
  void** put_void() noexcept { reset(); return reinterpret_cast<void**>(&p_); }

private:
  T* p_ = nullptr;
};

// COM initialised on this thread for a scope (apartment threaded, as the shell objects want).
class ComInit {
public:
  ComInit() noexcept : hr_(::CoInitialize(nullptr)) {}
  ~ComInit() { if (SUCCEEDED(hr_)) ::CoUninitialize(); }
  ComInit(const ComInit&) = delete;
  ComInit& operator=(const ComInit&) = delete;
  bool ok() const noexcept { return SUCCEEDED(hr_); }

private:
  HRESULT hr_;
};

}  // namespace ui
