#include "ziparchive/archive/unzip.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "ziparchive/archive/archive_reader.h"
#include "ziparchive/codecs/decompress_stream.h"
#include "ziparchive/codecs/legacy_decoders.h"
#include "ziparchive/records/zip_crypto.h"
#include "ziparchive/archive/zip_directory.h"
#include "ziparchive/records/zip_messages.h"
#include "ziparchive/records/wildcard.h"

namespace ziparchive {

namespace {
constexpr size_t kChunk = 32768;
// Block sizes of the archive reads: member data and local headers in file order, and the
// local headers the directory walk checks (small, as members may lie far apart).
constexpr size_t kDataBlock = 131072;
constexpr size_t kHeaderBlock = 32768;

// Compressed bytes of one member, at most its compressed size. Plain data is handed out in
// place in the reader's buffer; encrypted data is copied to be decrypted.
class MemberInput : public InputBuffer {
 public:
  MemberInput(ArchiveReader& archive, uint64_t start, uint64_t size, ZipCrypto* crypto)
      : InputBuffer(crypto ? 65536 : 0), archive_(archive), crypto_(crypto), pos_(start), size_(size), left_(size) {}

  uint64_t Taken() const { return size_ - left_; }

  bool Refill(size_t hint) override {
    if (crypto_) return InputBuffer::Refill(hint);
    size_t want = size_t(std::min<uint64_t>(hint ? hint : kDataBlock, left_));
    Avail = want ? archive_.View(pos_, want, Next) : 0;
    pos_ += Avail;
    left_ -= Avail;
    return Avail > 0;
  }

 protected:
  size_t Fill(uint8_t* buffer, size_t capacity) override {
    size_t want = size_t(std::min<uint64_t>(capacity, left_)), got = 0;
    while (got < want) {
      const uint8_t* p;
      size_t n = archive_.View(pos_ + got, want - got, p);
      if (n == 0) break;  // the file ends inside the member
      memcpy(buffer + got, p, n);
      got += n;
    }
    pos_ += got;
    left_ -= got;
    if (crypto_ && got) crypto_->Decrypt(buffer, got);
    return got;
  }

