#include "UnZip.h"

#include <algorithm>
#include <vector>

#include "DecompressStream.h"
#include "LegacyDecoders.h"
#include "ZipCrypto.h"
#include "ZipDirectory.h"
#include "ZipMessages.h"
#include "ZipWildcard.h"

namespace {
constexpr size_t kChunk = 32768;

bool ReadExact(TOsFile& f, void* buf, size_t count) {
  auto* p = static_cast<uint8_t*>(buf);
  size_t done = 0;
  while (done < count) {
    int64_t n = f.Read(p + done, count - done);
    if (n <= 0) return false;
    done += size_t(n);
  }
  return true;
}

// Compressed bytes of one member, at most its compressed size.
class TMemberInput : public TInputBuffer {
 public:
  TMemberInput(TOsFile& file, uint64_t size, TZipCrypto* crypto)
      : TInputBuffer(65536), FFile(file), FCrypto(crypto), FLeft(size) {}

 protected:
  size_t Fill(uint8_t* buffer, size_t capacity) override {
    size_t want = size_t(std::min<uint64_t>(capacity, FLeft));
    if (!want) return 0;
    int64_t n = FFile.Read(buffer, want);
    if (n <= 0) return 0;
    FLeft -= uint64_t(n);
    if (FCrypto) FCrypto->Decrypt(buffer, size_t(n));
    return size_t(n);
  }

 private:
  TOsFile& FFile;
  TZipCrypto* FCrypto;
  uint64_t FLeft;
};

// The member was counted but an error ended it: an exception from a decoder's fatal report.
struct TMemberAbort {};
}  // namespace

void TUnZip::SetArchiveFile(const std::string& name) {
  std::string n = name;
  for (char& c : n)
    if (c == '/') c = '\\';
  if (n.empty() || !OsFileExists(n)) {
    FArchiveFile.clear();
    FArcType = atNA;
    return;
  }
  FArchiveFile = n;
  FArcType = atNA;
  TOsFile f;
  uint8_t head[4] = {};
  if (f.Open(n, TOsAccess::Read, TOsShare::DenyWrite) && ReadExact(f, head, 4)) {
    if (head[0] == 'P' && head[1] == 'K')
      FArcType = ((head[2] == 1 && head[3] == 2) || (head[2] == 7 && head[3] == 8)) ? atSpannedZip : atZip;
    else
      FArcType = atZipExe;  // data before the first record, as a self-extractor has
  }
}

void TUnZip::CollectFromCentralDirectory(TOsFile& archive, uint64_t start, uint64_t prefixShift,
                                         std::vector<TMemberEntry>& members) {
  WalkCentralDirectory(archive, start, [&](const TCentralEntry& e) {
    std::string name = FromStoredName(e.RawName);
    if (!IsSelected(name)) return !FCancel;
    auto localAt = [&](uint64_t offset) {
      uint8_t head[TLocalHeader::Size];
      return archive.Seek(offset) && ReadExact(archive, head, sizeof head) && GetLE32(head) == zipsig::LocalHeader;
    };
    // Offsets are used as stored. Only where that finds no local header, and the directory
    // itself stands later than its stored offset says (data put in front of the archive, as
    // a self-extractor has), the same shift is tried for the member.
    uint64_t offset = e.Sizes.LocalHeaderOffset;
    if (!localAt(offset) && !(prefixShift && localAt(offset + prefixShift))) {
      Report(name, "", zipmsg::BadFileHeader);
      return !FCancel;
    }
    if (!localAt(offset)) offset += prefixShift;
    TMemberEntry m;
    m.ExternalAttributes = e.Header.ExternalAttributes;
    m.DiskNumber = e.Header.DiskNumberStart;
    m.LocalHeaderOffset = offset;
    m.Central = e.Header;
    m.Sizes = e.Sizes;
    members.push_back(m);
    return !FCancel;
  });
}

