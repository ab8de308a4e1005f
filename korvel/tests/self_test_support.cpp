#include "self_test_support.h"

#include <shlwapi.h>

#include <fstream>
#include <iterator>
#include <stdexcept>

namespace korvel::testing {

std::string ReadFileBytes(const std::wstring& path) {
  std::ifstream in(path.c_str(), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFileBytes(const std::wstring& path, const std::string& bytes) {
  std::ofstream out(path.c_str(), std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write a test file");
}

bool Exists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void RemoveTree(const std::wstring& path) {
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &data);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = data.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring child = path + L"\\" + name;
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(child);
      } else {
        SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(child.c_str());
      }
    } while (FindNextFileW(find, &data));
    FindClose(find);
  }
  RemoveDirectoryW(path.c_str());
}

ScratchFolder::ScratchFolder(const std::wstring& name) {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  path_ = std::wstring(temp) + L"kvself-" + std::to_wstring(GetCurrentProcessId()) + L"-" + name;
  RemoveTree(path_);
  if (!CreateDirectoryW(path_.c_str(), nullptr))
    throw std::runtime_error("cannot make a scratch folder");
}

ScratchFolder::~ScratchFolder() { RemoveTree(path_); }

ScratchRoot::ScratchRoot(const std::wstring& name)
    : path_(L"Software\\KorvelTests\\" + std::to_wstring(GetCurrentProcessId()) + L"-" + name) {
  SHDeleteKeyW(HKEY_CURRENT_USER, path_.c_str());
  if (RegCreateKeyExW(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                      &key_, nullptr) != ERROR_SUCCESS)
    throw std::runtime_error("cannot make a scratch key");
}

ScratchRoot::~ScratchRoot() {
  RegCloseKey(key_);
  SHDeleteKeyW(HKEY_CURRENT_USER, path_.c_str());
}

}  // namespace korvel::testing
