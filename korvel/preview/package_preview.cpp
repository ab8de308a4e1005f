#include "korvel/preview/package_preview.h"

#include <windows.h>

#include <algorithm>
#include <set>
#include <stdexcept>

#include "korvel/library/plain_file_name.h"
#include "korvel/preview/preview_layout.h"
#include "korvel/shared/folder_utils.h"
#include "winbase/handles.h"
#include "winbase/text.h"

namespace korvel {
namespace {

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

std::vector<std::size_t> BitmapsToDecode(const std::vector<PackageFile>& bitmaps, std::size_t most) {
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

PreviewRead ReadPackageForPreview(IPackageReader& archive, const std::wstring& packagePath,
                                  const std::wstring& scratchParent, std::size_t mostPictures) {
  PreviewRead read;
  read.failure = PreviewFailure::Unreadable;
  PackageContents& contents = read.contents;
  switch (ReadAccessOf(packagePath, &read.systemError)) {
    case ReadAccess::Readable:
      break;
    case ReadAccess::Missing:
      return read;
    case ReadAccess::IsFolder:
      read.failure = PreviewFailure::IsFolder;
      return read;
    case ReadAccess::Refused:
      read.failure = PreviewFailure::InUse;
      return read;
  }
  const std::optional<std::uint64_t> size = FileSize(packagePath);
  if (!size) return read;
  contents.packageSize = *size;

  const std::optional<std::vector<PackageFile>> listed = archive.ListFiles(packagePath);
  if (!listed) return read;
  // Pictures that can be unpacked, by their place in the listing.
  std::vector<PackageFile> bitmaps;
  std::vector<std::size_t> listedAt;
  for (std::size_t i = 0; i < listed->size(); ++i) {
    const PackageFile& file = (*listed)[i];
    if (!AtRoot(file)) continue;
    if (CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, file.name.c_str(), -1, L"uifile.txt",
                       -1) == CSTR_EQUAL)
      contents.hasUiFile = true;
    else if (!IsPictureName(file.name))
      continue;
    else if (!IsPlainFileName(file.name))
      contents.listedOnly.push_back(ResourceName(file.name));
    else {
      bitmaps.push_back(file);
      listedAt.push_back(i);
    }
  }
  std::vector<std::size_t> chosen =
      BitmapsToDecode(bitmaps, std::min(mostPictures, kMaxPreviewPictures));
  // A package may hold one name twice; the file holds the first.
  std::set<std::wstring> names;
  std::uint64_t stated = 0;
  std::vector<bool> decode(bitmaps.size(), false);
  for (std::size_t index : chosen) {
    if (!names.insert(FoldedName(bitmaps[index].name)).second) continue;
    if (bitmaps[index].size > kMaxPreviewMemberBytes) {
      read.failure = PreviewFailure::PictureTooLarge;
      read.picture = bitmaps[index].name;
      return read;
    }
    // Those the total cannot hold are named, like those the window has no room for.
    if (stated + bitmaps[index].size > kMaxPreviewTotalBytes) continue;
    stated += bitmaps[index].size;
    decode[index] = true;
  }
  std::vector<std::size_t> members;
  for (std::size_t i = 0; i < bitmaps.size(); ++i) {
    if (decode[i])
      members.push_back(listedAt[i]);
    else
      contents.listedOnly.push_back(ResourceName(bitmaps[i].name));
  }

  if (!members.empty()) {
    const PrivateFolder scratch(scratchParent, L"kvpreview");
    if (scratch.path().empty()) {
      read.failure = PreviewFailure::NoScratchFolder;
      return read;
    }
    std::vector<RefusedFile> refused;
    if (!archive.ExtractFiles(packagePath, scratch.path(), members, refused)) return read;
    std::set<std::size_t> left;
    for (const RefusedFile& file : refused) left.insert(file.index);
    std::uint64_t total = 0;
    for (std::size_t i = 0; i < bitmaps.size(); ++i) {
      if (!decode[i]) continue;
      const std::wstring& name = bitmaps[i].name;
      if (left.count(listedAt[i])) {
        contents.listedOnly.push_back(ResourceName(name));
        continue;
      }
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

std::optional<std::vector<PackageFile>> PreviewZipReader::ListFiles(const std::wstring& archive) {
  return engine_.ListFiles(archive);
}

bool PreviewZipReader::ExtractFiles(const std::wstring& archive, const std::wstring& folder,
                                    const std::vector<std::size_t>& chosen,
                                    std::vector<RefusedFile>& refused) {
  return engine_.ExtractFiles(archive, folder, chosen, refused);
}

}  // namespace korvel
