#include "korvel/library/zip_packages.h"

#include <windows.h>

#include "ziparchive/records/zip_messages.h"
#include "korvel/shared/folder_utils.h"
#include "winbase/text.h"

namespace korvel {

// The engine takes UTF-8 paths whole (winbase::ToUtf8); the ANSI code page would turn "Korvël"
// into "Korvel", another folder that may well exist.
ZipPackageReader::ZipPackageReader() {
  zipUnPack.Utf8Paths = true;
  zipUnPack.FileSpec = {"*.*"};
  zipUnPack.RecurseDirs = false;
  zipUnPack.UseStoredDirs = false;
  zipUnPack.ConfirmOverwrites = true;
  zipUnPack.CpuType = ziparchive::cptAuto;
  zipUnPack.OnError = [this](ziparchive::TZipCommon&, const std::string&, const std::string& event,
                             const std::string&, int code) {
    // Keeping a file that is already there is the intended choice, not a fault.
    if (code == ziparchive::zipmsg::kRequiredEventNotAssigned && event == "OnFileExists") return;
    problems_.push_back(code);
  };
  zipUnPack.OnEnd = [this](ziparchive::TUnBase&, const std::string&, bool crcPass) {
    if (!crcPass) problems_.push_back(-1);
  };
}

bool ZipPackageReader::ExtractRoot(const std::wstring& archive, const std::wstring& folder) {
  problems_.clear();
  if (!FileExists(archive)) return false;
  // A file that is no archive, or one read from its local headers alone, is reported.
  zipUnPack.SetArchiveFile(winbase::ToUtf8(archive));
  zipUnPack.SetExtractDir(winbase::ToUtf8(folder));
  zipUnPack.Extract();
  return problems_.empty();
}

std::optional<std::vector<ziparchive::TUnZip::ListedMember>> ZipPackageReader::ListRoot(
    const std::wstring& archive) {
  problems_.clear();
  if (!FileExists(archive)) return std::nullopt;
  zipUnPack.SetArchiveFile(winbase::ToUtf8(archive));
  std::vector<ziparchive::TUnZip::ListedMember> listed = zipUnPack.List();
  if (!problems_.empty()) return std::nullopt;
  return listed;
}

ZipPackageWriter::ZipPackageWriter() {
  zipPack.Utf8Paths = true;
  zipPack.CompressMethod = ziparchive::cmDeflate;
  zipPack.Switch = ziparchive::swAdd;
  zipPack.SetDefaultExt(".zip");
  zipPack.StoreFilesOfType = {".ACE", ".ARC", ".ARJ", ".BH",  ".CAB", ".ENC", ".GZ",  ".HA",
                              ".JAR", ".LHA", ".LZH", ".PAK", ".PK3", ".PK_", ".RAR", ".TAR",
                              ".TGZ", ".UUE", ".UU",  ".WAR", ".XXE", ".Z",   ".ZIP", ".ZOO"};
  zipPack.OnError = [this](ziparchive::TZipCommon&, const std::string&, const std::string&,
                           const std::string&, int code) { problems_.push_back(code); };
}

bool ZipPackageWriter::PackFolder(const std::wstring& archive, const std::wstring& folder) {
  problems_.clear();
  zipPack.SetArchiveFile(winbase::ToUtf8(archive));
  zipPack.FileSpec.clear();
  zipPack.FileSpec.push_back(winbase::ToUtf8(folder + L"\\*"));
  const int added = zipPack.Compress();
  return problems_.empty() && added > 0;
}

}  // namespace korvel
