#include "bramlow/text/macro_text.h"

namespace bramlow {

const std::array<MacroRow, 25> kMacroRows = {{
    {L"%Program Files%", MacroSource::ShellFolder, 0x26},
    {L"%Windows%", MacroSource::ShellFolder, 0x24},
    {L"%Temp%", MacroSource::TempFolder, -1},
    {L"%Desktop%", MacroSource::ShellFolder, 0x00},
    {L"%Programs%", MacroSource::ShellFolder, 0x02},
    {L"%Favorites%", MacroSource::ShellFolder, 0x06},
    {L"%Startup%", MacroSource::ShellFolder, 0x07},
    {L"%Recent%", MacroSource::ShellFolder, 0x08},
    {L"%Sendto%", MacroSource::ShellFolder, 0x09},
    {L"%Start%", MacroSource::ShellFolder, 0x0B},
    {L"%Documents%", MacroSource::ShellFolder, 0x0C},
    {L"%Fonts%", MacroSource::ShellFolder, 0x14},
    {L"%Templates%", MacroSource::ShellFolder, 0x15},
    {L"%All Start%", MacroSource::ShellFolder, 0x16},
    {L"%All Programs%", MacroSource::ShellFolder, 0x17},
    {L"%All Startup%", MacroSource::ShellFolder, 0x18},
    {L"%All Desktop%", MacroSource::ShellFolder, 0x19},
    {L"%AppData%", MacroSource::ShellFolder, 0x1A},
    {L"%System%", MacroSource::ShellFolder, 0x25},
    {L"%Profile%", MacroSource::ShellFolder, 0x28},
    {L"%Common Files%", MacroSource::ShellFolder, 0x2B},
    {L"%Installer%", MacroSource::Installer, -1},
    {L"%Lang%", MacroSource::Language, -1},
    {L"", MacroSource::BackslashFold, -1},
    {L"%Dest%", MacroSource::Destination, -1},
}};

namespace {

// Macro names are ASCII. In the ANSI code pages the engine runs with no other character
// upper-cases to an ASCII letter, so folding ASCII letters matches the system's upper-casing.
wchar_t FoldAscii(wchar_t c) { return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - 32) : c; }

bool MatchesAt(std::wstring_view text, size_t pos, std::wstring_view word) {
  if (text.size() - pos < word.size()) return false;
  for (size_t k = 0; k < word.size(); ++k)
    if (FoldAscii(text[pos + k]) != FoldAscii(word[k])) return false;
  return true;
}

bool ContainsNoCase(std::wstring_view text, std::wstring_view word) {
  for (size_t i = 0; i < text.size(); ++i)
    if (MatchesAt(text, i, word)) return true;
  return false;
}

}  // namespace

std::wstring ReplaceAllNoCase(std::wstring_view text, std::wstring_view word,
                              std::wstring_view replacement) {
  if (word.empty()) return std::wstring(text);
  std::wstring out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    if (MatchesAt(text, i, word)) {
      out.append(replacement);
      i += word.size();
    } else {
      out.push_back(text[i++]);
    }
  }
  return out;
}

std::wstring FoldDoubledBackslashes(std::wstring_view text) {
  std::wstring out;
  out.reserve(text.size());
  size_t i = 0;
  if (text.size() >= 2 && text[0] == L'\\' && text[1] == L'\\') {
    out.append(L"\\\\");
    i = 2;
  }
  while (i < text.size()) {
    out.push_back(text[i]);
    if (text[i] == L'\\' && i + 1 < text.size() && text[i + 1] == L'\\')
      i += 2;
    else
      ++i;
  }
  return out;
}

std::wstring ExpandMacroRows(std::wstring_view text,
                             const std::function<std::wstring(const MacroRow&)>& valueOf) {
  std::wstring result(text);
  for (const MacroRow& row : kMacroRows) {
    if (row.source == MacroSource::BackslashFold) {
      result = FoldDoubledBackslashes(result);
      continue;
    }
    // Asking the shell only for macros that occur changes no result and spares twenty
    // lookups per value.
    if (ContainsNoCase(result, row.name)) result = ReplaceAllNoCase(result, row.name, valueOf(row));
  }
  return result;
}

std::wstring LastPathComponent(std::wstring_view path) {
  size_t cut = path.find_last_of(L"\\:");
  return std::wstring(cut == std::wstring_view::npos ? path : path.substr(cut + 1));
}

std::wstring FolderPart(std::wstring_view path) {
  size_t cut = path.find_last_of(L"\\:");
  return cut == std::wstring_view::npos ? std::wstring() : std::wstring(path.substr(0, cut + 1));
}

bool IsFullFolderPath(std::wstring_view path) {
  auto separator = [](wchar_t c) { return c == L'\\' || c == L'/'; };
  if (path.size() >= 3 && ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z')) &&
      path[1] == L':' && separator(path[2]))
    return true;
  return path.size() >= 3 && separator(path[0]) && separator(path[1]) && !separator(path[2]);
}

}  // namespace bramlow
