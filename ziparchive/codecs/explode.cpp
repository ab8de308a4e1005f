// Implode (method 6): Shannon-Fano coded literals (or raw bytes), lengths and distances
// over a 4 or 8 KiB window. The trees are sent as runs of (count, bit length) bytes; their
// codes are canonical codes with all bits inverted, so they decode as canonical codes read
// from the complemented bit stream.
#include <algorithm>
#include <vector>

#include "ziparchive/codecs/legacy_io.h"

namespace ziparchive {

namespace {
struct Tree {
  // Decoding by length: first code and first index of each length (canonical order).
  uint16_t count[17] = {};
  std::vector<uint16_t> symbols;
};

// Reads a tree of n symbols; false when the description does not add up.
bool ReadTree(LegacyBits& bits, unsigned n, Tree& tree) {
  std::vector<uint8_t> lengths;
  unsigned bytes = bits.Get(8) + 1;
  for (unsigned i = 0; i < bytes; ++i) {
    unsigned b = bits.Get(8);
    unsigned len = (b & 15) + 1, run = (b >> 4) + 1;
    for (unsigned k = 0; k < run; ++k) lengths.push_back(uint8_t(len));
    if (lengths.size() > n) return false;
  }
  if (lengths.size() != n || bits.Exhausted()) return false;
  for (uint8_t len : lengths) tree.count[len]++;
  int left = 1;
  for (int len = 1; len <= 16; ++len) {
    left = (left << 1) - tree.count[len];
    if (left < 0) return false;
  }
  tree.symbols.clear();
  for (unsigned len = 1; len <= 16; ++len)
    for (unsigned s = 0; s < n; ++s)
      if (lengths[s] == len) tree.symbols.push_back(uint16_t(s));
  return true;
}

// Canonical decoding one bit at a time, on inverted input bits. -1 for an unused code.
int Decode(LegacyBits& bits, const Tree& tree) {
  int code = 0, first = 0, index = 0;
  for (int len = 1; len <= 16; ++len) {
    code |= int(bits.Get(1) ^ 1);
    int count = tree.count[len];
    if (code - first < count) return tree.symbols[size_t(index + code - first)];
    index += count;
    first = (first + count) << 1;
    code <<= 1;
  }
  return -1;
}
}  // namespace

void Explode(LegacyContext& ctx, uint64_t size, uint16_t flags) {
  LegacyBits bits(ctx);
  LegacyOut out(ctx, size);
  const bool bigWindow = flags & 2, literalTree = flags & 4;
  const unsigned lowBits = bigWindow ? 7 : 6;
  const unsigned minMatch = literalTree ? 3 : 2;
  Tree lit, len, dist;
  if ((literalTree && !ReadTree(bits, 256, lit)) || !ReadTree(bits, 64, len) || !ReadTree(bits, 64, dist)) {
    if (!bits.Exhausted()) ctx.fatal(zipmsg::kBadBlock);
    return;
  }
  while (!out.Full()) {
    if (bits.Get(1)) {
      int c = literalTree ? Decode(bits, lit) : int(bits.Get(8));
      if (bits.Exhausted()) break;
      if (c < 0) {
        out.Flush();
        ctx.fatal(zipmsg::kBadBlock);
        return;
      }
      out.Put(uint8_t(c));
    } else {
      unsigned low = bits.Get(lowBits);
      int high = Decode(bits, dist);
      int l = high < 0 ? -1 : Decode(bits, len);
      if (bits.Exhausted()) break;
      if (l < 0) {
        out.Flush();
        ctx.fatal(zipmsg::kBadBlock);
        return;
      }
      size_t length = size_t(l);
      if (l == 63) length += bits.Get(8);
      if (bits.Exhausted()) break;
      length += minMatch;
      size_t distance = ((size_t(high) << lowBits) | low) + 1;
      out.Copy(distance, length);
    }
  }
  out.Flush();
}

}  // namespace ziparchive
