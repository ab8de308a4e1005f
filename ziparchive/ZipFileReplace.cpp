#include "ZipFileReplace.h"

#ifdef _WIN32
#include <windows.h>

namespace {
std::wstring Wide(const TOsPath& path) {
  const std::string& s = path.Text;
  if (s.empty()) return std::wstring();
  const UINT codePage = path.Utf8 ? CP_UTF8 : CP_ACP;
  int n = MultiByteToWideChar(codePage, 0, s.data(), int(s.size()), nullptr, 0);
  std::wstring w(size_t(n), L'\0');
  MultiByteToWideChar(codePage, 0, s.data(), int(s.size()), w.data(), n);
  for (wchar_t& c : w)
    if (c == L'/') c = L'\\';
  return w;
}
}  // namespace

bool OsReplaceFile(const TOsPath& from, const TOsPath& to) {
  // Without MOVEFILE_COPY_ALLOWED: a copy across volumes would truncate the target first.
  return MoveFileExW(Wide(from).c_str(), Wide(to).c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

#else
#include <cstdio>

bool OsReplaceFile(const TOsPath& from, const TOsPath& to) {
  std::string f = from.Text, t = to.Text;
  for (char& c : f)
    if (c == '\\') c = '/';
  for (char& c : t)
    if (c == '\\') c = '/';
  return std::rename(f.c_str(), t.c_str()) == 0;
}
#endif
