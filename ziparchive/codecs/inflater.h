// Table-driven inflater for raw deflate data (RFC 1951) and its 64 KiB-window variant
// (method 9): length symbol 285 is base 3 with 16 extra bits, distance symbols 30 and 31
// (bases 32769 and 49153, 14 extra bits) are valid, and the symbol counts of a dynamic block
// are not limited to 286/30.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "ziparchive/codecs/input_buffer.h"

namespace ziparchive {

class Inflater {
 public:
  // Status codes, the same values as zlib's.
  static constexpr int kStreamError = -2;
  static constexpr int kDataError = -3;
  static constexpr int kMemError = -4;
  static constexpr int kBufError = -5;

  Inflater(InputBuffer& input, bool deflate64);
  // Decodes a new stream from `input`, keeping the buffers (nothing of the old stream is
  // reachable: a distance before the new stream's start is refused).
  void Restart(InputBuffer& input, bool deflate64);

  // Produces up to count bytes; fewer only at the end of the final block. A negative status
  // when nothing could be produced: kBufError when the input ran out, kDataError for
  // corrupt data.
  int64_t Read(uint8_t* out, size_t count);
  bool Finished() const { return state_ == State::Done && pos_ == outPos_; }
  // Input bytes taken from the buffer but not used by the decoder.
  size_t UnusedInputBytes() const;

 private:
  enum class State { Header, Stored, Codes, Done, Error };

  bool BuildTable(const uint8_t* lengths, unsigned count, unsigned rootBits, bool isDistance,
                  std::vector<uint32_t>& table);
  void SlowRefill();
  bool NeedBits(unsigned n);
  uint32_t TakeBits(unsigned n);
  int ReadBlockHeader();
  int ReadDynamicTables();
  int DecodeCodes(size_t limit);
  int CopyStored(size_t limit);

  InputBuffer* in_;
  bool deflate64_;
  State state_ = State::Header;
  int error_ = 0;
  bool lastBlock_ = false;

  uint64_t bitBuf_ = 0;
  unsigned bitCnt_ = 0;
  unsigned padBytes_ = 0;  // zero bytes added after the input ran out

  std::vector<uint8_t> win_;
  size_t pos_ = 0;     // next byte to decode into
  size_t outPos_ = 0;  // next byte to hand out
  size_t copyLen_ = 0, copyDist_ = 0;  // a match cut short by the buffer end
  size_t storedLeft_ = 0;

  std::vector<uint32_t> lit_, dist_;
  unsigned litRoot_ = 10, distRoot_ = 8;
};

}  // namespace ziparchive
