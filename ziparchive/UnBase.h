// TUnBase: the reader's archive-independent half - member selection, output paths,
// overwrite decisions, the output routine with its CRC, and finishing extracted files.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "ZipCommon.h"
#include "ZipPlatform.h"

enum TOverwriteMode { omOverwrite, omSkip };

class TUnBase : public TZipCommon {
 public:
  using TNotifyEvent = std::function<void(TUnBase& Sender)>;
  using TBeginEvent = std::function<void(TUnBase& Sender, const std::string& FileName, int Count, bool& Extract)>;
  using TEndEvent = std::function<void(TUnBase& Sender, const std::string& FileName, bool CrcPass)>;
  using TFileExistsEvent = std::function<void(TUnBase& Sender, const std::string& FileName,
                                              std::string& NewFileName, TOverwriteMode& OverwriteMode)>;
  using TProgressEvent = std::function<void(TUnBase& Sender, uint64_t ProgressByFile, uint64_t ProgressByArchive)>;

  TUnBase() = default;

  // Published properties (initial values as the component has them).
  bool UseStoredDirs = true;
  bool ConfirmOverwrites = false;
  TOverwriteMode OverwriteMode = omOverwrite;
  bool CreateStoredDirs = false;
  bool RestoreFileAttr = true;

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
  enum class TPathResult { Ok, Unsafe };
  // Output path of a converted member name; Unsafe when the stored folders would lead out
  // of ExtractDir.
  TPathResult OutputPath(const std::string& name, std::string& path);
  // The overwrite decision; may change path (OnFileExists). True when the member is written.
  bool DecideWrite(const std::string& name, std::string& path);

  // Per-member output: create, write pieces (CRC and progress), finish.
  bool CreateOutput(const std::string& path);
  // Writes one piece; throws EZipError (fatal form) when the disk is full.
  void WriteOutput(const uint8_t* data, size_t count);
  void FinishOutput(uint32_t dosDateTime, uint32_t externalAttributes);
  void CheckCrc(uint32_t storedCrc);

  bool FTestOnly = false;    // decode and check, write nothing
  int FCount = 0;            // files written (the result)
  uint32_t FCrcRegister = 0;
  std::string FCurrentName;  // member name as converted
  std::string FOutPath;
  bool FMemberCounted = false;
  uint64_t FFileProgress = 0, FArchiveProgress = 0;
  TOsFile FOutFile;

 private:
  std::string FExtractDir;
};
