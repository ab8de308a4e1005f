// Where Korvel's self-installation and removal find the program and the system.
#pragma once

#include <string>

namespace korvel {

// Folder part of a path up to and including its last backslash; empty without one.
std::wstring FolderPart(const std::wstring& path);

// An environment variable's value; an unset variable reads as the empty string.
std::wstring EnvironmentValue(const wchar_t* name);

// The system folder as the self-installation names it: SystemRoot + "\system32\".
std::wstring SystemFolder();

// The path's short (8.3) form as the file system gives it; the path itself when the file
// system has none.
std::wstring ShortPath(const std::wstring& path);

}  // namespace korvel
