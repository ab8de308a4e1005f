#include "ziparchive/archive/comp_base.h"

#include <algorithm>

#include "ziparchive/records/archive_name.h"
#include "ziparchive/records/member_name.h"
#include "ziparchive/records/zip_messages.h"
#include "ziparchive/records/wildcard.h"

namespace ziparchive {

namespace {

std::string UpperAnsi(std::string_view s) {
  std::string u(s);
  for (char& c : u) c = AnsiUpperChar(c);
  return u;
}

std::string FolderOf(const std::string& path, bool utf8) {
  std::size_t slash = path.find_last_of('\\');
  if (slash == std::string::npos) return OsCurrentFolder(utf8);
  if (slash == 0 || (slash == 2 && path[1] == ':')) return path.substr(0, slash + 1);
  return path.substr(0, slash);
}

// Deletes the temporary output unless told to keep it. Declared before the output stream,
// so the stream (and its handle) is gone when this runs.
class TempFileGuard {
 public:
  explicit TempFileGuard(OsPath path) : path_(std::move(path)) {}
  TempFileGuard(const TempFileGuard&) = delete;
  TempFileGuard& operator=(const TempFileGuard&) = delete;
  ~TempFileGuard() {
    if (!path_.text.empty()) OsDeleteFile(path_);
  }
  void Keep() { path_.text.clear(); }

