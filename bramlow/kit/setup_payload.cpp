#include "bramlow/kit/setup_payload.h"

#include <algorithm>
#include <vector>

#include "ziparchive/records/zip_records.h"

namespace bramlow {
namespace {

constexpr char kMagic[] = "BRAMLOWKIT1 ";  // 12 characters

std::string Hex(uint64_t value, int digits) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string out(static_cast<size_t>(digits), '0');
  for (int i = digits - 1; i >= 0; --i, value >>= 4)
    out[static_cast<size_t>(i)] = kDigits[value & 0xF];
  return out;
}

std::optional<uint64_t> FromHex(std::string_view text) {
  uint64_t value = 0;
  for (char c : text) {
    int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
    if (digit < 0) return std::nullopt;
    value = (value << 4) | static_cast<uint64_t>(digit);
  }
  return value;
}

}  // namespace

std::string EncodeTrailer(const PayloadTrailer& t) {
  std::string out = kMagic;
  out += Hex(t.zipOffset, 16) + " " + Hex(t.zipLength, 16) + " " + Hex(t.foldersLength, 8) + " " +
         Hex(t.crc, 8) + "\n";
  return out;
}

std::optional<PayloadTrailer> DecodeTrailer(std::string_view b) {
  if (b.size() != kPayloadTrailerSize || b.substr(0, 12) != kMagic || b[28] != ' ' ||
      b[45] != ' ' || b[54] != ' ' || b[63] != '\n') {
    return std::nullopt;
  }
  const auto offset = FromHex(b.substr(12, 16));
  const auto length = FromHex(b.substr(29, 16));
  const auto folders = FromHex(b.substr(46, 8));
  const auto crc = FromHex(b.substr(55, 8));
  if (!offset || !length || !folders || !crc) return std::nullopt;
  return PayloadTrailer{*offset, *length, static_cast<uint32_t>(*folders),
                        static_cast<uint32_t>(*crc)};
}

std::string EncodeFolderList(const std::vector<std::string>& folders) {
  std::string out;
  for (const std::string& f : folders) out += f + "\n";
  return out;
}

std::vector<std::string> DecodeFolderList(std::string_view bytes) {
  std::vector<std::string> folders;
  size_t start = 0;
  while (start < bytes.size()) {
    size_t end = bytes.find('\n', start);
    if (end == std::string_view::npos) end = bytes.size();
    if (end > start) folders.emplace_back(bytes.substr(start, end - start));
    start = end + 1;
  }
  return folders;
}

PayloadCheck CheckPayload(ziparchive::OsFile& file, const std::function<void()>& pace) {
  const int64_t size = file.Size();
  const auto readAt = [&file](uint64_t position, void* buffer, size_t count) {
    return file.ReadAt(position, buffer, count) == static_cast<int64_t>(count);
  };
  return CheckPayload(readAt, size < 0 ? 0 : static_cast<uint64_t>(size), pace);
}

namespace {

uint32_t Le32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// Where the setup data of a signed setup ends: signing appends a certificate table after
// everything else, padded to 8 bytes, and names it in the program's header. The file's end
// for an unsigned one, or when the header names no table that ends the file.
uint64_t SetupDataEnd(const PayloadReader& readAt, uint64_t fileSize) {
  uint8_t dos[64];
  if (fileSize < sizeof dos || !readAt(0, dos, sizeof dos) || dos[0] != 'M' || dos[1] != 'Z')
    return fileSize;
  const uint64_t pe = Le32(dos + 60);
  uint8_t head[26];  // signature, file header, the optional header's magic
  if (pe > fileSize || fileSize - pe < sizeof head || !readAt(pe, head, sizeof head) ||
      Le32(head) != 0x00004550)
    return fileSize;
  const unsigned magic = head[24] | head[25] << 8;
  // The fifth data directory, after the optional header's fields of the one or the other kind.
  const uint64_t directory = pe + 24 + (magic == 0x20B ? 112 : magic == 0x10B ? 96 : 0) + 4 * 8;
  uint8_t table[8];
  if (directory == pe + 24 + 32 || directory > fileSize || fileSize - directory < sizeof table ||
      !readAt(directory, table, sizeof table))
    return fileSize;
  const uint64_t offset = Le32(table), size = Le32(table + 4);
  if (offset == 0 || size == 0 || offset > fileSize || fileSize - offset != size) return fileSize;
  return offset;
}

}  // namespace

