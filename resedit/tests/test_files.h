// Path and resource helpers for the tests that drive reshacker.exe under Wine.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace resedit::testing {

using Bytes = std::vector<std::uint8_t>;

// "/unix/path" as Wine's Z: drive sees it; Windows paths pass unchanged.
std::wstring WindowsPath(const char* path);

// Resources of a program file, read as data.
std::optional<Bytes> ResourceBytes(const std::wstring& exe, LPCWSTR type, LPCWSTR name, WORD language);
std::vector<WORD> ResourceLanguages(const std::wstring& exe, LPCWSTR type, LPCWSTR name);
// Adds or replaces one resource in place.
bool PutResource(const std::wstring& exe, LPCWSTR type, LPCWSTR name, WORD language, const Bytes& data);

}  // namespace resedit::testing
