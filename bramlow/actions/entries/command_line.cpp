#include "bramlow/actions/entries/command_line.h"

#include <windows.h>

namespace bramlow {
namespace {

bool IsFile(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsFolder(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsBlank(wchar_t c) {
  return c == L' ' || c == L'\t';
}

// The file a program name stands for, as process creation reads it: the name itself, or with
// ".exe" added when its last part has no extension. Empty when neither is a file.
std::wstring ProgramFile(const std::wstring& name) {
  if (name.empty()) return {};
  if (IsFile(name)) return name;
  const size_t lastPart = name.find_last_of(L"\\/:");
  const size_t dot = name.rfind(L'.');
  if (dot != std::wstring::npos && (lastPart == std::wstring::npos || dot > lastPart)) return {};
  return IsFile(name + L".exe") ? name + L".exe" : std::wstring();
}

// "C:\Program" of "C:\Program Files\App\tool.exe": the text goes on past the blank into the
// name of an existing folder, so the blank is part of a path and the prefix is no program.
bool EndsInsideAFolderName(const std::wstring& text, size_t end) {
  const size_t separator = text.find_first_of(L"\\/", end);
  return separator != std::wstring::npos && IsFolder(text.substr(0, separator));
}

}  // namespace

ResolvedCommand ResolveCommandLine(const std::wstring& commandLine) {
  const size_t start = commandLine.find_first_not_of(L" \t");
  if (start == std::wstring::npos) return {std::nullopt, L"an empty command line"};
  const std::wstring text = commandLine.substr(start);

  if (text[0] == L'"') {
    const size_t close = text.find(L'"', 1);
    if (close == std::wstring::npos) return {std::nullopt, L"its opening quote is not closed"};
    const std::wstring file = ProgramFile(text.substr(1, close - 1));
    // Quoted, the name cannot be mistaken for a shorter one: what is not found is the system's to
    // find.
    return {ProgramLaunch{file, text}, {}};
  }

  std::wstring passedOver;
  for (size_t end = text.size(); end != std::wstring::npos && end > 0;
       end = text.find_last_of(L" \t", end - 1)) {
    const std::wstring program = text.substr(0, end);
    if (IsBlank(program.back())) continue;
    const std::wstring file = ProgramFile(program);
    if (file.empty()) continue;
    if (end < text.size() && EndsInsideAFolderName(text, end)) {
      passedOver = file;
      continue;
    }
    const std::wstring quoted =
        program.find_first_of(L" \t") == std::wstring::npos ? program : L"\"" + program + L"\"";
    return {ProgramLaunch{file, quoted + text.substr(end)}, {}};
  }
  if (!passedOver.empty())
    return {std::nullopt, L"no such program; " + passedOver +
                              L", which the system would start instead, is not started"};
  // No part names a file: a bare name is searched for by the system, a missing one reported by it.
  return {ProgramLaunch{L"", text}, {}};
}

}  // namespace bramlow
