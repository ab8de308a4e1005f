// TUnBase: the reader's archive-independent half - member selection, output paths,
// overwrite decisions, the output routine with its CRC, and finishing extracted files.
#pragma once

#include <cstdint>
#include <functional>
#include <set>
#include <string>

#include "ziparchive/archive/zip_common.h"
#include "ziparchive/records/member_name.h"
#include "ziparchive/platform/zip_platform.h"

namespace ziparchive {

enum TOverwriteMode { omOverwrite, omSkip };

class TUnBase : public TZipCommon {
 public:
  using TNotifyEvent = std::function<void(TUnBase& Sender)>;
  using TBeginEvent =
      std::function<void(TUnBase& Sender, const std::string& FileName, int Count, bool& Extract)>;
  using TEndEvent = std::function<void(TUnBase& Sender, const std::string& FileName, bool CrcPass)>;
  using TFileExistsEvent =
      std::function<void(TUnBase& Sender, const std::string& FileName, std::string& NewFileName,
                         TOverwriteMode& OverwriteMode)>;
  using TProgressEvent =
      std::function<void(TUnBase& Sender, uint64_t ProgressByFile, uint64_t ProgressByArchive)>;

  TUnBase() = default;

  // Published properties (initial values as the component has them).
  bool UseStoredDirs = true;
  bool ConfirmOverwrites = false;
  TOverwriteMode OverwriteMode = omOverwrite;
  bool CreateStoredDirs = false;
  bool RestoreFileAttr = true;
  // Every file is created new, as into a folder made for this run: nothing is looked up
  // before, no temporary name, no leftovers swept, no overwrite decision (OverwriteMode,
  // ConfirmOverwrites and OnFileExists do not apply). A file (or folder, or link) already
  // there under a member's name is reported and kept as it is.
  bool NewFilesOnly = false;

  TNotifyEvent OnActivate, OnDeactivate;
  TBeginEvent OnBegin;
  TEndEvent OnEnd;
  TFileExistsEvent OnFileExists;
  TProgressEvent OnProgress;

  const std::string& ExtractDir() const { return FExtractDir; }
  void SetExtractDir(const std::string& folder);

  // Whether a converted member name is selected by FileSpec (and not by ExcludeSpec).
  bool IsSelected(const std::string& name);

 protected:
  enum class PathResult { Ok, Unsafe };
  // Output path of a member name: `path` as the system gets it, `shown` the same in the
  // engine's strings (for events and reports). Unsafe when the name would put the file
  // outside ExtractDir or under another name than stored (see IsSafeMemberPath); `shown`
  // then says why.
  PathResult OutputPath(const MemberName& name, OsPath& path, std::string& shown);
  // The overwrite decision; may change path (OnFileExists). True when the member is written.
  bool DecideWrite(const std::string& name, OsPath& path, std::string& shown);

  // Whether an earlier member of this run has the name `path` (or one the system takes for
  // it): a file after a file or a folder, a folder after a file. Reported; the first stays.
  // `remember`: note a file's name now (test and list, which create nothing).
  bool NameTaken(const OsPath& path, const std::string& shown, bool isFolder, bool remember);
  // What test and list say of a name extraction would refuse: the same reports, so that a
  // clean test means a clean extraction.
  bool NameRefused(const MemberName& name, bool isFolder);
  // Makes a folder entry's folder (with CreateStoredDirs); a failure is reported.
  void MakeStoredFolder(const OsPath& folder, const std::string& shown);

  // Per-member output: create, write pieces (CRC and progress), finish, settle. A file that
  // exists is written under a temporary name beside it and replaces it only when the member
  // checks out, so that damage never costs the file that was there.
  // When it fails, FOutputFault says why and FOutputFaultCode is the number to report.
  bool CreateOutput(const OsPath& path, const std::string& shown, uint64_t statedSize);
  // Writes one piece. The first write that fails is reported (the disk full in the fatal
  // form, which throws EZipError); later pieces of the member are dropped unreported.
  void WriteOutput(const uint8_t* data, size_t count);
  void FinishOutput(uint32_t dosDateTime, uint32_t externalAttributes);
  // The member passes when it decoded to exactly its stated size, no more data followed
  // (`excess`), and the CRC agrees. A failure is reported (25151) whether or not OnEnd is set.
  // Output that could not be written gets no verdict: its failure was reported already.
  // Then the output is settled: put in place, or, when it fails and a file was there, dropped.
  bool CheckMember(uint32_t storedCrc, bool excess);
  // Closes and removes the output of a member that ends early (the run stopped).
  void AbandonOutput();
  // Forgets the files written so far: a new run begins.
  void StartRun() {
    FWrittenKeys.clear();
    FFolderKeys.clear();
    FSweptFolders.clear();
    FArchiveId = OsFileId();
  }
  // The one name a member that replaces a file is written under first, beside it, and so
  // what a killed run leaves: "<file>.~kv".
  static constexpr const char* kLeftoverSuffix = ".~kv";
  // Removes such leftovers from a folder this run writes into, once per run and folder, each
  // with a notice (kLeftoverRemoved).
  void RemoveLeftovers(const OsPath& folder);
  // The text of a report about `name`: a reason that quotes a name flagged UTF-8 is given in
  // the engine's strings, as FileName is.
  static std::string InNameForm(const MemberName& name, const std::string& text);

  bool FTestOnly = false;  // decode and check, write nothing
  int FCount = 0;          // files written (the result)
  uint32_t FCrcRegister = 0;
  std::string FCurrentName;  // member name as converted
  uint64_t FStatedSize = 0;  // the current member's uncompressed size as the archive states it
  uint64_t FDecoded = 0;     // bytes the current member decoded to so far
  OsPath FOutPath{std::string()};
  std::string FOutShown;  // FOutPath in the engine's strings
  bool FMemberCounted = false;
  bool FWriteFailed = false;    // a write of the current member fell short (reported)
  bool FEncryptedMember = false;  // the current member was decrypted (a CRC failure may mean
                                  // a wrong password that passed the check byte)
  std::string FOutputFault;      // why CreateOutput failed
  int FOutputFaultCode = 0;
  OsFileId FArchiveId;           // the archive being read: never written over
  bool FOutputPending = false;  // an output file was created and is not settled yet
  uint64_t FFileProgress = 0, FArchiveProgress = 0;
  OsFile FOutFile;
  // With NewFilesOnly, the folder files are being created in, open (closed when a run ends).
  OsFolder FOutFolder;
  // The folder the last output file went to, once made; cleared when an Extract starts.
  OsPath FMadeFolder{std::string()};
  bool FFolderMade = false;

 private:
  void SettleOutput(bool pass);

  std::string FExtractDir;
  OsPath FFinalPath{
      std::string()};  // where the output goes; FOutPath differs while it is a temporary
  std::set<std::string> FWrittenKeys;   // OsPathKey of every file this run wrote (or, in test
                                        // and list, would write)
  std::set<std::string> FFolderKeys;    // OsPathKey of every folder entry of this run
  std::set<std::string> FSweptFolders;  // OsPathKey of every folder cleared of leftovers
};

}  // namespace ziparchive
