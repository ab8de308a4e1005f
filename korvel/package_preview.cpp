#include "package_preview.h"

#include <windows.h>

#include <stdexcept>

#include "folder_utils.h"
#include "preview_layout.h"
#include "ui/handles.h"

namespace korvel {
namespace {

// Reads a whole file of at most `limit` bytes; nothing when it is larger or unreadable.
std::optional<std::string> ReadSmallFile(const std::wstring& path, std::uint64_t limit) {
  ui::FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
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
    if (!ReadFile(file.get(), bytes.data() + done, want, &got, nullptr) || got == 0) return std::nullopt;
    done += got;
  }
  return bytes;
}

std::optional<std::uint64_t> FileSize(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data) ||
      (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
    return std::nullopt;
  return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

class TooLarge : public std::length_error {
 public:
  TooLarge() : std::length_error("past the preview's size limit") {}
};

}  // namespace

PrivateFolder::PrivateFolder(const std::wstring& parent, const std::wstring& label) {
  static unsigned counter = 0;
  // Made new, never taken over: a folder of that name may belong to anyone.
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::wstring candidate = parent + L"\\" + label + L"_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
                             std::to_wstring(GetTickCount()) + L"_" + std::to_wstring(++counter);
    if (CreateDirectoryW(candidate.c_str(), nullptr)) {
      path_ = std::move(candidate);
      return;
    }
    if (GetLastError() != ERROR_ALREADY_EXISTS) return;
  }
}

PrivateFolder::~PrivateFolder() {
  if (!path_.empty()) RemoveFolderTree(path_);
}

std::wstring TemporaryFolder() {
  wchar_t buffer[MAX_PATH + 1] = {};
  const DWORD length = GetTempPathW(MAX_PATH + 1, buffer);
  std::wstring folder(buffer, length <= MAX_PATH ? length : 0);
  while (!folder.empty() && folder.back() == L'\\') folder.pop_back();
  return folder;
}

std::optional<PackageContents> ReadPackageForPreview(IPackageReader& reader,
                                                     const std::wstring& packagePath,
                                                     const std::wstring& scratchParent) {
  PackageContents contents;
  const std::optional<std::uint64_t> size = FileSize(packagePath);
  if (!size) return std::nullopt;
  contents.packageSize = *size;

  const PrivateFolder scratch(scratchParent, L"kvpreview");
  if (scratch.path().empty() || !reader.ExtractRoot(packagePath, scratch.path())) return std::nullopt;
  contents.hasUiFile = FileExists(scratch.path() + L"\\uifile.txt");
  std::uint64_t total = 0;
  for (const std::wstring& name : ListFiles(scratch.path() + L"\\*.bmp")) {
    std::optional<std::string> bytes = ReadSmallFile(scratch.path() + L"\\" + name, kMaxPreviewMemberBytes);
    if (!bytes) return std::nullopt;
    total += bytes->size();
    if (total > kMaxPreviewTotalBytes) return std::nullopt;
    contents.bitmaps.push_back({name, ResourceName(name), std::move(*bytes)});
  }
  return contents;
}

PreviewZipReader::PreviewZipReader(std::uint64_t maxMemberBytes, std::uint64_t maxTotalBytes) {
  engine_.zipUnPack.FileSpec = {"*.bmp", "uifile.txt"};
  // The engine stops at an exception of its handler and reports it; it writes one piece past
  // the limit at most.
  engine_.zipUnPack.OnProgress = [maxMemberBytes, maxTotalBytes](TUnBase&, std::uint64_t member,
                                                                  std::uint64_t all) {
    if (member > maxMemberBytes || all > maxTotalBytes) throw TooLarge();
  };
}

bool PreviewZipReader::ExtractRoot(const std::wstring& archive, const std::wstring& folder) {
  return engine_.ExtractRoot(archive, folder);
}

}  // namespace korvel
