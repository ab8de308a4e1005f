// The uninstaller's programs and COM servers: how an `exe` entry is started and waited for,
// and which servers are unregistered.
#include <windows.h>
#include <gtest/gtest.h>

#include <string>

#include "logged_dialogs.h"
#include "program_entry.h"
#include "test_support.h"
#include "uninstall_flow.h"
#include "winbase/handles.h"
#include "winbase/text.h"

namespace uninstall::testing {
namespace {

// What the probe program wrote about how it was started ("" when it never ran).
std::wstring ProbeField(const std::wstring& report, const std::wstring& field) {
  std::string bytes = ReadBytes(report);
  std::wstring text(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
  const size_t at = text.find(field + L"=");
  if (at == std::wstring::npos) return L"";
  const size_t start = at + field.size() + 1;
  return text.substr(start, text.find(L'\n', start) - start);
}

class ScopedEnvironment {
 public:
  ScopedEnvironment(const wchar_t* name, const std::wstring& value) : name_(name) {
    SetEnvironmentVariableW(name, value.c_str());
  }
  ~ScopedEnvironment() { SetEnvironmentVariableW(name_, nullptr); }

 private:
  const wchar_t* name_;
};

class ListWithPrograms : public ::testing::Test {
 protected:
  void SetUp() override {
    app = scratch / L"programs";
    CreateDirectoryW(app.c_str(), nullptr);
    program = app + L"\\Uninstall.exe";
    Touch(program);
    ini = app + L"\\Uninstall.ini";
    report = app + L"\\probe.txt";
    for (const wchar_t* section : {L"files", L"folders", L"Ocx", L"exe"})
      Put(ini, section, L"Count", L"0");
    Put(ini, L"uninstall", L"AppName", L"Tool");
  }
  void TearDown() override {
    for (int i = 0; i < 50 && Exists(app); ++i) {
      RemoveTree(app);
      if (Exists(app)) Sleep(100);  // a probe left running still holds its file
    }
  }
  void Programs(std::initializer_list<std::wstring> entries) {
    int n = 0;
    for (const std::wstring& entry : entries)
      Put(ini, L"exe", L"exe" + std::to_wstring(++n), entry);
    Put(ini, L"exe", L"Count", std::to_wstring(n));
  }

  const std::wstring probe = BuiltFile(PROBE_PROGRAM);
  ScratchFolder scratch{"kvuninst"};
  std::wstring app, program, ini, report;
};

TEST_F(ListWithPrograms, ProgramsRunBeforeAnythingIsRemovedAndAreWaitedFor) {
  ScopedEnvironment out(L"KV_PROBE_OUT", report);
  ScopedEnvironment sleep(L"KV_PROBE_SLEEP", L"600");
  Programs({probe + L" /quiet"});
  ScriptedDialogs dialogs(true);
  EXPECT_EQ(RunUninstall(program, dialogs, 200), Outcome::Removed);
  EXPECT_EQ(ProbeField(report, L"cmdline"), probe + L" /quiet");
  // Asked while it ran past the bound, answered "wait", and it ended by itself.
  EXPECT_GE(dialogs.asked.size(), 2u);
  EXPECT_NE(dialogs.asked[1].find(probe + L" /quiet"), std::wstring::npos);
}

TEST_F(ListWithPrograms, AProgramThatDoesNotEndIsLeftRunningWhenTheUserSaysSo) {
  ScopedEnvironment out(L"KV_PROBE_OUT", report);
  ScopedEnvironment sleep(L"KV_PROBE_SLEEP", L"5000");
  Programs({probe + L" /hang"});
  ScriptedDialogs dialogs(true);
  dialogs.answers = {true, false};  // remove: yes; wait longer for the program: no
  const DWORD start = GetTickCount();
  EXPECT_EQ(RunUninstall(program, dialogs, 300), Outcome::PartlyRemoved);
  EXPECT_LT(GetTickCount() - start, 4000u) << "not waited for to its end";
  ASSERT_EQ(dialogs.asked.size(), 2u);
  EXPECT_NE(dialogs.asked[1].find(L"has been running for"), std::wstring::npos);
  ASSERT_EQ(dialogs.told.size(), 1u);
  EXPECT_NE(dialogs.told[0].find(probe + L" /hang"), std::wstring::npos) << "named as what stayed";
}

// Unattended, nobody can say whether to wait: the removal goes on, and the log names the
// program that stayed running with every question and its answer.
TEST_F(ListWithPrograms, UnattendedRemovalDoesNotWaitForAHungProgramAndLogsWhatStayed) {
  ScopedEnvironment out(L"KV_PROBE_OUT", report);
  ScopedEnvironment sleep(L"KV_PROBE_SLEEP", L"5000");
  Programs({probe + L" /hang"});
  ScratchFolder logFolder("kvuninst");
  const std::wstring logPath = logFolder / L"removal.log";
  bramlow::StepLog log;
  DWORD error = 0;
  ASSERT_TRUE(log.Open(logPath, error));
  LoggedDialogs unattended(nullptr, log);
  const DWORD start = GetTickCount();
  const Outcome outcome = RunUninstall(program, unattended, 300);
  EXPECT_EQ(outcome, Outcome::PartlyRemoved);
  EXPECT_EQ(ExitCodeOf(outcome), 1);
  EXPECT_LT(GetTickCount() - start, 4000u);
  log.Close();
  const std::string text = ReadBytes(logPath);
  EXPECT_NE(text.find("all of its components? -> Yes (unattended)\r\n"), std::string::npos) << text;
  EXPECT_NE(text.find("Wait for it longer?"), std::string::npos) << text;
  EXPECT_NE(text.find("-> No (unattended)\r\n"), std::string::npos) << text;
  std::string program8;
  for (wchar_t c : probe) program8 += static_cast<char>(c);
  EXPECT_NE(text.find("\r\nleft running: " + program8 + " /hang\r\n"), std::string::npos) << text;
}

TEST_F(ListWithPrograms, AProgramPathWithSpacesIsQuotedAndNoOtherProgramRuns) {
  // Unquoted, the system would try "...\Prog.exe" before "...\Prog Files\App\un.exe".
  CreateDirectoryW((app + L"\\Prog Files").c_str(), nullptr);
  CreateDirectoryW((app + L"\\Prog Files\\App").c_str(), nullptr);
  const std::wstring wanted = app + L"\\Prog Files\\App\\un.exe";
  ASSERT_TRUE(CopyFileW(probe.c_str(), wanted.c_str(), FALSE));
  ASSERT_TRUE(CopyFileW(probe.c_str(), (app + L"\\Prog.exe").c_str(), FALSE));
  ScopedEnvironment out(L"KV_PROBE_OUT", report);
  Programs({wanted + L" /x y"});
  ScriptedDialogs dialogs(true);
  RunUninstall(program, dialogs, 5000);
  EXPECT_EQ(_wcsicmp(ProbeField(report, L"module").c_str(), wanted.c_str()), 0)
      << ProbeField(report, L"module");
  EXPECT_EQ(ProbeField(report, L"cmdline"), L"\"" + wanted + L"\" /x y");
}

// How an entry is started: the existing file it names (completed with ".exe" as process
// creation completes it), never a "My.exe" beside "My Tools", the system's own search where no
// part names a file, never anything over the network.
TEST(ProgramEntry, IsStartedByTheFileItNamesOrLeftToTheSystem) {
  ScratchFolder scratch("kvuninst");
  const std::wstring folder = scratch.Path();
  const std::wstring tools = folder + L"\\My Tools";
  CreateDirectoryW(tools.c_str(), nullptr);
  for (const wchar_t* name :
       {L"\\My Tools\\clean up.exe", L"\\My Tools\\tool.exe", L"\\My.exe", L"\\readme.txt"})
    Touch(folder + name);
  const std::wstring cleanUp = tools + L"\\clean up.exe", tool = tools + L"\\tool.exe";
  const struct {
    std::wstring entry;
    bool started;
    std::wstring application, commandLine;  // when started
    std::wstring why;                       // when not: part of the reason
  } cases[] = {
      {cleanUp + L" --all \"x y\"", true, cleanUp, L"\"" + cleanUp + L"\" --all \"x y\"", L""},
      {L"\"" + cleanUp + L"\" /s", true, cleanUp, L"\"" + cleanUp + L"\" /s", L""},
      {tools + L"\\tool /x", true, tool, L"\"" + tools + L"\\tool\" /x", L""},
      {L"\"" + tools + L"\\tool\" /x", true, tool, L"\"" + tools + L"\\tool\" /x", L""},
      {folder + L"\\readme.txt", true, folder + L"\\readme.txt", folder + L"\\readme.txt", L""},
      // Nothing found: the system reports the missing program, or finds a bare name itself.
      {folder + L"\\gone.exe /s", true, L"", folder + L"\\gone.exe /s", L""},
      {L"\"" + tools + L"\\gone.exe\"", true, L"", L"\"" + tools + L"\\gone.exe\"", L""},
      {L"regsvr32 /s /u x.dll", true, L"", L"regsvr32 /s /u x.dll", L""},
      {tools + L"\\gone.exe /s", false, L"", L"", folder + L"\\My.exe"},
      {L"\\\\server\\share\\tool.exe", false, L"", L"", L"network"},
      {L"\"\\\\server\\share\\tool.exe\" /s", false, L"", L"", L"network"},
      {L"\"unterminated", false, L"", L"", L"quote"},
      {L"   ", false, L"", L"", L"empty"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.entry.begin(), c.entry.end()));
    const bramlow::ResolvedCommand resolved = ResolveProgramEntry(c.entry);
    ASSERT_EQ(resolved.launch.has_value(), c.started);
    if (c.started) {
      EXPECT_EQ(resolved.launch->application, c.application);
      EXPECT_EQ(resolved.launch->commandLine, c.commandLine);
    } else {
      EXPECT_NE(resolved.whyNot.find(c.why), std::wstring::npos)
          << std::string(resolved.whyNot.begin(), resolved.whyNot.end());
    }
  }
}

// A program that cannot be started (missing, a document, a path no file answers) is not
// running: it is logged with the reason and keeps nothing. A path without ".exe" is started.
TEST_F(ListWithPrograms, ProgramsThatCannotStartAreLoggedAndKeepNothing) {
  ScopedEnvironment out(L"KV_PROBE_OUT", report);
  ASSERT_TRUE(CopyFileW(probe.c_str(), (app + L"\\cleanup.exe").c_str(), FALSE));
  Touch(app + L"\\readme.txt");
  // The uninstaller itself, under any name, would start itself again and again.
  wchar_t shortProgram[MAX_PATH] = {};
  ASSERT_GT(GetShortPathNameW(program.c_str(), shortProgram, MAX_PATH), 0u);
  Programs({app + L"\\gone.exe /x", app + L"\\readme.txt", app + L"\\cleanup /quiet", program,
            std::wstring(L"\"") + shortProgram + L"\" /again", L"Uninstall /x"});
  ScratchFolder logFolder("kvuninst");
  const std::wstring logPath = logFolder / L"removal.log";
  bramlow::StepLog log;
  DWORD error = 0;
  ASSERT_TRUE(log.Open(logPath, error));
  LoggedDialogs unattended(nullptr, log);
  const Outcome outcome = RunUninstall(program, unattended, 5000);
  log.Close();
  EXPECT_EQ(outcome, Outcome::Removed);
  EXPECT_FALSE(Exists(ini)) << "nothing kept for another run";
  EXPECT_EQ(ProbeField(report, L"cmdline"), app + L"\\cleanup /quiet");
  const std::string text = ReadBytes(logPath);
  std::string app8;
  for (wchar_t c : app) app8 += static_cast<char>(c);
  EXPECT_NE(text.find("\r\nnot started: " + app8 + "\\gone.exe /x ("), std::string::npos) << text;
  EXPECT_NE(text.find("\r\nnot started: " + app8 + "\\readme.txt ("), std::string::npos) << text;
  EXPECT_NE(text.find("\r\nrun " + app8 + "\\cleanup /quiet: ended with exit code 0\r\n"),
            std::string::npos)
      << text;
  for (const std::wstring& itself :
       {program, L"\"" + std::wstring(shortProgram) + L"\" /again", std::wstring(L"Uninstall /x")})
    EXPECT_NE(
        text.find("\r\nnot started: " + winbase::ToUtf8(itself) + " (the uninstaller itself)\r\n"),
        std::string::npos)
        << text;
  EXPECT_EQ(text.find("not removed"), std::string::npos) << text;
}

// A program the system could not start for a passing reason (its file held by another program,
// a virus scanner say) is kept for another run, as a program still running is; once it is free,
// the next run starts it.
TEST_F(ListWithPrograms, AProgramThatCouldNotStartForNowIsKeptForAnotherRun) {
  ScopedEnvironment out(L"KV_PROBE_OUT", report);
  const std::wstring busy = app + L"\\busy.exe";
  ASSERT_TRUE(CopyFileW(probe.c_str(), busy.c_str(), FALSE));
  Programs({busy});
  winbase::FileHandle holder(
      CreateFileW(busy.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(holder);
  ScriptedDialogs dialogs(true);
  EXPECT_EQ(RunUninstall(program, dialogs, 5000), Outcome::PartlyRemoved);
  EXPECT_EQ(ReadUninstallList(ini).programs, std::vector<std::wstring>{busy});
  ASSERT_EQ(dialogs.told.size(), 1u);
  EXPECT_NE(dialogs.told[0].find(busy), std::wstring::npos);
  EXPECT_EQ(ProbeField(report, L"cmdline"), L"");
  holder.reset();
  ScriptedDialogs again(true);
  EXPECT_EQ(RunUninstall(program, again, 5000), Outcome::Removed);
  EXPECT_EQ(ProbeField(report, L"cmdline"), busy);
}

// A server the installation copied is unregistered; one that was there before (listed under
// Ocx but not under files) is shared with other programs and stays registered.
TEST_F(ListWithPrograms, OnlyServersTheInstallationCreatedAreUnregistered) {
  const std::wstring server = BuiltFile(TEST_SERVER);
  const std::wstring own = app + L"\\own.ocx";
  const std::wstring shared = app + L"\\shared.ocx";
  ASSERT_TRUE(CopyFileW(server.c_str(), own.c_str(), FALSE));
  ASSERT_TRUE(CopyFileW(server.c_str(), shared.c_str(), FALSE));
  Put(ini, L"files", L"1", own);
  Put(ini, L"files", L"Count", L"1");
  Put(ini, L"Ocx", L"1", shared);
  Put(ini, L"Ocx", L"2", own);
  Put(ini, L"Ocx", L"Count", L"2");
  ScriptedDialogs dialogs(true);
  EXPECT_EQ(RunUninstall(program, dialogs), Outcome::Removed);
  EXPECT_TRUE(Exists(own + L".unregistered"));
  EXPECT_FALSE(Exists(own));
  EXPECT_FALSE(Exists(shared + L".unregistered"));
  EXPECT_TRUE(Exists(shared));
}

// A server whose unregistering failed stays registered: it is kept with its file for another
// run, which unregisters it once it can. A file that is no library this system loads has no
// registration to undo: it is named once and its file goes.
TEST_F(ListWithPrograms, AFailedUnregisteringIsTriedAgainAndAFileThatIsNoServerIsNot) {
  const std::wstring own = app + L"\\own.ocx", fake = app + L"\\fake.ocx";
  ASSERT_TRUE(CopyFileW(BuiltFile(TEST_SERVER).c_str(), own.c_str(), FALSE));
  Touch(fake);
  int n = 0;
  for (const std::wstring& server : {own, fake}) {
    Put(ini, L"files", std::to_wstring(++n), server);
    Put(ini, L"Ocx", std::to_wstring(n), server);
  }
  Put(ini, L"files", L"Count", L"2");
  Put(ini, L"Ocx", L"Count", L"2");
  {
    ScopedEnvironment fails(L"KV_SERVER_UNREGISTER_FAILS", L"1");
    ScriptedDialogs dialogs(true);
    EXPECT_EQ(RunUninstall(program, dialogs), Outcome::PartlyRemoved);
    ASSERT_EQ(dialogs.told.size(), 1u);
    EXPECT_NE(dialogs.told[0].find(own), std::wstring::npos);
    EXPECT_NE(dialogs.told[0].find(fake), std::wstring::npos);
  }
  EXPECT_TRUE(Exists(own));
  EXPECT_FALSE(Exists(own + L".unregistered"));
  EXPECT_FALSE(Exists(fake));
  const UninstallList remaining = ReadUninstallList(ini);
  EXPECT_EQ(remaining.servers, std::vector<std::wstring>{own});
  EXPECT_EQ(remaining.files, std::vector<std::wstring>{own});
  ScriptedDialogs again(true);
  EXPECT_EQ(RunUninstall(program, again), Outcome::Removed);
  EXPECT_TRUE(Exists(own + L".unregistered"));
  EXPECT_FALSE(Exists(own));
}

// Unregistering runs the server's code in a process of its own: one that does not return
// is asked about like any program of the list, and is then named as left over.
TEST_F(ListWithPrograms, AServerSlowToUnregisterIsAskedAboutAndNamed) {
  const std::wstring own = app + L"\\slow.ocx";
  ASSERT_TRUE(CopyFileW(BuiltFile(TEST_SERVER).c_str(), own.c_str(), FALSE));
  Put(ini, L"files", L"1", own);
  Put(ini, L"files", L"Count", L"1");
  Put(ini, L"Ocx", L"1", own);
  Put(ini, L"Ocx", L"Count", L"1");
  ScopedEnvironment slow(L"KV_SERVER_UNREGISTER_MS", L"4000");
  ScriptedDialogs dialogs(true);
  dialogs.answers = {true, false};  // remove; do not wait longer
  EXPECT_EQ(RunUninstall(program, dialogs, 300), Outcome::PartlyRemoved);
  ASSERT_EQ(dialogs.asked.size(), 2u);
  EXPECT_TRUE(dialogs.asked[1].find(own) != std::wstring::npos);
  ASSERT_EQ(dialogs.told.size(), 1u);
  EXPECT_TRUE(dialogs.told[0].find(own) != std::wstring::npos);
  EXPECT_TRUE(Exists(own)) << "kept with the server that is still being unregistered";
  EXPECT_EQ(ReadUninstallList(ini).files, std::vector<std::wstring>{own});
  for (int i = 0; i < 400 && !Exists(own + L".unregistered"); ++i) Sleep(50);
  EXPECT_TRUE(Exists(own + L".unregistered"));
  Sleep(500);  // let the unregistering process end before the folder goes
}

}  // namespace
}  // namespace uninstall::testing