 private:
  ArchiveReader& archive_;
  ZipCrypto* crypto_;
  uint64_t pos_, size_, left_;
};

std::string At(uint64_t offset) { return "offset " + std::to_string(offset); }

bool IsSupportedMethod(uint16_t method) { return method <= 9 && method != 7; }

// Records that may follow the last local header of a sound archive.
bool EndsTheMembers(uint32_t signature) {
  return signature == zipsig::kCentralHeader || signature == zipsig::kEndOfCentralDir ||
         signature == zipsig::kZip64EndOfCentralDir || signature == 0x05054B50u;  // digital signature
}
}  // namespace

TUnZip::TUnZip() = default;
TUnZip::~TUnZip() = default;

void TUnZip::SetArchiveFile(const std::string& name) {
  std::string n = name;
  for (char& c : n)
    if (c == '/') c = '\\';
  if (n.empty() || !OsFileExists(OsPathOf(n))) {
    FArchiveFile.clear();
    FArcType = atNA;
    return;
  }
  FArchiveFile = n;
  FArcType = atNA;
  OsFile f;
  uint8_t head[4] = {};
  if (f.Open(OsPathOf(n), OsAccess::Read, OsShare::DenyWrite) && OsReadFull(f, head, 4) == 4) {
    if (head[0] == 'P' && head[1] == 'K')
      FArcType = ((head[2] == 1 && head[3] == 2) || (head[2] == 7 && head[3] == 8)) ? atSpannedZip : atZip;
    else
      FArcType = atZipExe;  // data before the first record, as a self-extractor has
  }
}

void TUnZip::ReportDamage(const std::string& what) { Report(FArchiveFile, what, zipmsg::kBadFileHeader); }

void TUnZip::CollectFromCentralDirectory(OsFile& archive, const CentralDirLocation& where, uint64_t fileSize,
                                         std::vector<MemberEntry>& members) {
  ArchiveReader headers(archive, fileSize, kHeaderBlock);
  // Offsets are used as stored. Only where that finds no local header, and the directory
  // itself stands later than its stored offset says (data put in front of the archive, as
  // a self-extractor has), the same shift is tried for the member.
  uint64_t storedStart = where.Zip64 ? where.CentralDirStart : where.EndRecord.CentralDirOffset;
  uint64_t prefixShift = where.CentralDirStart > storedStart ? where.CentralDirStart - storedStart : 0;
  bool shifted = false, unshifted = false;
  // Entries are read as far as the file holds them, also past where the directory should
  // end (a comment length too long, say); the check afterwards reports any such mismatch.
  WalkResult walk = WalkCentralDirectory(archive, where.CentralDirStart, fileSize, [&](const CentralEntry& e) {
    std::string name = DecodeMemberName(e.RawName, e.Header.Flags, TranslateOemChar).Name;
    if (!IsSelected(name)) return !FCancel;
    uint8_t head[LocalHeader::kSize];
    auto localAt = [&](uint64_t offset) {
      return offset <= fileSize && fileSize - offset >= LocalHeader::kSize && headers.Read(offset, head, sizeof head) &&
             GetLE32(head) == zipsig::kLocalHeader;
    };
    uint64_t offset = e.Sizes.LocalHeaderOffset;
    if (!localAt(offset)) {
      offset = offset <= UINT64_MAX - prefixShift ? offset + prefixShift : offset;
      if (!prefixShift || !localAt(offset)) {
        Report(name, "no local header at " + At(e.Sizes.LocalHeaderOffset), zipmsg::kBadFileHeader);
        return !FCancel;
      }
      shifted = true;
    } else {
      unshifted = true;
    }
    LocalHeader local;
    local.Read(head);
    uint64_t dataOffset = offset + LocalHeader::kSize + local.NameLength + local.ExtraLength;
    if (dataOffset > fileSize) {
      Report(name, "local header at " + At(offset) + " runs past the end of the archive", zipmsg::kBadFileHeader);
      return !FCancel;
    }
    MemberEntry m;
    m.ExternalAttributes = e.Header.ExternalAttributes;
    m.DiskNumber = e.Header.DiskNumberStart;
    m.LocalHeaderOffset = offset;
    m.DataOffset = dataOffset;
    m.Central = e.Header;
    m.Sizes = e.Sizes;
    m.Name = name;
    m.CentralRawName = e.RawName;
    m.Room = fileSize - dataOffset;
    if (m.Sizes.CompressedSize > fileSize - dataOffset) {
      Report(name, "data at " + At(dataOffset) + " runs past the end of the archive", zipmsg::kBadFileHeader);
      m.Sizes.CompressedSize = fileSize - dataOffset;
    }
    members.push_back(std::move(m));
    return !FCancel;
  });
  if (!walk.Stopped) {
    std::string mismatch = DirectoryMismatch(where, walk);
    if (!mismatch.empty()) ReportDamage(mismatch);
  }
  // A directory that stands elsewhere than its stored offset says is sound only where data
  // in front of the archive explains it, that is where the members are found shifted too.
  if (!where.Zip64 && storedStart != where.CentralDirStart && (storedStart > where.CentralDirStart || !shifted || unshifted))
    ReportDamage("the end record places the directory at " + At(storedStart) + ", it stands at " +
                 At(where.CentralDirStart));
  SettleOverlaps(where.CentralDirStart, members);
}

void TUnZip::SettleOverlaps(uint64_t directoryStart, std::vector<MemberEntry>& members) {
  if (members.empty()) return;
  std::vector<size_t> order(members.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
    return members[a].LocalHeaderOffset < members[b].LocalHeaderOffset;
  });
  std::vector<bool> dropped(members.size(), false);
  MemberEntry* previous = nullptr;
  for (size_t index : order) {
    MemberEntry& m = members[index];
    if (previous) {
      if (m.LocalHeaderOffset < previous->DataOffset) {
        // Two entries for one header (or a header inside another's): the usual way to make
        // a small archive expand without end. Only the first is kept.
        Report(m.Name, "local header at " + At(m.LocalHeaderOffset) + " overlaps the member " + previous->Name,
               zipmsg::kBadFileHeader);
        dropped[index] = true;
        continue;
      }
      uint64_t room = m.LocalHeaderOffset - previous->DataOffset;
      previous->Room = std::min(previous->Room, room);
      if (previous->Sizes.CompressedSize > room) {
        Report(previous->Name, "data at " + At(previous->DataOffset) + " runs into the member at " + At(m.LocalHeaderOffset),
               zipmsg::kBadFileHeader);
        previous->Sizes.CompressedSize = room;
      }
    }
    previous = &m;
  }
  // The last member's data ends where the directory begins (when it lies before it).
  if (previous && previous->DataOffset <= directoryStart)
    previous->Room = std::min(previous->Room, directoryStart - previous->DataOffset);
  if (previous && previous->DataOffset <= directoryStart &&
      previous->Sizes.CompressedSize > directoryStart - previous->DataOffset) {
    Report(previous->Name, "data at " + At(previous->DataOffset) + " runs into the central directory at " + At(directoryStart),
           zipmsg::kBadFileHeader);
    previous->Sizes.CompressedSize = directoryStart - previous->DataOffset;
  }
  size_t kept = 0;
  for (size_t i = 0; i < members.size(); ++i) {
    if (dropped[i]) continue;
    if (kept != i) members[kept] = std::move(members[i]);
    ++kept;
  }
  members.resize(kept);
}

