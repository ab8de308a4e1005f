#include "ziparchive/archive/zip_writer.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "ziparchive/records/archive_name.h"
#include "ziparchive/archive/zip_directory.h"
#include "ziparchive/records/member_name.h"
#include "ziparchive/records/zip_messages.h"
#include "ziparchive/archive/unzip.h"
#include "ziparchive/records/wildcard.h"

namespace ziparchive {

namespace {

constexpr std::size_t kReadBufferSize = 256 * 1024;
// Below this size a member is deflated in memory first and stored if that came out longer.
constexpr std::uint64_t kTrialDeflateLimit = 257;
constexpr std::uint16_t kVersion = 20;
constexpr std::uint32_t kMax32 = 0xFFFFFFFFu;

[[noreturn]] void BadArchive() {
  throw EZipError(zipmsg::kBadFileHeader, ZipMessageText(zipmsg::kBadFileHeader));
}

void CheckFits32(std::uint64_t v) {
  if (v >= kMax32) throw EZipWriteError("archive grows past what 32-bit ZIP records hold");
}

}  // namespace

TZipBase::TZipBase()
    : StoreFilesOfType{".ACE", ".ARC", ".ARJ", ".BH",  ".CAB", ".ENC", ".GZ",  ".HA",
                       ".JAR", ".LHA", ".LZH", ".PAK", ".PK3", ".PK_", ".RAR", ".TAR",
                       ".TGZ", ".UUE", ".UU",  ".WAR", ".XXE", ".Z",   ".ZIP", ".ZOO"} {}

TZipBase::~TZipBase() = default;

void TZipBase::EndCompress() {
  FDeflate.reset();
  FBuf.reset();
  FSmall.Clear();
}

int TZipBase::DeflateLevel(TDeflateType t) {
  switch (t) {
    case dtDeflateF: return 1;
    case dtDeflateX: return 9;
    default: return 6;
  }
}

std::uint16_t TZipBase::DeflateFlags(TDeflateType t) {
  switch (t) {
    case dtDeflateS: return 6;
    case dtDeflateF: return 4;
    case dtDeflateX: return 2;
    default: return 0;
  }
}

bool TZipBase::StoreByType(const std::string& path) const {
  std::string ext = PathExtension(NameFilePart(path));
  if (ext.empty()) return false;
  for (const std::string& t : StoreFilesOfType)
    if (SameTextAnsi(t, ext)) return true;
  return false;
}

bool TZipBase::LoadExisting(OsFile& archive) {
  std::int64_t size = archive.Size();
  if (size == 0) return true;  // an empty file is taken as an empty archive
  // Members can only be carried over from an archive whose directory can be walked, and
  // only 32-bit records are written back; anything else is left alone rather than lost.
  auto refuse = [this](const std::string& why) {
    Report(FArchiveFile, why + ": the archive cannot be updated", zipmsg::kBadFileHeader);
    return false;
  };
  CentralDirLocation loc;
  if (!LocateCentralDirectory(archive, loc) || !loc.found) return refuse("no central directory found");
  if (loc.zip64) return refuse("a Zip64 archive");
  // Bytes in front of the first record (a self-extractor's program) would be lost.
  std::uint64_t firstRecord = loc.centralDirStart;
  if (loc.endRecord.centralDirOffset != loc.centralDirStart)
    return refuse("the directory stands at offset " + std::to_string(loc.centralDirStart) + ", not where the end record places it (" +
                  std::to_string(loc.endRecord.centralDirOffset) + "): data stands in front of the archive");
  bool usable = true;
  WalkResult walk = WalkCentralDirectory(archive, loc.centralDirStart, loc.centralDirEnd, [&](const CentralEntry& e) {
    const CentralHeader& h = e.header;
    if (h.compressedSize == kMax32 || h.uncompressedSize == kMax32 || h.localHeaderOffset == kMax32) {
      usable = false;
      return false;
    }
    firstRecord = std::min<std::uint64_t>(firstRecord, h.localHeaderOffset);
    ZipMember m;
    m.rawName = e.rawName;
    const MemberName name = DecodeMemberName(e.rawName, h.flags, TranslateOemChar);
    // Compared with the names of the scan, which are UTF-8 with Utf8Paths.
    m.name = !Utf8Paths ? name.name : name.utf8.empty() ? OsUtf8Path(name.name) : name.utf8;
    m.action = MemberAction::Keep;
    m.central = h;
    m.extra = e.extra;
    m.comment = e.comment;
    m.oldOffset = h.localHeaderOffset;
    AddMember(std::move(m));
    return true;
  });
  if (!usable) return refuse("a member with Zip64 sizes");
  // A directory that cannot be read to its end would lose the members past the damage.
  std::string mismatch = DirectoryMismatch(loc, walk);
  if (!mismatch.empty()) return refuse(mismatch);
  if (firstRecord > 0)
    return refuse(std::to_string(firstRecord) + " bytes stand in front of the first record (a self-extractor's program?)");
  // Damage the reader would report must not come out of an update looking sound: the old
  // archive is read through as by a test, and any report refuses it.
  std::string damage = DamageTheReaderReports();
  if (!damage.empty()) return refuse(damage);
  FArchiveComment = loc.comment;
  return true;
}

std::string TZipBase::DamageTheReaderReports() {
  TUnZip reader;
  reader.TranslateOemChar = TranslateOemChar;
  reader.FileSpec = {"*"};
  std::string first;
  reader.OnError = [&first](TZipCommon&, const std::string& file, const std::string& extended, const std::string&,
                            int code) {
    // Members it cannot decode (encrypted, other methods) are carried as they are.
    if (!first.empty() || code == zipmsg::kRequiredEventNotAssigned || code == zipmsg::kUnsupportedMethod) return;
    first = file + ": " + ZipMessageText(code) + (extended.empty() ? "" : " - " + extended);
  };
  reader.SetArchiveFile(FArchiveFile);
  reader.Test();
  return first;
}

void TZipBase::CopyMember(ZipMember& m, OsFile& old, OutStream& out) {
  std::int64_t oldSize = old.Size();
  std::uint8_t head[LocalHeader::kSize];
  if (!old.Seek(m.oldOffset) || ReadSource(old, head, sizeof head) != sizeof head ||
      GetLE32(head) != zipsig::kLocalHeader)
    BadArchive();
  LocalHeader lh;
  lh.Read(head);
  std::uint64_t total = LocalHeader::kSize + std::uint64_t(lh.nameLength) + lh.extraLength +
                        m.central.compressedSize;
  if (oldSize < 0 || m.oldOffset + total > std::uint64_t(oldSize)) BadArchive();
  if (m.central.flags & zipflag::kDataDescriptor) {
    // The descriptor goes along, or the local header's zero sizes would be all that is left.
    // Its sizes are 64-bit when the local header has a Zip64 item.
    std::string extra(lh.extraLength, '\0');
    if (!extra.empty() && (!old.Seek(m.oldOffset + LocalHeader::kSize + lh.nameLength) ||
                           ReadSource(old, reinterpret_cast<std::uint8_t*>(extra.data()), extra.size()) != extra.size()))
      BadArchive();
    bool zip64 = HasZip64Extra(reinterpret_cast<const std::uint8_t*>(extra.data()), extra.size());
    std::uint8_t tail[24];
    std::size_t avail = std::size_t(std::min<std::uint64_t>(sizeof tail, std::uint64_t(oldSize) - m.oldOffset - total));
    if (avail < 12 || !old.Seek(m.oldOffset + total) || ReadSource(old, tail, avail) != avail) BadArchive();
    DataDescriptor d;
    const std::uint32_t crc = m.central.crc32;
    const std::uint64_t size = m.central.uncompressedSize;
    if (ParseDataDescriptor(tail, avail, zip64, m.central.compressedSize, &crc, &size, d))
      total += d.length;
    else  // values that disagree with the directory: the form the signature and Zip64 say
      total += (GetLE32(tail) == zipsig::kDataDescriptor ? 4 : 0) + (zip64 ? 20 : 12);
    if (m.oldOffset + total > std::uint64_t(oldSize)) BadArchive();
  }

  std::uint64_t at = out.Position();
  CheckFits32(at);
  if (!old.Seek(m.oldOffset)) BadArchive();
  if (!FBuf) FBuf.reset(new std::uint8_t[kReadBufferSize]);
  for (std::uint64_t left = total; left > 0;) {
    std::size_t want = left < kReadBufferSize ? std::size_t(left) : kReadBufferSize;
    if (ReadSource(old, FBuf.get(), want) != want) BadArchive();
    out.Write(FBuf.get(), want);
    left -= want;
  }
  m.central.signature = zipsig::kCentralHeader;
  m.central.localHeaderOffset = std::uint32_t(at);
}

void TZipBase::WriteStored(OsFile& src, std::size_t buffered, OutStream& out,
                           std::uint32_t& crc, std::uint64_t& size) {
  crc = 0;
  size = 0;
  std::size_t n = buffered;
  while (n > 0) {
    crc = crc32(crc, FBuf.get(), uInt(n));
    out.Write(FBuf.get(), n);
    size += n;
    if (FCancel) return;
    n = ReadSource(src, FBuf.get(), kReadBufferSize);
    CheckFits32(out.Position());  // a file that grew since the scan: stop as it passes 4 GiB
  }
}

bool TZipBase::WriteNewMember(ZipMember& m, OutStream& out) {
  if (m.rawName.size() > 0xFFFF) {
    Report(m.sourcePath, "the stored name is longer than the 65535 bytes a record holds",
           zipmsg::kErrorOpeningFile);
    m.action = MemberAction::Drop;
    return false;
  }
  std::uint32_t dosTime = m.dosDateTime;
  if (DateAttribute == daSysDate) dosTime = FNowDosDateTime;
  if (DateAttribute == daMaxFileDate) dosTime = FMaxDosDateTime;
  if (m.folder) {
    WriteFolderMember(m, dosTime, out);
    return true;
  }
  OsFile src;
  if (!src.Open(OsPathOf(m.sourcePath), OsAccess::Read, OsShare::DenyNone)) {
    Report(m.sourcePath, SystemReason(), zipmsg::kErrorOpeningFile);
    m.action = MemberAction::Drop;
    return false;
  }
  if (!FBuf) FBuf.reset(new std::uint8_t[kReadBufferSize]);

  std::uint64_t headerPos = out.Position();
  CheckFits32(headerPos);
  LocalHeader lh;
  lh.versionNeeded = kVersion;
  lh.method = 8;
  lh.time = std::uint16_t(dosTime & 0xFFFF);
  lh.date = std::uint16_t(dosTime >> 16);
  lh.uncompressedSize = m.sourceSize < kMax32 ? std::uint32_t(m.sourceSize) : 0;
  lh.nameLength = std::uint16_t(m.rawName.size());
  std::uint8_t head[LocalHeader::kSize];
  lh.Write(head);
  out.Write(head, sizeof head);
  out.Write(m.rawName.data(), m.rawName.size());
  std::uint64_t dataPos = out.Position();

  if (CompressMethod == cmStore) DeflateType = dtDeflateS;
  bool store = DeflateType == dtDeflateS || StoreByType(m.sourcePath);

  // The size found by the scan is only a hint: the file may have changed since.
  std::size_t first = ReadSource(src, FBuf.get(), kReadBufferSize);
  std::uint32_t crc = 0;
  std::uint64_t size = 0;
  bool deflated = false;
  if (store) {
    WriteStored(src, first, out, crc, size);
  } else {
    int level = DeflateLevel(DeflateType);
    if (!FDeflate || FDeflateLevel != level) {
      FDeflate = std::make_unique<TCompressStream>(out, -15, level, &FCancel);
      FDeflateLevel = level;
    }
    if (first < kTrialDeflateLimit) {
      FSmall.Clear();
      FDeflate->Restart(FSmall);
      FDeflate->Write(FBuf.get(), first);
      FDeflate->Finish();
      if (FSmall.Size() > first) {
        WriteStored(src, first, out, crc, size);
      } else {
        out.Write(FSmall.Bytes().data(), FSmall.Bytes().size());
        crc = FDeflate->Crc32();
        size = first;
        deflated = true;
      }
    } else {
      FDeflate->Restart(out);
      std::size_t n = first;
      while (n > 0 && !FCancel) {
        FDeflate->Write(FBuf.get(), n);
        n = ReadSource(src, FBuf.get(), kReadBufferSize);
        CheckFits32(out.Position());
      }
      FDeflate->Finish();
      crc = FDeflate->Crc32();
      size = FDeflate->InputCount();
      deflated = true;
    }
  }
  std::uint64_t end = out.Position();
  std::uint64_t packed = end - dataPos;
  CheckFits32(size);
  CheckFits32(packed);
  CheckFits32(end);

  // The member holds what was read; a file that changed meanwhile is not what was found.
  if (size != m.sourceSize && !FCancel)
    Report(m.sourcePath,
           std::to_string(m.sourceSize) + " bytes when it was found, " + std::to_string(size) +
               " read: the member holds what was read",
           zipmsg::kFileChanged);
  if (size == 0) {  // an empty file is always stored, with CRC 0
    deflated = false;
    crc = 0;
  }
  lh.method = deflated ? 8 : 0;
  lh.flags = deflated ? DeflateFlags(DeflateType) : 0;
  if (m.utf8Name) lh.flags |= zipflag::kUtf8Name;
  lh.crc32 = crc;
  lh.compressedSize = std::uint32_t(packed);
  lh.uncompressedSize = std::uint32_t(size);
  lh.Write(head);
  out.Seek(headerPos);
  out.Write(head, sizeof head);
  out.Write(m.rawName.data(), m.rawName.size());
  out.Seek(end);

  CentralHeader& c = m.central;
  c = CentralHeader();
  c.versionMadeBy = kVersion;
  c.versionNeeded = kVersion;
  c.flags = lh.flags;
  c.method = lh.method;
  c.time = lh.time;
  c.date = lh.date;
  c.crc32 = lh.crc32;
  c.compressedSize = lh.compressedSize;
  c.uncompressedSize = lh.uncompressedSize;
  c.nameLength = lh.nameLength;
  c.internalAttributes = 1;
  c.externalAttributes = m.attributes;
  c.localHeaderOffset = std::uint32_t(headerPos);
  return true;
}

void TZipBase::WriteFolderMember(ZipMember& m, std::uint32_t dosTime, OutStream& out) {
  std::uint64_t headerPos = out.Position();
  CheckFits32(headerPos);
  LocalHeader lh;
  lh.versionNeeded = kVersion;
  lh.method = 0;
  lh.flags = m.utf8Name ? zipflag::kUtf8Name : 0;
  lh.time = std::uint16_t(dosTime & 0xFFFF);
  lh.date = std::uint16_t(dosTime >> 16);
  lh.nameLength = std::uint16_t(m.rawName.size());
  std::uint8_t head[LocalHeader::kSize];
  lh.Write(head);
  out.Write(head, sizeof head);
  out.Write(m.rawName.data(), m.rawName.size());
  CentralHeader& c = m.central;
  c = CentralHeader();
  c.versionMadeBy = kVersion;
  c.versionNeeded = kVersion;
  c.flags = lh.flags;
  c.time = lh.time;
  c.date = lh.date;
  c.nameLength = lh.nameLength;
  c.externalAttributes = m.attributes | fattr::kDirectory;
  c.localHeaderOffset = std::uint32_t(headerPos);
}

bool TZipBase::CheckCapacity() {
  // What the new archive holds at the least: every header, the data of kept members and of
  // files that will be stored. Deflated files may shrink, so they count with no data.
  std::uint64_t least = EndOfCentralDir::kSize + FArchiveComment.size();
  std::size_t entries = 0;
  for (const ZipMember& m : FMembers) {
    if (m.action != MemberAction::Compress && m.action != MemberAction::Keep) continue;
    ++entries;
    least += LocalHeader::kSize + CentralHeader::kSize + 2 * std::uint64_t(m.rawName.size()) + m.extra.size() +
             m.comment.size();
    if (m.action == MemberAction::Keep) {
      least += m.central.compressedSize;
    } else if (m.sourceSize >= kMax32) {
      Report(m.sourcePath, "a file of 4 GiB or more does not fit a ZIP archive of 32-bit records",
             zipmsg::kErrorWritingFile);
      return false;
    } else if (CompressMethod == cmStore || DeflateType == dtDeflateS || StoreByType(m.sourcePath)) {
      least += m.sourceSize;
    }
  }
  if (entries > 0xFFFF) {
    Report(FArchiveFile, std::to_string(entries) + " members, more than the 65535 an archive can list",
           zipmsg::kErrorWritingFile);
    return false;
  }
  if (least >= kMax32) {
    Report(FArchiveFile, "the archive would grow past 4 GiB", zipmsg::kErrorWritingFile);
    return false;
  }
  return true;
}

void TZipBase::WriteDirectory(OutStream& out) {
  std::uint64_t start = out.Position();
  CheckFits32(start);
  std::size_t entries = 0;
  std::uint8_t head[CentralHeader::kSize];
  for (ZipMember& m : FMembers) {
    if (m.action != MemberAction::Compress && m.action != MemberAction::Keep) continue;
    m.central.signature = zipsig::kCentralHeader;
    m.central.nameLength = std::uint16_t(m.rawName.size());
    m.central.extraLength = std::uint16_t(m.extra.size());
    m.central.commentLength = std::uint16_t(m.comment.size());
    m.central.Write(head);
    out.Write(head, sizeof head);
    out.Write(m.rawName.data(), m.rawName.size());
    out.Write(m.extra.data(), m.extra.size());
    out.Write(m.comment.data(), m.comment.size());
    ++entries;
  }
  if (entries > 0xFFFF) throw EZipWriteError("too many members for a 16-bit member count");
  std::uint64_t size = out.Position() - start;
  CheckFits32(out.Position());
  EndOfCentralDir end;
  end.entriesOnDisk = end.totalEntries = std::uint16_t(entries);
  end.centralDirSize = std::uint32_t(size);
  end.centralDirOffset = std::uint32_t(start);
  std::string comment = FArchiveComment.substr(0, 0xFFFF);
  end.commentLength = std::uint16_t(comment.size());
  std::uint8_t rec[EndOfCentralDir::kSize];
  end.Write(rec);
  out.Write(rec, sizeof rec);
  out.Write(comment.data(), comment.size());
}

}  // namespace ziparchive
