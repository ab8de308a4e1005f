// A buffer of compressed bytes that the decoders consume and refill from their source.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace ziparchive {

class InputBuffer {
 public:
  // capacity 0: the source hands out bytes it holds itself (see Refill).
  explicit InputBuffer(size_t capacity) : data_(capacity ? new uint8_t[capacity] : nullptr), capacity_(capacity) {}
  virtual ~InputBuffer() = default;
  InputBuffer(const InputBuffer&) = delete;
  InputBuffer& operator=(const InputBuffer&) = delete;

  const uint8_t* next = nullptr;
  size_t avail = 0;

  // Called when avail is 0; hint is how many bytes the caller would like. False at the end.
  // The default copies into the own buffer through Fill; a source that holds the bytes
  // already points next at them instead.
  virtual bool Refill(size_t hint) {
    next = data_.get();
    avail = Fill(data_.get(), hint < capacity_ && hint > 0 ? hint : capacity_);
    return avail > 0;
  }

 protected:
  virtual size_t Fill(uint8_t*, size_t) { return 0; }

 private:
  std::unique_ptr<uint8_t[]> data_;
  size_t capacity_;
};

// Input from memory, for tests and fuzzing.
class MemoryInput : public InputBuffer {
 public:
  MemoryInput(const uint8_t* data, size_t size, size_t chunk = 65536)
      : InputBuffer(chunk), data_(data), left_(size) {}

 protected:
  size_t Fill(uint8_t* buffer, size_t capacity) override {
    size_t n = capacity < left_ ? capacity : left_;
    for (size_t i = 0; i < n; ++i) buffer[i] = data_[i];
    data_ += n;
    left_ -= n;
    return n;
  }

 private:
  const uint8_t* data_;
  size_t left_;
};

}  // namespace ziparchive
