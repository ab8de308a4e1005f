// TDecompressStream: a read-only stream that inflates a member's data (method 8 through
// zlib's raw inflate, method 9 through Inflater) as the extractor asks for bytes, pulling
// compressed bytes from the archive file.
#pragma once

#include <cstdint>
#include <memory>

#include "ziparchive/codecs/input_buffer.h"
#include "ziparchive/platform/zip_platform.h"

namespace ziparchive {

class Inflater;

// Decoder state kept from one member to the next: a run over many small members sets up
// zlib's state and the Deflate64 window once instead of once per member. A stream borrows
// it while it lives and gives it back when destroyed.
class DecoderCache {
 public:
  DecoderCache();
  ~DecoderCache();
  DecoderCache(const DecoderCache&) = delete;
  DecoderCache& operator=(const DecoderCache&) = delete;

 private:
  friend class TDecompressStream;
  struct ZlibState;
  std::unique_ptr<ZlibState> zlib_;
  std::unique_ptr<Inflater> inflater_;
  std::unique_ptr<uint8_t[]> ahead_;
};

class TDecompressStream {
 public:
  enum TSeekOrigin { soBeginning, soCurrent, soEnd };

  // windowBits is -15 (raw data) for both methods; deflate64 widens the window to 64 KiB.
  TDecompressStream(OsFile& archive, int windowBits, bool deflate64, const bool* cancelFlag = nullptr);
  ~TDecompressStream();  // Destroy: gives back unconsumed input, frees the decoder
  TDecompressStream(const TDecompressStream&) = delete;
  TDecompressStream& operator=(const TDecompressStream&) = delete;

  // Bytes produced (fewer than count only at the end of the data), or a negative status:
  // -5 input exhausted, -3 corrupt data, -2 inconsistent state, -4 out of memory.
  int64_t Read(void* buffer, size_t count);
  // The same bytes as Read, handed out in place (valid until the next call) from a buffer
  // the decoder fills up to `ahead` bytes at a time: zlib then copies only the end of each
  // fill into its window, instead of every byte. Reads of both kinds may be mixed.
  int64_t ReadView(size_t count, size_t ahead, const uint8_t*& data);
  static constexpr size_t kMaxAhead = 262144;
  int64_t Write(const void*, size_t) { return -1; }
  // Only the current position may be asked for (Seek(0, soCurrent)); anything else is -1.
  int64_t Seek(int64_t offset, TSeekOrigin origin);

  // Inflating from an input of its own: a member's bytes bounded by its compressed size,
  // or memory (tests and fuzzing); with `cache`, on the decoder state it keeps.
  TDecompressStream(InputBuffer& input, bool deflate64, DecoderCache* cache = nullptr);

  // True once the final block has been decoded.
  bool Finished() const { return FFinished; }
  // Input bytes taken from the input but not used by the decoder (what follows the data).
  size_t UnusedInput() const;

 private:
  class ArchiveInput;
  int64_t ReadZlib(uint8_t* out, size_t count);
  int64_t Decode(uint8_t* out, size_t count);
  void OpenDecoder(bool deflate64, int windowBits);
  void Destroy();

  OsFile* FArchive = nullptr;
  std::unique_ptr<InputBuffer> FOwnedInput;
  InputBuffer* FInput = nullptr;
  const bool* FCancel = nullptr;
  bool FDeflate64 = false;
  bool FFinished = false;
  int FStatus = 0;
  int64_t FProduced = 0;
  DecoderCache* FCache = nullptr;
  using ZlibState = DecoderCache::ZlibState;
  std::unique_ptr<ZlibState> FZlib;
  std::unique_ptr<Inflater> FInflater;
  // Decoded bytes not yet handed out by ReadView.
  std::unique_ptr<uint8_t[]> FAhead;
  const uint8_t* FAheadNext = nullptr;
  size_t FAheadAvail = 0;
};

}  // namespace ziparchive
