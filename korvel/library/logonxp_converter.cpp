#include "korvel/library/logonxp_converter.h"

#include <windows.h>

#include <cwctype>

#include "korvel/shared/folder_utils.h"
#include "korvel/library/plain_file_name.h"

namespace korvel {

std::wstring RemoveBitmapPrefix(const std::wstring& name) {
  static constexpr wchar_t kPrefix[] = L"bitmap_";
  constexpr std::size_t kLength = sizeof kPrefix / sizeof kPrefix[0] - 1;
  for (std::size_t at = 0; at + kLength <= name.size(); ++at) {
    std::size_t i = 0;
    while (i < kLength && std::towlower(name[at + i]) == kPrefix[i]) ++i;
    if (i == kLength) return name.substr(0, at) + name.substr(at + kLength);
  }
  return name;
}

LogonXpConverter::LogonXpConverter(IPackageReader& reader, IPackageWriter& writer,
                                   std::wstring workFolder)
    : reader_(reader), writer_(writer), workFolder_(std::move(workFolder)) {}

ConvertOutcome LogonXpConverter::Convert(const std::wstring& source, const std::wstring& target) {
  const ConvertOutcome outcome = ConvertInFolders(source, target);
  RemoveFolderTree(workFolder_);
  RemoveFolderTree(StagingFolder());
  return outcome;
}

ConvertOutcome LogonXpConverter::ConvertInFolders(const std::wstring& source,
                                                  const std::wstring& target) {
  const std::wstring staging = StagingFolder();
  systemError_ = 0;
  const auto failed = [this](ConvertOutcome outcome) {
    systemError_ = GetLastError();
    return outcome;
  };
  if (!PrepareEmptyFolder(workFolder_) || !PrepareEmptyFolder(staging))
    return failed(ConvertOutcome::FolderFailed);
  if (!reader_.ExtractRoot(source, workFolder_)) return ConvertOutcome::Unreadable;
  if (!FileExists(workFolder_ + L"\\theme.ini")) return ConvertOutcome::NotLogonXp;

  const std::vector<std::wstring> bitmaps = ListFiles(workFolder_ + L"\\*.bmp");
  if (bitmaps.empty()) return ConvertOutcome::NoBitmaps;
  // Bitmap_NUL.bmp would be copied to the device: the bitmap lost, and the copy a success.
  // Keeping it under a made-up name would only add a resource the logon host never asks for.
  for (const std::wstring& name : bitmaps)
    if (!IsPlainFileName(RemoveBitmapPrefix(name))) return ConvertOutcome::UnsafeName;
  for (const std::wstring& name : bitmaps)
    if (!CopyFileOver(workFolder_ + L"\\" + name, staging + L"\\" + RemoveBitmapPrefix(name)))
      return failed(ConvertOutcome::CopyFailed);
  if (FileExists(workFolder_ + L"\\uifile.txt") &&
      !CopyFileOver(workFolder_ + L"\\uifile.txt", staging + L"\\uifile.txt"))
    return failed(ConvertOutcome::CopyFailed);

  const std::wstring partial = target + L".part";
  DeleteFileW(partial.c_str());
  if (IsReadOnly(target) || !writer_.PackFolder(partial, staging) || !FileExists(partial) ||
      !MakeWritable(partial) ||
      !MoveFileExW(partial.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    DeleteFileW(partial.c_str());
    return ConvertOutcome::WriteFailed;
  }
  return ConvertOutcome::Converted;
}

}  // namespace korvel
