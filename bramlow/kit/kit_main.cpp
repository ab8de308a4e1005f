// bramlow-kit: checks a setup kit before it ships and builds it into one setup program.
//   bramlow-kit check KITFOLDER
//   bramlow-kit build KITFOLDER -o NAME.exe [--stub FILE] [--codepage N]
// check prints each finding as "file:line: error|warning: text", then a summary, and ends
// with 0 (no errors), 1 (errors) or 2 (the kit could not be read). build checks first (errors
// refuse it) and writes NAME.exe from the stub beside this program (bramlow-stub.exe).
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bramlow/kit/ansi_text.h"
#include "bramlow/kit/kit_build.h"
#include "bramlow/kit/kit_check.h"
#include "bramlow/kit/kit_folder.h"
#include "bramlow/kit/output_place.h"
#include "ziparchive/platform/zip_platform.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace {

using namespace bramlow;

constexpr char kStubName[] = "bramlow-stub.exe";

// Text for the console: UTF-8, shown as such in a Windows console too.
void Print(FILE* stream, const std::string& utf8) {
#ifdef _WIN32
  HANDLE handle = GetStdHandle(stream == stderr ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
  DWORD mode = 0;
  if (GetConsoleMode(handle, &mode)) {
    const std::u16string wide = Utf8ToUtf16(utf8 + "\n");
    DWORD written = 0;
    WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
    return;
  }
#endif
  std::fputs((utf8 + "\n").c_str(), stream);
  std::fflush(stream);
}

std::string ProgramFolder() {
#ifdef _WIN32
  wchar_t path[32768];
  const DWORD length = GetModuleFileNameW(nullptr, path, 32768);
  std::u16string wide(path, path + (length < 32768 ? length : 0));
  std::string utf8 = Utf16ToUtf8(wide);
#else
  char path[4096];
  const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  std::string utf8(path, length > 0 ? static_cast<size_t>(length) : 0);
#endif
  const size_t cut = utf8.find_last_of("\\/");
  return cut == std::string::npos ? std::string() : utf8.substr(0, cut + 1);
}


bool ReadWhole(const std::string& path, std::string& bytes) {
  ziparchive::OsFile file;
  if (!file.Open(SystemPath(path), ziparchive::OsAccess::Read, ziparchive::OsShare::DenyWrite))
    return false;
  const int64_t size = file.Size();
  if (size < 0 || size > (64 << 20)) return false;
  bytes.assign(static_cast<size_t>(size), '\0');
  return ziparchive::OsReadFull(file, bytes.data(), bytes.size()) == bytes.size();
}

// A code page the system knows, given as digits only: anything else would quietly turn the
// kit's texts into other characters.
bool ReadCodePage(const std::string& text, unsigned& codePage) {
  if (text.empty() || text.size() > 5 || text.find_first_not_of("0123456789") != std::string::npos)
    return false;
  codePage = static_cast<unsigned>(std::strtoul(text.c_str(), nullptr, 10));
  if (codePage != 0 && codePage <= 65535 && IsKnownCodePage(codePage)) return true;
  Print(stderr, "--codepage " + text + ": error: not a code page this system knows");
  return false;
}

// The builder names files as the engine does ("\\"); shown as this system writes paths.
std::string HostSeparators(std::string text) {
#ifndef _WIN32
  for (char& c : text)
    if (c == '\\') c = '/';
#endif
  return text;
}

int Usage() {
  Print(stderr,
        "usage: bramlow-kit check KITFOLDER\n       bramlow-kit build KITFOLDER -o NAME.exe "
        "[--stub FILE] "
        "[--codepage N]");
  return 2;
}

// Checks the kit and prints what it found; the exit code of the check.
int Check(const std::string& kitPath, unsigned codePage) {
  DiskKitFolder kit(kitPath);
  if (!kit.Exists()) {
    Print(stderr, kitPath + ": error: no such folder");
    return 2;
  }
  const KitReport report = CheckKit(kit, codePage);
  if (!report.readable) {
    Print(stderr, kitPath + ": error: " + report.problem);
    return 2;
  }
  for (const Finding& f : report.findings) {
    // The findings quote the kit's own texts, which are in its ANSI code page.
    Finding shown = f;
    shown.text = Utf16ToUtf8(AnsiToUtf16(f.text, codePage));
    Print(stdout, FindingLine(kitPath, shown));
  }
  Print(stdout, kitPath + ": " + ReportSummary(report));
  return report.Count(Severity::Error) > 0 ? 1 : 0;
}

int Run(std::vector<std::string> args) {
  if (args.size() < 2) return Usage();
  const std::string command = args[0];
  const std::string kit = args[1];
  std::string output, stubPath;
  unsigned codePage = 0;
  for (size_t i = 2; i < args.size(); ++i) {
    const std::string& a = args[i];
    if ((a == "-o" || a == "--stub" || a == "--codepage") && i + 1 < args.size()) {
      const std::string& value = args[++i];
      // Given twice, one of the two would be dropped without a word.
      if ((a == "-o" && !output.empty()) || (a == "--stub" && !stubPath.empty())) return Usage();
      if (a == "-o")
        output = value;
      else if (a == "--stub")
        stubPath = value;
      else if (!ReadCodePage(value, codePage))
        return Usage();
    } else {
      return Usage();
    }
  }
  if (command == "check" && output.empty() && stubPath.empty()) return Check(kit, codePage);
  if (command != "build" || output.empty()) return Usage();

  const int checked = Check(kit, codePage);
  if (checked == 2) return 2;
  if (checked == 1) {
    Print(stderr, output + ": not built: the kit has errors");
    return 1;
  }
  // Refused before the stub is looked for: the author learns first what matters most.
  if (const std::string fault = OutputPlaceFault(output, kit); !fault.empty()) {
    Print(stderr, output + ": not built: " + fault);
    return 1;
  }
  if (stubPath.empty()) stubPath = ProgramFolder() + kStubName;
  BuildOptions options;
  options.kit = kit;
  options.output = output;
  options.codePage = codePage;
  options.stubPath = stubPath;
  if (!ReadWhole(stubPath, options.stub)) {
    Print(stderr, stubPath + ": error: the stub cannot be read");
    return 1;
  }
  const BuildResult result = BuildSetup(options);
  if (!result.ok) {
    Print(stderr, output + ": not built: " + HostSeparators(result.problem));
    return 1;
  }
  Print(stdout, output + ": " + std::to_string(result.files) + " files, " +
                    std::to_string(result.bytes) + " bytes");
  return 0;
}

}  // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) {
    std::wstring wide = argv[i];
    args.push_back(bramlow::Utf16ToUtf8(std::u16string(wide.begin(), wide.end())));
  }
  return Run(args);
}
#else
int main(int argc, char** argv) {
  return Run(std::vector<std::string>(argv + 1, argv + argc));
}
#endif
