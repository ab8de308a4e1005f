// Korvel's texts filled in: a string-table pattern's "%s", and the system's wording of a failure.
#pragma once
#include <string>

namespace korvel {

// Replaces the first "%s" of a message pattern.
std::wstring FormatMessagePattern(const std::wstring& pattern, const std::wstring& argument);

// The system's own wording for a failure code, or "System error <code>" where it has none.
std::wstring SystemErrorWording(unsigned long code);

}  // namespace korvel
