#include "ziparchive/codecs/inflater.h"

#include <algorithm>
#include <cstring>

namespace ziparchive {

namespace {
constexpr size_t kWindow = 65536;
// Decoded bytes stay in one linear buffer; the last 64 KiB move to the front when it fills,
// so a back-reference is a plain pointer difference.
constexpr size_t kBufEnd = kWindow + 4 * 65536;
constexpr size_t kMargin = 16;

// Entry: value << 16 | extra bits << 8 | kind << 5 | bits to consume.
enum : uint32_t { kLiteral = 0, kBase = 1, kEnd = 2, kLink = 3, kInvalid = 4 };
constexpr uint32_t Entry(uint32_t kind, uint32_t bits, uint32_t extra, uint32_t value) {
  return (value << 16) | (extra << 8) | (kind << 5) | bits;
}
constexpr uint32_t kInvalidEntry = Entry(kInvalid, 0, 0, 0);

constexpr uint16_t kLenBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                   31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr uint8_t kLenExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                   2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr uint16_t kDistBase[32] = {1,    2,    3,    4,    5,    7,     9,     13,    17,    25,   33,
                                    49,   65,   97,   129,  193,  257,   385,   513,   769,   1025, 1537,
                                    2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577, 32769, 49153};
constexpr uint8_t kDistExtra[32] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,  6,
                                    7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13, 14, 14};
constexpr uint8_t kClenOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

inline uint64_t Load64(const uint8_t* p) {
  uint64_t v;
  memcpy(&v, p, 8);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
  v = __builtin_bswap64(v);
#endif
  return v;
}

inline unsigned Reverse(unsigned code, unsigned len) {
  unsigned r = 0;
  for (unsigned i = 0; i < len; ++i) {
    r = (r << 1) | (code & 1);
    code >>= 1;
  }
  return r;
}
}  // namespace

Inflater::Inflater(InputBuffer& input, bool deflate64)
    : in_(&input), deflate64_(deflate64), win_(kBufEnd + kMargin) {
  lit_.reserve(1024 + 288 * 32);
  dist_.reserve(256 + 32 * 128);
}

void Inflater::Restart(InputBuffer& input, bool deflate64) {
  in_ = &input;
  deflate64_ = deflate64;
  state_ = State::Header;
  error_ = 0;
  lastBlock_ = false;
  bitBuf_ = 0;
  bitCnt_ = 0;
  padBytes_ = 0;
  pos_ = outPos_ = 0;
  copyLen_ = copyDist_ = 0;
  storedLeft_ = 0;
}

size_t Inflater::UnusedInputBytes() const {
  size_t inBits = bitCnt_ / 8;
  return in_->avail + (inBits > padBytes_ ? inBits - padBytes_ : 0);
}

