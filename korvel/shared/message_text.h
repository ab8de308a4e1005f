// Korvel's texts filled in: a string-table pattern's "%s", the system's wording of a failure,
// and a name as a message can show it.
#pragma once
#include <initializer_list>
#include <string>

namespace korvel {

// Replaces the first "%s" of a message pattern.
std::wstring FormatMessagePattern(const std::wstring& pattern, const std::wstring& argument);
// Replaces the pattern's "%s" in turn by the arguments; "%s" inside an argument stays as it is.
std::wstring FormatMessagePattern(const std::wstring& pattern,
                                  std::initializer_list<std::wstring> arguments);

// The system's own wording for a failure code, or "System error <code>" where it has none.
std::wstring SystemErrorWording(unsigned long code);

// A name from a package or the file system as a message shows it: a control character would
// break the line or vanish, and a direction mark (U+202E...) would turn the rest of the line
// around; each becomes "?".
std::wstring PrintableName(std::wstring name);

}  // namespace korvel
