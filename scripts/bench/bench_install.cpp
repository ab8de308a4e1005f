// bench_install KIT DEST COPYDEST [RUNS [OTHERKIT...]]: times bramlow.exe installing the kit's
// source tree (driven through the wizard) and, in the same run, a plain recursive copy of that
// tree with the same file API; samples the wizard's status line and bar while it works. Each
// other kit (another build of the engine on the same tree) is installed in the same rounds,
// taking turns, so two engines compare on a machine whose speed drifts. Beside the time on the
// clock it gives the processor time each used, its own and the Wine server's on its behalf, as
// the host counts them (under /proc, through drive Z:): other work on a shared machine stretches
// the clock far more than that. KV_BENCH_SERVER_PID names the Wine server of the prefix.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <vector>
#include <string>

#include "driver.h"
#include "testing/support/tree_removal.h"
#include "winbase/handles.h"

namespace {

// The whole content of a small file, "" when it cannot be read.
std::string ReadSmallFile(const std::wstring& path) {
  winbase::FileHandle file(::CreateFileW(path.c_str(), GENERIC_READ,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                         0, nullptr));
  std::string text;
  char buffer[4096];
  DWORD got = 0;
  while (file && ::ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) && got)
    text.append(buffer, got);
  return text;
}

// Processor time (user and system) a host process has used, in milliseconds; 0 when unknown.
unsigned long HostCpuMs(const std::wstring& pid) {
  if (pid.empty()) return 0;
  const std::string stat = ReadSmallFile(L"Z:\\proc\\" + pid + L"\\stat");
  const size_t name = stat.rfind(')');
  if (name == std::string::npos) return 0;
  // After the name: state, then fields 4 on; user and system time are the 14th and 15th.
  unsigned long long field[16] = {};
  const char* at = stat.c_str() + name + 2;
  for (int i = 3; i <= 15 && *at; ++i) {
    char* end = nullptr;
    field[i] = i == 3 ? 0 : std::strtoull(at, &end, 10);
    at = i == 3 ? std::strchr(at, ' ') : end;
    if (!at) break;
    while (*at == ' ') ++at;
  }
  return static_cast<unsigned long>((field[14] + field[15]) * 10);  // 100 ticks a second
}

// The host's number of the process started from program (its command line begins with it).
std::wstring HostPidOf(const std::wstring& program) {
  std::string wanted;
  for (wchar_t c : program) wanted += static_cast<char>(c);
  WIN32_FIND_DATAW data;
  winbase::FindHandle find(::FindFirstFileW(L"Z:\\proc\\*", &data));
  if (!find) return {};
  do {
    const std::wstring pid = data.cFileName;
    if (pid.find_first_not_of(L"0123456789") != std::wstring::npos) continue;
    const std::string command = ReadSmallFile(L"Z:\\proc\\" + pid + L"\\cmdline");
    if (command.size() >= wanted.size() &&
        _strnicmp(command.c_str(), wanted.c_str(), wanted.size()) == 0 &&
        (command.size() == wanted.size() || command[wanted.size()] == '\0' ||
         command[wanted.size()] == ' '))
      return pid;
  } while (::FindNextFileW(find.get(), &data));
  return {};
}

// This program's host process. Not "self" under /proc: the Wine server opens files for its
// programs, and /proc/self would be the server itself.
std::wstring OwnPid() {
  static const std::wstring pid = [] {
    wchar_t path[MAX_PATH] = {};
    const DWORD n = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (!n || n >= MAX_PATH) return std::wstring();
    std::wstring pid = HostPidOf(path);
    // Started from the host's shell, the host knows it by its host path.
    if (pid.empty() && (path[0] == L'Z' || path[0] == L'z') && path[1] == L':') {
      std::wstring host(path + 2);
      std::replace(host.begin(), host.end(), L'\\', L'/');
      pid = HostPidOf(host);
    }
    return pid;
  }();
  return pid;
}

std::wstring ServerPid() {
  wchar_t pid[32] = {};
  const DWORD n = ::GetEnvironmentVariableW(L"KV_BENCH_SERVER_PID", pid, 32);
  return n > 0 && n < 32 ? std::wstring(pid, n) : std::wstring();
}

// The plain copy: folders created as they are met, files with the system's file copy.
int CopyTree(const std::wstring& from, const std::wstring& to) {
  ::CreateDirectoryW(to.c_str(), nullptr);
  int files = 0;
  WIN32_FIND_DATAW data;
  winbase::FindHandle find(::FindFirstFileW((from + L"\\*.*").c_str(), &data));
  if (!find) return 0;
  do {
    std::wstring name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      files += CopyTree(from + L"\\" + name, to + L"\\" + name);
    } else if (::CopyFileW((from + L"\\" + name).c_str(), (to + L"\\" + name).c_str(), FALSE)) {
      ++files;
    }
  } while (::FindNextFileW(find.get(), &data));
  return files;
}