// Symbols of the literal/length alphabet (isDistance false) or of the distance alphabet.
bool Inflater::BuildTable(const uint8_t* lengths, unsigned count, unsigned rootBits, bool isDistance,
                           std::vector<uint32_t>& table) {
  unsigned lenCount[16] = {};
  for (unsigned s = 0; s < count; ++s) lenCount[lengths[s]]++;
  lenCount[0] = 0;
  int left = 1;
  for (unsigned len = 1; len <= 15; ++len) {
    left = (left << 1) - int(lenCount[len]);
    if (left < 0) return false;  // over-subscribed
  }
  unsigned nextCode[16] = {};
  unsigned code = 0;
  for (unsigned len = 1; len <= 15; ++len) {
    code = (code + lenCount[len - 1]) << 1;
    nextCode[len] = code;
  }
  const unsigned rootSize = 1u << rootBits;
  table.assign(rootSize, kInvalidEntry);

  auto entryFor = [&](unsigned sym, unsigned bits) -> uint32_t {
    if (isDistance) {
      if (sym >= 32 || (sym >= 30 && !deflate64_)) return kInvalidEntry;
      return Entry(kBase, bits, kDistExtra[sym], kDistBase[sym]);
    }
    if (sym < 256) return Entry(kLiteral, bits, 0, sym);
    if (sym == 256) return Entry(kEnd, bits, 0, 0);
    if (sym > 285) return kInvalidEntry;
    if (sym == 285 && deflate64_) return Entry(kBase, bits, 16, 3);
    return Entry(kBase, bits, kLenExtra[sym - 257], kLenBase[sym - 257]);
  };

  // Codes of one root prefix share a subtable as wide as the longest of them needs.
  unsigned codes[320];
  uint8_t maxSub[1024] = {};
  for (unsigned s = 0; s < count; ++s) {
    unsigned len = lengths[s];
    if (!len) continue;
    codes[s] = Reverse(nextCode[len]++, len);
    if (len > rootBits) {
      unsigned prefix = codes[s] & (rootSize - 1);
      maxSub[prefix] = uint8_t(std::max<unsigned>(maxSub[prefix], len - rootBits));
    }
  }
  for (unsigned prefix = 0; prefix < rootSize; ++prefix) {
    if (!maxSub[prefix]) continue;
    size_t offset = table.size();
    table.resize(offset + (size_t(1) << maxSub[prefix]), kInvalidEntry);
    table[prefix] = Entry(kLink, rootBits, maxSub[prefix], uint32_t(offset));
  }
  for (unsigned s = 0; s < count; ++s) {
    unsigned len = lengths[s];
    if (!len) continue;
    if (len <= rootBits) {
      uint32_t e = entryFor(s, len);
      for (unsigned i = codes[s]; i < rootSize; i += 1u << len) table[i] = e;
    } else {
      uint32_t link = table[codes[s] & (rootSize - 1)];
      size_t offset = link >> 16;
      unsigned subBits = (link >> 8) & 31;
      unsigned rest = len - rootBits;
      uint32_t e = entryFor(s, rest);
      for (unsigned i = codes[s] >> rootBits; i < (1u << subBits); i += 1u << rest) table[offset + i] = e;
    }
  }
  return true;
}

void Inflater::SlowRefill() {
  while (bitCnt_ <= 56) {
    if (in_->avail == 0 && (padBytes_ > 0 || !in_->Refill(65536))) {
      padBytes_++;  // zeros past the end; using them is reported as running out of input
      bitCnt_ += 8;
      continue;
    }
    bitBuf_ |= uint64_t(*in_->next++) << bitCnt_;
    in_->avail--;
    bitCnt_ += 8;
  }
}

bool Inflater::NeedBits(unsigned n) {
  if (bitCnt_ < n) SlowRefill();
  return true;
}

uint32_t Inflater::TakeBits(unsigned n) {
  NeedBits(n);
  uint32_t v = uint32_t(bitBuf_ & ((uint64_t(1) << n) - 1));
  bitBuf_ >>= n;
  bitCnt_ -= n;
  return v;
}

int Inflater::ReadDynamicTables() {
  unsigned nlen = TakeBits(5) + 257;
  unsigned ndist = TakeBits(5) + 1;
  unsigned ncode = TakeBits(4) + 4;
  if (!deflate64_ && (nlen > 286 || ndist > 30)) return kDataError;
  uint8_t clen[19] = {};
  for (unsigned i = 0; i < ncode; ++i) clen[kClenOrder[i]] = uint8_t(TakeBits(3));
  std::vector<uint32_t> ctab;
  // The code-length alphabet reuses the literal builder: symbols 0..18 are "literals".
  if (!BuildTable(clen, 19, 7, false, ctab)) return kDataError;
  uint8_t lengths[320] = {};
  unsigned total = nlen + ndist, i = 0;
  while (i < total) {
    NeedBits(7);
    uint32_t e = ctab[bitBuf_ & 127];
    if (((e >> 5) & 7) != kLiteral) return kDataError;
    unsigned bits = e & 31;
    bitBuf_ >>= bits;
    bitCnt_ -= bits;
    unsigned sym = e >> 16;
    if (sym < 16) {
      lengths[i++] = uint8_t(sym);
      continue;
    }
    unsigned repeat;
    uint8_t value = 0;
    if (sym == 16) {
      if (i == 0) return kDataError;
      value = lengths[i - 1];
      repeat = 3 + TakeBits(2);
    } else if (sym == 17) {
      repeat = 3 + TakeBits(3);
    } else {
      repeat = 11 + TakeBits(7);
    }
    if (i + repeat > total) return kDataError;
    while (repeat--) lengths[i++] = value;
  }
  if (padBytes_ && bitCnt_ < padBytes_ * 8) return kBufError;
  if (lengths[256] == 0) return kDataError;  // no end-of-block code
  if (!BuildTable(lengths, nlen, litRoot_, false, lit_)) return kDataError;
  if (!BuildTable(lengths + nlen, ndist, distRoot_, true, dist_)) return kDataError;
  return 0;
}