bool TUnZip::ResolveStreamedMember(ArchiveReader& archive, uint64_t fileSize, bool zip64, MemberEntry& m, uint64_t& next) {
  const uint64_t room = fileSize - m.DataOffset;
  uint8_t tail[24];
  auto descriptorAt = [&](uint64_t compressed, DataDescriptor& d) {
    if (compressed > room) return false;
    size_t avail = size_t(std::min<uint64_t>(sizeof tail, room - compressed));
    return archive.Read(m.DataOffset + compressed, tail, avail) &&
           ParseDataDescriptor(tail, avail, zip64, compressed, nullptr, nullptr, d);
  };
  DataDescriptor d;
  bool found = false;
  const uint16_t method = m.Central.Method;
  if (m.Sizes.CompressedSize != 0) {
    // Sizes given in the header as well: the descriptor must follow where they say.
    found = descriptorAt(m.Sizes.CompressedSize, d);
  } else if ((method == 8 || method == 9) && !(m.Central.Flags & zipflag::kEncrypted)) {
    // Deflated data ends by itself: decode it to find where the descriptor stands.
    MemberInput input(archive, m.DataOffset, room, nullptr);
    TDecompressStream stream(input, method == 9);
    std::vector<uint8_t> scratch(kChunk);
    while (!FCancel) {
      ProcessPendingMessages();
      if (stream.Read(scratch.data(), scratch.size()) < 1) break;
    }
    if (stream.Finished()) found = descriptorAt(input.Taken() - stream.UnusedInput(), d);
  } else {
    // Otherwise only a descriptor with its signature can be found: the first one whose
    // compressed size is its distance from the data.
    std::vector<uint8_t> block(65536 + 3);
    for (uint64_t pos = 0; pos < room && !found && !FCancel;) {
      size_t got = size_t(std::min<uint64_t>(block.size(), room - pos));
      if (!archive.Read(m.DataOffset + pos, block.data(), got)) break;
      for (size_t i = 0; i + 4 <= got && i < 65536 && !found; ++i)
        if (block[i] == 'P' && GetLE32(&block[i]) == zipsig::kDataDescriptor) found = descriptorAt(pos + i, d);
      pos += 65536;
    }
  }
  if (!found) {
    Report(m.Name, "sizes follow the data at " + At(m.DataOffset) + ", where no data descriptor can be found",
           zipmsg::kBadFileHeader);
    return false;
  }
  m.Sizes.CompressedSize = d.CompressedSize;
  m.Sizes.UncompressedSize = d.UncompressedSize;
  m.Central.Crc32 = d.Crc32;
  m.Central.CompressedSize = uint32_t(d.CompressedSize);
  m.Central.UncompressedSize = uint32_t(d.UncompressedSize);
  next = m.DataOffset + d.CompressedSize + d.Length;
  return true;
}