void TUnZip::CollectFromLocalHeaders(TOsFile& archive, uint64_t start, std::vector<TMemberEntry>& members) {
  uint64_t pos = start;
  uint8_t marker[4];
  if (archive.Seek(pos) && ReadExact(archive, marker, 4) && GetLE32(marker) == zipsig::DataDescriptor) pos += 4;
  int64_t fileSize = archive.Size();
  while (!FCancel) {
    uint8_t head[TLocalHeader::Size];
    if (!archive.Seek(pos) || !ReadExact(archive, head, sizeof head) || GetLE32(head) != zipsig::LocalHeader) break;
    TLocalHeader h;
    h.Read(head);
    std::string raw(h.NameLength, '\0'), extra(h.ExtraLength, '\0');
    if ((h.NameLength && !ReadExact(archive, raw.data(), raw.size())) ||
        (h.ExtraLength && !ReadExact(archive, extra.data(), extra.size())))
      break;
    TMemberEntry m;
    ApplyZip64Extra(reinterpret_cast<const uint8_t*>(extra.data()), extra.size(), h.UncompressedSize,
                    h.CompressedSize, 0, m.Sizes);
    m.Sizes.LocalHeaderOffset = pos;
    m.LocalHeaderOffset = pos;
    m.FromLocalHeader = true;
    m.ExternalAttributes = fattr::Archive;
    m.Central.Flags = h.Flags;
    m.Central.Method = h.Method;
    m.Central.Time = h.Time;
    m.Central.Date = h.Date;
    m.Central.Crc32 = h.Crc32;
    m.Central.CompressedSize = h.CompressedSize;
    m.Central.UncompressedSize = h.UncompressedSize;
    std::string name = FromStoredName(raw);
    if (!name.empty() && name.back() == '\\') m.ExternalAttributes = fattr::Directory;
    if (IsSelected(name)) members.push_back(m);
    uint64_t next = pos + TLocalHeader::Size + h.NameLength + h.ExtraLength + m.Sizes.CompressedSize;
    if (fileSize >= 0 && next > uint64_t(fileSize)) break;
    pos = next;
  }
}

int TUnZip::Extract() {
  FCount = 0;
  FCancel = false;
  FArchiveProgress = 0;
  ExcludeSpec.clear();
  try {
    if (FArchiveFile.empty()) {
      Report(FArchiveFile, "", zipmsg::FileNotFound);
      return 0;
    }
    TOsFile archive;
    if (!archive.Open(FArchiveFile, TOsAccess::Read, TOsShare::DenyWrite)) {
      Report(FArchiveFile, "", zipmsg::ErrorOpeningFile);
      return 0;
    }
    if (OnActivate) OnActivate(*this);
    std::vector<TMemberEntry> members;
    TCentralDirLocation where;
    if (LocateCentralDirectory(archive, where)) {
      uint64_t storedStart = where.Zip64 ? where.CentralDirStart : where.EndRecord.CentralDirOffset;
      uint64_t shift = where.CentralDirStart > storedStart ? where.CentralDirStart - storedStart : 0;
      CollectFromCentralDirectory(archive, where.CentralDirStart, shift, members);
    }
    else if (where.LocalSignatureFound)
      CollectFromLocalHeaders(archive, where.LocalScanStart, members);

    uint32_t maxDate = 0;
    for (const TMemberEntry& m : members) maxDate = std::max(maxDate, m.Central.DosDateTime());
    for (const TMemberEntry& m : members) {
      if (FCancel) break;
      ExtractMember(archive, m, maxDate);
    }
    archive.Close();
    if (OnDeactivate) OnDeactivate(*this);
  } catch (...) {
    // Extract never raises; an event handler's exception ends the operation here.
    FOutFile.Close();
  }
  return FCount;
}

int TUnZip::Test() {
  FTestOnly = true;
  int n = Extract();
  FTestOnly = false;
  return n;
}

