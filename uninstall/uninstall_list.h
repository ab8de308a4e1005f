// What an installation left for its uninstaller: the list "Uninstall.ini" beside Uninstall.exe.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace uninstall {

struct RegistryValue {
  std::wstring
      root;  // the script's root name, e.g. "HKEY_LOCAL_MACHINE" (anything else: current user)
  std::wstring key;
  std::wstring value;  // empty: the key's default value
};

// What a shortcut of the list was made to lead to, as the installation read it back from the
// link it wrote (section "links": "target<n>" and "args<n>" beside the link's "files" entry <n>).
// A link that leads elsewhere now has been written over by another installation since.
struct LinkRecord {
  std::wstring target;
  std::wstring arguments;
  bool operator==(const LinkRecord&) const = default;
};

struct UninstallList {
  std::wstring appName;
  std::wstring linkText;
  std::wstring linkUrl;
  std::vector<std::wstring> files;  // in list order; gaps (files never copied) are skipped
  // By the entry in files they belong to, as listed; lists written before links were recorded
  // have none.
  std::map<std::wstring, LinkRecord> links;
  std::vector<std::wstring> folders;  // creation order, parent before child
  std::vector<std::wstring> servers;  // COM servers, registration order
  std::vector<RegistryValue> registry;
  std::vector<std::wstring> programs;  // run before anything is removed
  std::wstring texts[7];               // "language" 1..7
  bool found = false;                  // the list file exists
  // The installation wrote its closing counts (each a number). An installation that was
  // interrupted (a runtime error, a crash, a kill) leaves its records without them, and the
  // uninstaller must not pass such a list off as complete.
  bool complete = false;
};

// Reads the list through the profile functions (ANSI file, case-insensitive names): every
// numbered entry it holds, in ascending number. The counts only tell whether the list is
// complete; they bound nothing, so a damaged count can neither hide an entry nor make the
// reader look for millions of missing ones.
UninstallList ReadUninstallList(const std::wstring& path);

// Writes a list in the form ReadUninstallList reads, beside path first and then over it, so a
// failure leaves the list that was there. False when it could not be written. An incomplete
// list is written without its counts: it reads as incomplete again.
bool WriteUninstallList(const std::wstring& path, const UninstallList& list);

// The language texts with their argument: "%s" takes the argument, "%%" gives "%".
// Any other "%" stays as it is: a damaged text must never stop an uninstallation.
std::wstring FormatListText(const std::wstring& pattern, const std::wstring& argument);

}  // namespace uninstall
