#include "korvel/shared/folder_utils.h"

#include <windows.h>

#include <algorithm>

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

bool FolderExists(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

ReadAccess ReadAccessOf(const std::wstring& path, unsigned long* systemError) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return ReadAccess::Missing;
    if (systemError) *systemError = error;
    return ReadAccess::Refused;
  }
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return ReadAccess::IsFolder;
  winbase::FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file) return ReadAccess::Readable;
  if (systemError) *systemError = GetLastError();
  return ReadAccess::Refused;
}

std::optional<std::string> ReadSmallFile(const std::wstring& path, std::uint64_t limit) {
  winbase::FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return std::nullopt;
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.get(), &size) || size.QuadPart < 0 ||
      static_cast<std::uint64_t>(size.QuadPart) > limit)
    return std::nullopt;
  std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
  std::size_t done = 0;
  while (done < bytes.size()) {
    DWORD got = 0;
    const DWORD want = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 20));
    if (!ReadFile(file.get(), bytes.data() + done, want, &got, nullptr) || got == 0)
      return std::nullopt;
    done += got;
  }
  return bytes;
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
