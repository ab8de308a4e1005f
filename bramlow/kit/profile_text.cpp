#include "bramlow/kit/profile_text.h"

#include <cstdint>

#include "bramlow/kit/ansi_text.h"
#include "bramlow/text/script_keys.h"

namespace bramlow {
namespace {

// The file's characters: bytes of the ANSI code page, or UTF-16 code units after a mark.
using Units = std::u16string;

// The blanks the system trims around lines, names and values: the ASCII control characters
// tab to carriage return, the space, and ^Z (the old end-of-file mark found on CDs).
bool IsBlank(char16_t c) {
  return (c >= 0x09 && c <= 0x0D) || c == 0x1A || c == 0x20;
}

char16_t FoldAscii(char16_t c) {
  return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c;
}

Units FromUtf8(std::string_view bytes) {
  return Utf8ToUtf16(bytes);
}

Units FromUtf16(std::string_view bytes, bool bigEndian) {
  Units out;
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const auto a = static_cast<unsigned char>(bytes[i]);
    const auto b = static_cast<unsigned char>(bytes[i + 1]);
    out += static_cast<char16_t>(bigEndian ? (a << 8) | b : (b << 8) | a);
  }
  return out;
}

std::string ToBytes(std::u16string_view units, bool unicode) {
  if (unicode) return Utf16ToUtf8(units);
  std::string out;
  out.reserve(units.size());
  for (char16_t c : units) out += static_cast<char>(c);
  return out;
}

bool IsUnicode(ProfileEncoding encoding) {
  return encoding != ProfileEncoding::Ansi;
}

Units UnitsOf(std::string_view text, ProfileEncoding encoding) {
  if (IsUnicode(encoding)) return FromUtf8(text);
  Units units;
  for (char c : text) units += static_cast<char16_t>(static_cast<unsigned char>(c));
  return units;
}

std::string_view TrimmedAsked(std::string_view name) {
  // The asked names are the engine's own: ASCII, where the blanks are the ASCII ones.
  while (!name.empty() && IsBlank(static_cast<unsigned char>(name.front()))) name.remove_prefix(1);
  while (!name.empty() && IsBlank(static_cast<unsigned char>(name.back()))) name.remove_suffix(1);
  return name;
}

// The characters a buffer of `size` receives from a value: a quote that opens and closes it
// dropped, then cut to size - 1 characters.
Units CopyEntry(Units value, size_t size) {
  char16_t quote = 0;
  if (!value.empty() && (value[0] == u'\'' || value[0] == u'"') && value.size() > 1 &&
      value.back() == value[0]) {
    quote = value[0];
    value.erase(0, 1);
  }
  Units copy = value.substr(0, size - 1);
  // The closing quote goes only when the whole rest fitted (the system's own test).
  if (quote && size >= value.size() && !copy.empty()) copy.pop_back();
  return copy;
}

}  // namespace

bool SameProfileName(std::string_view stored, std::string_view asked) {
  asked = TrimmedAsked(asked);
  if (stored.size() != asked.size()) return false;
  for (size_t i = 0; i < stored.size(); ++i) {
    if (FoldAscii(static_cast<unsigned char>(stored[i])) !=
        FoldAscii(static_cast<unsigned char>(asked[i]))) {
      return false;
    }
  }
  return true;
}

