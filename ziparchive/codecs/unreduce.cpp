// Reduce (methods 2-5): bytes coded through per-byte follower sets, then expanded by the
// DLE (144) state machine into literals and back-references of up to 4 KiB.
#include "ziparchive/codecs/legacy_io.h"

namespace ziparchive {

namespace {
unsigned BitsFor(unsigned n) {  // bits to index a follower set of n entries
  unsigned b = 1;
  while ((1u << b) < n) ++b;
  return b;
}
}  // namespace

void Unreduce(LegacyContext& ctx, uint64_t size, int factor) {
  if (factor < 1 || factor > 4) {
    ctx.fatal(zipmsg::kBadBlock);
    return;
  }
  LegacyBits bits(ctx);
  LegacyOut out(ctx, size);
  uint8_t followers[256][64];
  uint8_t count[256];
  for (int j = 255; j >= 0; --j) {
    count[j] = uint8_t(bits.Get(6));
    for (unsigned i = 0; i < count[j]; ++i) followers[j][i] = uint8_t(bits.Get(8));
  }
  if (bits.Exhausted()) {
    out.Flush();
    return;
  }
  const unsigned lengthMask = 0x7Fu >> (factor - 1);
  unsigned state = 0, length = 0, v = 0;
  uint8_t last = 0;
  while (!out.Full()) {
    uint8_t c;
    if (count[last] == 0) {
      c = uint8_t(bits.Get(8));
    } else if (bits.Get(1)) {
      c = uint8_t(bits.Get(8));
    } else {
      unsigned index = bits.Get(BitsFor(count[last]));
      if (index >= count[last]) {
        out.Flush();
        ctx.fatal(zipmsg::kBadBlock);
        return;
      }
      c = followers[last][index];
    }
    if (bits.Exhausted()) break;
    last = c;
    switch (state) {
      case 0:
        if (c != 144)
          out.Put(c);
        else
          state = 1;
        break;
      case 1:
        if (c) {
          v = c;
          length = v & lengthMask;
          state = length == lengthMask ? 2 : 3;
        } else {
          out.Put(144);
          state = 0;
        }
        break;
      case 2:
        length += c;
        state = 3;
        break;
      default: {
        size_t distance = ((size_t(v) >> (8 - factor)) << 8) + c + 1;
        out.Copy(distance, length + 3);
        state = 0;
        break;
      }
    }
  }
  out.Flush();
}

}  // namespace ziparchive
