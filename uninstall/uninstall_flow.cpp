#include "uninstall_flow.h"

#include "bramlow/actions/entries/step_log.h"
#include "bramlow/actions/profile/batched_profile_writes.h"
#include "paths.h"
#include "winbase/file_identity.h"

namespace uninstall {
namespace {

// The list carries the texts in the language the user chose for the installation; these
// stand in only where an old, damaged or unfinished list has none.
const wchar_t* const kFallback[7] = {
    L"Uninstall",
    L"Do you want to remove %s and all of its components?",
    L"%s was removed from your computer.",
    L"Some parts of %s could not be removed:",
    L"The uninstall list \"Uninstall.ini\" was not found. Nothing was removed.",
    L"",
    L"",
};

// An unfinished installation never wrote its language texts into the list.
constexpr wchar_t kIncompleteQuestion[] =
    L"The uninstall list \"Uninstall.ini\" is incomplete: the installation that wrote it did not "
    L"finish.\r\n\r\nOnly what it recorded can be removed; anything it installed after that stays. "
    L"Remove what the list names?";
constexpr wchar_t kIncompleteDone[] =
    L"The uninstall list was incomplete: what the installation did after its last record was not "
    L"removed.";
constexpr wchar_t kNotRemoved[] = L"Not removed:";
constexpr wchar_t kAlreadyRunning[] =
    L"The removal of %s is already running. Nothing was done; wait until it has ended.";
constexpr wchar_t kStillRunning[] =
    L"The program\r\n%s\r\nhas been running for %s seconds and has not ended.\r\n\r\nWait for it "
    L"longer? Choose No to go on with the removal without it; files it still uses will stay.";

std::wstring Text(const UninstallList& list, int index) {
  return list.texts[index].empty() ? kFallback[index] : list.texts[index];
}

std::wstring StillRunningQuestion(const std::wstring& program, DWORD waitedMs) {
  std::wstring text = FormatListText(kStillRunning, program);
  const size_t at = text.find(L"%s");
  if (at != std::wstring::npos) text.replace(at, 2, std::to_wstring((waitedMs + 500) / 1000));
  return text;
}

std::wstring LeftOverLines(const RemovalReport& report) {
  std::wstring text;
  constexpr size_t kShown = 20;
  for (size_t i = 0; i < report.leftOver.size() && i < kShown; ++i)
    text += L"\r\n" + report.leftOver[i].what;
  if (report.leftOver.size() > kShown) text += L"\r\n...";
  return text;
}

std::wstring Hex(DWORD value) {
  static const wchar_t kDigits[] = L"0123456789abcdef";
  std::wstring text(8, L'0');
  for (int i = 7; i >= 0; --i, value >>= 4) text[static_cast<size_t>(i)] = kDigits[value & 15];
  return text;
}

}  // namespace

std::wstring ListLock::NameFor(const std::wstring& folder) {
  // "Global\\": uninstallers in other sessions (another user switched to) share it too.
  std::wstring name = L"Global\\bramlow-uninstall-";
  if (const auto identity = winbase::IdentityOf(folder))
    return name + Hex(identity->volume) + Hex(identity->indexHigh) + Hex(identity->indexLow);
  // A folder nobody may look at: its spelling, long form, as the next best thing.
  for (wchar_t c : FoldedPath(LongPath(folder))) name += c == L'\\' ? L'/' : c;
  return name;
}

ListLock::ListLock(const std::wstring& folder) {
  const std::wstring name = NameFor(folder);
  mutex_.reset(CreateMutexW(nullptr, TRUE, name.c_str()));
  const DWORD error = GetLastError();
  // Made by an uninstaller of another user, whom this one may not even open it for.
  if (!mutex_) {
    takenElsewhere_ = error == ERROR_ACCESS_DENIED;
    return;
  }
  if (error == ERROR_ALREADY_EXISTS) {
    takenElsewhere_ = true;
    mutex_.reset();
  }
}

Outcome RunUninstall(const std::wstring& program, Dialogs& dialogs, DWORD programWaitMs,
                     ProtectionQuery isProtected) {
  const std::wstring folder = program.substr(0, program.find_last_of(L"\\/"));
  UninstallList list = ReadUninstallList(folder + L"\\Uninstall.ini");
  std::wstring caption = Text(list, 0);
  if (!list.appName.empty()) caption = list.appName + L" - " + caption;
  if (!list.found) {
    dialogs.Inform(caption, Text(list, 4), true);
    return Outcome::NoList;
  }
  // Before anything is asked: the first uninstaller is already asking, or removing.
  ListLock lock(folder);
  if (lock.TakenElsewhere()) {
    dialogs.Inform(
        caption,
        FormatListText(kAlreadyRunning, list.appName.empty() ? L"this application" : list.appName),
        true);
    return Outcome::AlreadyRunning;
  }
  const std::wstring question = list.complete ? FormatListText(Text(list, 1), list.appName)
                                              : std::wstring(kIncompleteQuestion);
  if (!dialogs.Confirm(caption, question)) return Outcome::Declined;

  RemoverSettings settings;
  settings.program = program;
  settings.programWaitMs = programWaitMs;
  settings.keepWaiting = [&](const std::wstring& entry, DWORD waited) {
    return dialogs.KeepWaiting(caption, StillRunningQuestion(entry, waited));
  };
  settings.isProtected = std::move(isProtected);
  settings.note = [&](const std::wstring& line) { dialogs.Note(line); };
  RemovalReport report = Remover(std::move(settings)).Remove(list);
  // What another run may remove becomes the list: the user can run the uninstaller again once
  // a file is no longer in use, and the system's list of programs still offers it. What was
  // refused on principle is named this once and not kept.
  const std::wstring listPath = folder + L"\\Uninstall.ini";
  if (report.KeepsList()) {
    if (!WriteUninstallList(listPath, report.remaining))
      report.leftOver.push_back(
          {listPath, L"the list of what stayed could not be written", Stay::Retry});
  } else {
    if (!DeleteFileW(listPath.c_str())) {
      const DWORD error = GetLastError();
      if (error != ERROR_FILE_NOT_FOUND)
        report.leftOver.push_back({listPath, bramlow::ReasonText(error), Stay::Retry});
    }
    // An installation stopped while it wrote its list leaves the new one half-written beside
    // it; nothing reads it, and it would keep the folder.
    DeleteFileW(bramlow::PendingFileNameOf(listPath).c_str());
  }
  dialogs.Removed(report);
  if (!list.complete) {
    std::wstring text = kIncompleteDone;
    if (!report.leftOver.empty())
      text += std::wstring(L"\r\n\r\n") + kNotRemoved + L"\r\n" + LeftOverLines(report);
    dialogs.Inform(caption, text, true);
    return Outcome::IncompleteList;
  }
  if (report.leftOver.empty()) {
    dialogs.Inform(caption, FormatListText(Text(list, 2), list.appName), false);
    return Outcome::Removed;
  }
  dialogs.Inform(
      caption, FormatListText(Text(list, 3), list.appName) + L"\r\n" + LeftOverLines(report), true);
  return Outcome::PartlyRemoved;
}

}  // namespace uninstall
