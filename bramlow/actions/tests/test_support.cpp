#include "test_support.h"

#include <atomic>
#include <memory>

#include "bramlow/actions/profile_file.h"
#include "winbase/module_path.h"

namespace bramlow::testing {

ScratchFolder::ScratchFolder() {
  static std::atomic<int> sequence{0};
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  path_ = std::wstring(temp) + L"kvact_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
          std::to_wstring(GetTickCount()) + L"_" + std::to_wstring(++sequence);
  CreateDirectoryW(path_.c_str(), nullptr);
}

ScratchFolder::~ScratchFolder() { RemoveTree(path_); }

void RemoveTree(const std::wstring& path) {
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring child = path + L"\\" + name;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(child);
      } else {
        SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(child.c_str());
      }
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  RemoveDirectoryW(path.c_str());
}

void WriteTextFile(const std::wstring& path, const std::string& bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
}

std::string ReadTextFile(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return {};
  std::string bytes;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof(buffer), &got, nullptr) && got > 0) bytes.append(buffer, got);
  CloseHandle(file);
  return bytes;
}

bool FileExists(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool FolderExists(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring ProgramFolder() {
  const std::wstring path = winbase::ProgramPath();
  return path.substr(0, path.find_last_of(L'\\') + 1);
}

void RecordingHost::ProcessPendingMessages() {
  ++pumpCalls;
  if (!dispatchMessages) return;
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

StateWithFiles::StateWithFiles(const ScratchFolder& folder, const std::string& script, const std::string& language) {
  WriteTextFile(folder / L"setup.qx1", script);
  WriteTextFile(folder / L"English.qxl", language);
  state.InstallerFolder = folder.path() + L"\\";
  state.LangName = L"English";
  state.ScriptFile = std::make_unique<ProfileFile>(folder / L"setup.qx1", L"setup1");
  state.LangFile = std::make_unique<ProfileFile>(folder / L"English.qxl", L"language");
  uninstallList = folder / L"Uninstall.ini";
  state.UninstallFile = std::make_unique<ProfileFile>(uninstallList, L"uninstall", ProfileMode::Write);
  state.CreateUninst = true;
}

std::wstring StateWithFiles::Record(const std::wstring& section, const std::wstring& key) const {
  const std::wstring value = IniValue(uninstallList, section, key);
  return value == L"<missing>" ? L"" : value;
}

std::wstring IniValue(const std::wstring& file, const std::wstring& section, const std::wstring& key) {
  wchar_t buffer[2048] = {};
  GetPrivateProfileStringW(section.c_str(), key.c_str(), L"<missing>", buffer, 2048, file.c_str());
  return buffer;
}

}  // namespace bramlow::testing
