// TZipCommon: what the reader (TUnZip) and the writer (TZip) share - the published common
// properties, the one error-reporting path with its fatal form, and stored-name translation.
#pragma once

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "ziparchive/platform/zip_platform.h"

namespace ziparchive {

enum TDateAttribute { daFileDate, daSysDate, daMaxFileDate };
enum TCpuType { cptAuto, cpt80286, cpt80386, cpt80486 };
enum TArcType { atNA, atZip, atZipExe, atSpannedZip };

// Raised by the fatal form of the report; its message is the text of the code.
class EZipError : public std::runtime_error {
 public:
  EZipError(int code, const std::string& text) : std::runtime_error(text), code_(code) {}
  int Code() const { return code_; }

 private:
  int code_;
};

class TZipCommon {
 public:
  using TErrorEvent = std::function<void(TZipCommon& Sender, const std::string& FileName,
                                         const std::string& ExtendedMsg,
                                         const std::string& VolumeID, int ECode)>;

  TZipCommon() = default;
  virtual ~TZipCommon() = default;
  TZipCommon(const TZipCommon&) = delete;
  TZipCommon& operator=(const TZipCommon&) = delete;

  // Published properties.
  std::vector<std::string> FileSpec;
  std::vector<std::string> ExcludeSpec;
  bool RecurseDirs = true;
  bool TranslateOemChar = true;
  TDateAttribute DateAttribute = daFileDate;
  TCpuType CpuType = cptAuto;  // kept for compatibility; no effect
  // The paths given to the component (ArchiveFile, ExtractDir, TempDir, the writer's
  // FileSpec and ExcludeSpec) and the paths its events see are UTF-8 text instead of ANSI,
  // so that a folder with a letter outside the code page is reached, not a look-alike.
  // Member names seen alone stay ANSI.
  bool Utf8Paths = false;

  TErrorEvent OnError;
  // Run between pieces of work (a member, a piece of its data, a folder scanned) so that the
  // owner's window keeps answering: Korvel hands its message pump to each of its components.
  // Must not throw.
  std::function<void()> ProcessMessages;

  const std::string& ArchiveFile() const { return FArchiveFile; }
  TArcType ArcType() const { return FArcType; }

  // Asks the running operation to stop at its next check; may be called from another thread
  // or a signal handler.
  void Cancel() { FCancel = true; }
  bool Cancelled() const { return FCancel; }

 protected:
  // Calls OnError when assigned (25443 instead of ECode once cancelled); never throws on
  // its own account.
  void Report(const std::string& FileName, const std::string& ExtendedMsg, int ECode,
              const std::string& VolumeID = "0");
  // Reports, then, unless cancelled, raises EZipError with the text of ECode.
  void ReportFatal(const std::string& FileName, const std::string& ExtendedMsg, int ECode,
                   const std::string& VolumeID = "0");

  void ProcessPendingMessages() {
    if (ProcessMessages) ProcessMessages();
  }

  // The system's reason for the last failure, in the form of the paths it is said beside:
  // UTF-8 with Utf8Paths (the system words it in the ANSI code page, Russian on a Russian
  // system, which read as UTF-8 comes out as nonsense).
  std::string SystemReason() const;

  // One of the component's paths as the system gets it.
  OsPath OsPathOf(const std::string& text) const {
    return Utf8Paths ? OsPath::FromUtf8(text) : OsPath(text);
  }

  std::string ToStoredName(const std::string& name) const;
  std::string FromStoredName(const std::string& stored) const;

  std::string FArchiveFile;
  TArcType FArcType = atNA;
  volatile bool FCancel = false;
};

}  // namespace ziparchive