void TUnZip::CollectFromLocalHeaders(ArchiveReader& archive, uint64_t start, uint64_t fileSize,
                                     std::vector<MemberEntry>& members) {
  uint64_t pos = start;
  uint8_t marker[4];
  if (archive.Read(pos, marker, 4) && GetLE32(marker) == zipsig::kDataDescriptor) pos += 4;
  while (!FCancel) {
    uint8_t head[LocalHeader::kSize];
    if (pos > fileSize || fileSize - pos < 4) {
      if (pos != fileSize) ReportDamage("the archive ends inside a record at " + At(pos));
      else ReportDamage("the archive ends after the member data, without a central directory");
      break;
    }
    if (fileSize - pos < LocalHeader::kSize || !archive.Read(pos, head, sizeof head) ||
        GetLE32(head) != zipsig::kLocalHeader) {
      uint8_t sig[4];
      if (!(archive.Read(pos, sig, 4) && EndsTheMembers(GetLE32(sig))))
        ReportDamage("no ZIP record at " + At(pos));
      break;
    }
    LocalHeader h;
    h.Read(head);
    if (uint64_t(h.NameLength) + h.ExtraLength > fileSize - pos - LocalHeader::kSize) {
      ReportDamage("the local header at " + At(pos) + " runs past the end of the archive");
      break;
    }
    std::string raw(h.NameLength, '\0'), extra(h.ExtraLength, '\0');
    if ((h.NameLength && !archive.Read(pos + LocalHeader::kSize, raw.data(), raw.size())) ||
        (h.ExtraLength && !archive.Read(pos + LocalHeader::kSize + h.NameLength, extra.data(), extra.size())))
      break;
    MemberEntry m;
    const auto* extraBytes = reinterpret_cast<const uint8_t*>(extra.data());
    ApplyZip64Extra(extraBytes, extra.size(), h.UncompressedSize, h.CompressedSize, 0, m.Sizes);
    m.Sizes.LocalHeaderOffset = pos;
    m.LocalHeaderOffset = pos;
    m.DataOffset = pos + LocalHeader::kSize + h.NameLength + h.ExtraLength;
    m.Room = fileSize - m.DataOffset;
    m.FromLocalHeader = true;
    m.ExternalAttributes = fattr::kArchive;
    m.Central.Flags = h.Flags;
    m.Central.Method = h.Method;
    m.Central.Time = h.Time;
    m.Central.Date = h.Date;
    m.Central.Crc32 = h.Crc32;
    m.Central.CompressedSize = h.CompressedSize;
    m.Central.UncompressedSize = h.UncompressedSize;
    m.Name = DecodeMemberName(raw, h.Flags, TranslateOemChar).Name;
    if (!m.Name.empty() && m.Name.back() == '\\') m.ExternalAttributes = fattr::kDirectory;
    uint64_t next;
    if (h.Flags & zipflag::kDataDescriptor) {
      if (!ResolveStreamedMember(archive, fileSize, HasZip64Extra(extraBytes, extra.size()), m, next)) break;
    } else if (m.Sizes.CompressedSize > fileSize - m.DataOffset) {
      // Every size is checked against the file before the walk moves by it.
      Report(m.Name, "data at " + At(m.DataOffset) + " runs past the end of the archive", zipmsg::kBadFileHeader);
      m.Sizes.CompressedSize = fileSize - m.DataOffset;
      next = UINT64_MAX;
    } else {
      next = m.DataOffset + m.Sizes.CompressedSize;
    }
    if (IsSelected(m.Name)) members.push_back(std::move(m));
    if (next == UINT64_MAX) break;
    pos = next;
  }
}

