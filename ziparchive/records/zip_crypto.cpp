#include "ziparchive/records/zip_crypto.h"

#include "ziparchive/records/zip_records.h"

namespace ziparchive {

namespace {
inline uint32_t CrcByte(uint32_t reg, uint8_t b) { return Crc32Table()[(reg ^ b) & 0xFF] ^ (reg >> 8); }
}  // namespace

void TZipCrypto::Update(uint8_t plain) {
  FKey0 = CrcByte(FKey0, plain);
  FKey1 = (FKey1 + (FKey0 & 0xFF)) * 134775813u + 1;
  FKey2 = CrcByte(FKey2, uint8_t(FKey1 >> 24));
}

void TZipCrypto::Init(const std::string& password) {
  FKey0 = 0x12345678u;
  FKey1 = 0x23456789u;
  FKey2 = 0x34567890u;
  for (char c : password) Update(uint8_t(c));
}

bool TZipCrypto::CheckHeader(uint8_t header[12], uint8_t check) {
  Decrypt(header, 12);
  return header[11] == check;
}

void TZipCrypto::Decrypt(uint8_t* data, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    uint8_t plain = uint8_t(data[i] ^ StreamByte());
    Update(plain);
    data[i] = plain;
  }
}

}  // namespace ziparchive
