#include "ziparchive/records/zip_crypto.h"

#include "ziparchive/records/zip_records.h"

namespace ziparchive {

namespace {
inline uint32_t CrcByte(uint32_t reg, uint8_t b) { return Crc32Table()[(reg ^ b) & 0xFF] ^ (reg >> 8); }
}  // namespace

void ZipCrypto::Update(uint8_t plain) {
  key0_ = CrcByte(key0_, plain);
  key1_ = (key1_ + (key0_ & 0xFF)) * 134775813u + 1;
  key2_ = CrcByte(key2_, uint8_t(key1_ >> 24));
}

void ZipCrypto::Init(const std::string& password) {
  key0_ = 0x12345678u;
  key1_ = 0x23456789u;
  key2_ = 0x34567890u;
  for (char c : password) Update(uint8_t(c));
}

bool ZipCrypto::CheckHeader(uint8_t header[12], uint8_t check) {
  Decrypt(header, 12);
  return header[11] == check;
}

void ZipCrypto::Decrypt(uint8_t* data, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    uint8_t plain = uint8_t(data[i] ^ StreamByte());
    Update(plain);
    data[i] = plain;
  }
}

}  // namespace ziparchive
