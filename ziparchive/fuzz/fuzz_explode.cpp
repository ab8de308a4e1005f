#include "fuzz_legacy.inc"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return FuzzLegacy(data, size, [](LegacyContext& c, uint8_t v, uint64_t n) { Explode(c, n, uint16_t(v & 6)); });
}
