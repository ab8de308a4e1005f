// A member's stored name as the reader uses it, and the test that keeps the files it names
// inside the extraction folder on every platform.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ziparchive {

struct MemberName {
  // Engine form: "\" separators, ANSI code page. What selection compares and events see.
  std::string name;
  // For a name flagged UTF-8 (general purpose bit 11) that is not plain ASCII, and with
  // utf8Paths for an OEM name that is not: the name in UTF-8 with "\" separators, which is what
  // reaches the file system. Empty otherwise.
  std::string utf8;

  // The form that names the file on disk.
  const std::string& OnDisk() const { return utf8.empty() ? name : utf8; }
};

// Names flagged UTF-8 are read as UTF-8; a flagged name that is not valid UTF-8, and every
// other name, follows the code-page rule (OEM to ANSI when translateOem). With utf8Paths (the
// component's Utf8Paths) such an OEM name also gets its UTF-8 form straight from the OEM code
// page, so the file system gets the very name stored, not the ANSI look-alike.
MemberName DecodeMemberName(std::string_view stored, uint16_t flags, bool translateOem,
                            bool utf8Paths = false);

// Well-formed UTF-8: shortest forms only, no surrogates, nothing past U+10FFFF.
bool IsValidUtf8(std::string_view text);

// The most folders a stored name may lead through: as deep as the writer's folder scan goes.
constexpr int kMaxStoredFolders = 64;

// Whether a name (engine form, "\" separators) may be written below the extraction folder:
// with folders, no drive, stream or root, no ".." component; in every component that is
// used, no NUL, nothing Windows would take as a device (CON, NUL, COM1, LPT1.txt...) and no
// trailing dot or space, which Windows would drop so that another name is written; not
// empty, and no more than kMaxStoredFolders folders deep.
// `why`, when given, says what is wrong with a refused name (for ExtendedMsg).
bool IsSafeMemberPath(std::string_view name, bool withFolders, std::string* why = nullptr);

}  // namespace ziparchive