int TUnZip::Extract() {
  FCount = 0;
  FCancel = false;
  FArchiveProgress = 0;
  FFolderMade = false;
  StartRun();
  ExcludeSpec.clear();
  if (FArchiveFile.empty()) {
    Report(FArchiveFile, "", zipmsg::kFileNotFound);
    return 0;
  }
  bool activated = false;
  try {
    OsFile archive;
    if (!archive.Open(OsPathOf(FArchiveFile), OsAccess::Read, OsShare::DenyWrite)) {
      Report(FArchiveFile, "", zipmsg::kErrorOpeningFile);
      return 0;
    }
    activated = true;
    if (OnActivate) OnActivate(*this);
    int64_t size = archive.Size();
    uint64_t fileSize = size > 0 ? uint64_t(size) : 0;
    std::vector<MemberEntry> members;
    ArchiveReader reader(archive, fileSize, kDataBlock);
    CentralDirLocation where;
    if (LocateCentralDirectory(archive, where)) {
      const EndOfCentralDir& end = where.EndRecord;
      if (end.CommentLength > fileSize - where.EndRecordPosition - EndOfCentralDir::kSize)
        ReportDamage("the archive comment runs past the end of the archive");
      // (A Zip64 archive's plain end record may hold 0xFFFF anywhere.)
      if (!where.Zip64 && (end.ThisDisk != 0 || end.CentralDirDisk != 0))
        ReportDamage("one part of an archive spread over several disks");
      CollectFromCentralDirectory(archive, where, fileSize, members);
    } else {
      // An end record whose directory is not found may be the bytes of a comment (the last
      // one wins); the local headers then tell whether the archive is sound: they must end
      // at a directory.
      uint64_t listed = 0;
      if (where.EndRecordFound && !EndRecordInComment(archive, where.EndRecordPosition))
        ReportDamage("no central directory where the end record at " + At(where.EndRecordPosition) + " places it");
      if (where.LocalSignatureFound)
        CollectFromLocalHeaders(reader, where.LocalScanStart, fileSize, members);
      else if (!FindAnyEndRecord(archive, listed))
        ReportDamage("not a ZIP archive: no end record and no local header found");
      else if (listed != 0 && !where.EndRecordFound)
        ReportDamage("the members the end record lists cannot be found");
    }

    uint32_t maxDate = 0;
    for (const MemberEntry& m : members) maxDate = std::max(maxDate, m.Central.DosDateTime());
    // Decoder state serves every member of this run.
    FDecoders = std::make_unique<DecoderCache>();
    for (const MemberEntry& m : members) {
      if (FCancel) break;
      ExtractMember(reader, m, maxDate);
    }
  } catch (const std::bad_alloc&) {
    AbandonOutput();
    try {
      Report(FCurrentName, "", zipmsg::kOutOfMemory);
    } catch (...) {
    }
  } catch (const std::exception& e) {
    // An event handler's exception ends the operation; it is reported, not passed on.
    AbandonOutput();
    try {
      Report(FCurrentName, e.what(), zipmsg::kEventHandlerFailed);
    } catch (...) {
    }
  } catch (...) {
    AbandonOutput();
    try {
      Report(FCurrentName, "", zipmsg::kEventHandlerFailed);
    } catch (...) {
    }
  }
  FDecoders.reset();
  if (activated && OnDeactivate) {
    try {
      OnDeactivate(*this);
    } catch (...) {
      // Extract never raises.
    }
  }
  return FCount;
}

std::vector<TUnZip::ListedMember> TUnZip::List() {
  FListOnly = true;
  FListed.clear();
  Extract();
  FListOnly = false;
  return std::move(FListed);
}

int TUnZip::Test() {
  FTestOnly = true;
  int n = Extract();
  FTestOnly = false;
  return n;
}

