#include "korvel/apply/logon_applier.h"

#include <windows.h>

#include <algorithm>
#include <map>
#include <optional>

#include "korvel/apply/editor_scratch.h"
#include "korvel/library/bitmap_header.h"
#include "korvel/library/plain_file_name.h"
#include "korvel/shared/folder_utils.h"
#include "winbase/handles.h"

namespace korvel {
namespace {

// What identifies one version of a file: the tool writes a new file and renames it into
// place, which changes the file's identity, and an in-place write changes its time or size.
struct FileStamp {
  DWORD volume = 0;
  DWORD indexHigh = 0;
  DWORD indexLow = 0;
  FILETIME written{};
  DWORD sizeHigh = 0;
  DWORD sizeLow = 0;

  bool operator==(const FileStamp& other) const {
    return volume == other.volume && indexHigh == other.indexHigh && indexLow == other.indexLow &&
           CompareFileTime(&written, &other.written) == 0 && sizeHigh == other.sizeHigh &&
           sizeLow == other.sizeLow;
  }
};

std::optional<FileStamp> StampOf(const std::wstring& path) {
  winbase::FileHandle file(CreateFileW(path.c_str(), 0,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return std::nullopt;
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(file.get(), &info)) return std::nullopt;
  FileStamp stamp;
  stamp.volume = info.dwVolumeSerialNumber;
  stamp.indexHigh = info.nFileIndexHigh;
  stamp.indexLow = info.nFileIndexLow;
  stamp.written = info.ftLastWriteTime;
  stamp.sizeHigh = info.nFileSizeHigh;
  stamp.sizeLow = info.nFileSizeLow;
  return stamp;
}

}  // namespace

LogonApplier::LogonApplier(IPackageReader& reader, IProgramRunner& runner, std::wstring workFolder,
                           std::wstring programFolder, std::wstring systemRoot)
    : reader_(reader),
      runner_(runner),
      workFolder_(std::move(workFolder)),
      programFolder_(std::move(programFolder)),
      systemRoot_(std::move(systemRoot)) {}

ApplyResult LogonApplier::Apply(const std::wstring& packagePath) {
  const ApplyResult result = ApplyInWorkFolder(packagePath);
  RemoveFolderTree(workFolder_);
  // After the tool has ended, so as to take what a tool stopped in this run left as well.
  RemoveEditorScratch(TargetPath());
  return result;
}

namespace {

// The editor reads no larger file.
constexpr std::uint64_t kMaxEditorFile = 64ull << 20;

std::optional<LeftOutReason> ReasonOf(FileNameFault fault) {
  switch (fault) {
    case FileNameFault::None:
      return std::nullopt;
    case FileNameFault::Empty:
      return LeftOutReason::NoName;
    case FileNameFault::QuoteOrControl:
      return LeftOutReason::Separator;
    case FileNameFault::ForbiddenCharacter:
      return LeftOutReason::ForbiddenCharacter;
    case FileNameFault::BlankAtEnd:
      return LeftOutReason::BlankAtEnd;
    case FileNameFault::DotAtEnd:
      return LeftOutReason::DotAtEnd;
    case FileNameFault::Device:
      return LeftOutReason::Device;
    case FileNameFault::TooLong:
      return LeftOutReason::TooLong;
  }
  return LeftOutReason::Separator;
}

std::optional<LeftOutReason> ReasonOf(ScriptNameFault fault) {
  switch (fault) {
    case ScriptNameFault::None:
      return std::nullopt;
    case ScriptNameFault::NotInCodePage:
      return LeftOutReason::NotInCodePage;
    case ScriptNameFault::BlankAtEnd:
      return LeftOutReason::BlankAtEnd;
    case ScriptNameFault::Separator:
      return LeftOutReason::Separator;
    case ScriptNameFault::NoName:
      return LeftOutReason::NoName;
    case ScriptNameFault::BadNumber:
      return LeftOutReason::BadNumber;
    case ScriptNameFault::TooLong:
      return LeftOutReason::TooLong;
  }
  return LeftOutReason::Separator;
}

bool EditorReadsPicture(const std::wstring& path) {
  const std::optional<std::string> bytes = ReadSmallFile(path, kMaxEditorFile);
  return bytes && IsBitmapFile(*bytes);
}

// A root bitmap of the package, by its place in the listing.
struct Bitmap {
  std::size_t index = 0;
  std::wstring file;
};

}  // namespace

ApplyResult LogonApplier::ApplyInWorkFolder(const std::wstring& packagePath) {
  ApplyResult result;
  const auto ended = [&result](ApplyOutcome outcome) {
    result.outcome = outcome;
    return result;
  };
  // A look-alike path in the script would make the tool build from, or write, another file.
  if (!FitsAnsi(systemRoot_)) return ended(ApplyOutcome::SystemRootNotAnsi);
  // Windows refuses to replace it and some systems do not: the answer must be the same.
  if (IsReadOnly(TargetPath())) return ended(ApplyOutcome::TargetReadOnly);
  switch (ReadAccessOf(packagePath, &result.systemError)) {
    case ReadAccess::Readable:
      break;
    case ReadAccess::Missing:
      return ended(ApplyOutcome::Unreadable);
    case ReadAccess::IsFolder:
      return ended(ApplyOutcome::PackageIsFolder);
    case ReadAccess::Refused:
      return ended(ApplyOutcome::PackageInUse);
  }
  // Leftovers of a stopped run would otherwise be applied with this package.
  if (!PrepareEmptyFolder(workFolder_)) {
    result.systemError = GetLastError();
    return ended(ApplyOutcome::WorkFolderFailed);
  }
  const std::optional<std::vector<PackageFile>> listed = reader_.ListFiles(packagePath);
  if (!listed) return ended(ApplyOutcome::Unreadable);

  // Each root file is decided on by its name before anything is written: one Windows would not
  // write as that file, or a second of one name, is not extracted (a bitmap among them is
  // named). Of the bitmaps the script can name and the editor can read, the first of each
  // resource is applied.
  std::vector<std::pair<std::size_t, LeftOutBitmap>> leftOut;
  const auto leaveOut = [&leftOut](const Bitmap& bitmap, LeftOutReason reason,
                                   std::wstring detail = {}) {
    leftOut.push_back({bitmap.index, {bitmap.file, reason, std::move(detail)}});
  };
  std::vector<std::size_t> extract;
  std::vector<Bitmap> bitmaps;
  std::map<std::wstring, std::wstring> resources;  // key -> the file applied for it
  std::map<std::wstring, std::wstring> written;    // folded name -> the file written under it
  std::optional<std::size_t> uiFileAt;
  for (std::size_t i = 0; i < listed->size(); ++i) {
    const PackageFile& file = (*listed)[i];
    if (!AtRoot(file)) continue;
    const bool picture = IsPictureName(file.name);
    const Bitmap bitmap{i, file.name};
    if (const auto unwritable = ReasonOf(FileNameFaultOf(file.name))) {
      if (picture) leaveOut(bitmap, *unwritable);
      continue;
    }
    // "100.bmp" twice, or "100.BMP" after it, is one file: the engine would write the first and
    // refuse the other as damage.
    if (const auto [first, isNew] = written.emplace(FoldedName(file.name), file.name); !isNew) {
      if (picture) leaveOut(bitmap, LeftOutReason::SameResource, first->second);
      continue;
    }
    extract.push_back(i);
    if (!uiFileAt && FoldedName(file.name) == L"UIFILE.TXT") uiFileAt = i;
    if (!picture) continue;
    if (const auto unnamed = ReasonOf(ScriptNameFaultOf(file.name)))
      leaveOut(bitmap, *unnamed);
    else
      bitmaps.push_back(bitmap);
  }

  std::vector<RefusedFile> refused;
  if (!extract.empty() && !reader_.ExtractFiles(packagePath, workFolder_, extract, refused))
    return ended(ApplyOutcome::Unreadable);
  std::map<std::size_t, std::wstring> refusedAt;
  for (RefusedFile& file : refused) refusedAt[file.index] = std::move(file.reason);
  std::vector<std::wstring> carried;
  for (const Bitmap& bitmap : bitmaps) {
    if (const auto refusal = refusedAt.find(bitmap.index); refusal != refusedAt.end())
      leaveOut(bitmap, LeftOutReason::Refused, refusal->second);
    // The editor would stop at the first file it cannot read, and apply nothing.
    else if (!EditorReadsPicture(workFolder_ + L"\\" + bitmap.file))
      leaveOut(bitmap, LeftOutReason::NotABitmap);
    // The tool would apply each line, the later over the earlier, and the user would see one
    // of them.
    else if (const auto [taken, isNew] = resources.emplace(ResourceKeyOf(bitmap.file), bitmap.file);
             !isNew)
      leaveOut(bitmap, LeftOutReason::SameResource, taken->second);
    else
      carried.push_back(bitmap.file);
  }
  std::stable_sort(leftOut.begin(), leftOut.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  for (auto& [index, bitmap] : leftOut) result.leftOut.push_back(std::move(bitmap));
  result.appliedBitmaps = carried.size();
  const bool uiFile = uiFileAt && !refusedAt.count(*uiFileAt);
  if (carried.empty() && !uiFile)
    return ended(result.leftOut.empty() ? ApplyOutcome::EmptyPackage
                                        : ApplyOutcome::NothingCarried);
  if (!WriteApplyScript(workFolder_ + L"\\" + kApplyScriptName,
                        ApplyScriptText(systemRoot_, carried))) {
    result.systemError = GetLastError();
    return ended(ApplyOutcome::WorkFolderFailed);
  }

  const std::optional<FileStamp> before = StampOf(TargetPath());
  const RunOutcome run = runner_.RunAndWait(ResourceToolCommandLine(programFolder_), workFolder_);
  if (!run.started) return ended(ApplyOutcome::ToolNotStarted);
  if (run.exitCode != 0) return ended(ApplyOutcome::ToolFailed);
  const std::optional<FileStamp> after = StampOf(TargetPath());
  if (!after || (before && *before == *after)) return ended(ApplyOutcome::TargetUnchanged);
  return ended(ApplyOutcome::Applied);
}

bool LogonApplier::Restore(unsigned long* systemError) const {
  RemoveEditorScratch(TargetPath());
  // A copy cut short must not leave the next logon with half a logon host.
  if (ReplaceWithCopy(LogonHostPath(), TargetPath())) return true;
  if (systemError) *systemError = GetLastError();
  return false;
}

}  // namespace korvel
