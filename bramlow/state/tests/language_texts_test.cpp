#include "bramlow/state/language_texts.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "bramlow/actions/language/language_files.h"
#include "bramlow/text/macro_text.h"
#include "testing/support/file_bytes.h"
#include "testing/support/run_and_wait.h"
#include "testing/support/scratch_folder.h"

using namespace bramlow;

TEST(LanguageTexts, ReadsAndFormatsByKeyNumber) {
  testsupport::ScratchFolder dir;
  testsupport::WriteBytes(dir / L"English.qxl",
                 "[Language]\r\n4=Welcome to %s\r\n5=Welcome to %s.\\nClick Next.\\N\r\n"
                 "6=100% sure \\n\r\n14=Space needed: %s\r\n17=Quit %s?\\nSure?\r\n"
                 "38=Failed%s.\r\n");
  TSetupState state;
  EXPECT_EQ(LangText(state, 4), L"");  // no language file opened yet
  state.LangFile = std::make_unique<ProfileFile>(dir / L"English.qxl", L"language");
  EXPECT_EQ(LangText(state, 6), L"100% sure \\n");
  EXPECT_EQ(LangText(state, 28), L"");
  EXPECT_EQ(LangTextFormatted(state, 4, L"Viewer"), L"Welcome to Viewer");
  EXPECT_EQ(LangTextFormatted(state, 5, L"Viewer"), L"Welcome to Viewer.\r\nClick Next.\r\n");
  EXPECT_EQ(LangTextFormatted(state, 17, L"Viewer"), L"Quit Viewer?\r\nSure?");
  EXPECT_EQ(LangTextFormatted(state, 14, L"%Temp% 3 MB"), L"Space needed: %Temp% 3 MB");
  EXPECT_EQ(LangTextFormatted(state, 38, L""), L"Failed.");
  EXPECT_EQ(LangTextFormatted(state, 29, L"x"), L"");
}

namespace {

struct ProbeResult {
  DWORD exitCode = 0;
  std::string output;
};

// Runs the format probe beside this test program and collects its output.
ProbeResult RunProbe(const std::wstring& pattern, const std::wstring& arg) {
  std::wstring exe = ProgramFolder() + L"bramlow_format_probe.exe";
  std::wstring command = L"\"" + exe + L"\" \"" + pattern + L"\" \"" + arg + L"\"";
  const testsupport::CapturedRun run = testsupport::RunAndCapture(command);
  ProbeResult result;
  result.exitCode = run.started ? run.exitCode : 999;
  result.output = run.output;
  return result;
}

}  // namespace

TEST(LanguageTexts, ABadPatternEndsTheProgramWithExitCode1) {
  ProbeResult d = RunProbe(L"Copying %d", L"a.txt");
  EXPECT_EQ(d.exitCode, 1u);
  EXPECT_EQ(d.output, "ERROR:Format 'Copying %d' invalid or incompatible with argument");
  ProbeResult lone = RunProbe(L"50%", L"a.txt");
  EXPECT_EQ(lone.exitCode, 1u);
  EXPECT_EQ(lone.output, "ERROR:Format '50%' invalid or incompatible with argument");
  ProbeResult twice = RunProbe(L"%s to %s", L"a.txt");
  EXPECT_EQ(twice.exitCode, 1u);
  EXPECT_EQ(twice.output, "ERROR:No argument for format '%s to %s'");
  ProbeResult fine = RunProbe(L"%s: 100%%", L"a.txt");
  EXPECT_EQ(fine.exitCode, 0u);
  EXPECT_EQ(fine.output, "OK:a.txt: 100%");
}
