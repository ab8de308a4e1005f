// Name tests shared by member selection and the writer's folder scan.
#pragma once

#include <string>
#include <string_view>

namespace ziparchive {

// Upper case in the ANSI code page (Latin and Cyrillic letters of code page 1251).
char AnsiUpperChar(char c);
bool SameTextAnsi(std::string_view a, std::string_view b);

// Wildcard test over the whole name, case-insensitive: "*" any run (also "." and "\"), "?"
// one character, except a "?" right after a "*", which is ignored. A mask ending in "."
// matches a name without "." as if the name ended in ".".
bool WildcardMatch(std::string_view mask, std::string_view name);

// Everything before the last "\" or "/" (or up to and including the last ":" when that
// comes later), with "\" appended when not empty.
std::string NameFolderPart(std::string_view name);
// What follows the folder part.
std::string NameFilePart(std::string_view name);

}  // namespace ziparchive
