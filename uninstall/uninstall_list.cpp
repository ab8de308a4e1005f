#include "uninstall_list.h"

#include <windows.h>

namespace uninstall {
namespace {

constexpr int kMaxEntries = 100000;

std::wstring ReadText(const std::wstring& path, const wchar_t* section, const std::wstring& key) {
  wchar_t buffer[2048];
  DWORD n = GetPrivateProfileStringW(section, key.c_str(), L"", buffer, 2048, path.c_str());
  return std::wstring(buffer, n);
}

int ReadCount(const std::wstring& path, const wchar_t* section) {
  int count = static_cast<int>(GetPrivateProfileIntW(section, L"Count", 0, path.c_str()));
  if (count < 0) return 0;
  return count > kMaxEntries ? kMaxEntries : count;
}

std::vector<std::wstring> ReadNumbered(const std::wstring& path, const wchar_t* section,
                                       const wchar_t* prefix = L"") {
  std::vector<std::wstring> items;
  int count = ReadCount(path, section);
  for (int i = 1; i <= count; ++i) {
    std::wstring item = ReadText(path, section, prefix + std::to_wstring(i));
    if (!item.empty()) items.push_back(item);
  }
  return items;
}

}  // namespace

UninstallList ReadUninstallList(const std::wstring& path) {
  UninstallList list;
  list.found = GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
  if (!list.found) return list;
  list.appName = ReadText(path, L"uninstall", L"AppName");
  list.linkText = ReadText(path, L"uninstall", L"LinkText");
  list.linkUrl = ReadText(path, L"uninstall", L"LinkUrl");
  list.files = ReadNumbered(path, L"files");
  list.folders = ReadNumbered(path, L"folders");
  list.servers = ReadNumbered(path, L"Ocx");
  list.programs = ReadNumbered(path, L"exe", L"exe");
  int regCount = static_cast<int>(GetPrivateProfileIntW(L"uninstall", L"RegCount", 0, path.c_str()));
  if (regCount > kMaxEntries) regCount = kMaxEntries;
  for (int i = 1; i <= regCount; ++i) {
    std::wstring section = L"Reg" + std::to_wstring(i);
    RegistryValue value{ReadText(path, section.c_str(), L"Root"), ReadText(path, section.c_str(), L"Key"),
                        ReadText(path, section.c_str(), L"Value")};
    if (!value.key.empty()) list.registry.push_back(value);
  }
  for (int i = 0; i < 7; ++i) list.texts[i] = ReadText(path, L"language", std::to_wstring(i + 1));
  return list;
}

std::wstring FormatListText(const std::wstring& pattern, const std::wstring& argument) {
  std::wstring out;
  bool used = false;
  for (size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] == L'%' && i + 1 < pattern.size()) {
      if (pattern[i + 1] == L'%') { out += L'%'; ++i; continue; }
      if ((pattern[i + 1] == L's' || pattern[i + 1] == L'S') && !used) {
        out += argument; used = true; ++i; continue;
      }
    }
    out += pattern[i];
  }
  return out;
}

}  // namespace uninstall
