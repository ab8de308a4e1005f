#include "bramlow/command_line.h"

#include <cwctype>

namespace bramlow {
namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }

bool StartsWithNoCase(std::wstring_view text, std::wstring_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    if (std::towupper(text[i]) != std::towupper(prefix[i])) return false;
  }
  return true;
}

std::wstring Unquoted(std::wstring_view text) {
  std::wstring out;
  for (wchar_t c : text) {
    if (c != L'"') out += c;
  }
  return out;
}

std::wstring_view TrimmedRight(std::wstring_view text) {
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

std::optional<std::wstring> ValueOrNothing(std::wstring value) {
  if (value.empty()) return std::nullopt;
  return value;
}

}  // namespace

SetupSwitches ParseSetupSwitches(std::wstring_view line) {
  SetupSwitches switches;
  size_t at = 0;
  while (at < line.size()) {
    while (at < line.size() && IsBlank(line[at])) ++at;
    if (at >= line.size()) break;
    // One word: blanks inside quotes belong to it.
    const size_t start = at;
    bool quoted = false;
    while (at < line.size() && (quoted || !IsBlank(line[at]))) {
      if (line[at] == L'"') quoted = !quoted;
      ++at;
    }
    const std::wstring_view raw = line.substr(start, at - start);
    const std::wstring word = Unquoted(raw);
    if (StartsWithNoCase(word, L"/D=")) {
      // Unquoted, the folder runs to the end of the line: "/D=C:\Program Files\App".
      const bool valueQuoted = raw.find(L'"') != std::wstring_view::npos;
      if (!valueQuoted) {
        switches.destination = std::wstring(TrimmedRight(line.substr(start + 3)));
        break;
      }
      switches.destination = word.substr(3);
    } else if (StartsWithNoCase(word, L"/LANG=")) {
      switches.language = word.substr(6);
    } else if (StartsWithNoCase(word, L"/LOG=")) {
      switches.logFile = ValueOrNothing(word.substr(5));
    } else if (word.size() == 2 && StartsWithNoCase(word, L"/S")) {
      switches.silent = true;
    }
  }
  return switches;
}

}  // namespace bramlow