ProfileText::ProfileText(std::string_view bytes) {
  Units text;
  if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") {
    encoding_ = ProfileEncoding::Utf8;
    text = FromUtf8(bytes.substr(3));
  } else if (bytes.size() >= 2 && bytes.substr(0, 2) == "\xFF\xFE") {
    encoding_ = ProfileEncoding::Utf16LittleEndian;
    text = FromUtf16(bytes.substr(2), false);
  } else if (bytes.size() >= 2 && bytes.substr(0, 2) == "\xFE\xFF") {
    encoding_ = ProfileEncoding::Utf16BigEndian;
    text = FromUtf16(bytes.substr(2), true);
  } else {
    for (char c : bytes) text += static_cast<char16_t>(static_cast<unsigned char>(c));
  }
  const bool unicode = IsUnicode(encoding_);
  auto trim = [&text](size_t& start, size_t& end) {
    while (start < end && IsBlank(text[start])) ++start;
    while (end > start && IsBlank(text[end - 1])) --end;
  };

  sections_.push_back(ProfileSection{});
  bool previousNameless = false;
  bool havePrevious = false;
  int line = 0;
  // The system ends a line at every carriage return or line feed; lines are counted as an
  // editor counts them (CR LF is one break).
  for (size_t next = 0; next < text.size();) {
    size_t start = next;
    size_t end = start;
    while (end < text.size() && text[end] != u'\n' && text[end] != u'\r') ++end;
    next = end;
    if (next < text.size())
      next += (text[next] == u'\r' && next + 1 < text.size() && text[next + 1] == u'\n') ? 2 : 1;
    ++line;
    trim(start, end);
    if (start >= end) continue;

    if (text[start] == u'[') {
      const size_t close = text.rfind(u']', end - 1);
      if (close != Units::npos && close > start) {
        size_t nameStart = start + 1;
        size_t nameEnd = close;
        trim(nameStart, nameEnd);
        ProfileSection section;
        section.name =
            ToBytes(std::u16string_view(text).substr(nameStart, nameEnd - nameStart), unicode);
        section.line = line;
        sections_.push_back(std::move(section));
        havePrevious = false;
        continue;
      }
    }
    size_t nameEnd = end;
    std::optional<std::string> value;
    const size_t equals = std::u16string_view(text).substr(start, end - start).find(u'=');
    if (equals != std::u16string_view::npos) {
      nameEnd = start + equals;
      size_t valueStart = nameEnd + 1;
      while (nameEnd > start && IsBlank(text[nameEnd - 1])) --nameEnd;
      while (valueStart < end && IsBlank(text[valueStart])) ++valueStart;
      value = ToBytes(std::u16string_view(text).substr(valueStart, end - valueStart), unicode);
    }
    // Runs of lines without a name are kept once, as the system keeps them.
    const bool nameless = nameEnd == start;
    if (nameless && havePrevious && previousNameless) continue;
    ProfileEntry entry;
    entry.name = ToBytes(std::u16string_view(text).substr(start, nameEnd - start), unicode);
    entry.value = std::move(value);
    entry.line = line;
    sections_.back().entries.push_back(std::move(entry));
    havePrevious = true;
    previousNameless = nameless;
  }
}

const ProfileSection* ProfileText::FindSection(std::string_view section) const {
  for (const ProfileSection& s : sections_) {
    if (SameProfileName(s.name, section)) return &s;
  }
  return nullptr;
}

const ProfileEntry* ProfileText::Find(std::string_view section, std::string_view key) const {
  const ProfileSection* s = FindSection(section);
  if (!s) return nullptr;
  for (const ProfileEntry& e : s->entries) {
    if (SameProfileName(e.name, key)) return &e;
  }
  return nullptr;
}

std::string ProfileText::ValueAsRead(std::string_view written, ProfileEncoding encoding) {
  const bool unicode = IsUnicode(encoding);
  return ToBytes(CopyEntry(UnitsOf(written, encoding), kMaxProfileValueLength + 1), unicode);
}

std::string ProfileText::Text(std::string_view section, std::string_view key,
                              std::string_view def) const {
  const ProfileEntry* e = Find(section, key);
  if (e && e->value) return ValueAsRead(*e->value, encoding_);
  // The default loses its trailing spaces and goes through the same copy.
  while (!def.empty() && def.back() == ' ') def.remove_suffix(1);
  return ValueAsRead(def, encoding_);
}

std::optional<int> ProfileText::IntegerOf(std::string_view asRead) {
  if (asRead.empty()) return std::nullopt;
  // The system reads the number from a 30-character buffer, with the runtime's conversion of
  // any base: blanks and control characters first, a sign, "0x", "0o" or "0b", then digits up
  // to the first that does not belong.
  std::string_view s = asRead.substr(0, 29);
  size_t i = 0;
  while (i < s.size() && static_cast<unsigned char>(s[i]) <= ' ') ++i;
  bool minus = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) minus = s[i++] == '-';
  unsigned base = 10;
  if (i + 1 < s.size() && s[i] == '0') {
    if (s[i + 1] == 'b')
      base = 2, i += 2;
    else if (s[i + 1] == 'o')
      base = 8, i += 2;
    else if (s[i + 1] == 'x')
      base = 16, i += 2;
  }
  uint32_t total = 0;
  for (; i < s.size(); ++i) {
    const char c = s[i];
    unsigned digit = 99;
    if (c >= '0' && c <= '9')
      digit = c - '0';
    else if (c >= 'A' && c <= 'Z')
      digit = c - 'A' + 10;
    else if (c >= 'a' && c <= 'z')
      digit = c - 'a' + 10;
    if (digit >= base) break;
    total = total * base + digit;
  }
  if (minus) total = 0u - total;
  return static_cast<int>(total);
}

int ProfileText::Integer(std::string_view section, std::string_view key, int def) const {
  const auto value = IntegerOf(Text(section, key));
  return value ? *value : def;
}

}  // namespace bramlow
