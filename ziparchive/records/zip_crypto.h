// The traditional PKWARE member encryption (decryption side): three keys driven by CRC-32,
// a 12-byte header whose last byte checks the password.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace ziparchive {

class ZipCrypto {
 public:
  void Init(const std::string& password);
  // Decrypts the 12-byte header in place and tells whether its last byte is `check`.
  bool CheckHeader(uint8_t header[12], uint8_t check);
  void Decrypt(uint8_t* data, size_t count);

 private:
  void Update(uint8_t plain);
  uint8_t StreamByte() const {
    uint32_t t = (key2_ | 2) & 0xFFFF;
    return uint8_t((t * (t ^ 1)) >> 8);
  }
  uint32_t key0_ = 0, key1_ = 0, key2_ = 0;
};

}  // namespace ziparchive