int Inflater::ReadBlockHeader() {
  lastBlock_ = TakeBits(1) != 0;
  unsigned type = TakeBits(2);
  if (type == 0) {
    unsigned drop = bitCnt_ & 7;
    bitBuf_ >>= drop;
    bitCnt_ -= drop;
    unsigned len = TakeBits(16), nlen = TakeBits(16);
    if (padBytes_ && bitCnt_ < padBytes_ * 8) return kBufError;
    if (len != (~nlen & 0xFFFF)) return kDataError;
    storedLeft_ = len;
    state_ = State::Stored;
    return 0;
  }
  if (type == 1) {
    uint8_t lengths[320];
    std::fill(lengths, lengths + 144, 8);
    std::fill(lengths + 144, lengths + 256, 9);
    std::fill(lengths + 256, lengths + 280, 7);
    std::fill(lengths + 280, lengths + 288, 8);
    std::fill(lengths + 288, lengths + 320, 5);
    BuildTable(lengths, 288, litRoot_, false, lit_);
    BuildTable(lengths + 288, 32, distRoot_, true, dist_);
    if (padBytes_ && bitCnt_ < padBytes_ * 8) return kBufError;
    state_ = State::Codes;
    return 0;
  }
  if (type == 2) {
    int rc = ReadDynamicTables();
    if (rc) return rc;
    state_ = State::Codes;
    return 0;
  }
  return kDataError;
}

int Inflater::CopyStored(size_t limit) {
  uint8_t* win = win_.data();
  // Whole bytes still in the bit buffer come first.
  while (storedLeft_ && bitCnt_ >= 8 && pos_ < limit) {
    if (padBytes_ && bitCnt_ <= padBytes_ * 8) return kBufError;
    win[pos_++] = uint8_t(bitBuf_);
    bitBuf_ >>= 8;
    bitCnt_ -= 8;
    storedLeft_--;
  }
  if (bitCnt_ == 0) bitBuf_ = 0;  // later refills must not meet stale look-ahead bits
  while (storedLeft_ && pos_ < limit) {
    if (bitCnt_) break;
    if (in_->avail == 0 && (padBytes_ || !in_->Refill(std::min<size_t>(storedLeft_, 65536))))
      return kBufError;
    size_t n = std::min({storedLeft_, in_->avail, limit - pos_});
    memcpy(win + pos_, in_->next, n);
    in_->next += n;
    in_->avail -= n;
    pos_ += n;
    storedLeft_ -= n;
  }
  if (!storedLeft_) state_ = lastBlock_ ? State::Done : State::Header;
  return 0;
}

