#include "uninstall_list.h"

#include <windows.h>

#include "bramlow/actions/profile/batched_profile_writes.h"
#include "bramlow/actions/profile/profile_lists.h"

namespace uninstall {
namespace {

// A value no profile read returns for a key that is there: tells a missing key from an empty one.
constexpr wchar_t kMissing[] = L"\x1";

// A value is read whole: one cut short would name another file or folder ("C:\\App\\data" of a
// longer entry), and the uninstaller would remove that instead. A value still cut at the largest
// size is read as empty: no real entry is that long, and its prefix may still name a file
// (separators repeat freely).
std::wstring ReadText(const std::wstring& path, const wchar_t* section, const std::wstring& key,
                      const wchar_t* fallback = L"") {
  std::wstring buffer;
  for (DWORD size : {2048u, 65536u}) {
    buffer.resize(size);
    const DWORD n =
        GetPrivateProfileStringW(section, key.c_str(), fallback, buffer.data(), size, path.c_str());
    buffer.resize(n);
    if (n + 1 < size) return buffer;
  }
  return {};
}

// A count as the installer writes it: decimal digits. A missing, negative or garbled one
// belongs to a list that was not finished, or was damaged afterwards.
bool HasCount(const std::wstring& path, const wchar_t* section) {
  const std::wstring count = ReadText(path, section, L"Count", kMissing);
  return !count.empty() && count.size() <= 10 &&
         count.find_first_not_of(L"0123456789") == std::wstring::npos;
}

// Every numbered key the section holds, whatever its count says: a second installation into
// the folder may have left a lower count above the first one's records, and a damaged count
// must neither hide records nor send the reader through millions of missing keys.
std::vector<std::wstring> ReadNumbered(const std::wstring& path, const wchar_t* section,
                                       const wchar_t* prefix = L"",
                                       std::vector<int>* numbers = nullptr) {
  std::vector<std::wstring> items;
  for (int i : bramlow::NumberedKeys(path, section, prefix)) {
    std::wstring item = ReadText(path, section, prefix + std::to_wstring(i));
    if (item.empty()) continue;
    items.push_back(item);
    if (numbers) numbers->push_back(i);
  }
  return items;
}

constexpr wchar_t kLinks[] = L"links";
constexpr wchar_t kLinkTarget[] = L"target";
constexpr wchar_t kLinkArguments[] = L"args";

}  // namespace

UninstallList ReadUninstallList(const std::wstring& path) {
  UninstallList list;
  list.found = GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
  if (!list.found) return list;
  // The installer writes these counts last, all at once; they say no more than that.
  list.complete = HasCount(path, L"files") && HasCount(path, L"folders") &&
                  HasCount(path, L"Ocx") && HasCount(path, L"exe");
  list.appName = ReadText(path, L"uninstall", L"AppName");
  list.linkText = ReadText(path, L"uninstall", L"LinkText");
  list.linkUrl = ReadText(path, L"uninstall", L"LinkUrl");
  std::vector<int> fileNumbers;
  list.files = ReadNumbered(path, L"files", L"", &fileNumbers);
  // Looked up only for the links that have a record: a list of thousands of files is read once.
  const std::vector<int> recorded = bramlow::NumberedKeys(path, kLinks, kLinkTarget);
  for (size_t i = 0, r = 0; i < fileNumbers.size() && r < recorded.size(); ++i) {
    while (r < recorded.size() && recorded[r] < fileNumbers[i]) ++r;
    if (r == recorded.size() || recorded[r] != fileNumbers[i]) continue;
    const std::wstring n = std::to_wstring(fileNumbers[i]);
    // A later installation's record of the same link (a repair) is the one the link now shows.
    list.links[list.files[i]] = {ReadText(path, kLinks, kLinkTarget + n),
                                 ReadText(path, kLinks, kLinkArguments + n)};
  }
  list.folders = ReadNumbered(path, L"folders");
  list.servers = ReadNumbered(path, L"Ocx");
  list.programs = ReadNumbered(path, L"exe", L"exe");
  for (int i : bramlow::NumberedSections(path, L"Reg")) {
    std::wstring section = L"Reg" + std::to_wstring(i);
    RegistryValue value{ReadText(path, section.c_str(), L"Root"),
                        ReadText(path, section.c_str(), L"Key"),
                        ReadText(path, section.c_str(), L"Value")};
    if (!value.key.empty()) list.registry.push_back(value);
  }
  for (int i = 0; i < 7; ++i) list.texts[i] = ReadText(path, L"language", std::to_wstring(i + 1));
  return list;
}

bool WriteUninstallList(const std::wstring& path, const UninstallList& list) {
  const std::wstring beside = bramlow::PendingFileNameOf(path);
  DeleteFileW(beside.c_str());
  bool ok = true;
  auto put = [&](const std::wstring& section, const std::wstring& key, const std::wstring& value) {
    ok = WritePrivateProfileStringW(section.c_str(), key.c_str(), value.c_str(), beside.c_str()) &&
         ok;
  };
  // An interrupted installation's list stays one: without its counts.
  auto putNumbered = [&](const wchar_t* section, const std::wstring& prefix,
                         const std::vector<std::wstring>& items) {
    for (size_t i = 0; i < items.size(); ++i)
      put(section, prefix + std::to_wstring(i + 1), items[i]);
    if (list.complete) put(section, L"Count", std::to_wstring(items.size()));
  };
  putNumbered(L"files", L"", list.files);
  for (size_t i = 0; i < list.files.size(); ++i) {
    const auto link = list.links.find(list.files[i]);
    if (link == list.links.end()) continue;
    // Quoted: a profile read takes the quotes off again, and with them nothing of the text
    // (arguments may begin with a quote or end in a space).
    put(kLinks, kLinkTarget + std::to_wstring(i + 1), L"\"" + link->second.target + L"\"");
    put(kLinks, kLinkArguments + std::to_wstring(i + 1), L"\"" + link->second.arguments + L"\"");
  }
  putNumbered(L"folders", L"", list.folders);
  putNumbered(L"Ocx", L"", list.servers);
  putNumbered(L"exe", L"exe", list.programs);
  for (size_t i = 0; i < list.registry.size(); ++i) {
    const std::wstring section = L"Reg" + std::to_wstring(i + 1);
    put(section, L"Root", list.registry[i].root);
    put(section, L"Key", list.registry[i].key);
    put(section, L"Value", list.registry[i].value);
  }
  put(L"uninstall", L"RegCount", std::to_wstring(list.registry.size()));
  put(L"uninstall", L"AppName", list.appName);
  put(L"uninstall", L"LinkText", list.linkText);
  put(L"uninstall", L"LinkUrl", list.linkUrl);
  for (int i = 0; i < 7; ++i)
    if (!list.texts[i].empty()) put(L"language", std::to_wstring(i + 1), list.texts[i]);
  WritePrivateProfileStringW(nullptr, nullptr, nullptr, beside.c_str());  // flush the profile cache
  if (ok &&
      MoveFileExW(beside.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return true;
  DeleteFileW(beside.c_str());
  return false;
}

std::wstring FormatListText(const std::wstring& pattern, const std::wstring& argument) {
  std::wstring out;
  bool used = false;
  for (size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] == L'%' && i + 1 < pattern.size()) {
      if (pattern[i + 1] == L'%') {
        out += L'%';
        ++i;
        continue;
      }
      if ((pattern[i + 1] == L's' || pattern[i + 1] == L'S') && !used) {
        out += argument;
        used = true;
        ++i;
        continue;
      }
    }
    out += pattern[i];
  }
  return out;
}

}  // namespace uninstall
