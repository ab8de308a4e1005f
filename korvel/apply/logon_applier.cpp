#include "korvel/apply/logon_applier.h"

#include <windows.h>

#include <algorithm>
#include <optional>

#include "korvel/apply/editor_scratch.h"
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

// The bitmaps the script can name so that the tool finds each of them go to `carried`; any
// other (" 100.bmp", "1,2.bmp", a letter outside the code page) would be skipped or misread
// by the tool, and goes to `leftOut` with the reason.
void SortBitmaps(const std::wstring& folder, std::vector<std::wstring>& carried,
                 std::vector<LeftOutBitmap>& leftOut) {
  for (const std::wstring& name : ListFiles(folder + L"\\*.bmp")) {
    const ScriptNameFault fault = ScriptNameFaultOf(name);
    if (fault != ScriptNameFault::None)
      leftOut.push_back({name, fault});
    else if (FileExists(folder + L"\\" + name))
      carried.push_back(name);
  }
  std::sort(leftOut.begin(), leftOut.end(),
            [](const LeftOutBitmap& a, const LeftOutBitmap& b) { return a.file < b.file; });
}

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
  // Leftovers of a stopped run would otherwise be applied with this package.
  if (!PrepareEmptyFolder(workFolder_)) {
    result.systemError = GetLastError();
    return ended(ApplyOutcome::WorkFolderFailed);
  }
  if (!reader_.ExtractRoot(packagePath, workFolder_)) return ended(ApplyOutcome::Unreadable);

  std::vector<std::wstring> bitmaps;
  SortBitmaps(workFolder_, bitmaps, result.leftOut);
  if (bitmaps.empty() && !FileExists(workFolder_ + L"\\uifile.txt"))
    return ended(result.leftOut.empty() ? ApplyOutcome::EmptyPackage
                                        : ApplyOutcome::NothingCarried);
  if (!WriteApplyScript(workFolder_ + L"\\" + kApplyScriptName,
                        ApplyScriptText(systemRoot_, bitmaps))) {
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

bool LogonApplier::Restore() const {
  RemoveEditorScratch(TargetPath());
  // A copy cut short must not leave the next logon with half a logon host.
  return ReplaceWithCopy(LogonHostPath(), TargetPath());
}

}  // namespace korvel
