#include "korvel/library/zip_packages.h"

#include <windows.h>

#include "ziparchive/records/zip_messages.h"
#include "korvel/library/plain_file_name.h"
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
  zipUnPack.OnError = [this](ziparchive::TZipCommon&, const std::string& file,
                             const std::string& extended, const std::string&, int code) {
    // Keeping a file that is already there is the intended choice, not a fault.
    if (code == ziparchive::zipmsg::kRequiredEventNotAssigned && extended == "OnFileExists") return;
    // A name Windows would not write as that file, or one an earlier member has, says nothing
    // of the archive.
    if (listing_ && (code == ziparchive::zipmsg::kUnsafeStoredPath ||
                     code == ziparchive::zipmsg::kErrorWritingFile))
      return;
    if (code == ziparchive::zipmsg::kUnsafeStoredPath && choice_) {
      const std::optional<std::size_t> index = choice_->Reach(file);
      if (index && choice_->chosen[*index])
        choice_->refused.push_back({*index, winbase::WidenMessage(extended)});
      return;
    }
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

namespace {

// The reader's selection for one run, put back afterwards: every member, so that the list and
// the extraction go through the same members in the same order.
class EveryMember {
 public:
  explicit EveryMember(ziparchive::TUnZip& zip)
      : zip_(zip), fileSpec_(zip.FileSpec), recurse_(zip.RecurseDirs), onBegin_(zip.OnBegin) {
    zip.FileSpec = {"*.*"};
    // A root member "a:b.bmp" is one the engine's folder test takes for "b.bmp" in "a:".
    zip.RecurseDirs = true;
  }
  ~EveryMember() {
    zip_.FileSpec = fileSpec_;
    zip_.RecurseDirs = recurse_;
    zip_.OnBegin = onBegin_;
  }
  EveryMember(const EveryMember&) = delete;
  EveryMember& operator=(const EveryMember&) = delete;

 private:
  ziparchive::TUnZip& zip_;
  std::vector<std::string> fileSpec_;
  bool recurse_;
  ziparchive::TUnBase::TBeginEvent onBegin_;
};

// The name as the file system gets it.
std::wstring WideName(const ziparchive::TUnZip::ListedMember& member) {
  return member.utf8.empty() ? winbase::Widen(member.name) : winbase::Widen(member.utf8, CP_UTF8);
}

}  // namespace

std::optional<std::size_t> ZipPackageReader::Choice::Reach(const std::string& name) {
  for (std::size_t i = next; i < names.size(); ++i) {
    if (names[i] == name) {
      next = i + 1;
      return i;
    }
  }
  return std::nullopt;
}

std::optional<std::vector<ziparchive::TUnZip::ListedMember>> ZipPackageReader::ListAll(
    const std::wstring& archive) {
  problems_.clear();
  if (!FileExists(archive)) return std::nullopt;
  const EveryMember every(zipUnPack);
  zipUnPack.SetArchiveFile(winbase::ToUtf8(archive));
  listing_ = true;
  const struct Listed {
    bool& listing;
    ~Listed() { listing = false; }
  } listedOnce{listing_};
  std::vector<ziparchive::TUnZip::ListedMember> listed = zipUnPack.List();
  if (!problems_.empty()) return std::nullopt;
  return listed;
}

std::optional<std::vector<PackageFile>> ZipPackageReader::ListFiles(const std::wstring& archive) {
  const auto listed = ListAll(archive);
  if (!listed) return std::nullopt;
  std::vector<PackageFile> files;
  for (const ziparchive::TUnZip::ListedMember& member : *listed)
    files.push_back({WideName(member), member.uncompressedSize});
  return files;
}

bool ZipPackageReader::ExtractFiles(const std::wstring& archive, const std::wstring& folder,
                                    const std::vector<std::size_t>& chosen,
                                    std::vector<RefusedFile>& refused) {
  refused.clear();
  const auto listed = ListAll(archive);
  if (!listed) return false;
  // The engine names a member in the ANSI code page, where two names may look alike; it goes
  // through the members in the listed order, so a name is looked for from the last one on.
  Choice choice;
  choice.chosen.assign(listed->size(), false);
  for (const ziparchive::TUnZip::ListedMember& member : *listed) choice.names.push_back(member.name);
  for (std::size_t index : chosen) {
    if (index >= choice.chosen.size()) continue;
    // The engine writes the part after the last "\" or ":" of a name it takes for safe, so
    // "a:b.bmp" would come out as "b.bmp": only what Windows writes as that very file goes.
    const std::wstring name = WideName(listed->at(index));
    if (name.find(L'\\') == std::wstring::npos && IsPlainFileName(name))
      choice.chosen[index] = true;
    else
      refused.push_back({index, L"not a plain file name at the archive's root"});
  }
  choice_ = std::move(choice);
  {
    const EveryMember every(zipUnPack);
    zipUnPack.OnBegin = [this](ziparchive::TUnBase&, const std::string& name, int, bool& extract) {
      const std::optional<std::size_t> index = choice_->Reach(name);
      extract = index && choice_->chosen[*index];
    };
    zipUnPack.SetExtractDir(winbase::ToUtf8(folder));
    zipUnPack.Extract();
  }
  refused.insert(refused.end(), choice_->refused.begin(), choice_->refused.end());
  choice_.reset();
  return problems_.empty();
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