void TUnZip::ExtractMember(ArchiveReader& archive, const MemberEntry& member, uint32_t maxDate) {
  uint8_t head[LocalHeader::kSize];
  if (!archive.Read(member.LocalHeaderOffset, head, sizeof head)) return;
  LocalHeader local;
  local.Read(head);
  std::string raw(local.NameLength, '\0');
  if (local.NameLength && !archive.Read(member.LocalHeaderOffset + LocalHeader::kSize, raw.data(), raw.size())) return;
  const uint16_t flags = member.Central.Flags;
  MemberName name = DecodeMemberName(raw, flags, TranslateOemChar);
  FCurrentName = name.Name;
  uint32_t storedCrc = local.Crc32;
  // Sizes after the data (bit 3) leave the local header's CRC as a placeholder.
  if (member.FromLocalHeader || (flags & zipflag::kDataDescriptor) ||
      (local.Crc32 == 0 && member.Sizes.CompressedSize != 0))
    storedCrc = member.Central.Crc32;
  if (!member.FromLocalHeader) CheckLocalAgainstCentral(archive, member, local, raw);
  uint32_t dosTime = local.DosDateTime();
  if (DateAttribute == daSysDate) dosTime = OsNowDosDateTime();
  else if (DateAttribute == daMaxFileDate) dosTime = maxDate;

  const bool folderBit = member.ExternalAttributes & fattr::kDirectory;
  const bool isFolder = folderBit || (!FCurrentName.empty() && FCurrentName.back() == '\\');
  if (isFolder && member.Sizes.UncompressedSize != 0)
    Report(FCurrentName, "folder entry holds " + std::to_string(member.Sizes.UncompressedSize) + " bytes of data",
           zipmsg::kBadFileHeader);
  if (FListOnly) {
    if (!isFolder) FListed.push_back({FCurrentName, member.Sizes.UncompressedSize});
    return;
  }
  OsPath path{std::string()};
  std::string shown;
  if (FTestOnly) {
    if (isFolder) return;
    shown = FCurrentName;
    path = OsPath(shown);
  } else if (OutputPath(name, path, shown) == PathResult::Unsafe) {
    Report(FCurrentName, shown, zipmsg::kUnsafeStoredPath);
    return;
  }
  if (isFolder) {
    if (CreateStoredDirs) OsForceFolders(path.With(NameFolderPart(path.Text)));
    return;
  }
  if (!FTestOnly && !DecideWrite(FCurrentName, path, shown)) return;
  const uint16_t method = member.Central.Method;
  const bool encrypted = flags & zipflag::kEncrypted;
  // What cannot be decoded is refused before its output is created, so that a file there
  // stays as it is. A method that cannot be decoded is that, whatever a password might do
  // (AES is 99).
  if (!IsSupportedMethod(method)) {
    Report(FCurrentName, "method " + std::to_string(method), zipmsg::kUnsupportedMethod);
    return;
  }
  if (WrittenBefore(path, shown)) return;
  ZipCrypto crypto;
  if (encrypted && !ChoosePassword(archive, member, local, storedCrc, crypto)) return;
  ++FCount;
  FMemberCounted = true;
  if (!CreateOutput(path, shown, member.Sizes.UncompressedSize)) {
    Report(FCurrentName, shown, zipmsg::kErrorOpeningFile);
    --FCount;
    FMemberCounted = false;
    return;
  }
  bool excess = false;
  try {
    excess = Decompress(archive, member, method, encrypted ? &crypto : nullptr);
  } catch (const EZipError&) {
    // A fatal report (already passed to OnError) ends this member only.
  }
  FinishOutput(dosTime, member.ExternalAttributes);
  CheckMember(storedCrc, excess);
}

