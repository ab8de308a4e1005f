// File, process and resource helpers for the tests that drive reshacker.exe under Wine.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace resedit::testing {

using Bytes = std::vector<std::uint8_t>;

// "/unix/path" as Wine's Z: drive sees it; Windows paths pass unchanged.
std::wstring WindowsPath(const char* path);

// A fresh folder under %TEMP%, removed with its contents at the end.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::wstring& path() const { return path_; }
  std::wstring operator/(const std::wstring& name) const { return path_ + L"\\" + name; }

 private:
  std::wstring path_;
};

Bytes ReadAll(const std::wstring& path);
void WriteAll(const std::wstring& path, const Bytes& bytes);
void WriteText(const std::wstring& path, const std::string& text);
std::vector<std::wstring> FileNames(const std::wstring& folder);

// Runs a command line in a folder and returns its exit code (-1 when it could not start).
int RunProgram(const std::wstring& commandLine, const std::wstring& folder);

// Resources of a program file, read as data.
std::optional<Bytes> ResourceBytes(const std::wstring& exe, LPCWSTR type, LPCWSTR name, WORD language);
std::vector<WORD> ResourceLanguages(const std::wstring& exe, LPCWSTR type, LPCWSTR name);
// Adds or replaces one resource in place.
bool PutResource(const std::wstring& exe, LPCWSTR type, LPCWSTR name, WORD language, const Bytes& data);

}  // namespace resedit::testing
