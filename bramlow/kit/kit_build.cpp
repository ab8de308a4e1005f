#include "bramlow/kit/kit_build.h"

#include <algorithm>
#include <vector>

#include "bramlow/kit/ansi_text.h"
#include "bramlow/kit/kit_check.h"
#include "bramlow/kit/kit_folder.h"
#include "bramlow/kit/output_place.h"
#include "bramlow/kit/setup_payload.h"
#include "bramlow/kit/version_resource.h"
#include "ziparchive/archive/unzip.h"
#include "ziparchive/archive/zip_writer.h"
#include "ziparchive/records/zip_messages.h"
#include "ziparchive/records/zip_records.h"

namespace bramlow {
namespace {

using ziparchive::OsPath;

#ifdef _WIN32
constexpr bool kUtf8Paths = true;
#else
constexpr bool kUtf8Paths = false;
#endif

// The engine takes full paths with "\" separators.
std::string FullPath(std::string path) {
  std::replace(path.begin(), path.end(), '/', '\\');
  const bool absolute = (!path.empty() && path[0] == '\\') || (path.size() > 1 && path[1] == ':');
  if (!absolute) {
    std::string current = ziparchive::OsCurrentFolder(kUtf8Paths);
    std::replace(current.begin(), current.end(), '/', '\\');
    if (!current.empty() && current.back() != '\\') current += '\\';
    path = current + path;
  }
  while (path.size() > 1 && path.back() == '\\') path.pop_back();
  return path;
}

std::string BareName(const std::string& path) {
  const size_t cut = path.find_last_of("\\/");
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

// The folders of the kit that hold nothing: the archive has members for files only, and the
// engine copies empty folders of its tree too.
void EmptyFolders(const KitFolder& kit, const std::string& relative,
                  std::vector<std::string>& out) {
  std::vector<std::string> folders = kit.FolderNames(relative);
  std::sort(folders.begin(), folders.end());
  if (folders.empty() && kit.FileNames(relative).empty() && !relative.empty())
    out.push_back(relative);
  for (const std::string& f : folders)
    EmptyFolders(kit, relative.empty() ? f : relative + "\\" + f, out);
}

struct Problems {
  std::string first;
  int count = 0;
  void Note(const std::string& file, const std::string& extended, int code) {
    if (count++ == 0) {
      first = file + ": " + ziparchive::ZipMessageText(code) +
              (extended.empty() ? "" : " - " + extended);
    }
  }
};

// Copies the first length bytes of in to out, adding them to the CRC.
bool CopyInto(ziparchive::OsFile& out, ziparchive::OsFile& in, uint64_t length, uint32_t& crc,
              std::string& problem) {
  std::vector<uint8_t> buffer(1 << 20);
  for (uint64_t at = 0; at < length;) {
    const size_t piece = static_cast<size_t>(std::min<uint64_t>(buffer.size(), length - at));
    if (in.ReadAt(at, buffer.data(), piece) != static_cast<int64_t>(piece)) {
      problem = "the archive could not be read back";
      return false;
    }
    crc = ziparchive::Crc32Update(crc, buffer.data(), piece);
    if (out.Write(buffer.data(), piece) != piece) {
      problem = "the program could not be written (disk full?)";
      return false;
    }
    at += piece;
  }
  return true;
}

// The archive's directory and end record as they stand in the setup program: every member's
// offset moved by what lies in front of the archive, so that a reader finds each member where
// the directory says (guessing a shift instead can land on the bytes "PK\3\4" the stub's
// own code holds), and the end record's comment the length of the folder list and trailer.
bool RelocatedDirectory(ziparchive::OsFile& zip, uint64_t zipSize, uint64_t shift,
                        uint16_t commentLength, uint64_t& directoryStart, std::string& bytes,
                        std::string& problem) {
  using ziparchive::GetLE16;
  using ziparchive::GetLE32;
  uint8_t end[ziparchive::EndOfCentralDir::kSize] = {};
  if (zipSize < sizeof end || zip.ReadAt(zipSize - sizeof end, end, sizeof end) != sizeof end ||
      GetLE32(end) != ziparchive::zipsig::kEndOfCentralDir || GetLE16(end + 20) != 0) {
    problem = "the archive does not end with its end record";
    return false;
  }
  const uint32_t size = GetLE32(end + 12), offset = GetLE32(end + 16);
  if (GetLE16(end + 10) == 0xFFFF || size == 0xFFFFFFFFu || offset == 0xFFFFFFFFu ||
      uint64_t(offset) + size + sizeof end != zipSize) {
    problem = "the kit is too large for one setup program (more than 65,535 files or 4 GiB)";
    return false;
  }
  std::string directory(size, '\0');
  if (size && zip.ReadAt(offset, directory.data(), size) != static_cast<int64_t>(size)) {
    problem = "the archive could not be read back";
    return false;
  }
  auto moved = [&](uint32_t value, uint8_t* at) {
    const uint64_t place = uint64_t(value) + shift;
    if (value == 0xFFFFFFFFu || place >= 0xFFFFFFFFu) return false;
    ziparchive::PutLE32(at, static_cast<uint32_t>(place));
    return true;
  };
  auto* p = reinterpret_cast<uint8_t*>(directory.data());
  for (size_t at = 0; at < directory.size();) {
    if (directory.size() - at < 46 || GetLE32(p + at) != ziparchive::zipsig::kCentralHeader ||
        !moved(GetLE32(p + at + 42), p + at + 42)) {
      problem = "the archive's directory cannot be moved behind the stub";
      return false;
    }
    at += 46 + size_t(GetLE16(p + at + 28)) + GetLE16(p + at + 30) + GetLE16(p + at + 32);
  }
  if (!moved(offset, end + 16)) {
    problem = "the kit is too large for one setup program (4 GiB)";
    return false;
  }
  ziparchive::PutLE16(end + 20, commentLength);
  directoryStart = offset;
  bytes = directory + std::string(reinterpret_cast<const char*>(end), sizeof end);
  return true;
}

}  // namespace

BuildResult BuildSetup(const BuildOptions& options) {
  BuildResult result;
  const std::string kitPath = FullPath(options.kit);
  const std::string output = FullPath(options.output);
  if (FoldedKitName(output).rfind(FoldedKitName(kitPath) + "\\", 0) == 0) {
    result.problem = "the program to write lies inside the kit, which it would then contain";
    return result;
  }
  result.problem = OutputPlaceFault(options.output, options.kit);
  if (!result.problem.empty()) return result;
  if (!options.stubPath.empty() &&
      ziparchive::OsSameFile(SystemPath(options.stubPath), SystemPath(options.output))) {
    result.problem = "the program to write is the stub itself";
    return result;
  }
  // A setup built before carries its kit after the stub: another kit behind it would be
  // a second payload, never the one the stub finds.
  if (options.stub.size() >= kPayloadTrailerSize &&
      DecodeTrailer(std::string_view(options.stub).substr(options.stub.size() -
                                                          kPayloadTrailerSize))) {
    result.problem = "the stub is a setup program built already (it carries a kit)";
    return result;
  }
  DiskKitFolder kit(kitPath);
  if (!kit.Exists()) {
    result.problem = "no kit folder " + kitPath;
    return result;
  }

  // The version resource of the stub: the application's name and the kit's version.
  std::string stub = options.stub;
  const KitIdentity identity = ReadKitIdentity(kit);
  VersionStrings strings;
  strings.productName = AnsiToUtf16(identity.appName.substr(0, 200), options.codePage);
  strings.fileDescription =
      strings.productName.empty() ? u"Setup" : strings.productName + u" Setup";
  if (!identity.version.empty()) {
    if (!ParseKitVersion(identity.version, strings.numbers)) {
      result.problem = "the kit's Version is not a version";
      return result;
    }
    strings.version = Utf8ToUtf16(identity.version);
  }
  strings.originalFilename = Utf8ToUtf16(BareName(output));
  if (!PutVersionResource(stub, BuildVersionInfo(strings), result.problem)) return result;

  // The archive, beside the program.
  const std::string zipPath = output + ".zip~";
  ziparchive::OsDeleteFile(SystemPath(zipPath));
  Problems problems;
  {
    ziparchive::TZip zip;
    zip.Utf8Paths = kUtf8Paths;
    zip.OnError = [&problems](ziparchive::TZipCommon&, const std::string& file,
                              const std::string& extended, const std::string&,
                              int code) { problems.Note(file, extended, code); };
    zip.SetArchiveFile(zipPath);
    zip.ScanInNameOrder = true;
    // The engine copies every file of its tree, hidden and system files too.
    zip.Attributes.Include(ziparchive::fsHidden);
    zip.Attributes.Include(ziparchive::fsSysFile);
    zip.IncludeHiddenDirs = true;
    zip.FileSpec = {kitPath + "\\*"};
    result.files = zip.Compress();
  }
  auto fail = [&](std::string why) {
    ziparchive::OsDeleteFile(SystemPath(zipPath));
    result.ok = false;
    result.problem = std::move(why);
    return result;
  };
  if (problems.count) return fail("the archive could not be made: " + problems.first);

  std::vector<std::string> emptyFolders;
  EmptyFolders(kit, "", emptyFolders);
  const std::string folders = EncodeFolderList(emptyFolders);
  if (folders.size() + kPayloadTrailerSize > 65535)
    return fail("the kit holds too many empty folders");

  ziparchive::OsFile zipFile;
  if (!zipFile.Open(SystemPath(zipPath), ziparchive::OsAccess::Read,
                    ziparchive::OsShare::DenyWrite)) {
    return fail("the archive could not be read back");
  }
  const int64_t zipSize = zipFile.Size();
  uint64_t directoryStart = 0;
  std::string directory, problem;
  if (zipSize < 0 ||
      !RelocatedDirectory(zipFile, static_cast<uint64_t>(zipSize), stub.size(),
                          static_cast<uint16_t>(folders.size() + kPayloadTrailerSize),
                          directoryStart, directory, problem)) {
    return fail(problem);
  }

  // The program, beside its place.
  const std::string pending = output + ".new~";
  {
    ziparchive::OsFile out;
    if (!out.Create(SystemPath(pending), ziparchive::OsShare::DenyWrite))
      return fail("cannot write " + pending);
    uint32_t crc = ziparchive::kCrc32Init;
    PayloadTrailer trailer;
    trailer.zipOffset = stub.size();
    trailer.zipLength = static_cast<uint64_t>(zipSize);
    trailer.foldersLength = static_cast<uint32_t>(folders.size());
    bool written = out.Write(stub.data(), stub.size()) == stub.size() &&
                   CopyInto(out, zipFile, directoryStart, crc, problem) &&
                   out.Write(directory.data(), directory.size()) == directory.size();
    crc = ziparchive::Crc32Update(crc, directory.data(), directory.size());
    std::string tail;
    if (written) {
      crc = ziparchive::Crc32Update(crc, folders.data(), folders.size());
      trailer.crc = ziparchive::Crc32Final(crc);
      tail = folders + EncodeTrailer(trailer);
      written = out.Write(tail.data(), tail.size()) == tail.size();
    }
    written = out.Close() && written;
    if (!written) {
      ziparchive::OsDeleteFile(SystemPath(pending));
      return fail(problem.empty() ? "the program could not be written (disk full?)" : problem);
    }
    result.bytes = trailer.zipOffset + trailer.zipLength + tail.size();
  }
  zipFile.Close();
  ziparchive::OsDeleteFile(SystemPath(zipPath));

  // What the user's copy of the stub will find, tested before it replaces the old program.
  {
    ziparchive::OsFile written;
    PayloadCheck check;
    if (written.Open(SystemPath(pending), ziparchive::OsAccess::Read,
                     ziparchive::OsShare::DenyWrite)) {
      check = CheckPayload(written);
    } else {
      check.problem = "the program cannot be read back";
    }
    written.Close();
    Problems tested;
    if (check.ok) {
      ziparchive::TUnZip unzip;
      unzip.Utf8Paths = kUtf8Paths;
      unzip.OnError = [&tested](ziparchive::TZipCommon&, const std::string& file,
                                const std::string& extended, const std::string&,
                                int code) { tested.Note(file, extended, code); };
      unzip.FileSpec = {"*"};
      unzip.SetArchiveFile(pending);
      if (unzip.ArchiveFile().empty() || unzip.Test() != result.files) {
        if (!tested.count)
          tested.Note(pending, "not every file was found again",
                      ziparchive::zipmsg::kBadFileHeader);
      }
    }
    if (!check.ok || tested.count) {
      ziparchive::OsDeleteFile(SystemPath(pending));
      result.problem =
          "the program did not pass its own test: " + (check.ok ? tested.first : check.problem);
      return result;
    }
  }
  if (!ziparchive::OsReplaceFile(SystemPath(pending), SystemPath(output))) {
    ziparchive::OsDeleteFile(SystemPath(pending));
    result.problem = "cannot replace " + output;
    return result;
  }
  result.ok = true;
  return result;
}

}  // namespace bramlow
