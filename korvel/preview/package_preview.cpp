#include "korvel/preview/package_preview.h"

#include <windows.h>

#include <algorithm>
#include <stdexcept>

#include "korvel/shared/folder_utils.h"
#include "korvel/preview/preview_layout.h"
#include "winbase/handles.h"
#include "winbase/text.h"

namespace korvel {
namespace {

// Reads a whole file of at most `limit` bytes; nothing when it is larger or unreadable.
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

std::optional<std::uint64_t> FileSize(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data) ||
      (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
    return std::nullopt;
  return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// "C:\\..." or "\\\\server\\share...".
bool IsFullPath(const std::wstring& path) {
  if (path.size() >= 3 && iswalpha(path[0]) && path[1] == L':' && path[2] == L'\\') return true;
  return path.size() >= 3 && path[0] == L'\\' && path[1] == L'\\' && path[2] != L'\\';
}

bool EndsWithNoCase(const std::wstring& text, const std::wstring& tail) {
  return text.size() >= tail.size() &&
         CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, text.c_str() + text.size() - tail.size(),
                        static_cast<int>(tail.size()), tail.c_str(),
                        static_cast<int>(tail.size())) == CSTR_EQUAL;
}

class TooLarge : public std::length_error {
 public:
  TooLarge() : std::length_error("past the preview's size limit") {}
};

}  // namespace

PrivateFolder::PrivateFolder(const std::wstring& parent, const std::wstring& label) {
  if (!IsFullPath(parent + L"\\")) return;  // "C:" stands for the root, as TemporaryFolder gives it
  static unsigned counter = 0;
  // Made new, never taken over: a folder of that name may belong to anyone.
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::wstring candidate = parent + L"\\" + label + L"_" +
                             std::to_wstring(GetCurrentProcessId()) + L"_" +
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
  return IsFullPath(folder + L"\\") ? folder : std::wstring();
}

std::vector<std::size_t> BitmapsToDecode(const std::vector<ListedFile>& bitmaps, std::size_t most) {
  std::vector<std::size_t> order(bitmaps.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  const auto byResource = [&](std::size_t a, std::size_t b) {
    return ResourceBefore(ResourceName(bitmaps[a].name), ResourceName(bitmaps[b].name));
  };
  std::sort(order.begin(), order.end(), byResource);
  const auto largest =
      std::max_element(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return bitmaps[a].size < bitmaps[b].size;  // the first of equal ones stays
      });
  if (largest != order.end()) std::rotate(order.begin(), largest, largest + 1);
  if (order.size() > most) order.resize(most);
  return order;
}

PreviewRead ReadPackageForPreview(IPreviewArchive& archive, const std::wstring& packagePath,
                                  const std::wstring& scratchParent, std::size_t mostPictures) {
  PreviewRead read;
  read.failure = PreviewFailure::Unreadable;
  PackageContents& contents = read.contents;
  const std::optional<std::uint64_t> size = FileSize(packagePath);
  if (!size) return read;
  contents.packageSize = *size;

  const std::optional<std::vector<ListedFile>> listed = archive.ListRoot(packagePath);
  if (!listed) return read;
  std::vector<ListedFile> bitmaps;
  for (const ListedFile& file : *listed) {
    if (CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, file.name.c_str(), -1, L"uifile.txt",
                       -1) == CSTR_EQUAL)
      contents.hasUiFile = true;
    else if (EndsWithNoCase(file.name, L".bmp"))
      bitmaps.push_back(file);
  }
  std::vector<std::size_t> chosen =
      BitmapsToDecode(bitmaps, std::min(mostPictures, kMaxPreviewPictures));
  std::vector<bool> decode(bitmaps.size(), false);
  std::vector<std::string> members;
  for (std::size_t index : chosen) {
    decode[index] = true;
    members.push_back(bitmaps[index].member);
  }
  for (std::size_t i = 0; i < bitmaps.size(); ++i)
    if (!decode[i]) contents.listedOnly.push_back(ResourceName(bitmaps[i].name));

  if (!members.empty()) {
    const PrivateFolder scratch(scratchParent, L"kvpreview");
    if (scratch.path().empty()) {
      read.failure = PreviewFailure::NoScratchFolder;
      return read;
    }
    if (!archive.ExtractMembers(packagePath, scratch.path(), members)) return read;
    std::uint64_t total = 0;
    for (const std::wstring& name : ListFiles(scratch.path() + L"\\*.bmp")) {
      std::optional<std::string> bytes =
          ReadSmallFile(scratch.path() + L"\\" + name, kMaxPreviewMemberBytes);
      if (!bytes) return read;
      total += bytes->size();
      if (total > kMaxPreviewTotalBytes) return read;
      contents.bitmaps.push_back({name, ResourceName(name), std::move(*bytes)});
    }
  }
  read.failure = PreviewFailure::None;
  return read;
}

PreviewZipReader::PreviewZipReader(std::uint64_t maxMemberBytes, std::uint64_t maxTotalBytes) {
  engine_.zipUnPack.FileSpec = {"*.bmp"};
  // The engine stops at an exception of its handler and reports it; it writes one piece past
  // the limit at most.
  engine_.zipUnPack.OnProgress = [maxMemberBytes, maxTotalBytes](ziparchive::TUnBase&,
                                                                 std::uint64_t member,
                                                                 std::uint64_t all) {
    if (member > maxMemberBytes || all > maxTotalBytes) throw TooLarge();
  };
}

bool PreviewZipReader::ExtractRoot(const std::wstring& archive, const std::wstring& folder) {
  engine_.zipUnPack.FileSpec = {"*.bmp"};
  return engine_.ExtractRoot(archive, folder);
}

std::optional<std::vector<ListedFile>> PreviewZipReader::ListRoot(const std::wstring& archive) {
  engine_.zipUnPack.FileSpec = {"*.*"};
  const auto members = engine_.ListRoot(archive);
  if (!members) return std::nullopt;
  std::vector<ListedFile> files;
  for (const ziparchive::TUnZip::ListedMember& member : *members)
    files.push_back({member.name, winbase::WidenMessage(member.name), member.uncompressedSize});
  return files;
}

bool PreviewZipReader::ExtractMembers(const std::wstring& archive, const std::wstring& folder,
                                      const std::vector<std::string>& members) {
  engine_.zipUnPack.FileSpec = members;
  return engine_.ExtractRoot(archive, folder);
}

}  // namespace korvel