bool TUnZip::ChoosePassword(ArchiveReader& archive, const MemberEntry& member, const LocalHeader& local,
                            uint32_t storedCrc, ZipCrypto& crypto) {
  const uint16_t flags = member.Central.Flags;
  uint8_t stored[12];
  if (member.Sizes.CompressedSize < 12 || !archive.Read(member.DataOffset, stored, 12)) {
    Report(FCurrentName, "the data at " + At(member.DataOffset) + " cannot hold the 12-byte encryption header",
           zipmsg::kBadFileHeader);
    return false;
  }
  // The header's last byte repeats the CRC's high byte, or the time's when the sizes
  // follow the data.
  uint8_t check = (flags & zipflag::kDataDescriptor) ? uint8_t(local.Time >> 8) : uint8_t(member.Central.Crc32 >> 24);
  std::vector<const std::string*> fitting;
  for (const std::string& password : Passwords) {
    uint8_t header[12];
    std::copy(stored, stored + 12, header);
    ZipCrypto trial;
    trial.Init(password);
    if (trial.CheckHeader(header, check)) fitting.push_back(&password);
  }
  if (fitting.empty()) {
    Report(FCurrentName, "OnGetPassword", zipmsg::kRequiredEventNotAssigned);
    return false;
  }
  // One wrong password in 256 passes the check byte: where more than one does, each is
  // tried on the data (nothing written, nothing reported) until one decodes to the CRC.
  size_t chosen = 0;
  for (size_t i = 0; i + 1 < fitting.size() && !FCancel; ++i)
    if (DecodesWith(archive, member, *fitting[i], storedCrc)) break;
    else chosen = i + 1;
  uint8_t header[12];
  std::copy(stored, stored + 12, header);
  crypto.Init(*fitting[chosen]);
  crypto.CheckHeader(header, check);
  return true;
}

bool TUnZip::DecodesWith(ArchiveReader& archive, const MemberEntry& member, const std::string& password,
                         uint32_t storedCrc) {
  uint8_t header[12];
  if (!archive.Read(member.DataOffset, header, 12)) return false;
  ZipCrypto crypto;
  crypto.Init(password);
  crypto.CheckHeader(header, 0);
  // The trial is silent: the events are set aside and put back however it ends.
  struct SetAside {
    TUnZip& Self;
    bool TestOnly = Self.FTestOnly;
    uint64_t Progress = Self.FArchiveProgress;
    TErrorEvent Error = std::move(Self.OnError);
    TEndEvent End = std::move(Self.OnEnd);
    TProgressEvent Progressed = std::move(Self.OnProgress);
    ~SetAside() {
      Self.FTestOnly = TestOnly;
      Self.FArchiveProgress = Progress;
      Self.OnError = std::move(Error);
      Self.OnEnd = std::move(End);
      Self.OnProgress = std::move(Progressed);
    }
  } aside{*this};
  OnError = nullptr;
  OnEnd = nullptr;
  OnProgress = nullptr;
  FTestOnly = true;
  bool pass = false;
  try {
    CreateOutput(OsPath(std::string()), std::string(), member.Sizes.UncompressedSize);
    bool excess = Decompress(archive, member, member.Central.Method, &crypto);
    pass = CheckMember(storedCrc, excess);
  } catch (const EZipError&) {
  }
  return pass;
}

void TUnZip::CheckLocalAgainstCentral(ArchiveReader& archive, const MemberEntry& member, const LocalHeader& local,
                                      const std::string& localName) {
  const CentralHeader& c = member.Central;
  std::string differs;
  auto add = [&](const char* what) { differs += differs.empty() ? what : std::string(", ") + what; };
  // The output is named after the local header: a name the directory does not list is news.
  if (localName != member.CentralRawName) add("name");
  if (c.Flags & zipflag::kDataDescriptor) {
    // The descriptor after the data must say what the directory says.
    uint8_t tail[24];
    uint64_t at = member.DataOffset + member.Sizes.CompressedSize;
    uint64_t size = archive.Size();
    size_t avail = size > at ? size_t(std::min<uint64_t>(sizeof tail, size - at)) : 0;
    DataDescriptor d;
    if (!(avail && archive.Read(at, tail, avail) &&
          ParseDataDescriptor(tail, avail, false, member.Sizes.CompressedSize, &c.Crc32,
                              &member.Sizes.UncompressedSize, d)))
      add("data descriptor");
  } else {
    if (local.Crc32 != 0 && local.Crc32 != c.Crc32) add("CRC");
    auto sizeDiffers = [](uint32_t a, uint32_t b) { return a != 0xFFFFFFFFu && b != 0xFFFFFFFFu && a != b; };
    if (sizeDiffers(local.CompressedSize, c.CompressedSize) || sizeDiffers(local.UncompressedSize, c.UncompressedSize))
      add("sizes");
  }
  if (!differs.empty())
    Report(FCurrentName, "the local header at " + At(member.LocalHeaderOffset) + " differs from the directory: " + differs,
           zipmsg::kBadFileHeader);
}

