// A profile (INI) file read as the system's profile functions read it, from its bytes and
// without a system call, so that a kit can be checked on any machine: which line a value
// comes from, and the value a GetPrivateProfileString of the engine returns for it.
#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace bramlow {

// One line of a section: "name=value", or a line without "=" (no value), as the system keeps
// it: blanks around the name and before the value gone, the value as written otherwise.
struct ProfileEntry {
  std::string name;
  std::optional<std::string> value;
  int line = 0;  // from 1
};

struct ProfileSection {
  std::string name;  // between "[" and the last "]", without the blanks around it
  int line = 0;      // 0 for the lines before the first section (the nameless one)
  std::vector<ProfileEntry> entries;
};

// The file's text: bytes in the ANSI code page, or Unicode after a byte-order mark, which the
// names and values then carry as UTF-8.
enum class ProfileEncoding { Ansi, Utf8, Utf16LittleEndian, Utf16BigEndian };

class ProfileText {
 public:
  ProfileText() = default;
  explicit ProfileText(std::string_view bytes);

  ProfileEncoding Encoding() const { return encoding_; }
  // Every section in file order, the nameless one first (also when it is empty).
  const std::vector<ProfileSection>& Sections() const { return sections_; }

  // What a lookup reaches: the first section of that name (the name compared without case,
  // blanks around it ignored; "" is the nameless part before the first section) and in it the
  // first entry of that key. A second section of the same name is never read, nor a second
  // entry of the same key.
  const ProfileSection* FindSection(std::string_view section) const;
  const ProfileEntry* Find(std::string_view section, std::string_view key) const;

  // What GetPrivateProfileString returns with the engine's buffer: the value without the
  // quotes around it, cut to kMaxProfileValueLength characters; def for a missing key or a
  // line without "=".
  std::string Text(std::string_view section, std::string_view key, std::string_view def = {}) const;
  // What GetPrivateProfileInt returns: def for a missing or empty value.
  int Integer(std::string_view section, std::string_view key, int def) const;

  // The same two rules on a value as written.
  static std::string ValueAsRead(std::string_view written,
                                 ProfileEncoding encoding = ProfileEncoding::Ansi);
  static std::optional<int> IntegerOf(std::string_view asRead);

 private:
  ProfileEncoding encoding_ = ProfileEncoding::Ansi;
  std::vector<ProfileSection> sections_;
};

// Whether two names are one for the profile functions: blanks around the asked name ignored,
// the letters a to z without case. Other letters compare exactly (the system folds them too):
// the names the engine asks for are all ASCII.
bool SameProfileName(std::string_view stored, std::string_view asked);

}  // namespace bramlow
