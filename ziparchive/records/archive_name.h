// How the writer's ArchiveFile and DefaultExt properties normalise what they are given.
#pragma once

#include <string>
#include <string_view>

namespace ziparchive {

// The extension of a path: from the last "." of its last component on, or empty.
std::string PathExtension(std::string_view path);

// ArchiveFile as stored: "/" becomes "\", and a name without an extension gets defaultExt.
std::string NormalizeArchiveFile(std::string_view name, std::string_view defaultExt);

// DefaultExt as stored: empty or "." gives ".ZIP"; otherwise a leading "." is ensured, the
// text is cut to 4 characters and lower-cased.
std::string NormalizeDefaultExt(std::string_view text);

// ArchiveFile after DefaultExt changes from oldExt to newExt: a name without an extension
// gets newExt, a name ending in oldExt (any case) has it replaced, others stay.
std::string ApplyDefaultExtChange(std::string_view archiveFile, std::string_view oldExt,
                                  std::string_view newExt);

}  // namespace ziparchive
