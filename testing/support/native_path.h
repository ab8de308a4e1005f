// The path string of the system's own calls: std::wstring on Windows, std::string elsewhere.
#pragma once

#include <filesystem>

namespace testsupport {

using NativePath = std::filesystem::path::string_type;

}  // namespace testsupport
