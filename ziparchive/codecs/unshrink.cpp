// Shrink (method 1): LZW with 9- to 13-bit codes; code 256 escapes to "code size + 1" (1)
// or "partial clear" (2), which frees every code that is no other code's prefix.
#include <vector>

#include "ziparchive/codecs/legacy_io.h"

namespace ziparchive {

namespace {
constexpr unsigned kCodes = 8192;
constexpr unsigned kStack = 8192;
constexpr uint16_t kFree = 0xFFFF;
}  // namespace

void Unshrink(LegacyContext& ctx, uint64_t size) {
  LegacyBits bits(ctx);
  LegacyOut out(ctx, size);
  std::vector<uint16_t> parent(kCodes, kFree);
  std::vector<uint8_t> value(kCodes, 0);
  std::vector<uint8_t> stack(kStack);
  for (unsigned c = 0; c < 256; ++c) {
    parent[c] = 0;  // roots: no prefix
    value[c] = uint8_t(c);
  }
  auto isFree = [&](unsigned c) { return c > 256 && parent[c] == kFree; };
  unsigned codeSize = 9;
  unsigned nextFree = 257;  // lowest free code at or above which the next entry goes
  auto advanceFree = [&] {
    while (nextFree < kCodes && !isFree(nextFree)) ++nextFree;
  };

  if (size == 0) return;
  unsigned prev = bits.Get(codeSize);
  if (bits.Exhausted()) return;
  if (prev > 255) {
    out.Flush();
    ctx.fatal(zipmsg::kBadBlock);
    return;
  }
  uint8_t firstChar = uint8_t(prev);
  out.Put(firstChar);

  while (!out.Full()) {
    unsigned code = bits.Get(codeSize);
    if (bits.Exhausted()) break;
    if (code == 256) {
      unsigned sub = bits.Get(codeSize);
      if (bits.Exhausted()) break;
      if (sub == 1 && codeSize < 13) {
        ++codeSize;
      } else if (sub == 2) {
        std::vector<bool> hasChild(kCodes, false);
        for (unsigned c = 257; c < kCodes; ++c)
          if (parent[c] != kFree && parent[c] > 256) hasChild[parent[c]] = true;
        for (unsigned c = 257; c < kCodes; ++c)
          if (!hasChild[c]) parent[c] = kFree;
        nextFree = 257;
      } else {
        out.Flush();
        ctx.fatal(zipmsg::kBadBlock);
        return;
      }
      continue;
    }

    advanceFree();
    unsigned sp = kStack;
    unsigned walk = code;
    if (isFree(code)) {
      // Only the code about to be defined may be used before it exists (KwKwK).
      if (code != nextFree) {
        out.Flush();
        ctx.fatal(zipmsg::kBadBlock);
        return;
      }
      stack[--sp] = firstChar;
      walk = prev;
    }
    while (walk > 255) {
      if (sp == 0) {
        out.Flush();
        ctx.fatal(zipmsg::kStackOverflow);
        return;
      }
      if (parent[walk] == kFree) {
        out.Flush();
        ctx.fatal(zipmsg::kBadBlock);
        return;
      }
      stack[--sp] = value[walk];
      walk = parent[walk];
    }
    if (sp == 0) {
      out.Flush();
      ctx.fatal(zipmsg::kStackOverflow);
      return;
    }
    stack[--sp] = uint8_t(walk);
    firstChar = uint8_t(walk);
    for (unsigned i = sp; i < kStack; ++i) out.Put(stack[i]);

    if (nextFree < kCodes) {
      parent[nextFree] = uint16_t(prev);
      value[nextFree] = firstChar;
      ++nextFree;
    }
    prev = code;
  }
  out.Flush();
}

}  // namespace ziparchive
