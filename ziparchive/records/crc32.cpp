// CRC-32 of member data. zlib's crc32 is the portable path; on processors with carry-less
// multiplication (found at run time, so the same program still runs on the oldest ones)
// the bulk of each piece is folded 64 bytes at a time, four to five times as fast.
#include <zlib.h>

#include "ziparchive/records/zip_records.h"

#if (defined(__x86_64__) || defined(__i386__)) && (defined(__GNUC__) || defined(__clang__))
#define KV_CRC_FOLDING 1
#include <cpuid.h>
#include <emmintrin.h>
#include <wmmintrin.h>
#endif

namespace ziparchive {

namespace {
// zlib works on the final form: the register is converted on the way in and out.
uint32_t Crc32Portable(uint32_t reg, const uint8_t* p, size_t length) {
  uLong c = reg ^ 0xFFFFFFFFu;
  while (length > 0) {
    uInt part = length > 0x40000000u ? 0x40000000u : uInt(length);
    c = crc32(c, p, part);
    p += part;
    length -= part;
  }
  return uint32_t(c) ^ 0xFFFFFFFFu;
}

#ifdef KV_CRC_FOLDING
bool HasCarrylessMultiply() {
  unsigned a = 0, b = 0, c = 0, d = 0;
  if (!__get_cpuid(1, &a, &b, &c, &d)) return false;
  return (c & bit_PCLMUL) && (d & bit_SSE2);
}

// x carried over 128 bits (constants k) onto the next 16 bytes.
__attribute__((target("pclmul,sse2"))) inline __m128i Fold16(__m128i x, __m128i k, __m128i next) {
  __m128i lo = _mm_clmulepi64_si128(x, k, 0x00);
  __m128i hi = _mm_clmulepi64_si128(x, k, 0x11);
  return _mm_xor_si128(_mm_xor_si128(hi, lo), next);
}

// Folds `length` bytes (a multiple of 16, at least 64) into the register, after "Fast CRC
// Computation for Generic Polynomials Using PCLMULQDQ Instruction" (Intel, 2009), with the
// constants of the reflected polynomial 0xEDB88320 that the paper ends with.
__attribute__((target("pclmul,sse2"))) uint32_t Crc32Fold(uint32_t reg, const uint8_t* p, size_t length) {
  alignas(16) static const uint64_t k1k2[2] = {0x0154442bd4u, 0x01c6e41596u};
  alignas(16) static const uint64_t k3k4[2] = {0x01751997d0u, 0x00ccaa009eu};
  alignas(16) static const uint64_t k5k0[2] = {0x0163cd6124u, 0};
  alignas(16) static const uint64_t poly[2] = {0x01db710641u, 0x01f7011641u};

  __m128i x1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  __m128i x2 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16));
  __m128i x3 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 32));
  __m128i x4 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 48));
  x1 = _mm_xor_si128(x1, _mm_cvtsi32_si128(int(reg)));
  __m128i k = _mm_load_si128(reinterpret_cast<const __m128i*>(k1k2));
  p += 64;
  length -= 64;

  // Four lanes of 128 bits, each folded over the next 64 bytes.
  while (length >= 64) {
    __m128i h1 = _mm_clmulepi64_si128(x1, k, 0x00), h2 = _mm_clmulepi64_si128(x2, k, 0x00);
    __m128i h3 = _mm_clmulepi64_si128(x3, k, 0x00), h4 = _mm_clmulepi64_si128(x4, k, 0x00);
    x1 = _mm_clmulepi64_si128(x1, k, 0x11);
    x2 = _mm_clmulepi64_si128(x2, k, 0x11);
    x3 = _mm_clmulepi64_si128(x3, k, 0x11);
    x4 = _mm_clmulepi64_si128(x4, k, 0x11);
    x1 = _mm_xor_si128(_mm_xor_si128(x1, h1), _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
    x2 = _mm_xor_si128(_mm_xor_si128(x2, h2), _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16)));
    x3 = _mm_xor_si128(_mm_xor_si128(x3, h3), _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 32)));
    x4 = _mm_xor_si128(_mm_xor_si128(x4, h4), _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 48)));
    p += 64;
    length -= 64;
  }

  // The four lanes into one, then the 16-byte blocks left.
  k = _mm_load_si128(reinterpret_cast<const __m128i*>(k3k4));
  x1 = Fold16(x1, k, x2);
  x1 = Fold16(x1, k, x3);
  x1 = Fold16(x1, k, x4);
  while (length >= 16) {
    x1 = Fold16(x1, k, _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
    p += 16;
    length -= 16;
  }

  // 128 bits to 64, then Barrett reduction to 32.
  const __m128i mask32 = _mm_setr_epi32(-1, 0, -1, 0);
  __m128i x = _mm_xor_si128(_mm_srli_si128(x1, 8), _mm_clmulepi64_si128(x1, k, 0x10));
  k = _mm_load_si128(reinterpret_cast<const __m128i*>(k5k0));
  x = _mm_xor_si128(_mm_srli_si128(x, 4), _mm_clmulepi64_si128(_mm_and_si128(x, mask32), k, 0x00));
  k = _mm_load_si128(reinterpret_cast<const __m128i*>(poly));
  __m128i t = _mm_clmulepi64_si128(_mm_and_si128(x, mask32), k, 0x10);
  t = _mm_clmulepi64_si128(_mm_and_si128(t, mask32), k, 0x00);
  x = _mm_xor_si128(x, t);
  return uint32_t(_mm_cvtsi128_si32(_mm_srli_si128(x, 4)));
}

bool gFolding = HasCarrylessMultiply();
#endif
}  // namespace

const uint32_t* Crc32Table() {
  static const uint32_t* table = [] {
    static uint32_t t[256];
    for (uint32_t n = 0; n < 256; ++n) {
      uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[n] = c;
    }
    return t;
  }();
  return table;
}

uint32_t Crc32Update(uint32_t reg, const void* data, size_t length) {
  const auto* p = static_cast<const uint8_t*>(data);
#ifdef KV_CRC_FOLDING
  if (gFolding && length >= 64) {
    size_t bulk = length & ~size_t(15);
    reg = Crc32Fold(reg, p, bulk);
    p += bulk;
    length -= bulk;
  }
#endif
  return Crc32Portable(reg, p, length);
}

bool Crc32UseFolding(bool use) {
#ifdef KV_CRC_FOLDING
  gFolding = use && HasCarrylessMultiply();
  return gFolding;
#else
  (void)use;
  return false;
#endif
}

uint32_t Crc32Of(const void* data, size_t length) {
  return Crc32Final(Crc32Update(kCrc32Init, data, length));
}

}  // namespace ziparchive
