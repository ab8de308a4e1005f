#include "korvel/library/zip_packages.h"

#include <windows.h>

#include <algorithm>

#include "ziparchive/records/zip_messages.h"
#include "korvel/shared/folder_utils.h"
#include "winbase/handles.h"
#include "winbase/text.h"

namespace korvel {
namespace {

// A ZIP archive starts with a local header or ends (within its longest comment) with an end
// record.
bool LooksLikeZip(const std::wstring& path) {
  winbase::FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.get(), &size)) return false;
  const LONGLONG tailSize = std::min<LONGLONG>(size.QuadPart, 65535 + 22);
  std::string head(4, '\0');
  DWORD got = 0;
  if (!ReadFile(file.get(), head.data(), 4, &got, nullptr)) return false;
  if (got == 4 && head == std::string("PK\3\4", 4)) return true;
  LARGE_INTEGER at{};
  at.QuadPart = size.QuadPart - tailSize;
  if (!SetFilePointerEx(file.get(), at, nullptr, FILE_BEGIN)) return false;
  std::string tail(static_cast<std::size_t>(tailSize), '\0');
  if (!ReadFile(file.get(), tail.data(), static_cast<DWORD>(tailSize), &got, nullptr)) return false;
  tail.resize(got);
  return tail.find(std::string("PK\5\6", 4)) != std::string::npos;
}

}  // namespace

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
  zipUnPack.SetArchiveFile(winbase::ToUtf8(archive));
  // The engine extracts nothing from a file it does not recognise, and says nothing either.
  if (!LooksLikeZip(archive)) return false;
  zipUnPack.SetExtractDir(winbase::ToUtf8(folder));
  zipUnPack.Extract();
  return problems_.empty();
}

std::optional<std::vector<ziparchive::TUnZip::ListedMember>> ZipPackageReader::ListRoot(
    const std::wstring& archive) {
  problems_.clear();
  if (!FileExists(archive)) return std::nullopt;
  zipUnPack.SetArchiveFile(winbase::ToUtf8(archive));
  if (!LooksLikeZip(archive)) return std::nullopt;
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
