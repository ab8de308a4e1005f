// A buffer of compressed bytes that the decoders consume and refill from their source.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace ziparchive {

class TInputBuffer {
 public:
  // capacity 0: the source hands out bytes it holds itself (see Refill).
  explicit TInputBuffer(size_t capacity) : FData(capacity ? new uint8_t[capacity] : nullptr), FCapacity(capacity) {}
  virtual ~TInputBuffer() = default;
  TInputBuffer(const TInputBuffer&) = delete;
  TInputBuffer& operator=(const TInputBuffer&) = delete;

  const uint8_t* Next = nullptr;
  size_t Avail = 0;

  // Called when Avail is 0; hint is how many bytes the caller would like. False at the end.
  // The default copies into the own buffer through Fill; a source that holds the bytes
  // already points Next at them instead.
  virtual bool Refill(size_t hint) {
    Next = FData.get();
    Avail = Fill(FData.get(), hint < FCapacity && hint > 0 ? hint : FCapacity);
    return Avail > 0;
  }

 protected:
  virtual size_t Fill(uint8_t*, size_t) { return 0; }

 private:
  std::unique_ptr<uint8_t[]> FData;
  size_t FCapacity;
};

// Input from memory, for tests and fuzzing.
class TMemoryInput : public TInputBuffer {
 public:
  TMemoryInput(const uint8_t* data, size_t size, size_t chunk = 65536)
      : TInputBuffer(chunk), FData(data), FLeft(size) {}

 protected:
  size_t Fill(uint8_t* buffer, size_t capacity) override {
    size_t n = capacity < FLeft ? capacity : FLeft;
    for (size_t i = 0; i < n; ++i) buffer[i] = FData[i];
    FData += n;
    FLeft -= n;
    return n;
  }

 private:
  const uint8_t* FData;
  size_t FLeft;
};

}  // namespace ziparchive