bool WaitForControl(HWND top, const std::wstring& text, DWORD timeoutMs) {
  for (DWORD start = ::GetTickCount(); ::GetTickCount() - start <= timeoutMs; ::Sleep(50)) {
    HWND c = kvdriver::FindControl(top, text);
    if (c && ::IsWindowVisible(c)) return true;
  }
  return false;
}

// The text of a control as another process sees it without waiting for the wizard: the
// system keeps every window's text, so reading it sends nothing (sending would measure how
// often the wizard looks at its queue, not how fast it installs).
std::wstring TextOf(HWND hwnd) {
  wchar_t text[512] = {};
  ::GetWindowTextW(hwnd, text, 512);
  return text;
}

// The status line: the text control at the status line's place on the progress page.
HWND StatusLine(HWND wizard) {
  for (const auto& c : kvdriver::Controls(wizard)) {
    if (c.className != L"Static") continue;
    RECT r;
    ::GetWindowRect(c.hwnd, &r);
    POINT p{r.left, r.top};
    ::ScreenToClient(wizard, &p);
    if (p.x == 8 && p.y == 80) return c.hwnd;
  }
  return nullptr;
}

int Fail(const char* what) {
  std::printf("bench_install: %s\n", what);
  return 1;
}

// What one installation showed while it ran.
struct Observation {
  DWORD ms = 0;
  unsigned long cpuMs = 0;  // the installing process's and the Wine server's
  std::set<std::wstring> statuses;
  std::set<LRESULT> positions;
  DWORD slowest = 0;
  DWORD slowestAt = 0;        // when the slowest answer was asked for, from the start
  std::wstring slowestShown;  // and what the status line showed when it came
};

// Drives bramlow.exe through the wizard into dest and times the installation from the last
// Next to the Finish button; returns an empty message on success.
const char* InstallOnce(const std::wstring& kit, const std::wstring& dest, Observation& seen) {
  kvdriver::Process setup = kvdriver::Start(kit + L"\\bramlow.exe", L"", kit);
  HWND dialog = kvdriver::WaitForWindow({L"Language", L"TForm2", setup.Id()}, 30000);
  if (!dialog) return "no language dialog";
  kvdriver::ClickButton(dialog, L"OK");
  HWND wizard = kvdriver::WaitForWindow({L"", L"TForm1", setup.Id()}, 30000);
  if (!wizard || !WaitForControl(wizard, L"Next >", 30000)) return "no wizard";
  kvdriver::ClickButton(wizard, L"Next >");
  if (!WaitForControl(wizard, L"I Agree", 30000)) return "no licence page";
  kvdriver::ClickButton(wizard, L"I Agree");
  if (!WaitForControl(wizard, L"Browse...", 30000)) return "no folder page";
  HWND edit = nullptr, bar = nullptr;
  std::vector<HWND> buttons;
  for (const auto& c : kvdriver::Controls(wizard)) {
    if (c.className == L"Edit") edit = c.hwnd;
    if (c.className == PROGRESS_CLASSW) bar = c.hwnd;
    if (c.className == L"Button") buttons.push_back(c.hwnd);
  }
  HWND status = StatusLine(wizard);
  if (!edit) return "no destination box";
  if (!status) return "no status line";
  ::SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(dest.c_str()));
  // Every look at another process's window is a request to the Wine server, which the
  // installation's own file requests queue behind: the look for the end of the installation
  // asks only the button that turns into Finish (Cancel, here), and its text only once it is
  // enabled, rather than a few requests for every button of the wizard 40 times a second.
  std::vector<HWND> finishCandidates;
  for (HWND button : buttons)
    if (TextOf(button) == L"Cancel") finishCandidates.push_back(button);
  if (finishCandidates.empty()) finishCandidates = buttons;

  const std::wstring host = HostPidOf(kit + L"\\bramlow.exe"), server = ServerPid();
  const unsigned long cpuStart = HostCpuMs(host) + HostCpuMs(server);
  DWORD start = ::GetTickCount();
  kvdriver::ClickButton(wizard, L"Next >");
  for (;;) {
    // A window that does not answer within the time is not handling its messages.
    DWORD asked = ::GetTickCount();
    DWORD_PTR position = 0;
    if (bar) ::SendMessageTimeoutW(bar, PBM_GETPOS, 0, 0, SMTO_NORMAL, 5000, &position);
    const DWORD answered = ::GetTickCount() - asked;
    const std::wstring shown = TextOf(status);
    if (answered > seen.slowest) {
      seen.slowest = answered;
      seen.slowestAt = asked - start;
      seen.slowestShown = shown;
    }
    seen.positions.insert(static_cast<LRESULT>(position));
    if (shown.rfind(L"Copying ", 0) == 0) seen.statuses.insert(shown);
    bool finished = false;
    for (HWND button : finishCandidates) {
      if (::IsWindowEnabled(button) && ::IsWindowVisible(button) && TextOf(button) == L"Finish")
        finished = true;
    }
    if (finished) break;
    if (::GetTickCount() - start > 30 * 60 * 1000) return "installation did not end";
    // Looking costs the system's time too; a few looks a frame are enough.
    ::Sleep(25);
  }
  seen.ms = ::GetTickCount() - start;
  seen.cpuMs = host.empty() ? 0 : HostCpuMs(host) + HostCpuMs(server) - cpuStart;
  kvdriver::ClickButton(wizard, L"Finish");
  setup.Wait(30000);
  return nullptr;
}

