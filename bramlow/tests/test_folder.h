#pragma once
// A fresh, empty folder under the temporary folder, removed with everything in it at the end.
#include <string>

class TestFolder {
public:
  TestFolder();
  ~TestFolder();
  TestFolder(const TestFolder&) = delete;
  TestFolder& operator=(const TestFolder&) = delete;

  // Full path without trailing backslash.
  const std::wstring& Path() const { return path_; }
  std::wstring operator/(const std::wstring& name) const { return path_ + L"\\" + name; }

  // Writes bytes as they are (the caller decides the encoding).
  void WriteBytes(const std::wstring& name, const std::string& bytes) const;
  std::string ReadBytes(const std::wstring& name) const;
  bool Exists(const std::wstring& name) const;

private:
  std::wstring path_;
};

// Removes a folder with everything in it, read-only files too.
void RemoveTree(const std::wstring& folder);
