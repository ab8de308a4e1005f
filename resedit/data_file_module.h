// A program file opened for reading its resources only (never run, whatever its bitness).
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "winbase/handles.h"

namespace resedit {

class DataFileModule {
 public:
  // Empty error on success.
  std::wstring Open(const std::wstring& path);
  void Close() { module_.reset(); }

  // Languages in which the resource exists; empty when it exists in none. False only when
  // the file's resources cannot be read at all.
  bool Languages(LPCWSTR type, LPCWSTR name, std::vector<WORD>& languages) const;
  std::optional<std::vector<std::uint8_t>> Bytes(LPCWSTR type, LPCWSTR name, WORD language) const;

 private:
  winbase::ModuleHandle module_;
};

}  // namespace resedit
