#pragma once
#include <string>
#include <string_view>

namespace bramlow {

// Folder and name joined with exactly one backslash between them, whatever backslashes the
// folder ends or the name starts with.
std::wstring JoinPath(const std::wstring& folder, const std::wstring& name);

// The folder part of a path: up to and including its last backslash or colon.
std::wstring FolderPartOf(const std::wstring& path);

// Upper-cases the letters a to z only, as the script's keyword comparisons do.
std::wstring UpperAsciiLetters(std::wstring text);

// Whether text contains word, comparing the letters a to z without regard to case.
bool ContainsNoCase(std::wstring_view text, std::wstring_view word);

// Whether two paths name the same place: compared in full long form ("/" for "\", "..",
// 8.3 names resolved), ignoring letter case and trailing backslashes.
bool SamePath(const std::wstring& a, const std::wstring& b);

}  // namespace bramlow
