#include "test_files.h"

#include <algorithm>

namespace resedit::testing {

std::wstring WindowsPath(const char* path) {
  std::wstring out;
  for (const char* p = path; *p; ++p) out += static_cast<wchar_t>(static_cast<unsigned char>(*p));
  if (!out.empty() && out[0] == L'/') {
    std::replace(out.begin(), out.end(), L'/', L'\\');
    out = L"Z:" + out;
  }
  return out;
}

TempFolder::TempFolder() {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  static int counter = 0;
  for (;;) {
    path_ = std::wstring(temp) + L"resedit-test-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
            std::to_wstring(++counter);
    if (CreateDirectoryW(path_.c_str(), nullptr)) break;
  }
}

namespace {
void RemoveTree(const std::wstring& folder) {
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW((folder + L"\\*").c_str(), &fd);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = fd.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring full = folder + L"\\" + name;
      if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(full);
      } else {
        SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(full.c_str());
      }
    } while (FindNextFileW(h, &fd));
    FindClose(h);
  }
  RemoveDirectoryW(folder.c_str());
}
}  // namespace

TempFolder::~TempFolder() { RemoveTree(path_); }

Bytes ReadAll(const std::wstring& path) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  Bytes out;
  if (h == INVALID_HANDLE_VALUE) return out;
  std::uint8_t buf[65536];
  DWORD got = 0;
  while (ReadFile(h, buf, sizeof buf, &got, nullptr) && got) out.insert(out.end(), buf, buf + got);
  CloseHandle(h);
  return out;
}

void WriteAll(const std::wstring& path, const Bytes& bytes) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(h);
}

void WriteText(const std::wstring& path, const std::string& text) {
  WriteAll(path, Bytes(text.begin(), text.end()));
}

std::vector<std::wstring> FileNames(const std::wstring& folder) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW((folder + L"\\*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return names;
  do {
    const std::wstring name = fd.cFileName;
    if (name != L"." && name != L"..") names.push_back(name);
  } while (FindNextFileW(h, &fd));
  FindClose(h);
  std::sort(names.begin(), names.end());
  return names;
}

int RunProgram(const std::wstring& commandLine, const std::wstring& folder) {
  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESHOWWINDOW;
  si.wShowWindow = SW_SHOWNOACTIVATE;
  PROCESS_INFORMATION pi{};
  std::wstring line = commandLine;
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_DEFAULT_ERROR_MODE, nullptr,
                      folder.c_str(), &si, &pi))
    return -1;
  int code = -2;
  if (WaitForSingleObject(pi.hProcess, 60000) == WAIT_OBJECT_0) {
    DWORD exit = 0;
    GetExitCodeProcess(pi.hProcess, &exit);
    code = static_cast<int>(exit);
  } else {
    TerminateProcess(pi.hProcess, 99);
  }
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return code;
}

std::optional<Bytes> ResourceBytes(const std::wstring& exe, LPCWSTR type, LPCWSTR name, WORD language) {
  HMODULE m = LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (!m) return std::nullopt;
  std::optional<Bytes> out;
  if (HRSRC info = FindResourceExW(m, type, name, language)) {
    const DWORD size = SizeofResource(m, info);
    const auto* p = static_cast<const std::uint8_t*>(LockResource(LoadResource(m, info)));
    if (p) out = Bytes(p, p + size);
  }
  FreeLibrary(m);
  return out;
}

namespace {
BOOL CALLBACK AddLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR param) {
  try {
    reinterpret_cast<std::vector<WORD>*>(param)->push_back(language);
    return TRUE;
  } catch (...) {
    return FALSE;
  }
}
}  // namespace

std::vector<WORD> ResourceLanguages(const std::wstring& exe, LPCWSTR type, LPCWSTR name) {
  std::vector<WORD> languages;
  HMODULE m = LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (!m) return languages;
  EnumResourceLanguagesW(m, type, name, AddLanguage, reinterpret_cast<LONG_PTR>(&languages));
  FreeLibrary(m);
  std::sort(languages.begin(), languages.end());
  return languages;
}

bool PutResource(const std::wstring& exe, LPCWSTR type, LPCWSTR name, WORD language, const Bytes& data) {
  HANDLE h = BeginUpdateResourceW(exe.c_str(), FALSE);
  if (!h) return false;
  if (!UpdateResourceW(h, type, name, language, const_cast<std::uint8_t*>(data.data()),
                       static_cast<DWORD>(data.size()))) {
    EndUpdateResourceW(h, TRUE);
    return false;
  }
  return EndUpdateResourceW(h, FALSE) != FALSE;
}

}  // namespace resedit::testing
