// Bit input and sliding output shared by the legacy decoders.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "ziparchive/codecs/legacy_decoders.h"
#include "ziparchive/records/zip_messages.h"

namespace ziparchive {

// Bits least significant first; past the member's data it yields zeros and notes it.
class LegacyBits {
 public:
  explicit LegacyBits(LegacyContext& ctx) : ctx_(ctx), left_(ctx.compressedSize) {}

  uint32_t Get(unsigned n) {  // n <= 24
    while (cnt_ < n) {
      uint32_t byte = 0;
      if (left_ > 0 && (ctx_.input.avail > 0 || ctx_.input.Refill(left_ < 65536 ? size_t(left_) : 65536))) {
        byte = *ctx_.input.next++;
        ctx_.input.avail--;
        left_--;
      } else {
        overrun_++;
      }
      buf_ |= uint64_t(byte) << cnt_;
      cnt_ += 8;
    }
    uint32_t v = uint32_t(buf_ & ((uint64_t(1) << n) - 1));
    buf_ >>= n;
    cnt_ -= n;
    return v;
  }
  // True once bits beyond the member's data have been used.
  bool Exhausted() const { return overrun_ > 0 && cnt_ < overrun_ * 8; }

 private:
  LegacyContext& ctx_;
  uint64_t left_;
  uint64_t buf_ = 0;
  unsigned cnt_ = 0;
  unsigned overrun_ = 0;
};

// Output through a 32 KiB ring that doubles as the history; bytes before the start are 0.
class LegacyOut {
 public:
  explicit LegacyOut(LegacyContext& ctx, uint64_t size) : ctx_(ctx), left_(size), ring_(kSize, 0) {}
  ~LegacyOut() = default;

  bool Full() const { return left_ == 0 || stopped_; }
  void Put(uint8_t b) {
    if (Full()) return;
    ring_[pos_++ & kMask] = b;
    left_--;
    if ((pos_ & kMask) == 0) Flush();
  }
  void Copy(size_t distance, size_t length) {
    while (length-- && !Full()) Put(ring_[(pos_ - distance) & kMask]);
  }
  uint64_t Written() const { return pos_; }
  void Flush() {
    size_t start = flushed_ & kMask;
    size_t n = size_t(pos_ - flushed_);
    if (n) ctx_.output(ring_.data() + start, n);
    flushed_ = pos_;
    if (ctx_.cancelled && *ctx_.cancelled) stopped_ = true;
  }
  void Stop() { stopped_ = true; }

 private:
  static constexpr size_t kSize = 32768, kMask = kSize - 1;
  LegacyContext& ctx_;
  uint64_t left_;
  std::vector<uint8_t> ring_;
  uint64_t pos_ = 0, flushed_ = 0;
  bool stopped_ = false;
};

}  // namespace ziparchive