bool TUnZip::Decompress(ArchiveReader& archive, const MemberEntry& member, uint16_t method, ZipCrypto* crypto) {
  uint64_t dataOffset = member.DataOffset;
  uint64_t compressed = member.Sizes.CompressedSize;
  if (crypto) {
    dataOffset += 12;  // the encryption header
    compressed -= 12;
  }
  const uint64_t size = member.Sizes.UncompressedSize;
  if ((method == 8 || method == 9) && !crypto) {
    // Deflated data ends by itself: it may run on to the next record, so that a compressed
    // size stated too small costs no data; it is reported all the same. (Bytes left over
    // after the data harm nothing.)
    MemberInput input(archive, dataOffset, member.Room, nullptr);
    TDecompressStream stream(input, method == 9, FDecoders.get());
    bool excess = InflateMember(stream, size);
    uint64_t used = input.Taken() - stream.UnusedInput();
    if (stream.Finished() && used > compressed)
      Report(FCurrentName,
             "compressed size " + std::to_string(compressed) + " stated, the data at " + At(dataOffset) + " holds " +
                 std::to_string(used),
             zipmsg::kBadFileHeader);
    return excess;
  }
  MemberInput input(archive, dataOffset, compressed, crypto);
  if (method == 8 || method == 9) {
    TDecompressStream stream(input, method == 9, FDecoders.get());
    return InflateMember(stream, size);
  }
  if (method == 0) {
    // Never more than the stated size, whatever the compressed size says.
    uint64_t left = std::min(compressed, size);
    while (left > 0 && !FCancel) {
      ProcessPendingMessages();
      if (input.Avail == 0 && !input.Refill(kChunk)) break;
      size_t n = size_t(std::min<uint64_t>(input.Avail, left));
      WriteOutput(input.Next, n);
      input.Next += n;
      input.Avail -= n;
      left -= n;
    }
    return compressed > size;
  }
  LegacyContext ctx{input, compressed,
                     [&](const uint8_t* data, size_t count) {
                       ProcessPendingMessages();
                       WriteOutput(data, count);
                     },
                     [&](int code) { ReportFatal(FCurrentName, "", code); }, &FCancel};
  if (method == 1)
    Unshrink(ctx, size);
  else if (method <= 5)
    Unreduce(ctx, size, method - 1);
  else
    Explode(ctx, size, member.Central.Flags);
  return false;
}

bool TUnZip::InflateMember(TDecompressStream& stream, uint64_t size) {
  uint64_t remaining = size;
  size_t chunk = size_t(std::min<uint64_t>(remaining, kChunk));
  const uint8_t* data = nullptr;
  while (remaining > 0) {
    if (FCancel) break;
    ProcessPendingMessages();
    // Pieces of at most one chunk, as ever; the decoder may work further ahead.
    size_t ahead = size_t(std::min<uint64_t>(remaining, TDecompressStream::kMaxAhead));
    int64_t n = stream.ReadView(chunk, ahead, data);
    if (n < 1) break;
    try {
      WriteOutput(data, size_t(n));
    } catch (const EZipError&) {
      break;  // the disk is full (reported): the rest of the member has nowhere to go
    }
    remaining -= std::min<uint64_t>(remaining, chunk);
    chunk = size_t(std::min<uint64_t>(remaining, kChunk));
  }
  // Data that decodes to more than the stated size is damage too; nothing of it is written.
  return remaining == 0 && !FCancel && stream.ReadView(1, 1, data) > 0;
}

}  // namespace ziparchive
