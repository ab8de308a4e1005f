#include "file_bytes.h"

#include <algorithm>

#include "edit_log.h"
#include "winbase/handles.h"

namespace resedit {

FileBytes ReadFileBytes(const std::wstring& path, std::size_t maxSize) {
  FileBytes r;
  winbase::FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    r.error = L"cannot open " + path + L" (" + ErrorCodeText(GetLastError()) + L")";
    return r;
  }
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.get(), &size)) {
    r.error = L"cannot read the size of " + path + L" (" + ErrorCodeText(GetLastError()) + L")";
    return r;
  }
  if (size.QuadPart < 0 || static_cast<unsigned long long>(size.QuadPart) > maxSize) {
    r.error = path + L" is too large";
    return r;
  }
  r.bytes.resize(static_cast<std::size_t>(size.QuadPart));
  std::size_t done = 0;
  while (done < r.bytes.size()) {
    DWORD got = 0;
    const DWORD want = static_cast<DWORD>(std::min<std::size_t>(r.bytes.size() - done, 1u << 20));
    if (!ReadFile(file.get(), r.bytes.data() + done, want, &got, nullptr)) {
      r.error = L"cannot read " + path + L" (" + ErrorCodeText(GetLastError()) + L")";
      return r;
    }
    if (got == 0) break;  // the file shrank meanwhile
    done += got;
  }
  r.bytes.resize(done);
  r.ok = true;
  return r;
}

}  // namespace resedit
