// TZipBase and TZip: the ZIP half of the archive writer - local headers patched after the
// data, the store-or-deflate choice, carried-over members, central directory and end record.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "ziparchive/archive/comp_base.h"
#include "ziparchive/codecs/compress_stream.h"

namespace ziparchive {

enum TCompressMethod { cmStore, cmDeflate };
enum TDeflateType { dtDeflateS, dtDeflateF, dtDeflateN, dtDeflateX };

class TZipBase : public TCompBase {
 public:
  TZipBase();
  ~TZipBase() override;

  TCompressMethod CompressMethod = cmDeflate;
  TDeflateType DeflateType = dtDeflateN;
  std::vector<std::string> StoreFilesOfType;

  // deflate level and general purpose flag bits of a DeflateType.
  static int DeflateLevel(TDeflateType t);
  static std::uint16_t DeflateFlags(TDeflateType t);

 protected:
  bool LoadExisting(OsFile& archive) override;
  // The first problem a test of the archive reports (members it cannot decode aside);
  // empty when there is none.
  std::string DamageTheReaderReports();
  bool WriteNewMember(ZipMember& m, OutStream& out) override;
  void CopyMember(ZipMember& m, OsFile& old, OutStream& out) override;
  void WriteDirectory(OutStream& out) override;
  void EndCompress() override;
  bool CheckCapacity() override;

 private:
  bool StoreByType(const std::string& path) const;
  // An empty folder's entry: its name (ending in "/"), its attributes, no data.
  void WriteFolderMember(ZipMember& m, std::uint32_t dosTime, OutStream& out);
  void WriteStored(OsFile& src, std::size_t buffered, OutStream& out, std::uint32_t& crc,
                   std::uint64_t& size);

  std::unique_ptr<std::uint8_t[]> FBuf;
  std::unique_ptr<TCompressStream> FDeflate;  // one deflate state per Compress
  int FDeflateLevel = -1;
  MemoryOutStream FSmall;
};

class TZip final : public TZipBase {};

}  // namespace ziparchive
