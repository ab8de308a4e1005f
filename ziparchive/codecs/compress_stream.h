// Write-only stream that raw-deflates what it is given into an archive stream, keeping the
// CRC-32 and the count of the uncompressed bytes on the way.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "ziparchive/codecs/out_stream.h"

struct z_stream_s;  // zlib's

namespace ziparchive {

class TCompressStream {
 public:
  static constexpr std::size_t kOutBufferSize = 65536;

  // Opens the deflate state (memory level 8, default strategy) at `level`; output begins at
  // the archive stream's current position. `cancel` may be null.
  TCompressStream(OutStream& archive, int windowBits, int level, const volatile bool* cancel);
  TCompressStream(const TCompressStream&) = delete;
  TCompressStream& operator=(const TCompressStream&) = delete;
  ~TCompressStream();

  // Starts a new member at the current position of `archive` (which becomes the stream
  // written to), reusing the deflate state so a whole archive pays for its allocation once.
  void Restart(OutStream& archive);

  // Returns count, or fewer once the cancel flag is set. Throws EZipWriteError when the
  // archive stream fails.
  long Write(const void* data, std::size_t count);
  // Reading a compression stream makes no sense.
  long Read(void* data, std::size_t count) { return -1; }
  // Seeking only answers how much input was taken.
  std::uint64_t Seek() const { return FInputCount; }

  // Ends the deflate stream (final block, byte boundary) and writes what is left. Must be
  // called once per member before its CRC and sizes are read.
  void Finish();

  std::uint32_t Crc32() const { return FCrc; }
  std::uint64_t InputCount() const { return FInputCount; }
  std::uint64_t OutputCount() const { return FOutputCount; }

 private:
  void FlushBuffer(std::size_t n);

  OutStream* FArchive;
  std::unique_ptr<z_stream_s> FZ;
  std::unique_ptr<std::uint8_t[]> FOut;
  const volatile bool* FCancel;
  std::uint64_t FArchivePos = 0;
  std::uint64_t FInputCount = 0;
  std::uint64_t FOutputCount = 0;
  std::uint32_t FCrc = 0;  // zlib form: the register already xor-ed with 0xFFFFFFFF
  bool FFinished = false;
};

}  // namespace ziparchive
