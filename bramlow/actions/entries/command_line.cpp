#include "bramlow/actions/entries/command_line.h"

#include <windows.h>

namespace bramlow {
namespace {

bool IsFile(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// A bare program name leaves the search to the system; anything with a folder part is a path.
bool NamesAFolder(const std::wstring& program) { return program.find_first_of(L"\\/:") != std::wstring::npos; }

}  // namespace

std::optional<ProgramLaunch> ResolveCommandLine(const std::wstring& commandLine) {
  const size_t start = commandLine.find_first_not_of(L" \t");
  if (start == std::wstring::npos) return std::nullopt;
  const std::wstring text = commandLine.substr(start);

  if (text[0] == L'"') {
    const size_t close = text.find(L'"', 1);
    if (close == std::wstring::npos) return std::nullopt;
    const std::wstring program = text.substr(1, close - 1);
    if (program.empty()) return std::nullopt;
    if (IsFile(program)) return ProgramLaunch{program, text};
    if (NamesAFolder(program)) return std::nullopt;
    return ProgramLaunch{L"", text};
  }

  for (size_t end = text.size(); end != std::wstring::npos && end > 0; end = text.rfind(L' ', end - 1)) {
    const std::wstring program = text.substr(0, end);
    if (program.empty() || program.back() == L' ' || !IsFile(program)) continue;
    const std::wstring quoted = program.find(L' ') == std::wstring::npos ? program : L"\"" + program + L"\"";
    return ProgramLaunch{program, quoted + text.substr(end)};
  }
  if (NamesAFolder(text.substr(0, text.find(L' ')))) return std::nullopt;
  return ProgramLaunch{L"", text};
}

}  // namespace bramlow
