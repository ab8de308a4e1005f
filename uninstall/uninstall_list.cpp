#include "uninstall_list.h"

#include <windows.h>

#include <algorithm>
#include <cwctype>
#include <utility>

namespace uninstall {
namespace {

constexpr int kMaxEntries = 100000;
// A value no profile read returns for a key that is there: tells a missing key from an empty one.
constexpr wchar_t kMissing[] = L"\x1";

std::wstring ReadText(const std::wstring& path, const wchar_t* section, const std::wstring& key,
                      const wchar_t* fallback = L"") {
  wchar_t buffer[2048];
  DWORD n = GetPrivateProfileStringW(section, key.c_str(), fallback, buffer, 2048, path.c_str());
  return std::wstring(buffer, n);
}

bool HasKey(const std::wstring& path, const wchar_t* section, const wchar_t* key) {
  return ReadText(path, section, key, kMissing) != kMissing;
}

int ReadCount(const std::wstring& path, const wchar_t* section) {
  int count = static_cast<int>(GetPrivateProfileIntW(section, L"Count", 0, path.c_str()));
  if (count < 0) return 0;
  return count > kMaxEntries ? kMaxEntries : count;
}

// A double-NUL-terminated list from a profile function that fills a buffer; empty when it
// would not fit in 64 MiB, which no list the installer writes comes near.
template <class Fill>
std::vector<std::wstring> ReadNameList(Fill fill) {
  std::vector<std::wstring> items;
  for (DWORD size = 4096; size <= (32u << 20); size *= 4) {
    std::vector<wchar_t> buffer(size);
    const DWORD length = fill(buffer.data(), size);
    if (length + 2 >= size) continue;  // cut off: read again with more room
    for (DWORD at = 0; at < length && buffer[at];) {
      items.emplace_back(buffer.data() + at);
      at += static_cast<DWORD>(items.back().size()) + 1;
    }
    break;
  }
  return items;
}

// The number in `name` after `prefix` (compared without case): decimal digits without a
// leading zero, at most kMaxEntries; 0 when the name is not of that form.
int NumberAfter(const std::wstring& name, const std::wstring& prefix) {
  if (name.size() <= prefix.size() || name.size() > prefix.size() + 6) return 0;
  if (_wcsnicmp(name.c_str(), prefix.c_str(), prefix.size()) != 0) return 0;
  if (name[prefix.size()] == L'0') return 0;
  int number = 0;
  for (size_t i = prefix.size(); i < name.size(); ++i) {
    if (name[i] < L'0' || name[i] > L'9') return 0;
    number = number * 10 + (name[i] - L'0');
  }
  return number <= kMaxEntries ? number : 0;
}

// The keys `prefix`1, `prefix`2, ... that the section holds, in ascending number.
std::vector<int> NumberedKeys(const std::wstring& path, const wchar_t* section, const wchar_t* prefix) {
  std::vector<int> numbers;
  for (const std::wstring& line : ReadNameList([&](wchar_t* buffer, DWORD size) {
         return GetPrivateProfileSectionW(section, buffer, size, path.c_str());
       })) {
    std::wstring key = line.substr(0, line.find(L'='));
    while (!key.empty() && std::iswspace(key.back())) key.pop_back();
    key.erase(0, std::min(key.size(), key.find_first_not_of(L" \t")));
    if (int n = NumberAfter(key, prefix)) numbers.push_back(n);
  }
  std::sort(numbers.begin(), numbers.end());
  numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
  return numbers;
}

// Up to the count of a complete list; every numbered key there is of an incomplete one.
std::vector<int> Numbers(const std::wstring& path, const wchar_t* section, const wchar_t* prefix,
                         bool complete, int count) {
  if (!complete) return NumberedKeys(path, section, prefix);
  std::vector<int> numbers;
  for (int i = 1; i <= count; ++i) numbers.push_back(i);
  return numbers;
}

std::vector<std::wstring> ReadNumbered(const std::wstring& path, const wchar_t* section, bool complete,
                                       const wchar_t* prefix = L"") {
  std::vector<std::wstring> items;
  for (int i : Numbers(path, section, prefix, complete, ReadCount(path, section))) {
    std::wstring item = ReadText(path, section, prefix + std::to_wstring(i));
    if (!item.empty()) items.push_back(item);
  }
  return items;
}

std::vector<int> RegistrySections(const std::wstring& path, bool complete) {
  if (complete) {
    int count = static_cast<int>(GetPrivateProfileIntW(L"uninstall", L"RegCount", 0, path.c_str()));
    std::vector<int> numbers;
    for (int i = 1; i <= std::min(count, kMaxEntries); ++i) numbers.push_back(i);
    return numbers;
  }
  std::vector<int> numbers;
  for (const std::wstring& name : ReadNameList([&](wchar_t* buffer, DWORD size) {
         return GetPrivateProfileSectionNamesW(buffer, size, path.c_str());
       })) {
    if (int n = NumberAfter(name, L"Reg")) numbers.push_back(n);
  }
  std::sort(numbers.begin(), numbers.end());
  numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
  return numbers;
}

}  // namespace

UninstallList ReadUninstallList(const std::wstring& path) {
  UninstallList list;
  list.found = GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
  if (!list.found) return list;
  // The installer writes these counts last, all at once.
  list.complete = HasKey(path, L"files", L"Count") && HasKey(path, L"folders", L"Count") &&
                  HasKey(path, L"Ocx", L"Count") && HasKey(path, L"exe", L"Count");
  list.appName = ReadText(path, L"uninstall", L"AppName");
  list.linkText = ReadText(path, L"uninstall", L"LinkText");
  list.linkUrl = ReadText(path, L"uninstall", L"LinkUrl");
  list.files = ReadNumbered(path, L"files", list.complete);
  list.folders = ReadNumbered(path, L"folders", list.complete);
  list.servers = ReadNumbered(path, L"Ocx", list.complete);
  list.programs = ReadNumbered(path, L"exe", list.complete, L"exe");
  for (int i : RegistrySections(path, list.complete)) {
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
