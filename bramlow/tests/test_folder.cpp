#include "test_folder.h"

#include <windows.h>

#include <stdexcept>
#include <vector>

#include "winbase/handles.h"

void RemoveTree(const std::wstring& folder) {
  WIN32_FIND_DATAW data;
  winbase::FindHandle find(FindFirstFileW((folder + L"\\*").c_str(), &data));
  if (find) {
    do {
      std::wstring name = data.cFileName;
      if (name == L"." || name == L"..") continue;
      std::wstring full = folder + L"\\" + name;
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(full);
      } else {
        SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(full.c_str());
      }
    } while (FindNextFileW(find.get(), &data));
  }
  RemoveDirectoryW(folder.c_str());
}

TestFolder::TestFolder() {
  static unsigned sequence = 0;
  wchar_t temp[MAX_PATH + 1] = {};
  GetTempPathW(MAX_PATH, temp);
  path_ = std::wstring(temp) + L"bramlow_test_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
          std::to_wstring(++sequence);
  RemoveTree(path_);
  if (!CreateDirectoryW(path_.c_str(), nullptr)) throw std::runtime_error("no test folder");
}

TestFolder::~TestFolder() { RemoveTree(path_); }

void TestFolder::WriteBytes(const std::wstring& name, const std::string& bytes) const {
  HANDLE file = CreateFileW((*this / name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot write test file");
  DWORD written = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
}

std::string TestFolder::ReadBytes(const std::wstring& name) const {
  HANDLE file = CreateFileW((*this / name).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return {};
  std::string bytes;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
  CloseHandle(file);
  return bytes;
}

bool TestFolder::Exists(const std::wstring& name) const {
  return GetFileAttributesW((*this / name).c_str()) != INVALID_FILE_ATTRIBUTES;
}