void TUnZip::ExtractMember(TOsFile& archive, const TMemberEntry& member, uint32_t maxDate) {
  uint8_t head[TLocalHeader::Size];
  if (!archive.Seek(member.LocalHeaderOffset) || !ReadExact(archive, head, sizeof head)) return;
  TLocalHeader local;
  local.Read(head);
  std::string raw(local.NameLength, '\0');
  if (local.NameLength && !ReadExact(archive, raw.data(), raw.size())) return;
  uint64_t dataOffset = member.LocalHeaderOffset + TLocalHeader::Size + local.NameLength + local.ExtraLength;
  FCurrentName = FromStoredName(raw);
  uint32_t storedCrc = local.Crc32;
  if (local.Crc32 == 0 && member.Sizes.CompressedSize != 0) storedCrc = member.Central.Crc32;
  uint32_t dosTime = local.DosDateTime();
  if (DateAttribute == daSysDate) dosTime = OsNowDosDateTime();
  else if (DateAttribute == daMaxFileDate) dosTime = maxDate;

  bool isFolder = (member.ExternalAttributes & fattr::Directory) ||
                  (!FCurrentName.empty() && FCurrentName.back() == '\\');
  std::string path;
  if (FTestOnly) {
    if (isFolder) return;
    path = FCurrentName;
  } else if (OutputPath(FCurrentName, path) == TPathResult::Unsafe) {
    Report(FCurrentName, path, zipmsg::UnsafeStoredPath);
    return;
  }
  if (isFolder) {
    if (CreateStoredDirs) OsForceFolders(NameFolderPart(path));
    return;
  }
  if (!FTestOnly && !DecideWrite(FCurrentName, path)) return;
  TZipCrypto crypto;
  const bool encrypted = member.Central.Flags & zipflag::Encrypted;
  if (encrypted) {
    // The header's last byte repeats the CRC's high byte, or the time's when the sizes
    // follow the data.
    uint8_t check = (member.Central.Flags & zipflag::DataDescriptor) ? uint8_t(local.Time >> 8)
                                                                      : uint8_t(member.Central.Crc32 >> 24);
    uint8_t stored[12];
    bool fits = false;
    if (member.Sizes.CompressedSize >= 12 && archive.Seek(dataOffset) && ReadExact(archive, stored, 12)) {
      for (const std::string& password : Passwords) {
        uint8_t header[12];
        std::copy(stored, stored + 12, header);
        crypto.Init(password);
        if (crypto.CheckHeader(header, check)) {
          fits = true;
          break;
        }
      }
    }
    if (!fits) {
      Report(FCurrentName, "OnGetPassword", zipmsg::RequiredEventNotAssigned);
      return;
    }
  }
  ++FCount;
  FMemberCounted = true;
  if (!CreateOutput(path)) {
    Report(FCurrentName, path, zipmsg::ErrorOpeningFile);
    --FCount;
    FMemberCounted = false;
    return;
  }
  uint16_t method = member.Central.Method;
  if (method > 9 || method == 7) {
    Report(FCurrentName, "", zipmsg::UnsupportedMethod);
    FOutFile.Close();
    return;
  }
  try {
    Decompress(archive, member, method, encrypted ? &crypto : nullptr, dataOffset);
  } catch (const EZipError&) {
    // A fatal report (already passed to OnError) ends this member only.
  }
  FinishOutput(dosTime, member.ExternalAttributes);
  CheckCrc(storedCrc);
}

void TUnZip::Decompress(TOsFile& archive, const TMemberEntry& member, uint16_t method, TZipCrypto* crypto,
                        uint64_t dataOffset) {
  uint64_t compressed = member.Sizes.CompressedSize;
  if (crypto) {
    dataOffset += 12;  // the encryption header
    compressed -= 12;
  }
  if (!archive.Seek(dataOffset)) return;
  const uint64_t size = member.Sizes.UncompressedSize;
  const uint16_t flags = member.Central.Flags;
  if ((method == 8 || method == 9) && !crypto) {
    TDecompressStream stream(archive, -15, method == 9, &FCancel);
    InflateMember(stream, size);
    return;
  }
  TMemberInput input(archive, compressed, crypto);
  if (method == 8 || method == 9) {
    TDecompressStream stream(input, method == 9);
    InflateMember(stream, size);
    return;
  }
  if (method == 0) {
    uint64_t left = compressed;
    while (left > 0 && !FCancel) {
      ProcessPendingMessages();
      if (input.Avail == 0 && !input.Refill(kChunk)) break;
      size_t n = size_t(std::min<uint64_t>(input.Avail, left));
      WriteOutput(input.Next, n);
      input.Next += n;
      input.Avail -= n;
      left -= n;
    }
    return;
  }
  TLegacyContext ctx{input, compressed,
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
    Explode(ctx, size, flags);
}

void TUnZip::InflateMember(TDecompressStream& stream, uint64_t size) {
  if (size == 0) return;
  uint64_t remaining = size;
  size_t chunk = size_t(std::min<uint64_t>(remaining, kChunk));
  std::vector<uint8_t> buffer(chunk);
  while (remaining > 0) {
    if (FCancel) break;
    ProcessPendingMessages();
    int64_t n = stream.Read(buffer.data(), chunk);
    if (n < 1) break;
    try {
      WriteOutput(buffer.data(), size_t(n));
    } catch (const EZipError&) {
      // Disk full: already reported; a deflated member goes on with the next chunk.
    }
    remaining -= std::min<uint64_t>(remaining, chunk);
    chunk = size_t(std::min<uint64_t>(remaining, kChunk));
  }
}
