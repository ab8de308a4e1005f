#include "korvel/shared/folder_utils.h"

#include <windows.h>

#include "winbase/handles.h"

namespace korvel {
namespace {

bool IsDotEntry(const wchar_t* name) {
  return (name[0] == L'.' && name[1] == 0) || (name[0] == L'.' && name[1] == L'.' && name[2] == 0);
}

template <typename Visit>
void Enumerate(const std::wstring& pattern, Visit visit) {
  WIN32_FIND_DATAW data;
  winbase::FindHandle find(FindFirstFileW(pattern.c_str(), &data));
  if (!find) return;
  do {
    if (!IsDotEntry(data.cFileName)) visit(data);
  } while (FindNextFileW(find.get(), &data));
}

}  // namespace

bool FileExists(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::vector<std::wstring> ListMatches(const std::wstring& pattern) {
  std::vector<std::wstring> names;
  Enumerate(pattern, [&](const WIN32_FIND_DATAW& data) { names.emplace_back(data.cFileName); });
  return names;
}

std::vector<std::wstring> ListFiles(const std::wstring& pattern) {
  std::vector<std::wstring> names;
  Enumerate(pattern, [&](const WIN32_FIND_DATAW& data) {
    if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.emplace_back(data.cFileName);
  });
  return names;
}

bool RemoveFolderTree(const std::wstring& folder) {
  const DWORD attributes = GetFileAttributesW(folder.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return true;
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    // A file where the folder belongs would stop the folder from being made.
    SetFileAttributesW(folder.c_str(), FILE_ATTRIBUTE_NORMAL);
    return DeleteFileW(folder.c_str()) != 0;
  }
  // The first failure says why (a file in use), not the folder's "not empty" that follows it.
  DWORD firstError = ERROR_SUCCESS;
  const auto note = [&firstError](bool done) {
    if (!done && firstError == ERROR_SUCCESS) firstError = GetLastError();
  };
  if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    Enumerate(folder + L"\\*", [&](const WIN32_FIND_DATAW& data) {
      const std::wstring path = folder + L"\\" + data.cFileName;
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        note(RemoveFolderTree(path));
      } else {
        if (data.dwFileAttributes & FILE_ATTRIBUTE_READONLY)
          SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        note(DeleteFileW(path.c_str()) != 0);
      }
    });
  }
  note(RemoveDirectoryW(folder.c_str()) != 0);
  if (GetFileAttributesW(folder.c_str()) == INVALID_FILE_ATTRIBUTES) return true;
  SetLastError(firstError != ERROR_SUCCESS ? firstError : ERROR_DIR_NOT_EMPTY);
  return false;
}

bool PrepareEmptyFolder(const std::wstring& folder) {
  if (!RemoveFolderTree(folder)) return false;
  const DWORD error = CreateDirectoryW(folder.c_str(), nullptr) ? ERROR_SUCCESS : GetLastError();
  const DWORD attributes = GetFileAttributesW(folder.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) return true;
  SetLastError(error != ERROR_SUCCESS ? error : ERROR_PATH_NOT_FOUND);
  return false;
}

bool CopyFileOver(const std::wstring& from, const std::wstring& to) {
  return CopyFileW(from.c_str(), to.c_str(), FALSE) != 0;
}

bool ReplaceWithCopy(const std::wstring& from, const std::wstring& to) {
  if (IsReadOnly(to)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return false;
  }
  const std::size_t slash = to.find_last_of(L"\\/");
  const std::wstring folder = slash == std::wstring::npos ? L"." : to.substr(0, slash + 1);
  wchar_t scratch[MAX_PATH];
  if (!GetTempFileNameW(folder.c_str(), L"kv", 0, scratch)) return false;
  const bool replaced =
      CopyFileW(from.c_str(), scratch, FALSE) && MakeWritable(scratch) &&
      MoveFileExW(scratch, to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  if (!replaced) {
    const DWORD error = GetLastError();  // the caller reports this one, not the clean-up's
    SetFileAttributesW(scratch, FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(scratch);
    SetLastError(error);
  }
  return replaced;
}

bool IsReadOnly(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
}

bool MakeWritable(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  if (!(attributes & FILE_ATTRIBUTE_READONLY)) return true;
  DWORD writable = attributes & ~FILE_ATTRIBUTE_READONLY;
  if (writable == 0) writable = FILE_ATTRIBUTE_NORMAL;  // zero would mean "leave unchanged"
  return SetFileAttributesW(path.c_str(), writable) != 0;
}

}  // namespace korvel
