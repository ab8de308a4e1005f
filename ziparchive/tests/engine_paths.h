// The ZIP tests' paths between the engine's form ("\" between names, also on the native build)
// and the host's, for the shared test helpers.
#pragma once

#include <filesystem>
#include <string>

#include "ziparchive/platform/zip_platform.h"
#include "testing/support/native_path.h"

// An engine path for the host's file calls. On Windows the engine's text is in the ANSI code
// page, which the standard library would take for UTF-8; the native build needs "/" for "\".
inline std::filesystem::path HostPath(std::string path) {
#ifdef _WIN32
  const std::string utf8 = ziparchive::OsUtf8Path(path);
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
#else
  for (char& c : path)
    if (c == '\\') c = '/';
  return path;
#endif
}

// A host path as the engine's tests write their paths: "\" between names everywhere.
inline std::string EnginePath(const testsupport::NativePath& path) {
#ifdef _WIN32
  const std::u8string utf8 = std::filesystem::path(path).u8string();
  std::string text = ziparchive::OsUtf8ToAnsi(std::string(utf8.begin(), utf8.end()));
#else
  std::string text = path;
#endif
  for (char& c : text)
    if (c == '/') c = '\\';
  return text;
}
