// Owners of the Win32 handles the resource editor uses: one move-only owner per kind.
#pragma once

#include <windows.h>

#include <string>
#include <utility>

namespace resedit {

// Closes a kernel handle (files).
class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(HANDLE h) : h_(h) {}
  UniqueHandle(UniqueHandle&& o) noexcept : h_(std::exchange(o.h_, INVALID_HANDLE_VALUE)) {}
  UniqueHandle& operator=(UniqueHandle&& o) noexcept {
    if (this != &o) {
      Close();
      h_ = std::exchange(o.h_, INVALID_HANDLE_VALUE);
    }
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  ~UniqueHandle() { Close(); }

  HANDLE get() const { return h_; }
  bool valid() const { return h_ != INVALID_HANDLE_VALUE && h_ != nullptr; }

 private:
  void Close() {
    if (valid()) CloseHandle(h_);
    h_ = INVALID_HANDLE_VALUE;
  }
  HANDLE h_ = INVALID_HANDLE_VALUE;
};

// Frees a module loaded with LoadLibraryEx.
class UniqueModule {
 public:
  UniqueModule() = default;
  explicit UniqueModule(HMODULE m) : m_(m) {}
  UniqueModule(UniqueModule&& o) noexcept : m_(std::exchange(o.m_, nullptr)) {}
  UniqueModule& operator=(UniqueModule&& o) noexcept {
    if (this != &o) {
      Reset();
      m_ = std::exchange(o.m_, nullptr);
    }
    return *this;
  }
  UniqueModule(const UniqueModule&) = delete;
  UniqueModule& operator=(const UniqueModule&) = delete;
  ~UniqueModule() { Reset(); }

  HMODULE get() const { return m_; }
  void Reset() {
    if (m_) FreeLibrary(m_);
    m_ = nullptr;
  }

 private:
  HMODULE m_ = nullptr;
};

// A BeginUpdateResource session: discarded unless Commit() succeeds.
class ResourceUpdateSession {
 public:
  ResourceUpdateSession() = default;
  explicit ResourceUpdateSession(HANDLE h) : h_(h) {}
  ResourceUpdateSession(ResourceUpdateSession&& o) noexcept : h_(std::exchange(o.h_, nullptr)) {}
  ResourceUpdateSession& operator=(ResourceUpdateSession&& o) noexcept {
    if (this != &o) {
      Discard();
      h_ = std::exchange(o.h_, nullptr);
    }
    return *this;
  }
  ResourceUpdateSession(const ResourceUpdateSession&) = delete;
  ResourceUpdateSession& operator=(const ResourceUpdateSession&) = delete;
  ~ResourceUpdateSession() { Discard(); }

  HANDLE get() const { return h_; }
  bool Commit() { return EndUpdateResourceW(std::exchange(h_, nullptr), FALSE) != FALSE; }

 private:
  void Discard() {
    if (h_) EndUpdateResourceW(h_, TRUE);
    h_ = nullptr;
  }
  HANDLE h_ = nullptr;
};

// Memory the system allocated with LocalAlloc (CommandLineToArgvW's array).
template <typename T>
class LocalMemory {
 public:
  explicit LocalMemory(T* p) : p_(p) {}
  LocalMemory(LocalMemory&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  LocalMemory& operator=(LocalMemory&&) = delete;
  LocalMemory(const LocalMemory&) = delete;
  LocalMemory& operator=(const LocalMemory&) = delete;
  ~LocalMemory() {
    if (p_) LocalFree(p_);
  }
  T* get() const { return p_; }

 private:
  T* p_;
};

// A scratch file that is deleted unless it was renamed into place.
class ScratchFile {
 public:
  ScratchFile() = default;
  explicit ScratchFile(std::wstring path) : path_(std::move(path)) {}
  ScratchFile(ScratchFile&& o) noexcept : path_(std::exchange(o.path_, {})) {}
  ScratchFile& operator=(ScratchFile&&) = delete;
  ScratchFile(const ScratchFile&) = delete;
  ScratchFile& operator=(const ScratchFile&) = delete;
  ~ScratchFile() {
    if (!path_.empty()) {
      SetFileAttributesW(path_.c_str(), FILE_ATTRIBUTE_NORMAL);
      DeleteFileW(path_.c_str());
    }
  }
  const std::wstring& path() const { return path_; }
  void Release() { path_.clear(); }

 private:
  std::wstring path_;
};

}  // namespace resedit
