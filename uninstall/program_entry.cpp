#include "program_entry.h"

#include <vector>

#include "paths.h"
#include "ui/handles.h"

namespace uninstall {
namespace {

bool IsFile(const std::wstring& path) {
  DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// A bare program name ("regsvr32") leaves the search to the system; anything with a folder
// part is a path the list names.
bool NamesAFolder(const std::wstring& program) {
  return program.find_first_of(L"\\/:") != std::wstring::npos;
}

}  // namespace

std::optional<ProgramLaunch> ResolveProgramEntry(const std::wstring& entry) {
  const size_t start = entry.find_first_not_of(L" \t");
  if (start == std::wstring::npos) return std::nullopt;
  const std::wstring text = entry.substr(start);
  if (IsNetworkPath(text)) return std::nullopt;

  if (text[0] == L'"') {
    const size_t close = text.find(L'"', 1);
    if (close == std::wstring::npos) return std::nullopt;
    const std::wstring program = text.substr(1, close - 1);
    if (program.empty() || IsNetworkPath(program)) return std::nullopt;
    if (IsFile(program)) return ProgramLaunch{program, text};
    if (NamesAFolder(program)) return std::nullopt;
    return ProgramLaunch{L"", text};
  }

  // The longest part up to a space (or the whole entry) that is an existing file.
  for (size_t end = text.size(); end > 0; end = text.rfind(L' ', end - 1)) {
    if (end == std::wstring::npos) break;
    const std::wstring program = text.substr(0, end);
    if (program.empty() || program.back() == L' ' || !IsFile(program)) continue;
    const std::wstring quoted = program.find(L' ') == std::wstring::npos ? program : L"\"" + program + L"\"";
    return ProgramLaunch{program, quoted + text.substr(end)};
  }
  const std::wstring first = text.substr(0, text.find(L' '));
  if (NamesAFolder(first)) return std::nullopt;
  return ProgramLaunch{L"", text};
}

ProgramOutcome RunProgramEntry(const std::wstring& entry, DWORD sliceMs,
                               const std::function<bool(DWORD waitedMs)>& keepWaiting) {
  std::optional<ProgramLaunch> launch = ResolveProgramEntry(entry);
  if (!launch) return ProgramOutcome::NotStarted;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  std::vector<wchar_t> line(launch->commandLine.begin(), launch->commandLine.end());
  line.push_back(L'\0');
  if (!CreateProcessW(launch->application.empty() ? nullptr : launch->application.c_str(), line.data(),
                      nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started))
    return ProgramOutcome::NotStarted;
  ui::KernelHandle thread(started.hThread);
  ui::ProcessHandle process(started.hProcess);
  for (DWORD waited = sliceMs;; waited += sliceMs) {
    if (WaitForSingleObject(process.get(), sliceMs) != WAIT_TIMEOUT) return ProgramOutcome::Ended;
    if (!keepWaiting || !keepWaiting(waited)) {
      // It may have ended while the user was being asked.
      return WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT ? ProgramOutcome::LeftRunning
                                                                   : ProgramOutcome::Ended;
    }
  }
}

}  // namespace uninstall