 private:
  OsPath path_;
};

class ECancelled {};

}  // namespace

TCompBase::TCompBase() {
  FArcType = atZip;
}

void TCompBase::SetArchiveFile(const std::string& name) {
  FArchiveFile = NormalizeArchiveFile(name, FDefaultExt);
}

void TCompBase::SetDefaultExt(const std::string& text) {
  std::string old = FDefaultExt;
  FDefaultExt = NormalizeDefaultExt(text);
  FArchiveFile = ApplyDefaultExtChange(FArchiveFile, old, FDefaultExt);
}

std::unique_ptr<OutStream> TCompBase::OpenOutput(OsFile file) {
  return std::make_unique<FileOutStream>(std::move(file));
}

std::size_t TCompBase::ReadSource(OsFile& src, std::uint8_t* buf, std::size_t size) {
  bool failed = false;
  std::size_t got = OsReadFull(src, buf, size, &failed);
  if (failed) throw EZipError(zipmsg::kErrorOpeningFile, ZipMessageText(zipmsg::kErrorOpeningFile));
  return got;
}

int TCompBase::Compress() {
  FCount = 0;
  FCancel = false;
  int added = 0;
  try {
    added = DoCompress();
  } catch (const ECancelled&) {
    Report(FArchiveFile, "", zipmsg::kUserCanceled);
  } catch (const EZipWriteError& e) {
    Report(FArchiveFile, e.what(), e.DiskFull() ? zipmsg::kDiskFull : zipmsg::kErrorWritingFile);
  } catch (const EZipError& e) {
    Report(FArchiveFile, "", e.Code());
  } catch (...) {
    // Out of memory or the like: the output is discarded as for any other failure.
    Report(FArchiveFile, "", zipmsg::kErrorWritingFile);
  }
  FMembers.clear();
  FIndex.clear();
  FExactIndex.clear();
  FFileKeys.clear();
  FOwnFiles.clear();
  FArchiveComment.clear();
  EndCompress();
  FCount = added;
  return added;
}

int TCompBase::DoCompress() {
  FMembers.clear();
  FIndex.clear();
  FExactIndex.clear();
  FFileKeys.clear();
  FOwnFiles.clear();
  FArchiveComment.clear();
  FTaken = 0;

  std::string folder = FolderOf(FArchiveFile, Utf8Paths);
  if (FArchiveFile.empty() || !OsFolderExists(OsPathOf(folder))) {
    Report(folder, "", zipmsg::kInvalidDirectory);
    return 0;
  }
  std::uint32_t attrs = OsGetAttributes(OsPathOf(FArchiveFile));
  FNewArchive = attrs == fattr::kInvalid;
  if (!FNewArchive &&
      (attrs & (fattr::kReadOnly | fattr::kHidden | fattr::kSysFile | fattr::kDirectory))) {
    Report(FArchiveFile, "OnNonWriteableArchive", zipmsg::kRequiredEventNotAssigned);
    return 0;
  }
  if (Switch != swAdd && Switch != swRefresh) {
    // Moving, deleting and reading are not offered by this writer.
    Report(FArchiveFile, "", zipmsg::kNothingToDo);
    return 0;
  }

  // A file a killed run left under this name is taken over. Made as any new file is (the
  // user's umask), so that a new archive is not the owner's alone.
  std::string tempPath = TemporaryFile();
  OsDeleteFile(OsPathOf(tempPath));  // not reused: it would keep its rights
  OsFile tempFile;
  if (!tempFile.Create(OsPathOf(tempPath), OsShare::Exclusive)) {
    Report(tempPath, "", zipmsg::kErrorOpeningFile);
    return 0;
  }
  TempFileGuard tempGuard(OsPathOf(tempPath));
  std::unique_ptr<OutStream> out = OpenOutput(std::move(tempFile));
  NoteOwnFile(tempPath);
  if (!FNewArchive) NoteOwnFile(FArchiveFile);

  OsFile old;
  if (!FNewArchive) {
    if (!old.Open(OsPathOf(FArchiveFile), OsAccess::Read, OsShare::DenyWrite)) {
      Report(FArchiveFile, "", zipmsg::kErrorOpeningFile);
      return 0;
    }
    if (!LoadExisting(old)) return 0;
  }
  FFirstNew = FMembers.size();

  TFileScan scan;
  scan.Attributes = Attributes;
  scan.AttributesEx = AttributesEx;
  scan.RecurseDirs = RecurseDirs;
  scan.IncludeHiddenDirs = IncludeHiddenDirs;
  scan.NameOrder = ScanInNameOrder;
  scan.EmptyFolders = StoreEmptySubDirs;
  scan.Utf8Paths = Utf8Paths;
  scan.Cancel = &FCancel;
  scan.ProcessMessages = ProcessMessages;
  scan.Skipped = [this](const std::string& path, const std::string& why) {
    Report(path, why, zipmsg::kNotScanned);
  };
  for (const ScanWalk& walk : GroupFileSpec(FileSpec, OsCurrentFolder(Utf8Paths)))
    scan.Walk(walk, [this](const ScanFile& f) { Merge(f); });
  if (FCancel) throw ECancelled();
  if (FTaken == 0) {
    Report(FArchiveFile, "", zipmsg::kNothingToDo);
    return 0;
  }

  if (!CheckCapacity()) return 0;

  FNowDosDateTime = OsNowDosDateTime();
  FMaxDosDateTime = 0;
  for (std::size_t i = FFirstNew; i < FMembers.size(); ++i)
    FMaxDosDateTime = std::max(FMaxDosDateTime, FMembers[i].dosDateTime);

  int added = 0;
  for (ZipMember& m : FMembers) {
    if (m.action == MemberAction::Compress) {
      if (WriteNewMember(m, *out)) ++added;
    } else if (m.action == MemberAction::Keep) {
      CopyMember(m, old, *out);
    }
    if (FCancel) throw ECancelled();
    ProcessPendingMessages();
  }
  // Only new members change an archive; without one the old file (or none) stays.
  if (added == 0) return 0;

  WriteDirectory(*out);
  out->Close();  // a failed close is a failed write: nothing may replace the archive
  out.reset();
  old.Close();
  if (!PutInPlace(tempPath)) return 0;
  return added;
}

std::size_t TCompBase::FindMember(const std::string& name) const {
  // The member of exactly this name, else the first of this name in another case.
  auto exact = FExactIndex.find(name);
  if (exact != FExactIndex.end()) return exact->second;
  auto it = FIndex.find(UpperAnsi(name));
  return it == FIndex.end() ? SIZE_MAX : it->second;
}

void TCompBase::AddMember(ZipMember m) {
  FIndex.emplace(UpperAnsi(m.name), FMembers.size());
  FExactIndex.emplace(m.name, FMembers.size());
  FMembers.push_back(std::move(m));
}

void TCompBase::NoteOwnFile(const std::string& path) {
  FOwnFiles.push_back({UpperAnsi(NameFilePart(OsLongPathName(OsPathOf(path)))), path});
}

bool TCompBase::IsOwnFile(const std::string& path) const {
  std::string_view bare = path;
  std::size_t slash = bare.find_last_of('\\');
  if (slash != std::string_view::npos) bare.remove_prefix(slash + 1);
  // The name first (a compare per file), then whether it is the very same file.
  for (const OwnFile& own : FOwnFiles)
    if (bare.size() == own.bareName.size() && SameTextAnsi(bare, own.bareName) &&
        OsSameFile(OsPathOf(path), OsPathOf(own.path)))
      return true;
  return false;
}

void TCompBase::Merge(const ScanFile& f) {
  if (!f.folder && IsOwnFile(f.path)) return;
  std::string name = f.path.substr(f.rootLength);
  std::string bare = NameFilePart(f.path);
  for (const std::string& mask : ExcludeSpec)
    if (!mask.empty() && !f.folder &&
        (WildcardMatch(mask, bare) || WildcardMatch(mask, name) || WildcardMatch(mask, f.path)))
      return;
  ++FTaken;

  if (!FNewArchive) {
    // An update compares names as the archive's own rule has it, in any case.
    std::size_t found = FindMember(name);
    if (found == SIZE_MAX && FileSpec.size() > 1) found = FindMember(f.path);
    // A folder the archive lists already is there.
    if (f.folder && found != SIZE_MAX) return;
    if (found < FFirstNew && FMembers[found].action == MemberAction::Keep) {
      MergeWithMember(f, name, found);
      return;
    }
    if (found == SIZE_MAX && Switch == swRefresh) return;
  }
  AddFile(f, name);
}

void TCompBase::AddFile(const ScanFile& f, const std::string& name) {
  // Names the file system tells apart (README.TXT and readme.txt on most POSIX systems) are
  // members of their own; the same name from two scanned folders cannot be.
  const std::string key = OsPathKey(OsPathOf(name));
  auto known = FFileKeys.find(key);
  if (known != FFileKeys.end()) {
    Report(f.path,
           "\"" + name + "\" is the stored name of " + FMembers[known->second].sourcePath +
               " already",
           zipmsg::kNotScanned);
    return;
  }
  std::string rawName;
  bool utf8Name = false;
  if (!StoredName(f, name, rawName, utf8Name)) return;
  FFileKeys.emplace(key, FMembers.size());
  ZipMember m;
  TakeFile(m, f, name, std::move(rawName), utf8Name);
  AddMember(std::move(m));
}

void TCompBase::TakeFile(ZipMember& m, const ScanFile& f, const std::string& name,
                         std::string rawName, bool utf8Name) {
  m.name = name;
  m.rawName = std::move(rawName);
  m.utf8Name = utf8Name;
  m.folder = f.folder;
  m.action = MemberAction::Compress;
  m.sourcePath = f.path;
  m.rootLength = f.rootLength;
  m.sourceSize = f.size;
  m.attributes = f.attributes;
  m.dosDateTime = f.dosDateTime;
  m.extra.clear();
  m.comment.clear();
}

bool TCompBase::StoredName(const ScanFile& f, const std::string& name, std::string& rawName,
                           bool& utf8Name) {
  // The engine's strings: ANSI, or UTF-8 with Utf8Paths.
  const std::string ansi = Utf8Paths ? OsUtf8ToAnsi(name) : name;
  const std::string utf8 = Utf8Paths ? name : OsUtf8Path(name);
  if (!Utf8Paths || OsUtf8Path(ansi) == name) {
    rawName = ToStoredName(ansi);
    // The OEM code page lacks letters the ANSI one has ("é" in 1251, "€"): such a name
    // would come back as another.
    if (FromStoredName(rawName) == ansi) {
      utf8Name = false;
      return true;
    }
  }
  if (IsValidUtf8(utf8)) {
    rawName = EncodeStoredName(utf8, false);
    utf8Name = true;
    return true;
  }
  Report(f.path,
         "the name has characters the OEM code page lacks and is no UTF-8 text: it cannot be "
         "stored as it is",
         zipmsg::kNotScanned);
  return false;
}

void TCompBase::MergeWithMember(const ScanFile& f, const std::string& name, std::size_t member) {
  const ZipMember& old = FMembers[member];
  bool differs = old.central.uncompressedSize != f.size ||
                 old.central.DosDateTime() != f.dosDateTime ||
                 old.central.externalAttributes != f.attributes;
  if (differs && OnReplaceFile) {
    bool replace = false;
    OnReplaceFile(*this, name, replace);
    std::string rawName;
    bool utf8Name = false;
    if (replace && StoredName(f, name, rawName, utf8Name)) {
      TakeFile(FMembers[member], f, name, std::move(rawName), utf8Name);
      FFileKeys.emplace(OsPathKey(OsPathOf(name)), member);
      return;
    }
    if (replace) return;  // reported; the member stays
  } else if (differs) {
    Report(name, "OnReplaceFile", zipmsg::kRequiredEventNotAssigned);
  }
  if (!OnRenameDupeFile) {
    Report(name, "OnRenameDupeFile", zipmsg::kRequiredEventNotAssigned);
    return;
  }
  std::string newName = name;
  OnRenameDupeFile(*this, name, newName);
  if (newName.empty() || newName == name) return;  // the member stays
  if (FindMember(newName) != SIZE_MAX) {
    Report(f.path, "the new name \"" + newName + "\" is a member's already", zipmsg::kNotScanned);
    return;
  }
  AddFile(f, newName);
}

std::string TCompBase::TemporaryFile() const {
  std::string target = FArchiveFile;
  std::string resolved = OsResolvedPath(OsPathOf(FArchiveFile));
  if (!resolved.empty()) target = resolved;
  if (!TempDir.empty() && OsFolderExists(OsPathOf(TempDir))) {
    std::string folder = TempDir;
    if (folder.back() != '\\' && folder.back() != '/') folder += '\\';
    return folder + NameFilePart(target) + kTemporarySuffix;
  }
  return target + kTemporarySuffix;
}

bool TCompBase::PutInPlace(const std::string& tempPath) {
  // An archive reached through a link is updated where the link leads (the link stays), and
  // the updated archive keeps the access rights the old one had.
  std::string target = FArchiveFile;
  if (!FNewArchive) {
    std::string resolved = OsResolvedPath(OsPathOf(FArchiveFile));
    if (!resolved.empty()) target = resolved;
    OsCopyAccessRights(OsPathOf(target), OsPathOf(tempPath));
  }
  // A replacing rename never leaves the archive missing: it holds the old archive or the new.
  if (OsReplaceFile(OsPathOf(tempPath), OsPathOf(target))) return true;
  // Another volume (or a refused rename): copy next to the archive, then rename there.
  return CopyIntoPlace(tempPath, target);
}

bool TCompBase::CopyIntoPlace(const std::string& tempPath, const std::string& target) {
  std::string sibling = target + kTemporarySuffix;
  bool diskFull = false;
  bool copied = false;
  {
    OsFile src, dst;
    if (!src.Open(OsPathOf(tempPath), OsAccess::Read, OsShare::DenyWrite) ||
        !dst.Create(OsPathOf(sibling), OsShare::Exclusive)) {
      Report(FArchiveFile, "", zipmsg::kErrorOpeningFile);
      return false;
    }
    std::vector<std::uint8_t> buf(FileOutStream::kBufferSize);
    copied = true;
    for (;;) {
      std::int64_t n = src.Read(buf.data(), buf.size());
      if (n < 0) {
        copied = false;
        break;
      }
      if (n == 0) break;
      if (dst.Write(buf.data(), std::size_t(n), &diskFull) != std::size_t(n)) {
        copied = false;
        break;
      }
    }
    if (!dst.Close()) copied = false;
  }
  if (copied) OsCopyAccessRights(OsPathOf(tempPath), OsPathOf(sibling));
  TempFileGuard siblingGuard(OsPathOf(sibling));
  if (copied && OsReplaceFile(OsPathOf(sibling), OsPathOf(target))) {
    siblingGuard.Keep();
    return true;
  }
  Report(FArchiveFile, "", diskFull ? zipmsg::kDiskFull : zipmsg::kErrorWritingFile);
  return false;
}

}  // namespace ziparchive
