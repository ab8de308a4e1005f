#include "ziparchive/archive/un_base.h"

#include <cstring>
#include <vector>

#include "ziparchive/records/zip_messages.h"
#include "ziparchive/records/zip_records.h"
#include "ziparchive/records/wildcard.h"

namespace ziparchive {

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

TUnBase::PathResult TUnBase::OutputPath(const MemberName& name, OsPath& path, std::string& shown) {
  if (FExtractDir.empty()) {
    FExtractDir = NameFolderPart(FArchiveFile);
    if (FExtractDir.empty()) {
      FExtractDir = OsCurrentFolder(Utf8Paths);
      if (!FExtractDir.empty() && FExtractDir.back() != '\\' && FExtractDir.back() != '/')
        FExtractDir += '\\';
    }
  }
  if (!IsSafeMemberPath(name.OnDisk(), UseStoredDirs, &shown)) return PathResult::Unsafe;
  std::string folder = FExtractDir;
  // A relative folder is taken from the current folder, not from the root of its drive.
  if (folder.find(':') == std::string::npos &&
      (folder.empty() || (folder[0] != '\\' && folder[0] != '/'))) {
    std::string cwd = OsCurrentFolder(Utf8Paths);
    if (!cwd.empty() && cwd.back() != '\\' && cwd.back() != '/') cwd += '\\';
    folder = cwd + folder;
  }
  if (folder.back() != '\\') folder += '\\';
  // Below ExtractDir: the stored folders (when used) and the file part of the name.
  auto below = [this](const std::string& n) {
    return (UseStoredDirs ? NameFolderPart(n) : std::string()) + NameFilePart(n);
  };
  if (Utf8Paths) {
    shown = folder + (name.utf8.empty() ? OsUtf8Path(below(name.name)) : below(name.utf8));
    path = OsPath::FromUtf8(shown);
    return PathResult::Ok;
  }
  shown = folder + below(name.name);
  path =
      name.utf8.empty() ? OsPath(shown) : OsPath::FromUtf8(OsUtf8Path(folder) + below(name.utf8));
  return PathResult::Ok;
}

bool TUnBase::DecideWrite(const std::string& name, OsPath& path, std::string& shown) {
  if (OnBegin) {
    bool extract = true;
    OnBegin(*this, name, FCount + 1, extract);
    if (!extract) return false;
  }
  if (NewFilesOnly) return true;
  if (!ConfirmOverwrites) return OverwriteMode != omSkip;
  OverwriteMode = omOverwrite;
  if (OsGetAttributes(path) == fattr::kInvalid) return true;
  if (!OnFileExists) {
    Report(name, "OnFileExists", zipmsg::kRequiredEventNotAssigned);
    OverwriteMode = omSkip;
    return false;
  }
  // The handler may rename the target; it is asked again while the new name is taken.
  for (int round = 0; round < 1000; ++round) {
    std::string newName = shown;
    TOverwriteMode mode = OverwriteMode;
    OnFileExists(*this, shown, newName, mode);
    OverwriteMode = mode;
    if (mode == omSkip) return false;
    if (newName.empty() || newName == shown) break;
    shown = newName;
    path = OsPathOf(newName);
    if (OsGetAttributes(path) == fattr::kInvalid) return true;
  }
  uint32_t attr = OsGetAttributes(path);
  if (attr != fattr::kInvalid && (attr & fattr::kReadOnly)) {
    if (attr & (fattr::kHidden | fattr::kDirectory)) {
      Report(FArchiveFile, shown, zipmsg::kErrorWritingFile);
      return false;
    }
    OsSetAttributes(path, attr & ~fattr::kReadOnly);
  }
  return true;
}

bool TUnBase::NameTaken(const OsPath& path, const std::string& shown, bool isFolder,
                        bool remember) {
  std::string key = OsPathKey(path);
  const char* why = nullptr;
  if (isFolder) {
    if (FWrittenKeys.count(key)) why = ": an earlier member is a file of that name";
  } else if (FFolderKeys.count(key)) {
    why = ": an earlier member is a folder of that name";
  } else if (FWrittenKeys.count(key)) {
    why = ": an earlier member has that name; the first one is kept";
  }
  if (why) {
    Report(FCurrentName, shown + why, zipmsg::kErrorWritingFile);
    return true;
  }
  if (isFolder)
    FFolderKeys.insert(std::move(key));
  else if (remember)
    FWrittenKeys.insert(std::move(key));
  return false;
}

std::string TUnBase::InNameForm(const MemberName& name, const std::string& text) {
  return name.utf8.empty() ? text : OsUtf8ToAnsi(text);
}

bool TUnBase::NameRefused(const MemberName& name, bool isFolder) {
  std::string why;
  if (!IsSafeMemberPath(name.OnDisk(), UseStoredDirs, &why)) {
    Report(FCurrentName, InNameForm(name, why), zipmsg::kUnsafeStoredPath);
    return true;
  }
  // Keyed as extraction keys the files it writes: the part of the name below ExtractDir.
  auto below = [this](const std::string& n) {
    return (UseStoredDirs ? NameFolderPart(n) : std::string()) + NameFilePart(n);
  };
  OsPath path = name.utf8.empty() ? OsPath(below(name.name)) : OsPath::FromUtf8(below(name.utf8));
  return NameTaken(path, FCurrentName, isFolder, true);
}

void TUnBase::MakeStoredFolder(const OsPath& folder, const std::string& shown) {
  if (NameTaken(folder, shown, true, false) || !CreateStoredDirs) return;
  if (!OsForceFolders(folder))
    Report(FCurrentName, shown + ": " + SystemReason(), zipmsg::kErrorWritingFile);
}

bool TUnBase::CreateOutput(const OsPath& path, const std::string& shown, uint64_t statedSize) {
  FOutPath = path;
  FFinalPath = path;
  FOutShown = shown;
  FStatedSize = statedSize;
  FCrcRegister = kCrc32Init;
  FFileProgress = 0;
  FDecoded = 0;
  FWriteFailed = false;
  FOutputFault.clear();
  FOutputFaultCode = zipmsg::kErrorOpeningFile;
  if (FTestOnly) return true;
  // Members of one folder mostly follow each other: its folders are made (or checked) once.
  // Should the folder have gone meanwhile, the failed create makes them again.
  OsPath folder = path.With(NameFolderPart(path.text));
  bool known = FFolderMade && folder.text == FMadeFolder.text && folder.utf8 == FMadeFolder.utf8;
  if (!known) {
    FFolderMade = OsForceFolders(folder);
    if (!FFolderMade) FOutputFault = SystemReason();
    FMadeFolder = folder;
    if (FFolderMade && !NewFilesOnly && FSweptFolders.insert(OsPathKey(folder)).second)
      RemoveLeftovers(folder);
    if (NewFilesOnly) FOutFolder.Open(folder);
  }
  if (NewFilesOnly) {
    // The create itself is the one look at the name: what is there fails it.
    bool created = FOutFile.CreateNewIn(FOutFolder, FOutPath, OsShare::Exclusive);
    if (!created) {
      // Taken before the look at the name, whose "not found" would stand in for it (a full
      // disk said as a missing file).
      std::string why = SystemReason();
      if (OsGetAttributes(path) != fattr::kInvalid) {
        FOutputFault = "something of that name is there already; it is kept";
        FOutputFaultCode = zipmsg::kErrorWritingFile;
      } else if (known) {
        // The folder went meanwhile: this run's handle must not keep it from being made anew.
        FOutFolder.Close();
        FFolderMade = OsForceFolders(folder);
        FOutFolder.Open(folder);
        created = FOutFile.CreateNewIn(FOutFolder, FOutPath, OsShare::Exclusive);
        if (!created) why = SystemReason();
      }
      if (!created && FOutputFault.empty()) FOutputFault = why;
    }
    if (created) FWrittenKeys.insert(OsPathKey(path));
    FOutputPending = created;
    return created;
  }
  if (OsGetAttributes(path) != fattr::kInvalid) {
    // The archive being read stays whatever a member is called (the same file under another
    // name or through a link included).
    if (OsIdentityOf(path).SameAs(FArchiveId)) {
      FOutputFault = "the archive being read has that name; it is not written over";
      FOutputFaultCode = zipmsg::kErrorWritingFile;
      return false;
    }
    // Replacing a file: the new one is written beside it first, under the one name a run
    // that is killed leaves (taken over now, or removed by the next run into this folder).
    FOutPath = path.With(path.text + kLeftoverSuffix);
    if (FWrittenKeys.count(OsPathKey(FOutPath))) {
      FOutputFault = NameFilePart(FOutPath.text) +
                     ", the name it is written under first, is a file this run wrote; the file "
                     "there is kept";
      FOutputFaultCode = zipmsg::kErrorWritingFile;
      FOutPath = path;
      return false;
    }
  }
  bool created = FOutFile.Create(FOutPath, OsShare::Exclusive);
  if (!created && known) {
    FFolderMade = OsForceFolders(folder);
    created = FOutFile.Create(FOutPath, OsShare::Exclusive);
  }
  if (!created && (known || FFolderMade)) FOutputFault = SystemReason();
  if (created) FWrittenKeys.insert(OsPathKey(path));
  FOutputPending = created;
  return created;
}

void TUnBase::WriteOutput(const uint8_t* data, size_t count) {
  FDecoded += count;
  if (FWriteFailed) return;
  bool diskFull = false;
  size_t written = FTestOnly ? count : FOutFile.Write(data, count, &diskFull);
  FCrcRegister = Crc32Update(FCrcRegister, data, written);
  FFileProgress += written;
  FArchiveProgress += written;
  if (OnProgress) OnProgress(*this, FFileProgress, FArchiveProgress);
  if (written == count) return;
  FWriteFailed = true;
  if (diskFull) {
    FCount = 0;
    FMemberCounted = false;
    ReportFatal(FArchiveFile, FOutShown, zipmsg::kDiskFull);
    return;
  }
  const std::string why = SystemReason();
  if (FMemberCounted) {
    FMemberCounted = false;
    --FCount;
  }
  Report(FArchiveFile, FOutShown + (why.empty() ? "" : ": " + why), zipmsg::kErrorWritingFile);
}

void TUnBase::FinishOutput(uint32_t dosDateTime, uint32_t externalAttributes) {
  if (FTestOnly) return;
  uint32_t attributes = fattr::kInvalid;
  if (RestoreFileAttr && externalAttributes != fattr::kArchive) {
    // Only the bits a file can carry: archives made elsewhere put mode bits up here.
    uint32_t a = externalAttributes &
                 (fattr::kReadOnly | fattr::kHidden | fattr::kSysFile | fattr::kArchive);
    attributes = a ? a : fattr::kNormal;
  }
  if (!FOutFile.Finish(dosDateTime, attributes, FOutPath))
    Report(FCurrentName, FOutShown + ": " + SystemReason(), zipmsg::kErrorClosingFile);
}

bool TUnBase::CheckMember(uint32_t storedCrc, bool excess) {
  if (FWriteFailed) {
    // What reached the disk is cut short: neither a CRC verdict nor a file to keep.
    if (OnEnd) OnEnd(*this, FCurrentName, false);
    AbandonOutput();
    return false;
  }
  bool sizeAgrees = FDecoded == FStatedSize && !excess;
  bool pass = sizeAgrees && Crc32Accepts(storedCrc, FCrcRegister);
  if (OnEnd) OnEnd(*this, FCurrentName, pass);
  // Callers rely on seeing damage, so a failure is reported whether or not OnEnd is set.
  if (!pass) {
    std::string why;
    if (excess)
      why = "the data holds more than the stated " + std::to_string(FStatedSize) + " bytes";
    else if (!sizeAgrees)
      why = std::to_string(FDecoded) + " bytes decoded, " + std::to_string(FStatedSize) + " stated";
    // One wrong password in 256 passes the check byte and decodes to garbage.
    if (FEncryptedMember) why += (why.empty() ? "" : "; ") + std::string("wrong password?");
    if (FOutPath.text != FFinalPath.text)
      why += (why.empty() ? "" : "; ") + std::string("the file there is kept");
    Report(FCurrentName, why, zipmsg::kFileFailsCrc);
  }
  SettleOutput(pass);
  return pass;
}

void TUnBase::SettleOutput(bool pass) {
  FOutputPending = false;
  if (FTestOnly || FOutPath.text == FFinalPath.text) return;
  // A damaged member leaves the file it would have replaced alone.
  if (!pass) {
    OsDeleteFile(FOutPath);
  } else if (!OsReplaceFile(FOutPath, FFinalPath)) {
    const std::string why = SystemReason();
    OsSetAttributes(FOutPath, fattr::kNormal);
    OsDeleteFile(FOutPath);
    if (FMemberCounted) {
      FMemberCounted = false;
      --FCount;
    }
    Report(FCurrentName, FOutShown + (why.empty() ? "" : ": " + why), zipmsg::kErrorWritingFile);
  }
  FOutPath = FFinalPath;
}

void TUnBase::RemoveLeftovers(const OsPath& folder) {
  OsDirSearch search;
  OsFindData found;
  std::vector<std::string> names;
  const std::string pattern = std::string("*") + kLeftoverSuffix;
  if (!search.Open(folder, pattern.c_str())) return;
  while (search.Next(found))
    if (!(found.attributes & fattr::kDirectory)) names.push_back(found.name);
  std::string base = folder.text;
  if (!base.empty() && base.back() != '\\') base += '\\';
  const size_t suffix = std::strlen(kLeftoverSuffix);
  for (const std::string& name : names) {
    // Exactly "<file>.~kv" beside <file> (a short 8.3 name may match the pattern too).
    if (name.size() <= suffix || name.compare(name.size() - suffix, suffix, kLeftoverSuffix) != 0)
      continue;
    if (OsGetAttributes(folder.With(base + name.substr(0, name.size() - suffix))) ==
        fattr::kInvalid)
      continue;
    OsPath leftover = folder.With(base + name);
    if (OsIdentityOf(leftover).SameAs(FArchiveId)) continue;
    OsSetAttributes(leftover, fattr::kNormal);
    if (OsDeleteFile(leftover))
      Report(base + name, "left by an extraction that was interrupted while it replaced the file",
             zipmsg::kLeftoverRemoved);
  }
}

void TUnBase::AbandonOutput() {
  FOutFile.Close();
  if (!FOutputPending) return;
  FOutputPending = false;
  OsSetAttributes(FOutPath, fattr::kNormal);
  OsDeleteFile(FOutPath);
  FOutPath = FFinalPath;
}

}  // namespace ziparchive
