// Bit input and sliding output shared by the legacy decoders.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "ziparchive/codecs/legacy_decoders.h"
#include "ziparchive/records/zip_messages.h"

namespace ziparchive {

// Bits least significant first; past the member's data it yields zeros and notes it.
class TLegacyBits {
 public:
  explicit TLegacyBits(TLegacyContext& ctx) : FCtx(ctx), FLeft(ctx.CompressedSize) {}

  uint32_t Get(unsigned n) {  // n <= 24
    while (FCnt < n) {
      uint32_t byte = 0;
      if (FLeft > 0 && (FCtx.Input.Avail > 0 || FCtx.Input.Refill(FLeft < 65536 ? size_t(FLeft) : 65536))) {
        byte = *FCtx.Input.Next++;
        FCtx.Input.Avail--;
        FLeft--;
      } else {
        FOverrun++;
      }
      FBuf |= uint64_t(byte) << FCnt;
      FCnt += 8;
    }
    uint32_t v = uint32_t(FBuf & ((uint64_t(1) << n) - 1));
    FBuf >>= n;
    FCnt -= n;
    return v;
  }
  // True once bits beyond the member's data have been used.
  bool Exhausted() const { return FOverrun > 0 && FCnt < FOverrun * 8; }

 private:
  TLegacyContext& FCtx;
  uint64_t FLeft;
  uint64_t FBuf = 0;
  unsigned FCnt = 0;
  unsigned FOverrun = 0;
};

// Output through a 32 KiB ring that doubles as the history; bytes before the start are 0.
class TLegacyOut {
 public:
  explicit TLegacyOut(TLegacyContext& ctx, uint64_t size) : FCtx(ctx), FLeft(size), FRing(kSize, 0) {}
  ~TLegacyOut() = default;

  bool Full() const { return FLeft == 0 || FStopped; }
  void Put(uint8_t b) {
    if (Full()) return;
    FRing[FPos++ & kMask] = b;
    FLeft--;
    if ((FPos & kMask) == 0) Flush();
  }
  void Copy(size_t distance, size_t length) {
    while (length-- && !Full()) Put(FRing[(FPos - distance) & kMask]);
  }
  uint64_t Written() const { return FPos; }
  void Flush() {
    size_t start = FFlushed & kMask;
    size_t n = size_t(FPos - FFlushed);
    if (n) FCtx.Output(FRing.data() + start, n);
    FFlushed = FPos;
    if (FCtx.Cancelled && *FCtx.Cancelled) FStopped = true;
  }
  void Stop() { FStopped = true; }

 private:
  static constexpr size_t kSize = 32768, kMask = kSize - 1;
  TLegacyContext& FCtx;
  uint64_t FLeft;
  std::vector<uint8_t> FRing;
  uint64_t FPos = 0, FFlushed = 0;
  bool FStopped = false;
};

}  // namespace ziparchive
