#include "ziparchive/records/member_name.h"

#include "ziparchive/platform/device_name.h"
#include "ziparchive/platform/zip_platform.h"
#include "ziparchive/records/zip_records.h"

namespace ziparchive {

namespace {
bool IsAscii(std::string_view s) {
  for (char c : s)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

// Empty when the component may be written; otherwise why not.
std::string ComponentFault(std::string_view part) {
  if (part == "..") return "\"..\" leads outside the extraction folder";
  if (part.empty() || part == ".") return std::string();
  if (part.back() == '.' || part.back() == ' ')
    return "\"" + std::string(part) + "\" ends in a dot or a space, which Windows drops";
  if (IsDeviceName(part)) return "\"" + std::string(part) + "\" names a device";
  return std::string();
}
}  // namespace

bool IsValidUtf8(std::string_view s) {
  size_t i = 0;
  while (i < s.size()) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) {
      ++i;
      continue;
    }
    size_t len;
    uint32_t point, min;
    if (c >= 0xC2 && c <= 0xDF)
      len = 2, point = c & 0x1F, min = 0x80;
    else if (c >= 0xE0 && c <= 0xEF)
      len = 3, point = c & 0x0F, min = 0x800;
    else if (c >= 0xF0 && c <= 0xF4)
      len = 4, point = c & 0x07, min = 0x10000;
    else
      return false;
    if (s.size() - i < len) return false;
    for (size_t k = 1; k < len; ++k) {
      unsigned char t = static_cast<unsigned char>(s[i + k]);
      if ((t & 0xC0) != 0x80) return false;
      point = (point << 6) | (t & 0x3F);
    }
    if (point < min || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF)) return false;
    i += len;
  }
  return true;
}

MemberName DecodeMemberName(std::string_view stored, uint16_t flags, bool translateOem,
                            bool utf8Paths) {
  MemberName n;
  // A plain ASCII name reads the same either way; it takes the road every name took before.
  if ((flags & zipflag::kUtf8Name) && !IsAscii(stored) && IsValidUtf8(stored)) {
    n.utf8.assign(stored);
    for (char& c : n.utf8)
      if (c == '/') c = '\\';
    n.name = OsUtf8ToAnsi(n.utf8);
  } else {
    n.name = DecodeStoredName(stored, translateOem);
    // "╬1.bmp" and "┼1.bmp" are both "+1.bmp" in ANSI: one would be lost, or applied under a
    // name the archive does not hold.
    if (utf8Paths && translateOem && !IsAscii(stored)) {
      n.utf8 = OsOemToUtf8(std::string(stored));
      for (char& c : n.utf8)
        if (c == '/') c = '\\';
    }
  }
  return n;
}

bool IsSafeMemberPath(std::string_view name, bool withFolders, std::string* why) {
  auto refuse = [why](std::string text) {
    if (why) *why = std::move(text);
    return false;
  };
  if (name.empty()) return refuse("the name is empty");
  // Everything after it would be lost, so that another name is written.
  if (name.find('\0') != std::string_view::npos) return refuse("the name holds a NUL byte");
  size_t slash = name.find_last_of('\\');
  std::string_view file = slash == std::string_view::npos ? name : name.substr(slash + 1);
  if (file == ".") return refuse("\".\" names the extraction folder itself");
  if (std::string fault = ComponentFault(file); !fault.empty()) return refuse(fault);
  if (!withFolders) return true;
  // Stored folders are recreated only below the extraction folder.
  if (name.find(':') != std::string_view::npos) return refuse("\":\" names a drive or a stream");
  if (name[0] == '\\') return refuse("the name starts at the root of a drive");
  size_t start = 0;
  int folders = 0;
  while (start < name.size()) {
    size_t end = name.find('\\', start);
    if (end == std::string_view::npos) end = name.size();
    if (std::string fault = ComponentFault(name.substr(start, end - start)); !fault.empty())
      return refuse(fault);
    if (end < name.size() && ++folders > kMaxStoredFolders)
      return refuse("more than " + std::to_string(kMaxStoredFolders) + " folders deep");
    start = end + 1;
  }
  return true;
}

}  // namespace ziparchive