DWORD Median(std::vector<DWORD> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 4) return Fail("usage: bench_install KIT DEST COPYDEST [RUNS [OTHERKIT...]]");
  std::vector<std::wstring> kits = {argv[1]};
  const std::wstring dest = argv[2], copyDest = argv[3];
  const int runs = argc >= 5 ? std::max(1, _wtoi(argv[4])) : 3;
  for (int i = 5; i < argc; ++i) kits.push_back(argv[i]);
  std::vector<std::vector<DWORD>> installs(kits.size()), installCpu(kits.size()),
      slowest(kits.size());
  std::vector<DWORD> copies, copyCpu;
  for (int run = 1; run <= runs; ++run) {
    // Taking turns at going first: whichever goes second inherits the first one's unwritten
    // data, on a disk, and the machine's other work comes and goes.
    const size_t turns = kits.size() + 1;
    for (size_t turn = 0; turn < turns; ++turn) {
      const size_t which = (turn + static_cast<size_t>(run)) % turns;
      if (which == kits.size()) {
        testsupport::RemoveTree(copyDest);
        const unsigned long cpuStart = HostCpuMs(OwnPid()) + HostCpuMs(ServerPid());
        const DWORD start = ::GetTickCount();
        const int copied = CopyTree(kits[0] + L"\\tree", copyDest);
        copies.push_back(::GetTickCount() - start);
        copyCpu.push_back(HostCpuMs(OwnPid()) + HostCpuMs(ServerPid()) - cpuStart);
        std::printf(
            "run %d: plain recursive copy (CopyFileW) %lu ms (processor %lu ms) for %d files\n",
            run, static_cast<unsigned long>(copies.back()),
            static_cast<unsigned long>(copyCpu.back()), copied);
        continue;
      }
      testsupport::RemoveTree(dest);
      Observation seen;
      if (const char* failure = InstallOnce(kits[which], dest, seen)) return Fail(failure);
      installs[which].push_back(seen.ms);
      installCpu[which].push_back(seen.cpuMs);
      slowest[which].push_back(seen.slowest);
      std::printf(
          "run %d: install %zu (bramlow.exe, wizard) %lu ms (processor %lu ms); %zu different "
          "status lines "
          "seen, %zu bar positions, slowest answer %lu ms (asked at %lu ms, showing \"%ls\")\n",
          run, which + 1, static_cast<unsigned long>(seen.ms), seen.cpuMs, seen.statuses.size(),
          seen.positions.size(), static_cast<unsigned long>(seen.slowest),
          static_cast<unsigned long>(seen.slowestAt), seen.slowestShown.c_str());
    }
  }
  // Each install against the copy of its own round: the machine's drift between rounds drops out.
  auto roundRatio = [&](const std::vector<DWORD>& install, const std::vector<DWORD>& copy) {
    std::vector<double> ratios;
    for (size_t r = 0; r < install.size() && r < copy.size(); ++r)
      if (copy[r] && install[r]) ratios.push_back(static_cast<double>(install[r]) / copy[r]);
    std::sort(ratios.begin(), ratios.end());
    return ratios.empty() ? 0.0 : ratios[ratios.size() / 2];
  };
  std::printf("median of %d: copy %lu ms (processor %lu ms)\n", runs,
              static_cast<unsigned long>(Median(copies)),
              static_cast<unsigned long>(Median(copyCpu)));
  for (size_t k = 0; k < kits.size(); ++k) {
    std::printf(
        "install %zu: %lu ms (processor %lu ms), slowest answer %lu ms (median; at most %lu); "
        "install/copy "
        "%.2f, processor %.2f (medians of the rounds' own ratios)\n",
        k + 1, static_cast<unsigned long>(Median(installs[k])),
        static_cast<unsigned long>(Median(installCpu[k])),
        static_cast<unsigned long>(Median(slowest[k])),
        static_cast<unsigned long>(*std::max_element(slowest[k].begin(), slowest[k].end())),
        roundRatio(installs[k], copies), roundRatio(installCpu[k], copyCpu));
  }
  testsupport::RemoveTree(dest);
  testsupport::RemoveTree(copyDest);
  return 0;
}
