// TUnZip: the ZIP reader - finds the members through the central directory (or, failing
// that, the local headers), and extracts the selected ones by method.
#pragma once

#include <functional>
#include <list>
#include <memory>
#include <string>
#include <vector>

#include "ziparchive/archive/un_base.h"
#include "ziparchive/records/zip_records.h"

namespace ziparchive {

class ArchiveReader;
class DecoderCache;
class TDecompressStream;
class ZipCrypto;
struct CentralDirLocation;

class TUnZip : public TUnBase {
 public:
  TUnZip();
  ~TUnZip() override;

  // Passwords tried, in order, on an encrypted member's header.
  std::vector<std::string> Passwords;
  // Asked for a password when none of Passwords fits a member (at most PasswordAttempts
  // times; an empty one gives up). One that fits is tried first on the members that follow.
  using TPasswordEvent =
      std::function<void(TUnBase& Sender, const std::string& FileName, std::string& Password)>;
  TPasswordEvent OnGetPassword;
  int PasswordAttempts = 3;

  // Keeps the name when the file exists (else empties it) and recognises the archive type.
  void SetArchiveFile(const std::string& name);
  // Writes the selected members; returns the number of files written. Never throws.
  int Extract();
  // Decodes every selected member and checks its CRC without writing anything; returns the
  // number of members decoded. Problems are reported as by Extract.
  int Test();

  // What the directory (in local-header mode the local header) says of a member.
  struct ListedMember {
    std::string name;               // as converted for extraction
    // The name in UTF-8 where the file system gets it so (flagged UTF-8, or with Utf8Paths an
    // OEM name that is not plain ASCII), "\\" separators; empty where `name` is what it gets.
    std::string utf8;
    uint64_t uncompressedSize = 0;  // as the archive states it, not decoded
    uint64_t compressedSize = 0;
    uint16_t method = 0;
    uint16_t flags = 0;
    uint32_t dosDateTime = 0;
    uint32_t crc32 = 0;
    bool folder = false;
  };
  // The selected members (folder entries only when asked) as the headers state them: nothing
  // is decoded or written. Problems of the records are reported as by Extract; damage only
  // decoding finds (a CRC, a deflate stream) is not.
  std::vector<ListedMember> List(bool withFolders = false);

 private:
  struct MemberEntry {
    uint32_t externalAttributes = 0;
    uint16_t diskNumber = 0;
    uint64_t localHeaderOffset = 0;
    uint64_t dataOffset = 0;        // first byte after the local header's name and extra field
    CentralHeader central;          // in local-header mode, built from the local header
    MemberSizes sizes;              // the compressed size never reaches past the member's room
    uint64_t statedCompressed = 0;  // the compressed size as the directory states it
    uint64_t room = 0;              // bytes from dataOffset to the next record (or the file's end)
    bool fromLocalHeader = false;
    std::string name;            // as selected, for reports
    std::string centralRawName;  // the name's bytes in the directory
  };
  bool FListOnly = false;
  bool FListFolders = false;
  std::vector<ListedMember> FListed;
  std::list<std::string> FGivenPasswords;  // what OnGetPassword gave in this run (kept in place)

  void Run();
  void CollectFromCentralDirectory(OsFile& archive, const CentralDirLocation& where,
                                   uint64_t fileSize, std::vector<MemberEntry>& members);
  void CollectFromLocalHeaders(ArchiveReader& archive, uint64_t start, uint64_t fileSize,
                               std::vector<MemberEntry>& members);
  // Sizes of a member whose sizes follow its data (flag bit 3) in local-header mode, and
  // where the next record starts; false (reported) when its data cannot be delimited.
  bool ResolveStreamedMember(ArchiveReader& archive, uint64_t fileSize, bool zip64, MemberEntry& m,
                             uint64_t& next);
  // Members whose data overlaps another's: the later header that starts inside another
  // member, the directory or what follows it is dropped, data that runs into the next header
  // is cut there; all reported.
  void SettleOverlaps(const CentralDirLocation& where, std::vector<MemberEntry>& members);
  void ExtractMember(ArchiveReader& archive, const MemberEntry& member, uint32_t maxDate);
  // Sets crypto up with the first password that fits the member's encryption header and, if
  // several do, decodes the data to its CRC; false (reported) when none fits.
  bool ChoosePassword(ArchiveReader& archive, const MemberEntry& member, const LocalHeader& local,
                      uint32_t storedCrc, ZipCrypto& crypto);
  bool DecodesWith(ArchiveReader& archive, const MemberEntry& member, const std::string& password,
                   uint32_t storedCrc);
  // What the local header (or the descriptor after the data) says against the directory.
  void CheckLocalAgainstCentral(ArchiveReader& archive, const MemberEntry& member,
                                const LocalHeader& local, const std::string& localName);
  // Returns true when the data holds more than the member's stated size.
  bool Decompress(ArchiveReader& archive, const MemberEntry& member, uint16_t method,
                  ZipCrypto* crypto);
  // Inflates the stated size; true when the data decodes to more. `whole`: the stated size
  // came out.
  bool InflateMember(TDecompressStream& stream, uint64_t size, bool& whole);
  // The deflate stream must end exactly where the member's compressed data does.
  void CheckStreamEnd(const TDecompressStream& stream, uint64_t used, uint64_t compressed,
                      uint64_t dataOffset, bool whole, bool excess);
  // Reports damage of the archive itself: FileName the archive, ExtendedMsg what and where.
  void ReportDamage(const std::string& what);

  // Kept for the members of one Extract.
  std::unique_ptr<DecoderCache> FDecoders;
};

}  // namespace ziparchive