PayloadCheck CheckPayload(const PayloadReader& readAt, uint64_t fileSize,
                          const std::function<void()>& pace) {
  PayloadCheck check;
  // A signed setup: the trailer stands before the certificate table and its zero padding.
  if (const uint64_t end = SetupDataEnd(readAt, fileSize); end != fileSize) {
    std::string tail(kPayloadTrailerSize + 7, '\0');
    for (uint64_t pad = 0; pad < 8 && end >= kPayloadTrailerSize + pad; ++pad) {
      const size_t count = static_cast<size_t>(kPayloadTrailerSize + pad);
      if (!readAt(end - count, tail.data(), count)) break;
      const std::string_view read(tail.data(), count);
      if (read.find_first_not_of('\0', kPayloadTrailerSize) != std::string_view::npos) break;
      if (DecodeTrailer(read.substr(0, kPayloadTrailerSize))) {
        fileSize = end - pad;
        break;
      }
    }
  }
  if (fileSize < kPayloadTrailerSize) {
    check.problem = "the file is incomplete: it is too short to hold its setup data";
    return check;
  }
  std::string tail(kPayloadTrailerSize, '\0');
  if (!readAt(fileSize - kPayloadTrailerSize, tail.data(), tail.size())) {
    check.problem = "the file cannot be read";
    return check;
  }
  const auto trailer = DecodeTrailer(tail);
  if (!trailer) {
    check.problem = "the file is incomplete or damaged: it does not end with its setup data";
    return check;
  }
  const uint64_t payload = trailer->zipLength + trailer->foldersLength;
  const uint64_t expected = trailer->zipOffset + payload + kPayloadTrailerSize;
  // Less than an empty archive's end record, or lengths that wrap around: nothing to compare.
  if (trailer->zipLength < 22 || payload < trailer->zipLength || expected < payload) {
    check.problem = "the file is damaged: its setup data names no archive it could hold";
    return check;
  }
  if (expected != fileSize) {
    check.problem = "the file is damaged: it is " + std::to_string(fileSize) +
                    " bytes, its setup data says " + std::to_string(expected);
    return check;
  }
  // The whole payload, piece by piece.
  std::vector<uint8_t> buffer(static_cast<size_t>(std::min<uint64_t>(payload, 1 << 20)) + 1);
  uint32_t reg = ziparchive::kCrc32Init;
  std::string folders;
  for (uint64_t at = 0; at < payload;) {
    const size_t piece = static_cast<size_t>(std::min<uint64_t>(buffer.size(), payload - at));
    if (!readAt(trailer->zipOffset + at, buffer.data(), piece)) {
      check.problem = "the file cannot be read";
      return check;
    }
    reg = ziparchive::Crc32Update(reg, buffer.data(), piece);
    // The folder list is the last part, and small.
    if (at + piece > trailer->zipLength) {
      const size_t from =
          at >= trailer->zipLength ? 0 : static_cast<size_t>(trailer->zipLength - at);
      folders.append(reinterpret_cast<const char*>(buffer.data()) + from, piece - from);
    }
    at += piece;
    if (pace) pace();
  }
  if (ziparchive::Crc32Final(reg) != trailer->crc) {
    check.problem =
        "the file is damaged: its setup data does not have the checksum it was made with";
    return check;
  }
  check.ok = true;
  check.trailer = *trailer;
  check.emptyFolders = DecodeFolderList(folders);
  return check;
}

}  // namespace bramlow
