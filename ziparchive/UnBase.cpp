#include "UnBase.h"

#include <vector>

#include "ZipMessages.h"
#include "ZipRecords.h"
#include "ZipWildcard.h"

void TUnBase::SetExtractDir(const std::string& folder) {
  if (folder.empty()) {
    FExtractDir = NameFolderPart(FArchiveFile);
    return;
  }
  std::string f = folder;
  for (char& c : f)
    if (c == '/') c = '\\';
  if (f.back() != '\\') f += '\\';
  FExtractDir = f;
}

bool TUnBase::IsSelected(const std::string& name) {
  bool selected = false;
  const std::string nameFolder = NameFolderPart(name);
  for (std::string& mask : FileSpec) {
    if (mask.empty()) continue;
    if (SameTextAnsi(mask, name)) {
      selected = true;
      break;
    }
    const std::string maskFolder = NameFolderPart(mask);
    std::string subject;
    if (!RecurseDirs) {
      if (!SameTextAnsi(nameFolder, maskFolder)) continue;
      subject = name;
    } else {
      subject = maskFolder.empty() ? NameFilePart(name) : name;
    }
    if (WildcardMatch(mask, subject)) {
      selected = true;
      break;
    }
    // One more try with a "." added where there is none (so "*.*" takes "readme").
    bool changed = false;
    if (subject.find('.') == std::string::npos) {
      subject += '.';
      changed = true;
    }
    if (mask.find('.') == std::string::npos) {
      mask += '.';
      changed = true;
    }
    if (changed && WildcardMatch(mask, subject)) {
      selected = true;
      break;
    }
  }
  if (!selected) return false;
  for (const std::string& mask : ExcludeSpec)
    if (!mask.empty() && (SameTextAnsi(mask, name) || WildcardMatch(mask, name))) return false;
  return true;
}

TUnBase::TPathResult TUnBase::OutputPath(const std::string& name, std::string& path) {
  if (FExtractDir.empty()) {
    FExtractDir = NameFolderPart(FArchiveFile);
    if (FExtractDir.empty()) {
      FExtractDir = OsCurrentFolder();
      if (!FExtractDir.empty() && FExtractDir.back() != '\\' && FExtractDir.back() != '/') FExtractDir += '\\';
    }
  }
  std::string folder = FExtractDir;
  const std::string filePart = NameFilePart(name);
  // A NUL would cut the name short at the system call: some other file would be written.
  if (filePart == "." || filePart == ".." || name.find('\0') != std::string::npos) return TPathResult::Unsafe;
  if (UseStoredDirs) {
    // Stored folders are recreated only below ExtractDir: no drive, no root, no "..".
    if (name.find(':') != std::string::npos || (!name.empty() && name[0] == '\\'))
      return TPathResult::Unsafe;
    size_t start = 0;
    while (start <= name.size()) {
      size_t end = name.find('\\', start);
      if (end == std::string::npos) end = name.size();
      std::string_view part(name.data() + start, end - start);
      if (part == "..") return TPathResult::Unsafe;
      start = end + 1;
    }
    folder += NameFolderPart(name);
  }
  // A relative folder is taken from the current folder, not from the root of its drive.
  if (folder.find(':') == std::string::npos && (folder.empty() || (folder[0] != '\\' && folder[0] != '/'))) {
    std::string cwd = OsCurrentFolder();
    if (!cwd.empty() && cwd.back() != '\\' && cwd.back() != '/') cwd += '\\';
    folder = cwd + folder;
  }
  if (folder.back() != '\\') folder += '\\';
  path = folder + filePart;
  return TPathResult::Ok;
}

bool TUnBase::DecideWrite(const std::string& name, std::string& path) {
  if (OnBegin) {
    bool extract = true;
    OnBegin(*this, name, FCount + 1, extract);
    if (!extract) return false;
  }
  if (!ConfirmOverwrites) return OverwriteMode != omSkip;
  OverwriteMode = omOverwrite;
  if (OsGetAttributes(path) == fattr::Invalid) return true;
  if (!OnFileExists) {
    Report(name, "OnFileExists", zipmsg::RequiredEventNotAssigned);
    OverwriteMode = omSkip;
    return false;
  }
  // The handler may rename the target; it is asked again while the new name is taken.
  for (int round = 0; round < 1000; ++round) {
    std::string newName = path;
    TOverwriteMode mode = OverwriteMode;
    OnFileExists(*this, path, newName, mode);
    OverwriteMode = mode;
    if (mode == omSkip) return false;
    if (newName.empty() || newName == path) break;
    path = newName;
    if (OsGetAttributes(path) == fattr::Invalid) return true;
  }
  uint32_t attr = OsGetAttributes(path);
  if (attr != fattr::Invalid && (attr & fattr::ReadOnly)) {
    if (attr & (fattr::Hidden | fattr::Directory)) {
      Report(FArchiveFile, path, zipmsg::ErrorWritingFile);
      return false;
    }
    OsSetAttributes(path, attr & ~fattr::ReadOnly);
  }
  return true;
}

bool TUnBase::CreateOutput(const std::string& path) {
  FOutPath = path;
  FCrcRegister = Crc32Init;
  FFileProgress = 0;
  if (FTestOnly) return true;
  OsForceFolders(NameFolderPart(path));
  return FOutFile.Create(path, TOsShare::Exclusive);
}

void TUnBase::WriteOutput(const uint8_t* data, size_t count) {
  bool diskFull = false;
  size_t written = FTestOnly ? count : FOutFile.Write(data, count, &diskFull);
  FCrcRegister = Crc32Update(FCrcRegister, data, written);
  FFileProgress += written;
  FArchiveProgress += written;
  if (OnProgress) OnProgress(*this, FFileProgress, FArchiveProgress);
  if (written == count) return;
  if (diskFull) {
    FCount = 0;
    FMemberCounted = false;
    ReportFatal(FArchiveFile, FOutPath, zipmsg::DiskFull);
    return;
  }
  if (FMemberCounted) {
    FMemberCounted = false;
    --FCount;
  }
  Report(FArchiveFile, FOutPath, zipmsg::ErrorWritingFile);
}

void TUnBase::FinishOutput(uint32_t dosDateTime, uint32_t externalAttributes) {
  if (FTestOnly) return;
  FOutFile.SetDosDateTime(dosDateTime);
  if (!FOutFile.Close()) Report(FCurrentName, FOutPath, zipmsg::ErrorClosingFile);
  if (RestoreFileAttr && externalAttributes != fattr::Archive) {
    // Only the bits a file can carry: archives made elsewhere put mode bits up here.
    uint32_t a = externalAttributes & (fattr::ReadOnly | fattr::Hidden | fattr::SysFile | fattr::Archive);
    OsSetAttributes(FOutPath, a ? a : fattr::Normal);
  }
}

void TUnBase::CheckCrc(uint32_t storedCrc) {
  bool pass = Crc32Accepts(storedCrc, FCrcRegister);
  if (OnEnd) OnEnd(*this, FCurrentName, pass);
  // Callers rely on seeing damage, so a failure is reported whether or not OnEnd is set.
  if (!pass) Report(FCurrentName, "", zipmsg::FileFailsCrc);
}