int Inflater::DecodeCodes(size_t limit) {
  uint8_t* const win = win_.data();
  const uint32_t* lit = lit_.data();
  const uint32_t* dist = dist_.data();
  const uint64_t litMask = (1u << litRoot_) - 1, distMask = (1u << distRoot_) - 1;
  uint64_t bitbuf = bitBuf_;
  unsigned bitcnt = bitCnt_;
  size_t pos = pos_;
  int rc = 0;

  auto refill = [&] {
    if (in_->avail >= 8 && !padBytes_) {
      bitbuf |= Load64(in_->next) << bitcnt;
      size_t took = (63 - bitcnt) >> 3;
      in_->next += took;
      in_->avail -= took;
      bitcnt |= 56;
    } else {
      bitBuf_ = bitbuf;
      bitCnt_ = bitcnt;
      SlowRefill();
      bitbuf = bitBuf_;
      bitcnt = bitCnt_;
    }
  };

  while (pos < limit) {
    refill();
    uint32_t e = lit[bitbuf & litMask];
    uint32_t kind = (e >> 5) & 7;
    if (kind == kLink) {
      bitbuf >>= litRoot_;
      bitcnt -= litRoot_;
      e = lit[(e >> 16) + (bitbuf & ((1u << ((e >> 8) & 31)) - 1))];
      kind = (e >> 5) & 7;
    }
    unsigned bits = e & 31;
    bitbuf >>= bits;
    bitcnt -= bits;
    if (kind == kLiteral) {
      win[pos++] = uint8_t(e >> 16);
      // A second literal usually fits in the bits already loaded.
      if (bitcnt >= 15 && pos < limit) {
        uint32_t e2 = lit[bitbuf & litMask];
        if (((e2 >> 5) & 7) == kLiteral) {
          unsigned b2 = e2 & 31;
          bitbuf >>= b2;
          bitcnt -= b2;
          win[pos++] = uint8_t(e2 >> 16);
        }
      }
      if (padBytes_ && bitcnt < padBytes_ * 8) { rc = kBufError; break; }
      continue;
    }
    if (kind == kEnd) {
      state_ = lastBlock_ ? State::Done : State::Header;
      if (padBytes_ && bitcnt < padBytes_ * 8) rc = kBufError;
      break;
    }
    if (kind != kBase) { rc = kDataError; break; }
    unsigned extra = (e >> 8) & 31;
    size_t len = (e >> 16) + size_t(bitbuf & ((uint64_t(1) << extra) - 1));
    bitbuf >>= extra;
    bitcnt -= extra;
    refill();
    uint32_t d = dist[bitbuf & distMask];
    uint32_t dkind = (d >> 5) & 7;
    if (dkind == kLink) {
      bitbuf >>= distRoot_;
      bitcnt -= distRoot_;
      d = dist[(d >> 16) + (bitbuf & ((1u << ((d >> 8) & 31)) - 1))];
      dkind = (d >> 5) & 7;
    }
    if (dkind != kBase) { rc = kDataError; break; }
    unsigned dbits = d & 31;
    bitbuf >>= dbits;
    bitcnt -= dbits;
    unsigned dextra = (d >> 8) & 31;
    size_t distance = (d >> 16) + size_t(bitbuf & ((uint64_t(1) << dextra) - 1));
    bitbuf >>= dextra;
    bitcnt -= dextra;
    if (padBytes_ && bitcnt < padBytes_ * 8) { rc = kBufError; break; }
    if (distance > pos) { rc = kDataError; break; }
    size_t n = std::min(len, kBufEnd - pos);
    uint8_t* dst = win + pos;
    const uint8_t* src = dst - distance;
    if (distance >= 8) {
      for (size_t k = 0; k < n; k += 8) memcpy(dst + k, src + k, 8);
    } else if (distance == 1) {
      memset(dst, *src, n);
    } else {
      for (size_t k = 0; k < n; ++k) dst[k] = src[k];
    }
    pos += n;
    if (n < len) {
      copyLen_ = len - n;
      copyDist_ = distance;
      break;
    }
  }
  bitBuf_ = bitbuf;
  bitCnt_ = bitcnt;
  pos_ = pos;
  return rc;
}

int64_t Inflater::Read(uint8_t* out, size_t count) {
  size_t produced = 0;
  while (produced < count) {
    if (outPos_ < pos_) {
      size_t n = std::min(pos_ - outPos_, count - produced);
      memcpy(out + produced, win_.data() + outPos_, n);
      outPos_ += n;
      produced += n;
      continue;
    }
    if (state_ == State::Done) break;
    if (state_ == State::Error) return produced ? int64_t(produced) : error_;

    size_t need = count - produced;
    if (pos_ + std::min<size_t>(need, 32768) > kBufEnd) {
      memmove(win_.data(), win_.data() + pos_ - kWindow, kWindow);
      pos_ = outPos_ = kWindow;
    }
    size_t limit = std::min(pos_ + need, kBufEnd);
    int rc = 0;
    if (copyLen_) {
      uint8_t* dst = win_.data() + pos_;
      const uint8_t* src = dst - copyDist_;
      size_t n = std::min(copyLen_, kBufEnd - pos_);
      for (size_t k = 0; k < n; ++k) dst[k] = src[k];
      pos_ += n;
      copyLen_ -= n;
      continue;
    }
    switch (state_) {
      case State::Header: rc = ReadBlockHeader(); break;
      case State::Stored: rc = CopyStored(limit); break;
      case State::Codes: rc = DecodeCodes(limit); break;
      default: break;
    }
    if (rc) {
      state_ = State::Error;
      error_ = rc;
    }
  }
  return int64_t(produced);
}

}  // namespace ziparchive
