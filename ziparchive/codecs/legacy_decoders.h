// Decoders of the old methods: shrink (1), reduce (2-5) and implode (6), after the PKWARE
// application note. Each writes at most `size` bytes through Output and stops early when
// its input runs out (the CRC check then tells). Corrupt data goes to Fatal with 25116
// ("Bad block") or, for shrink, 25299 ("Stack overflow"); Fatal throws, or returns once the
// operation is cancelled, and the decoder then stops.
#pragma once

#include <cstdint>
#include <functional>

#include "ziparchive/codecs/input_buffer.h"

namespace ziparchive {

struct LegacyContext {
  InputBuffer& input;
  uint64_t compressedSize;  // bytes of input that belong to the member
  std::function<void(const uint8_t* data, size_t count)> output;
  std::function<void(int code)> fatal;
  const volatile bool* cancelled = nullptr;  // checked between output chunks
};

void Unshrink(LegacyContext& ctx, uint64_t size);
void Unreduce(LegacyContext& ctx, uint64_t size, int factor);  // factor 1..4 (methods 2..5)
void Explode(LegacyContext& ctx, uint64_t size, uint16_t flags);

}  // namespace ziparchive
