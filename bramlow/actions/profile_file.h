#pragma once
// Access to one INI ("profile") file through the system's profile functions. Nothing is kept
// in memory: every call reads or writes the file, so a value written through one object is
// seen at once by any other object on the same file. The files themselves stay in the ANSI
// code page (the wide functions convert), as every file the engine reads and writes is.
#include <string>

namespace bramlow {

enum class ProfileMode { Read, Write };

class ProfileFile {
public:
  // Longest value a read returns (the rest of a longer value is cut off).
  static constexpr size_t kMaxValueLength = 2047;

  explicit ProfileFile(std::wstring fileName, std::wstring section = {},
                       ProfileMode mode = ProfileMode::Read);

  // Plain fields: setting them touches no file.
  std::wstring FileName;
  std::wstring Section;
  ProfileMode Mode = ProfileMode::Read;

  // Read mode: the value of key in the current section, or value when the key is missing.
  // Write mode: writes value under key and returns it.
  std::wstring ProfileText(const std::wstring& key, const std::wstring& value);
  // Read mode: the value read as the system reads profile integers, or value when missing.
  // Write mode: writes value in decimal.
  int ProfileInteger(const std::wstring& key, int value);
  // Read mode: true when the value read as an integer (default value as 0 or 1) is not 0.
  // Write mode: writes "1" or "0".
  bool ProfileBoolean(const std::wstring& key, bool value);

private:
  void Write(const std::wstring& key, const std::wstring& text) const;
};

}  // namespace bramlow
