// TCompBase: the archive writer's format-independent half - the folder scan, the merge of
// what it finds with an existing archive, the temporary output and putting it in place.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "ziparchive/archive/zip_common.h"
#include "ziparchive/archive/file_scan.h"
#include "ziparchive/codecs/out_stream.h"
#include "ziparchive/platform/zip_platform.h"
#include "ziparchive/records/zip_records.h"

namespace ziparchive {

enum TZipSwitch { swAdd, swRefresh, swMove, swDelete, swRead };

enum class MemberAction { Compress, Keep, Drop, Rename };

struct ZipMember {
  std::string
      name;  // engine form: "\" separators, ANSI (UTF-8 with Utf8Paths); what look-ups compare
  std::string rawName;    // bytes as stored in the archive
  bool utf8Name = false;  // rawName is UTF-8 (general purpose bit 11)
  MemberAction action = MemberAction::Compress;
  // A file found by the scan (MemberAction::Compress).
  std::string sourcePath;
  std::size_t rootLength = 0;
  std::uint64_t sourceSize = 0;
  std::uint32_t attributes = 0;
  std::uint32_t dosDateTime = 0;
  // Central header image; for members carried over, as read (with its extra and comment).
  CentralHeader central;
  std::string extra;
  std::string comment;
  std::uint64_t oldOffset = 0;  // local header in the old archive
  bool folder = false;          // an empty folder (StoreEmptySubDirs): name ends in "\\"
};

class TCompBase : public TZipCommon {
 public:
  TCompBase();

  // Published properties (FileSpec, ExcludeSpec, RecurseDirs, DateAttribute and
  // TranslateOemChar come from TZipCommon).
  TZipAttrs Attributes{fsZeroAttr, fsReadOnly, fsArchive, fsCompressed, fsEncrypted};
  TZipAttrs AttributesEx;
  TZipSwitch Switch = swAdd;
  std::string TempDir;
  bool IncludeHiddenDirs = false;
  // A scanned subfolder that gives no member (an empty one) is stored as a folder entry: its
  // name with "/" at the end, its attributes (the folder bit among them), no data.
  bool StoreEmptySubDirs = false;
  // Members in the byte order of their names, folder by folder (TFileScan::NameOrder).
  bool ScanInNameOrder = false;

  // An update found a file under the name (in any case) of a member the archive holds.
  // OnReplaceFile is asked when size, date or attributes differ: Replace puts the file in the
  // member's place. Otherwise OnRenameDupeFile may give the file a NewName that no member has;
  // left as it is, the member stays and the file is not added. Unassigned, each is reported
  // (25270) and the member stays.
  using TReplaceFileEvent =
      std::function<void(TCompBase& Sender, const std::string& FileName, bool& Replace)>;
  using TRenameDupeFileEvent =
      std::function<void(TCompBase& Sender, const std::string& FileName, std::string& NewName)>;
  TReplaceFileEvent OnReplaceFile;
  TRenameDupeFileEvent OnRenameDupeFile;

  void SetArchiveFile(const std::string& name);
  const std::string& DefaultExt() const { return FDefaultExt; }
  void SetDefaultExt(const std::string& text);

  // Creates or updates ArchiveFile from the files FileSpec names; returns the number of
  // members added. Problems go to OnError; nothing is thrown. Unless it succeeds, an
  // existing archive is left exactly as it was and no temporary file remains.
  int Compress();
  int Count() const { return FCount; }

  // Where Compress writes the new archive before it takes the old one's place: beside the
  // archive (where a link to it leads), or in TempDir when that is set and exists, under the
  // archive's name with ".~kv" added. A run that was killed leaves it there; the next run
  // takes it over, and an owner that is told to stop at once may remove it.
  std::string TemporaryFile() const;

 protected:
  // Format-specific steps, called by Compress in this order.
  // Loads the members of an existing archive; false (after reporting) refuses the update.
  virtual bool LoadExisting(OsFile& archive) = 0;
  // Writes a newly found file; false when it was dropped (already reported).
  virtual bool WriteNewMember(ZipMember& m, OutStream& out) = 0;
  virtual void CopyMember(ZipMember& m, OsFile& old, OutStream& out) = 0;
  virtual void WriteDirectory(OutStream& out) = 0;

  // Frees what one Compress needed (buffers, deflate state).
  virtual void EndCompress() {}
  // Before anything is written: false (after reporting) when the members cannot fit the
  // archive's records (count, 4 GiB), so that nothing is written in vain.
  virtual bool CheckCapacity() { return true; }

  // The output stream over the temporary file (a seam for tests that make writes fail).
  virtual std::unique_ptr<OutStream> OpenOutput(OsFile file);

  // Appends to the member list; with a name already listed, look-ups keep finding the first.
  void AddMember(ZipMember m);
  // Reads a source file's bytes; throws EZipError on a read failure.
  std::size_t ReadSource(OsFile& src, std::uint8_t* buf, std::size_t size);

  std::vector<ZipMember> FMembers;
  std::string FArchiveComment;
  std::uint32_t FNowDosDateTime = 0;
  std::uint32_t FMaxDosDateTime = 0;

 private:
  int DoCompress();
  void Merge(const ScanFile& f);
  // A file whose name an old member has: the decision events, or the member stays.
  void MergeWithMember(const ScanFile& f, const std::string& name, std::size_t member);
  // A file new to the archive under `name`; one whose name another file of this run has
  // already (as the file system tells names apart) is reported and left out.
  void AddFile(const ScanFile& f, const std::string& name);
  void TakeFile(ZipMember& m, const ScanFile& f, const std::string& name, std::string rawName,
                bool utf8Name);
  // The stored form of a new member's name (engine form): the 8-bit code pages where they
  // give the name back exactly, else UTF-8, flagged so. False (reported, the file left out)
  // where neither holds it.
  bool StoredName(const ScanFile& f, const std::string& name, std::string& rawName,
                  bool& utf8Name);
  bool PutInPlace(const std::string& tempPath);
  // The archive being updated and the writer's own temporary file are never packed.
  void NoteOwnFile(const std::string& path);
  bool IsOwnFile(const std::string& path) const;
  bool CopyIntoPlace(const std::string& tempPath, const std::string& target);
  std::size_t FindMember(const std::string& name) const;

  static constexpr const char* kTemporarySuffix = ".~kv";
  std::string FDefaultExt = ".zip";
  int FCount = 0;
  bool FNewArchive = true;
  std::size_t FFirstNew = 0;  // members before this index came from the old archive
  std::size_t FTaken = 0;     // files the scan took
  std::unordered_map<std::string, std::size_t> FIndex;       // upper-cased name -> member
  std::unordered_map<std::string, std::size_t> FExactIndex;  // name -> member
  std::unordered_map<std::string, std::size_t> FFileKeys;    // OsPathKey of a file's name -> member
  struct OwnFile {
    std::string bareName;  // upper-cased long name, what the scan would list
    std::string path;
  };
  std::vector<OwnFile> FOwnFiles;
};

}  // namespace ziparchive
