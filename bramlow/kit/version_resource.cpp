#include "bramlow/kit/version_resource.h"

#include <algorithm>
#include <vector>

namespace bramlow {
namespace {

uint16_t Le16(std::string_view b, size_t at) {
  return static_cast<uint16_t>(static_cast<unsigned char>(b[at]) |
                               (static_cast<unsigned char>(b[at + 1]) << 8));
}
uint32_t Le32(std::string_view b, size_t at) {
  return Le16(b, at) | (static_cast<uint32_t>(Le16(b, at + 2)) << 16);
}

void Put16(std::string& out, uint16_t v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>(v >> 8);
}
void Put32(std::string& out, uint32_t v) {
  Put16(out, static_cast<uint16_t>(v & 0xFFFF));
  Put16(out, static_cast<uint16_t>(v >> 16));
}
void Align4(std::string& out) {
  while (out.size() % 4) out += '\0';
}
void PutText(std::string& out, std::u16string_view text) {
  for (char16_t c : text) Put16(out, c);
  Put16(out, 0);
}

// One node of the version tree: wLength, wValueLength, wType, the key, its value, children.
std::string Node(std::u16string_view key, uint16_t type, const std::string& value,
                 uint16_t valueLength, const std::string& children = {}) {
  std::string out(6, '\0');
  PutText(out, key);
  Align4(out);
  out += value;
  if (!children.empty()) {
    Align4(out);
    out += children;
  }
  const auto length = static_cast<uint16_t>(out.size());
  out[0] = static_cast<char>(length & 0xFF);
  out[1] = static_cast<char>(length >> 8);
  out[2] = static_cast<char>(valueLength & 0xFF);
  out[3] = static_cast<char>(valueLength >> 8);
  out[4] = static_cast<char>(type & 0xFF);
  out[5] = static_cast<char>(type >> 8);
  return out;
}

std::string StringNode(std::u16string_view key, std::u16string_view value) {
  std::string text;
  PutText(text, value);
  std::string node = Node(key, 1, text, static_cast<uint16_t>(value.size() + 1));
  Align4(node);
  return node;
}

// RVA -> file offset through the section table.
struct Section {
  uint32_t rva, size, fileOffset, fileSize;
};

std::optional<uint64_t> FileOffsetOf(const std::vector<Section>& sections, uint32_t rva,
                                     uint32_t length) {
  for (const Section& s : sections) {
    const uint64_t span = std::max(s.size, s.fileSize);
    if (rva >= s.rva && uint64_t(rva) + length <= uint64_t(s.rva) + span &&
        uint64_t(rva - s.rva) + length <= s.fileSize) {
      return uint64_t(s.fileOffset) + (rva - s.rva);
    }
  }
  return std::nullopt;
}

}  // namespace

std::string BuildVersionInfo(const VersionStrings& s) {
  std::string fixed;
  Put32(fixed, 0xFEEF04BD);  // signature
  Put32(fixed, 0x00010000);  // structure version
  const uint32_t high = (uint32_t(s.numbers[0]) << 16) | s.numbers[1];
  const uint32_t low = (uint32_t(s.numbers[2]) << 16) | s.numbers[3];
  for (int i = 0; i < 2; ++i) {  // file, then product version
    Put32(fixed, high);
    Put32(fixed, low);
  }
  Put32(fixed, 0x3F);     // flags mask
  Put32(fixed, 0);        // flags
  Put32(fixed, 0x40004);  // VOS_NT_WINDOWS32
  Put32(fixed, 1);        // VFT_APP
  Put32(fixed, 0);        // subtype
  Put32(fixed, 0);        // date
  Put32(fixed, 0);

  std::string strings;
  strings += StringNode(u"FileDescription", s.fileDescription);
  if (!s.version.empty()) strings += StringNode(u"FileVersion", s.version);
  strings += StringNode(u"OriginalFilename", s.originalFilename);
  strings += StringNode(u"ProductName", s.productName);
  if (!s.version.empty()) strings += StringNode(u"ProductVersion", s.version);
  std::string table = Node(u"040904B0", 1, "", 0, strings);
  Align4(table);
  std::string stringInfo = Node(u"StringFileInfo", 1, "", 0, table);
  Align4(stringInfo);
  std::string translation;
  Put16(translation, 0x0409);
  Put16(translation, 1200);
  std::string var = Node(u"Translation", 0, translation, 4);
  Align4(var);
  std::string varInfo = Node(u"VarFileInfo", 1, "", 0, var);
  Align4(varInfo);
  return Node(u"VS_VERSION_INFO", 0, fixed, static_cast<uint16_t>(fixed.size()),
              stringInfo + varInfo);
}

std::optional<ResourceSlot> FindVersionResource(std::string_view pe) {
  auto fits = [&pe](uint64_t at, uint64_t length) {
    return at <= pe.size() && length <= pe.size() - at;
  };
  if (!fits(0, 64) || pe.substr(0, 2) != "MZ") return std::nullopt;
  const uint32_t header = Le32(pe, 60);
  if (!fits(header, 24) || pe.substr(header, 4) != std::string_view("PE\0\0", 4))
    return std::nullopt;
  const uint16_t sectionCount = Le16(pe, header + 6);
  const uint16_t optionalSize = Le16(pe, header + 20);
  const uint64_t optional = uint64_t(header) + 24;
  if (!fits(optional, optionalSize) || optionalSize < 2) return std::nullopt;
  const uint16_t magic = Le16(pe, optional);
  const uint64_t directories = optional + (magic == 0x20B ? 112 : magic == 0x10B ? 96 : 0);
  if (directories == optional || directories + 3 * 8 > optional + optionalSize) return std::nullopt;
  const uint32_t resourceRva = Le32(pe, directories + 2 * 8);
  const uint32_t resourceSize = Le32(pe, directories + 2 * 8 + 4);
  if (!resourceRva || !resourceSize) return std::nullopt;

  std::vector<Section> sections;
  const uint64_t table = optional + optionalSize;
  if (!fits(table, uint64_t(sectionCount) * 40)) return std::nullopt;
  for (uint16_t i = 0; i < sectionCount; ++i) {
    const uint64_t s = table + uint64_t(i) * 40;
    sections.push_back(
        Section{Le32(pe, s + 12), Le32(pe, s + 8), Le32(pe, s + 20), Le32(pe, s + 16)});
  }
  const auto root = FileOffsetOf(sections, resourceRva, 16);
  if (!root) return std::nullopt;

  // Entries of a resource directory at `offset` (relative to the root): the one with that id,
  // or the first when id is 0; its offset field.
  auto entry = [&](uint64_t offset, uint16_t id) -> std::optional<uint32_t> {
    const uint64_t at = *root + offset;
    if (offset >= resourceSize || !fits(at, 16)) return std::nullopt;
    const uint32_t count = uint32_t(Le16(pe, at + 12)) + Le16(pe, at + 14);
    if (!fits(at + 16, uint64_t(count) * 8)) return std::nullopt;
    for (uint32_t i = 0; i < count; ++i) {
      const uint64_t e = at + 16 + uint64_t(i) * 8;
      const uint32_t name = Le32(pe, e);
      if (id == 0 || (!(name & 0x80000000u) && name == id)) return Le32(pe, e + 4);
    }
    return std::nullopt;
  };
  const auto types = entry(0, 16);
  if (!types || !(*types & 0x80000000u)) return std::nullopt;
  const auto names = entry(*types & 0x7FFFFFFFu, 0);
  if (!names || !(*names & 0x80000000u)) return std::nullopt;
  const auto languages = entry(*names & 0x7FFFFFFFu, 0);
  if (!languages || (*languages & 0x80000000u) || *languages + 16ull > resourceSize)
    return std::nullopt;
  const uint64_t data = *root + *languages;
  if (!fits(data, 16)) return std::nullopt;
  const uint32_t dataRva = Le32(pe, data);
  const uint32_t dataSize = Le32(pe, data + 4);
  const auto dataOffset = FileOffsetOf(sections, dataRva, dataSize);
  if (!dataOffset || !fits(*dataOffset, dataSize)) return std::nullopt;
  return ResourceSlot{*dataOffset, dataSize, data + 4};
}

bool PutVersionResource(std::string& program, const std::string& block, std::string& problem) {
  const auto slot = FindVersionResource(program);
  if (!slot) {
    problem = "the stub has no version resource to fill";
    return false;
  }
  if (block.size() > slot->size) {
    problem = "the version resource takes " + std::to_string(block.size()) +
              " bytes, the stub holds " + std::to_string(slot->size);
    return false;
  }
  program.replace(slot->dataOffset, block.size(), block);
  program.replace(slot->dataOffset + block.size(), slot->size - block.size(),
                  slot->size - block.size(), '\0');
  const uint32_t size = static_cast<uint32_t>(block.size());
  for (int i = 0; i < 4; ++i)
    program[slot->sizeFieldOffset + i] = static_cast<char>((size >> (8 * i)) & 0xFF);
  return true;
}

}  // namespace bramlow
