#include "test_files.h"

#include <algorithm>

namespace resedit::testing {

std::wstring WindowsPath(const char* path) {
  std::wstring out;
  for (const char* p = path; *p; ++p) out += static_cast<wchar_t>(static_cast<unsigned char>(*p));
  if (!out.empty() && out[0] == L'/') {
    std::replace(out.begin(), out.end(), L'/', L'\\');
    out = L"Z:" + out;
  }
  return out;
}

std::optional<Bytes> ResourceBytes(const std::wstring& exe, LPCWSTR type, LPCWSTR name, WORD language) {
  HMODULE m = LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (!m) return std::nullopt;
  std::optional<Bytes> out;
  if (HRSRC info = FindResourceExW(m, type, name, language)) {
    const DWORD size = SizeofResource(m, info);
    const auto* p = static_cast<const std::uint8_t*>(LockResource(LoadResource(m, info)));
    if (p) out = Bytes(p, p + size);
  }
  FreeLibrary(m);
  return out;
}

namespace {
BOOL CALLBACK AddLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR param) {
  try {
    reinterpret_cast<std::vector<WORD>*>(param)->push_back(language);
    return TRUE;
  } catch (...) {
    return FALSE;
  }
}
}  // namespace

std::vector<WORD> ResourceLanguages(const std::wstring& exe, LPCWSTR type, LPCWSTR name) {
  std::vector<WORD> languages;
  HMODULE m = LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (!m) return languages;
  EnumResourceLanguagesW(m, type, name, AddLanguage, reinterpret_cast<LONG_PTR>(&languages));
  FreeLibrary(m);
  std::sort(languages.begin(), languages.end());
  return languages;
}

bool PutResource(const std::wstring& exe, LPCWSTR type, LPCWSTR name, WORD language, const Bytes& data) {
  HANDLE h = BeginUpdateResourceW(exe.c_str(), FALSE);
  if (!h) return false;
  if (!UpdateResourceW(h, type, name, language, const_cast<std::uint8_t*>(data.data()),
                       static_cast<DWORD>(data.size()))) {
    EndUpdateResourceW(h, TRUE);
    return false;
  }
  return EndUpdateResourceW(h, FALSE) != FALSE;
}

}  // namespace resedit::testing
