#include "bramlow/actions/profile/profile_lists.h"

#include <windows.h>

#include <algorithm>

namespace bramlow {

namespace {

// A double-NUL-terminated list from one of the profile functions that fill a buffer; empty
// when it would not fit in 64 MiB (no file these programs write comes near).
template <class Fill>
std::vector<std::wstring> ReadList(Fill fill) {
  std::vector<std::wstring> items;
  for (size_t size = 4096; size <= (32u << 20); size *= 4) {
    std::vector<wchar_t> buffer(size);
    const DWORD length = fill(buffer.data(), static_cast<DWORD>(size));
    if (length + 2 >= size) continue;  // cut off: read again with more room
    for (size_t at = 0; at < length && buffer[at];) {
      items.emplace_back(buffer.data() + at);
      at += items.back().size() + 1;
    }
    break;
  }
  return items;
}

std::wstring_view Trimmed(std::wstring_view text) {
  const size_t first = text.find_first_not_of(L" \t");
  if (first == std::wstring_view::npos) return {};
  return text.substr(first, text.find_last_not_of(L" \t") - first + 1);
}

std::vector<int> Sorted(std::vector<int> numbers) {
  std::sort(numbers.begin(), numbers.end());
  numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
  return numbers;
}

}  // namespace

std::vector<std::wstring> ProfileSectionNames(const std::wstring& file) {
  return ReadList([&](wchar_t* buffer, DWORD size) {
    return ::GetPrivateProfileSectionNamesW(buffer, size, file.c_str());
  });
}

std::vector<std::wstring> ProfileSectionLines(const std::wstring& file, const std::wstring& section) {
  return ReadList([&](wchar_t* buffer, DWORD size) {
    return ::GetPrivateProfileSectionW(section.c_str(), buffer, size, file.c_str());
  });
}

int EntryNumber(std::wstring_view name, std::wstring_view prefix) {
  name = Trimmed(name);
  if (name.size() <= prefix.size() || name.size() > prefix.size() + 9) return 0;
  for (size_t i = 0; i < prefix.size(); ++i)
    if (::towupper(name[i]) != ::towupper(prefix[i])) return 0;
  if (name[prefix.size()] == L'0') return 0;
  int number = 0;
  for (size_t i = prefix.size(); i < name.size(); ++i) {
    if (name[i] < L'0' || name[i] > L'9') return 0;
    number = number * 10 + (name[i] - L'0');
  }
  return number;
}

std::vector<int> NumberedKeys(const std::wstring& file, const std::wstring& section, std::wstring_view prefix) {
  std::vector<int> numbers;
  for (const std::wstring& line : ProfileSectionLines(file, section)) {
    const size_t equals = line.find(L'=');
    if (equals == std::wstring::npos) continue;
    if (int n = EntryNumber(std::wstring_view(line).substr(0, equals), prefix)) numbers.push_back(n);
  }
  return Sorted(std::move(numbers));
}

std::vector<int> NumberedSections(const std::wstring& file, std::wstring_view prefix) {
  std::vector<int> numbers;
  for (const std::wstring& name : ProfileSectionNames(file))
    if (int n = EntryNumber(name, prefix)) numbers.push_back(n);
  return Sorted(std::move(numbers));
}

}  // namespace bramlow
