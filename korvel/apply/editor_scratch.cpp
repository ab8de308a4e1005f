#include "korvel/apply/editor_scratch.h"

#include <windows.h>

namespace korvel {

void RemoveEditorScratch(const std::wstring& target) {
  const std::wstring scratch = target + resedit::kScratchSuffix;
  const DWORD attributes = GetFileAttributesW(scratch.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return;
  if (attributes & FILE_ATTRIBUTE_READONLY)
    SetFileAttributesW(scratch.c_str(), attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
  DeleteFileW(scratch.c_str());
}

}  // namespace korvel
