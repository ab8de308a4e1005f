#include "bramlow/kit/kit_check.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string_view>

#include "bramlow/kit/kit_names.h"
#include "bramlow/kit/profile_text.h"
#include "bramlow/text/destination_rules.h"
#include "bramlow/text/format_pattern.h"
#include "bramlow/text/macro_text.h"
#include "bramlow/text/registry_text.h"
#include "bramlow/text/script_keys.h"

namespace bramlow {
namespace {

// ---- Text helpers. The checker keeps the files' bytes; the engine's rules take wide text,
// which for these ASCII rules is each byte widened.

std::wstring Widen(std::string_view bytes) {
  std::wstring wide;
  wide.reserve(bytes.size());
  for (char c : bytes) wide += static_cast<wchar_t>(static_cast<unsigned char>(c));
  return wide;
}

std::string Narrow(std::wstring_view wide) {
  std::string bytes;
  bytes.reserve(wide.size());
  for (wchar_t c : wide) bytes += static_cast<char>(c <= 0xFF ? c : '?');
  return bytes;
}

char Fold(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
}

bool SameNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Fold(a[i]) != Fold(b[i])) return false;
  return true;
}

bool StartsNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && SameNoCase(text.substr(0, prefix.size()), prefix);
}

std::string Folded(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = Fold(c);
  return out;
}

// How far apart two names are (edits of one character), without regard to case.
size_t Distance(std::string_view a, std::string_view b) {
  std::vector<size_t> row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    size_t diagonal = row[0];
    row[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      const size_t above = row[j];
      row[j] = std::min(
          {row[j] + 1, row[j - 1] + 1, diagonal + (Fold(a[i - 1]) == Fold(b[j - 1]) ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

// The nearest candidate when it is near enough to be what was meant.
std::optional<std::string> Nearest(std::string_view written,
                                   const std::vector<std::string>& candidates) {
  const std::string* best = nullptr;
  size_t bestDistance = 0;
  for (const std::string& c : candidates) {
    const size_t d = Distance(written, c);
    if (!best || d < bestDistance) best = &c, bestDistance = d;
  }
  if (!best || bestDistance == 0) return std::nullopt;
  const size_t allowed = std::max<size_t>(2, std::min(written.size(), best->size()) / 3);
  if (bestDistance > allowed) return std::nullopt;
  return *best;
}

// " (did you mean X?)", or nothing.
std::string Hint(std::string_view written, const std::vector<std::string>& candidates,
                 std::string_view open = "", std::string_view close = "") {
  const auto nearest = Nearest(written, candidates);
  if (!nearest) return "";
  return " (did you mean " + std::string(open) + *nearest + std::string(close) + "?)";
}

std::string Quoted(std::string_view text) {
  constexpr size_t kShown = 80;
  if (text.size() <= kShown) return "'" + std::string(text) + "'";
  return "'" + std::string(text.substr(0, kShown)) + "...'";
}

// "[Oth3]", "[Oth3] and [Oth4]", "[Oth3], [Oth4] and 7 more".
std::string ListOf(const std::vector<std::string>& items) {
  if (items.empty()) return "";
  if (items.size() == 1) return items[0];
  if (items.size() == 2) return items[0] + " and " + items[1];
  if (items.size() <= 4) {
    std::string out;
    for (size_t i = 0; i + 1 < items.size(); ++i) out += (i ? ", " : "") + items[i];
    return out + " and " + items.back();
  }
  return items[0] + ", " + items[1] + " and " + std::to_string(items.size() - 2) + " more";
}

// The number in a name after its prefix as the engine forms it ("Oth" + 3): decimal digits
// without a leading zero; 0 when the rest is not such a number.
int NumberAfter(std::string_view name, std::string_view prefix) {
  if (!StartsNoCase(name, prefix)) return 0;
  std::string_view digits = name.substr(prefix.size());
  if (digits.empty() || digits.size() > 9 || digits[0] == '0') return 0;
  int n = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return 0;
    n = n * 10 + (c - '0');
  }
  return n;
}

bool IsComment(const ProfileEntry& entry) {
  return !entry.name.empty() && entry.name[0] == ';';
}

// ---- The sample system a script's macros are expanded with: an English Windows XP, the kit
// in a folder of the user's desktop.

constexpr int kCsidlWindows = 0x24;
constexpr int kCsidlSystem = 0x25;

const std::map<int, std::wstring>& SampleShellFolders() {
  static const std::map<int, std::wstring> folders = {
      {0x26, L"C:\\Program Files"},
      {kCsidlWindows, L"C:\\WINDOWS"},
      {0x00, L"C:\\Documents and Settings\\User\\Desktop"},
      {0x02, L"C:\\Documents and Settings\\User\\Start Menu\\Programs"},
      {0x06, L"C:\\Documents and Settings\\User\\Favorites"},
      {0x07, L"C:\\Documents and Settings\\User\\Start Menu\\Programs\\Startup"},
      {0x08, L"C:\\Documents and Settings\\User\\Recent"},
      {0x09, L"C:\\Documents and Settings\\User\\SendTo"},
      {0x0B, L"C:\\Documents and Settings\\User\\Start Menu"},
      {0x0C, L"C:\\Documents and Settings\\User\\My Documents"},
      {0x14, L"C:\\WINDOWS\\Fonts"},
      {0x15, L"C:\\Documents and Settings\\User\\Templates"},
      {0x16, L"C:\\Documents and Settings\\All Users\\Start Menu"},
      {0x17, L"C:\\Documents and Settings\\All Users\\Start Menu\\Programs"},
      {0x18, L"C:\\Documents and Settings\\All Users\\Start Menu\\Programs\\Startup"},
      {0x19, L"C:\\Documents and Settings\\All Users\\Desktop"},
      {0x1A, L"C:\\Documents and Settings\\User\\Application Data"},
      {kCsidlSystem, L"C:\\WINDOWS\\system32"},
      {0x28, L"C:\\Documents and Settings\\User"},
      {0x2B, L"C:\\Program Files\\Common Files"},
  };
  return folders;
}

constexpr char kFromCurrentFolder[] =
    "the engine takes it from the current folder, which for a one-file setup is not the kit";
constexpr wchar_t kSampleTemp[] = L"C:\\DOCUME~1\\User\\LOCALS~1\\Temp\\";
constexpr wchar_t kSampleInstaller[] = L"C:\\Documents and Settings\\User\\Desktop\\Kit\\";
// Stands for the kit's folder where a value is to be found in the kit: no path holds it.
constexpr wchar_t kKitMark[] = L"\x01\\";

struct Sample {
  std::wstring installer = kSampleInstaller;
  std::wstring lang;
  std::wstring dest;
};

std::wstring Expand(std::string_view value, const Sample& sample) {
  return ExpandMacroRows(Widen(value), [&sample](const MacroRow& row) -> std::wstring {
    switch (row.source) {
      case MacroSource::ShellFolder: {
        auto found = SampleShellFolders().find(row.csidl);
        return found == SampleShellFolders().end() ? L"" : found->second;
      }
      case MacroSource::TempFolder:
        return kSampleTemp;
      case MacroSource::Installer:
        return sample.installer;
      case MacroSource::Language:
        return sample.lang;
      case MacroSource::Destination:
        return sample.dest;
      case MacroSource::BackslashFold:
        break;
    }
    return L"";
  });
}

// The part of an expanded value inside the kit ("app\readme.txt") when it starts at the kit's
// folder; nothing when it lies elsewhere.
std::optional<std::string> InsideKit(const std::wstring& expanded) {
  const std::wstring mark = kKitMark;
  if (expanded.compare(0, mark.size(), mark) != 0) return std::nullopt;
  return Narrow(expanded.substr(mark.size()));
}

// A path inside the kit as Windows resolves it: "." and ".." taken away, the dots and spaces
// that end a part dropped ("app\\docs\\..", "setup.rtf." name "app" and "setup.rtf"); nothing
// when ".." leads above the kit.
std::optional<std::string> AsWindowsResolves(const std::string& path) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find('\\', start);
    if (end == std::string::npos) end = path.size();
    std::string part = path.substr(start, end - start);
    start = end + 1;
    if (part == "..") {
      if (parts.empty()) return std::nullopt;
      parts.pop_back();
      continue;
    }
    while (!part.empty() && (part.back() == '.' || part.back() == ' ')) part.pop_back();
    if (!part.empty()) parts.push_back(part);
  }
  std::string joined;
  for (const std::string& part : parts) joined += (joined.empty() ? "" : "\\") + part;
  return joined;
}

std::vector<std::string> MacroNames() {
  std::vector<std::string> names;
  for (const MacroRow& row : kMacroRows)
    if (!row.name.empty()) names.push_back(Narrow(row.name));
  return names;
}

// The %words% of an expanded value that are no macro: the engine leaves them as written.
std::vector<std::string> UnknownMacros(const std::wstring& expanded) {
  std::vector<std::string> words;
  size_t at = expanded.find(L'%');
  while (at != std::wstring::npos) {
    const size_t close = expanded.find(L'%', at + 1);
    if (close == std::wstring::npos) break;
    const std::wstring_view word = std::wstring_view(expanded).substr(at + 1, close - at - 1);
    const auto macroChar = [](wchar_t c) {
      return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z') || (c >= L'0' && c <= L'9') ||
             c == L' ' || c == L'_' || c == L'-' || c == L'.';
    };
    const bool looksLikeMacro =
        !word.empty() && word.size() <= 40 &&
        ((word[0] >= L'A' && word[0] <= L'Z') || (word[0] >= L'a' && word[0] <= L'z')) &&
        std::all_of(word.begin(), word.end(), macroChar);
    if (looksLikeMacro) {
      words.push_back("%" + Narrow(word) + "%");
      at = expanded.find(L'%', close + 1);
    } else {
      at = close;
    }
  }
  return words;
}

// The first macro a value starts with, and the rest after it.
std::optional<std::pair<const MacroRow*, std::string>> LeadingMacro(std::string_view value) {
  const MacroRow* best = nullptr;
  for (const MacroRow& row : kMacroRows) {
    if (row.name.empty() || !StartsNoCase(value, Narrow(row.name))) continue;
    if (!best || row.name.size() > best->name.size()) best = &row;
  }
  if (!best) return std::nullopt;
  return std::make_pair(best, std::string(value.substr(best->name.size())));
}

std::vector<std::string> PathParts(std::string_view path) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find('\\', start);
    if (end == std::string_view::npos) end = path.size();
    if (end > start) parts.emplace_back(path.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

// ---- What a section of a file is to the engine.

struct Known {
  const ScriptSection* section = nullptr;  // a section of the script
  bool kitSection = false;                 // [kit]
  int number = 0;                          // of a numbered section
  std::string key;                         // folded, what makes two sections the same
};

constexpr ScriptKey kKitKeys[] = {{"Version", ScriptValue::Text}};

std::optional<Known> KnownScriptSection(std::string_view name) {
  for (const ScriptSection& s : kScriptSections) {
    if (s.numbered) {
      if (int n = NumberAfter(name, s.name)) return Known{&s, false, n, Folded(name)};
    } else if (SameNoCase(name, s.name)) {
      return Known{&s, false, 0, Folded(name)};
    }
  }
  if (SameNoCase(name, kKitSection)) return Known{nullptr, true, 0, Folded(name)};
  return std::nullopt;
}

std::vector<std::string> SectionCandidates(std::string_view written) {
  std::string digits;
  for (size_t i = written.size(); i > 0 && written[i - 1] >= '0' && written[i - 1] <= '9'; --i)
    digits.insert(0, 1, written[i - 1]);
  while (digits.size() > 1 && digits[0] == '0') digits.erase(0, 1);
  if (digits.empty() || digits == "0") digits = "1";
  std::vector<std::string> names;
  for (const ScriptSection& s : kScriptSections)
    names.push_back(std::string(s.name) + (s.numbered ? digits : ""));
  names.push_back(kKitSection);
  return names;
}

// ---- The checker.

class Checker {
 public:
  Checker(const KitFolder& kit, unsigned codePage, KitReport& report)
      : kit_(kit), codePage_(codePage), report_(report) {}

  void Run();

 private:
  void Add(const std::string& file, int line, Severity severity, std::string text) {
    report_.findings.push_back(Finding{file, line, severity, std::move(text)});
  }
  void Error(int line, std::string text) {
    Add(kKitScript, line, Severity::Error, std::move(text));
  }
  void Warning(int line, std::string text) {
    Add(kKitScript, line, Severity::Warning, std::move(text));
  }

  // The line of a key, else of its section, else 0.
  int LineOf(std::string_view section, std::string_view key) const {
    if (const ProfileEntry* e = script_.Find(section, key)) return e->line;
    if (const ProfileSection* s = script_.FindSection(section)) return s->line;
    return 0;
  }
  std::string Text(std::string_view section, std::string_view key) const {
    return script_.Text(section, key);
  }
  int Integer(std::string_view section, std::string_view key, int def = 0) const {
    return script_.Integer(section, key, def);
  }

  void CheckEncoding(const ProfileText& text, const std::string& file);
  void CheckScriptLines();
  void CheckEntries(const ProfileSection& section, std::span<const ScriptKey> keys, bool unExe);
  void CheckCounts();
  void CheckSetup();
  void CheckItems();
  void CheckExpanded(std::string_view section, std::string_view key, const std::string& value);
  void CheckSourceInKit(std::string_view section, std::string_view key, bool folder);
  void CheckProgramInKit(std::string_view section, std::string_view key);
  void CheckFullPath(std::string_view section, std::string_view key, const char* consequence);
  void CheckShortcutFolders();
  void CheckLanguages();
  void CheckLanguageFile(const std::string& file, const std::string& bytes);
  void CheckKitFiles();
  int Count(const ScriptSection& s) const {
    if (s.countKey.empty()) return 0;
    return std::min(Integer("setup1", s.countKey), kMaxItemCount);
  }

  // The folder chain of an expanded destination under %Dest% ("docs\sub" of %Dest%\docs\sub\x).
  void NoteDestFolders(std::string_view unexpanded);

  const KitFolder& kit_;
  unsigned codePage_;
  KitReport& report_;
  ProfileText script_;
  std::vector<std::string> languages_;  // names of the .qxl files
  std::map<std::string, std::string> languageFiles_;  // language -> its file, as the kit spells it
  std::wstring sampleDest_;
  // Folders below the destination the installation has made by the time shortcuts are
  // created: the source tree's and those of the single files' chains (folded, "\"-joined).
  std::set<std::string> destFolders_;
};

void Checker::Run() {
  const auto bytes = kit_.Read(kKitScript);
  if (!bytes) {
    report_.readable = false;
    report_.problem = std::string("no ") + kKitScript + " in the kit";
    return;
  }
  script_ = ProfileText(*bytes);
  for (const std::string& name : kit_.FileNames("")) {
    if (name.size() > 4 && SameNoCase(std::string_view(name).substr(name.size() - 4), ".qxl")) {
      languages_.push_back(name.substr(0, name.size() - 4));
      languageFiles_[languages_.back()] = name;
    }
  }
  std::sort(languages_.begin(), languages_.end());
  CheckEncoding(script_, kKitScript);
  CheckScriptLines();
  CheckCounts();
  CheckSetup();
  CheckItems();
  CheckShortcutFolders();
  CheckLanguages();
  CheckKitFiles();
  CheckKitNames(kit_, codePage_, report_.findings);

  // The script first, then the language files, then the rest; each by line.
  auto rank = [](const Finding& f) {
    if (f.file == kKitScript) return 0;
    if (f.file.size() > 4 && SameNoCase(std::string_view(f.file).substr(f.file.size() - 4), ".qxl"))
      return 1;
    return 2;
  };
  std::stable_sort(report_.findings.begin(), report_.findings.end(),
                   [&](const Finding& a, const Finding& b) {
                     if (rank(a) != rank(b)) return rank(a) < rank(b);
                     if (a.file != b.file) return a.file < b.file;
                     return a.line < b.line;
                   });
}

void Checker::CheckEncoding(const ProfileText& text, const std::string& file) {
  if (text.Encoding() == ProfileEncoding::Utf8) {
    Add(file, 1, Severity::Error,
        "the file starts with a UTF-8 byte-order mark: Windows XP reads it as ANSI text and misses "
        "the first "
        "section; save it in the ANSI code page");
  }
}

void Checker::CheckScriptLines() {
  std::map<std::string, int> seen;  // folded section name -> first line
  for (const ProfileSection& section : script_.Sections()) {
    if (section.line == 0) {
      for (const ProfileEntry& e : section.entries) {
        if (!IsComment(e) && !e.name.empty())
          Warning(e.line, "a line before the first section: the engine never reads it");
      }
      continue;
    }
    const auto known = KnownScriptSection(section.name);
    if (!known) {
      Error(section.line, "unknown section [" + section.name + "]: the engine never reads it" +
                              Hint(section.name, SectionCandidates(section.name), "[", "]"));
      continue;
    }
    auto [first, inserted] = seen.emplace(known->key, section.line);
    if (!inserted) {
      Error(section.line, "[" + section.name + "] again (first at line " +
                              std::to_string(first->second) + "): " +
                              (known->kitSection ? "the kit tools read" : "the engine reads") +
                              " only the first");
      continue;
    }
    if (known->kitSection) {
      CheckEntries(section, kKitKeys, false);
    } else {
      CheckEntries(section, known->section->keys, known->section->name == "un_exe");
    }
  }
  // A line "[Oth2" without its bracket is no section: what follows belongs to the section above.
  for (const ProfileSection& section : script_.Sections()) {
    for (const ProfileEntry& e : section.entries) {
      if (!e.name.empty() && e.name[0] == '[' && !e.value) {
        Error(e.line, "no ']': not a section, and the lines after it belong to the section above");
      }
    }
  }
}

void Checker::CheckEntries(const ProfileSection& section, std::span<const ScriptKey> keys,
                           bool unExe) {
  std::map<std::string, int> seen;
  std::vector<std::string> names;
  for (const ScriptKey& k : keys) names.emplace_back(k.name);
  if (unExe) names.push_back("exe1");
  // [kit] is read by the kit tools only.
  const bool kitTools = keys.data() == std::begin(kKitKeys);
  const std::string neverRead = kitTools ? "the kit tools never read it" : "the engine never reads it";
  const std::string firstOnly =
      kitTools ? "the kit tools read only the first" : "the engine reads only the first";
  for (const ProfileEntry& e : section.entries) {
    if (IsComment(e)) continue;
    if (!e.value) {
      if (!e.name.empty() && e.name[0] != '[')
        Warning(e.line, "a line without '=': the engine never reads it");
      continue;
    }
    if (e.name.empty()) {
      Warning(e.line, "no key name before '=': the engine never reads it");
      continue;
    }
    const ScriptKey* key = nullptr;
    for (const ScriptKey& k : keys)
      if (SameNoCase(e.name, k.name)) key = &k;
    const bool unExeEntry = unExe && NumberAfter(e.name, kUnExeEntryPrefix) > 0;
    if (!key && !unExeEntry) {
      Error(e.line, "unknown key " + e.name + " in [" + section.name +
                        "]: " + neverRead + Hint(e.name, names));
      continue;
    }
    auto [first, inserted] = seen.emplace(Folded(e.name), e.line);
    if (!inserted) {
      Error(e.line, e.name + " again in [" + section.name + "] (first at line " +
                        std::to_string(first->second) + "): " + firstOnly);
      continue;
    }
    const std::string value = ProfileText::ValueAsRead(*e.value, script_.Encoding());
    if (e.value->size() > kMaxProfileValueLength + 2 && value.size() >= kMaxProfileValueLength) {
      Warning(e.line, e.name + " is longer than " + std::to_string(kMaxProfileValueLength) +
                          " characters: the engine reads only the first " +
                          std::to_string(kMaxProfileValueLength));
    }
    if (key && (key->kind == ScriptValue::Number || key->kind == ScriptValue::Switch)) {
      const auto number = ProfileText::IntegerOf(value);
      std::string_view plain = value;
      if (!plain.empty() && plain[0] == '-') plain.remove_prefix(1);
      const bool isPlain = !plain.empty() && std::all_of(plain.begin(), plain.end(), [](char c) {
        return c >= '0' && c <= '9';
      });
      // The engine keeps 32 bits of what it reads: a larger number comes out as another.
      std::string_view digits = plain.substr(std::min(plain.find_first_not_of('0'), plain.size()));
      if (number && isPlain &&
          (digits.size() > 10 || std::stoull(std::string(digits.empty() ? "0" : digits)) >
                                     static_cast<unsigned long long>(INT32_MAX))) {
        Warning(e.line, e.name + "=" + value + " is more than the engine can read: it reads it as " +
                            std::to_string(*number));
      }
      if (number && !isPlain) {
        Warning(e.line, e.name + "=" + value + " is not a number: the engine reads it as " +
                            std::to_string(*number) +
                            (key->kind == ScriptValue::Switch ? " (write 1 or 0)" : ""));
      }
    }
  }
}

void Checker::CheckCounts() {
  for (const ScriptSection& s : kScriptSections) {
    if (!s.numbered) continue;
    const int count = Count(s);
    std::set<int> present;
    for (const ProfileSection& section : script_.Sections()) {
      const int n = section.line ? NumberAfter(section.name, s.name) : 0;
      if (n == 0) continue;
      if (!present.insert(n).second) continue;  // reported as a second section
      if (n > count) {
        Warning(section.line, "[" + section.name + "] is beyond " + std::string(s.countKey) + "=" +
                                  std::to_string(std::max(count, 0)) +
                                  ": the engine never uses it");
      }
    }
    std::vector<std::string> missing;
    for (int n = 1; n <= count; ++n)
      if (!present.count(n)) missing.push_back("[" + std::string(s.name) + std::to_string(n) + "]");
    if (!missing.empty()) {
      Error(LineOf("setup1", s.countKey),
            std::string(s.countKey) + "=" + Text("setup1", s.countKey) + ", but " + ListOf(missing) +
                (missing.size() == 1 ? " is" : " are") +
                " missing: " + (missing.size() == 1 ? "that item runs" : "those items run") +
                " with empty values");
    }
  }
  // [un_exe]: Count and exe1, exe2...
  const int count = std::min(Integer("un_exe", "Count"), kMaxItemCount);
  std::set<int> present;
  if (const ProfileSection* s = script_.FindSection("un_exe")) {
    for (const ProfileEntry& e : s->entries) {
      const int n = e.value ? NumberAfter(e.name, kUnExeEntryPrefix) : 0;
      if (n == 0 || !present.insert(n).second) continue;
      if (n > count) {
        Warning(e.line, e.name + " is beyond Count=" + std::to_string(std::max(count, 0)) +
                            " of [un_exe]: the uninstaller never runs it");
      } else if (ProfileText::ValueAsRead(*e.value, script_.Encoding()).empty()) {
        Warning(e.line, "an empty " + e.name + ": the uninstaller has nothing to run");
      }
    }
  }
  std::vector<std::string> missing;
  for (int n = 1; n <= count; ++n)
    if (!present.count(n)) missing.push_back(std::string(kUnExeEntryPrefix) + std::to_string(n));
  if (!missing.empty()) {
    Error(LineOf("un_exe", "Count"), "Count=" + Text("un_exe", "Count") + " of [un_exe], but " +
                                         ListOf(missing) + (missing.size() == 1 ? " is" : " are") +
                                         " missing: the uninstaller is given an empty entry");
  }
}

void Checker::CheckExpanded(std::string_view section, std::string_view key,
                            const std::string& value) {
  Sample sample;
  sample.lang = languages_.empty() ? L"English" : Widen(languages_.front());
  sample.dest = sampleDest_;
  std::set<std::string> reported;
  for (const std::string& word : UnknownMacros(Expand(value, sample))) {
    if (!reported.insert(Folded(word)).second) continue;
    std::string bare = word.substr(1, word.size() - 2);
    std::vector<std::string> names;
    for (const std::string& m : MacroNames()) names.push_back(m.substr(1, m.size() - 2));
    const std::string hint = Hint(bare, names, "%", "%");
    Error(LineOf(section, key), "unknown macro " + word + " in " + std::string(key) +
                                    ": the engine leaves it as written" + hint);
  }
}

void Checker::CheckSourceInKit(std::string_view section, std::string_view key, bool folder) {
  const std::string value = Text(section, key);
  if (value.empty()) return;
  // A value with %Lang% names one file per language: each must be there. Without any language
  // file the kit has worse trouble, reported once.
  const bool perLanguage = Folded(value).find("%LANG%") != std::string::npos;
  if (perLanguage && languages_.empty()) return;
  std::vector<std::string> langs = languages_;
  if (!perLanguage) langs = {languages_.empty() ? "" : languages_.front()};
  for (const std::string& lang : langs) {
    Sample sample;
    sample.installer = kKitMark;
    sample.lang = Widen(lang);
    sample.dest = sampleDest_;
    const auto inside = InsideKit(Expand(value, sample));
    if (!inside) return;
    const auto resolved = AsWindowsResolves(*inside);
    if (!resolved) return;  // it leads out of the kit: not the kit's to hold
    const std::string& relative = *resolved;
    const bool there = folder ? kit_.IsFolder(relative) : kit_.IsFile(relative);
    if (!there) {
      Error(LineOf(section, key), std::string(key) + " " + value + ": the kit holds no " +
                                      (folder ? "folder " : "file ") +
                                      (relative.empty() ? "(the kit itself)" : relative) +
                                      (perLanguage ? " (for the language " + lang + ")" : ""));
    }
  }
}

void Checker::CheckProgramInKit(std::string_view section, std::string_view key) {
  const std::string value = Text(section, key);
  Sample sample;
  sample.installer = kKitMark;
  sample.lang = languages_.empty() ? L"English" : Widen(languages_.front());
  sample.dest = sampleDest_;
  const auto inside = InsideKit(Expand(value, sample));
  if (!inside || inside->empty()) return;
  // The program's name ends at a closing quote, or at some space: any of those naming a kit
  // file will do.
  std::string command = *inside;
  if (const size_t quote = command.find('"'); quote != std::string::npos) command.resize(quote);
  for (size_t end = 0; end <= command.size(); ++end) {
    if (end < command.size() && command[end] != ' ') continue;
    if (kit_.IsFile(command.substr(0, end))) return;
  }
  const size_t space = command.find(' ');
  Error(LineOf(section, key), std::string(key) + " " + value + ": the kit holds no program " +
                                  command.substr(0, space) + ": the setup skips it");
}

// Where the engine needs a full path: a relative one depends on the current folder, which
// for a one-file setup is not the kit's.
void Checker::CheckFullPath(std::string_view section, std::string_view key,
                            const char* consequence) {
  const std::string value = Text(section, key);
  if (value.empty()) return;
  Sample sample;
  sample.lang = languages_.empty() ? L"English" : Widen(languages_.front());
  sample.dest = sampleDest_;
  const std::wstring expanded = Expand(value, sample);
  const bool full = (expanded.size() > 2 && expanded[1] == L':' && expanded[2] == L'\\') ||
                    expanded.rfind(L"\\\\", 0) == 0;
  if (!full) {
    Warning(LineOf(section, key), std::string(key) + "=" + value + " is not a full path: " +
                                      consequence + " (start it with a macro such as " +
                                      (key == "Dest" || key == "File" || key == "FileName"
                                           ? "%Dest%"
                                           : "%Installer%") +
                                      ")");
  }
}

void Checker::NoteDestFolders(std::string_view unexpanded) {
  const auto lead = LeadingMacro(unexpanded);
  if (!lead || lead->first->source != MacroSource::Destination) return;
  std::vector<std::string> parts = PathParts(lead->second);
  if (!parts.empty()) parts.pop_back();  // the file itself
  std::string path;
  for (const std::string& part : parts) {
    path += (path.empty() ? "" : "\\") + Folded(part);
    destFolders_.insert(path);
  }
}

void Checker::CheckSetup() {
  // The destination, as the folder page would get it from the script.
  Sample sample;
  sample.lang = languages_.empty() ? L"English" : Widen(languages_.front());
  const std::string dest = Text("setup1", "DestFolder");
  const std::wstring expanded = Expand(dest, sample);
  sampleDest_ = expanded;
  DestinationSystem system;
  system.fitsCodePage = [](const std::wstring&) { return true; };
  system.rootExists = [](const std::wstring&) { return true; };
  system.systemFolders = [] {
    return std::vector<std::wstring>{SampleShellFolders().at(kCsidlWindows),
                                     SampleShellFolders().at(kCsidlSystem)};
  };
  const DestinationProblem problem = CheckDestinationWith(expanded, system);
  if (problem != DestinationProblem::None) {
    Error(LineOf("setup1", "DestFolder"),
          "DestFolder " + Quoted(dest) + " gives " + Quoted(Narrow(expanded)) +
              " on a sample system: the folder page refuses it (" +
              Narrow(DestinationProblemText(problem, expanded)) + ")" +
              (Folded(dest).find("%DEST%") != std::string::npos
                   ? "; %Dest% is the destination itself and is empty here"
                   : ""));
  }
  if (sampleDest_.empty() || problem != DestinationProblem::None)
    sampleDest_ = L"C:\\Program Files\\Application";

  for (const ScriptKey& k : kSetupKeys) {
    if (k.kind == ScriptValue::Expanded) CheckExpanded("setup1", k.name, Text("setup1", k.name));
  }
  if (Text("setup1", "AppName").empty()) {
    Warning(LineOf("setup1", "AppName"),
            std::string("no AppName: every text that names the application shows nothing there") +
                (Integer("setup1", "RegUninst") != 0
                     ? ", and RegUninst=1 writes no entry in the list of installed programs"
                     : ""));
  }
  if (const int onlyNT = Integer("setup1", "OnlyNT"); onlyNT > 0 && onlyNT != 2) {
    Error(LineOf("setup1", "OnlyNT"),
          "OnlyNT=" + Text("setup1", "OnlyNT") +
              " refuses to run on every system (text 10, then it closes): write 2 for the NT "
              "family only, 0 for any");
  }
  const std::string source = Text("setup1", "SourceFolder");
  if (script_.Find("setup1", "SourceFolder") && source.empty()) {
    Warning(LineOf("setup1", "SourceFolder"),
            "SourceFolder is empty: no folder tree is copied (leave the key out if that is meant)");
  }
  if (!source.empty() && source.back() == '\\') {
    Error(LineOf("setup1", "SourceFolder"),
          "SourceFolder ends in a backslash: the subfolders of the tree are copied beside the "
          "destination "
          "folder, not into it");
  }
  CheckSourceInKit("setup1", "SourceFolder", true);
  CheckFullPath("setup1", "SourceFolder", kFromCurrentFolder);

  // The folders the tree copy makes under the destination.
  Sample mark;
  mark.installer = kKitMark;
  if (const auto tree = InsideKit(Expand(source, mark)); tree && !source.empty()) {
    std::vector<std::pair<std::string, std::string>> pending = {{*tree, ""}};
    // Bounded by the folders looked at, not only by those found: a name that leads nowhere
    // new ("", ".", which a kit in memory can hold) would otherwise be walked for ever.
    for (size_t looked = 0; !pending.empty() && looked < 100000; ++looked) {
      auto [folder, relative] = pending.back();
      pending.pop_back();
      for (const std::string& name : kit_.FolderNames(folder)) {
        if (name.empty() || name == "." || name == "..") continue;
        const std::string sub = relative.empty() ? Folded(name) : relative + "\\" + Folded(name);
        destFolders_.insert(sub);
        pending.emplace_back(folder.empty() ? name : folder + "\\" + name, sub);
      }
    }
  }
}

void Checker::CheckItems() {
  for (const ScriptSection& s : kScriptSections) {
    if (!s.numbered) continue;
    const int count = Count(s);
    for (int n = 1; n <= count; ++n) {
      const std::string section = std::string(s.name) + std::to_string(n);
      if (!script_.FindSection(section)) continue;  // reported with the count
      for (const ScriptKey& k : s.keys) {
        if (k.kind == ScriptValue::Expanded) CheckExpanded(section, k.name, Text(section, k.name));
      }
      if (s.name == "Oth") {
        CheckSourceInKit(section, "Source", false);
        const std::string dest = Text(section, "Dest");
        NoteDestFolders(dest);
        CheckFullPath(section, "Source", kFromCurrentFolder);
        CheckFullPath(section, "Dest", kFromCurrentFolder);
        Sample sample;
        sample.lang = languages_.empty() ? L"English" : Widen(languages_.front());
        sample.dest = sampleDest_;
        const std::wstring expanded = Expand(dest, sample);
        if (NamesADeviceOrIsTrimmed(expanded)) {
          Error(LineOf(section, "Dest"),
                "Dest " + Quoted(dest) + " gives " + Quoted(Narrow(expanded)) +
                    ": a part of it is named as a device or ends in a dot or a space, so the "
                    "file is not copied (a failed copy)");
        }
        if (Integer(section, "Ocx") != 0 && StartsNoCase(dest, "%Dest%")) {
          Warning(LineOf(section, "Ocx"),
                  "Ocx=1 on a file copied into %Dest%: it is registered by its bare name, which "
                  "the system's "
                  "search usually does not find there");
        }
      } else if (s.name == "Ini") {
        CheckFullPath(section, "File", "Windows keeps such a file in the Windows folder");
      } else if (s.name == "Lnk") {
        CheckFullPath(section, "FileName", "the shortcut does not lead to an installed file");
      } else if (s.name == "Exe") {
        CheckProgramInKit(section, "File");
      } else if (s.name == "Reg") {
        const std::string root = Text(section, "Root");
        if (!root.empty() && !RegistryRootIndex(Widen(root)) &&
            !SameNoCase(root, Narrow(kCurrentUserRootName))) {
          std::vector<std::string> names;
          for (std::wstring_view name : kRegistryRootNames) names.push_back(Narrow(name));
          names.push_back(Narrow(kCurrentUserRootName));
          Error(LineOf(section, "Root"), "unknown registry root " + root +
                                             ": the value goes under HKEY_CURRENT_USER" +
                                             Hint(root, names));
        }
        const int type = Integer(section, "Type");
        const std::string data = Text(section, "Data");
        if (type == 0) {
          CheckExpanded(section, "Data", data);
        } else if (type == 1) {
          if (!ParseRegistryInteger(Widen(data))) {
            Error(LineOf(section, "Data"),
                  "Data=" + data + " is not a number for Type=1 (decimal, or hexadecimal " +
                      "after $, x or 0x): the setup stops with \"'" + data +
                      "' is not a valid integer value\"");
          }
        } else if (type != 2) {
          Warning(LineOf(section, "Type"),
                  "Type=" + std::to_string(type) +
                      " writes no value (0 text, 1 number, 2 binary): only the key is made");
        }
      }
    }
  }
  const int count = std::min(Integer("un_exe", "Count"), kMaxItemCount);
  for (int n = 1; n <= count; ++n) {
    const std::string key = std::string(kUnExeEntryPrefix) + std::to_string(n);
    if (script_.Find("un_exe", key)) CheckExpanded("un_exe", key, Text("un_exe", key));
  }
}

void Checker::CheckShortcutFolders() {
  std::set<std::string> made;  // folders earlier shortcuts made, by their macro (folded)
  const int count = std::min(Integer("setup1", "LnkCount"), kMaxItemCount);
  for (int n = 1; n <= count; ++n) {
    const std::string section = "Lnk" + std::to_string(n);
    if (!script_.FindSection(section)) continue;
    const std::string link = Text(section, "LinkName");
    const auto lead = LeadingMacro(link);
    if (!lead) continue;
    std::vector<std::string> parts = PathParts(lead->second);
    if (parts.size() < 2) continue;
    parts.pop_back();
    const std::string base = Folded(Narrow(lead->first->name));
    // How many of the link's folders are there before it: the deepest that already is.
    size_t there = 0;
    std::string path;
    for (size_t i = 0; i < parts.size(); ++i) {
      path += (path.empty() ? "" : "\\") + Folded(parts[i]);
      bool exists = made.count(base + "\\" + path) > 0;
      if (lead->first->source == MacroSource::Destination)
        exists = exists || destFolders_.count(path) > 0;
      if (lead->first->source == MacroSource::Installer) exists = exists || kit_.IsFolder(path);
      if (exists) there = i + 1;
    }
    const size_t fresh = parts.size() - there;
    if (fresh >= 2) {
      std::string levels;
      for (size_t i = there; i < parts.size(); ++i)
        levels += (levels.empty() ? "" : "\\") + parts[i];
      Warning(LineOf(section, "LinkName"),
              "the shortcut lies " + std::to_string(fresh) + " new folders deep (" + levels +
                  "): the engine makes only the last one, so the shortcut is not created");
    }
    // The engine makes the link's own folder.
    std::string own;
    for (size_t i = 0; i < parts.size(); ++i) {
      own += (own.empty() ? "" : "\\") + Folded(parts[i]);
      if (i + 1 == parts.size() && fresh <= 1) made.insert(base + "\\" + own);
    }
  }
}

void Checker::CheckLanguages() {
  if (languages_.empty()) {
    Error(0,
          "the kit has no language file (*.qxl): the language list is empty and every text of the "
          "wizard is "
          "empty; an unattended setup refuses to run");
    return;
  }
  for (const std::string& name : languages_) {
    const std::string& file = languageFiles_[name];
    const auto bytes = kit_.Read(file);
    if (!bytes) {
      Add(file, 0, Severity::Error, "cannot be read");
      continue;
    }
    CheckLanguageFile(file, *bytes);
  }
}

void Checker::CheckLanguageFile(const std::string& file, const std::string& bytes) {
  const ProfileText text(bytes);
  CheckEncoding(text, file);
  const ProfileSection* section = text.FindSection(kLanguageSectionName);
  if (!section) {
    Add(file, 0, Severity::Error, "no [language] section: every text of the wizard is empty");
    return;
  }
  std::map<std::string, int> seen;
  for (const ProfileEntry& e : section->entries) {
    if (IsComment(e) || !e.value) continue;
    const int key = NumberAfter(e.name, "");
    if (key < 1 || key > kLastLanguageText) {
      Add(file, e.line, Severity::Warning,
          "unknown text " + e.name + ": the engine never reads it");
      continue;
    }
    auto [first, inserted] = seen.emplace(std::to_string(key), e.line);
    if (!inserted) {
      Add(file, e.line, Severity::Error,
          "text " + e.name + " again (first at line " + std::to_string(first->second) +
              "): the engine reads only the first");
    }
  }
  for (const ProfileSection& other : text.Sections()) {
    if (&other != section && other.line && SameNoCase(other.name, kLanguageSectionName)) {
      Add(file, other.line, Severity::Error,
          "[" + other.name + "] again (first at line " + std::to_string(section->line) +
              "): the engine reads only the first");
    }
  }
  std::vector<std::string> missing, standIn;
  for (int key = 1; key <= kLastLanguageText; ++key) {
    const ProfileEntry* e = text.Find(kLanguageSectionName, std::to_string(key));
    if (!e || !e->value)
      (key <= kLanguageTextCount ? missing : standIn).push_back(std::to_string(key));
  }
  if (!missing.empty()) {
    Add(file, section->line, Severity::Error,
        std::string(missing.size() == 1 ? "text " : "texts ") + ListOf(missing) +
            (missing.size() == 1 ? " is" : " are") + " missing: the wizard shows nothing in " +
            (missing.size() == 1 ? "its place" : "their place"));
  }
  if (!standIn.empty()) {
    Add(file, section->line, Severity::Warning,
        std::string(standIn.size() == 1 ? "text " : "texts ") + ListOf(standIn) +
            (standIn.size() == 1 ? " is" : " are") + " missing: the wizard says " +
            (standIn.size() == 1 ? "it" : "them") + " in English");
  }
  for (int key : kFormattedTexts) {
    const ProfileEntry* e = text.Find(kLanguageSectionName, std::to_string(key));
    if (!e || !e->value) continue;
    const std::string value = ProfileText::ValueAsRead(*e->value, text.Encoding());
    try {
      FormatPattern(Widen(value), L"x");
    } catch (const FormatError& error) {
      Add(file, e->line, Severity::Error,
          "text " + std::to_string(key) +
              " is not a valid pattern for one text argument (%s, %%): the setup stops "
              "with \"" +
              Narrow(error.Message()) + "\"");
    }
  }
}

void Checker::CheckKitFiles() {
  if (!kit_.IsFile(kKitEngine)) {
    Add(kKitEngine, 0, Severity::Error, "missing: the kit has no engine to run");
  }
  if (Integer("setup1", "CreateUninst") != 0 && !kit_.IsFile(kKitUninstaller)) {
    Error(LineOf("setup1", "CreateUninst"),
          std::string("CreateUninst=1, but the kit has no ") + kKitUninstaller +
              ": no Uninstall.exe is installed beside the uninstall list");
  }
  if (!kit_.IsFile(kKitLicence)) {
    Add(kKitLicence, 0, Severity::Warning, "missing: the licence page stays empty");
  }
  if (Integer("logo", "NoLogo") == 0 && !kit_.IsFile(kKitPicture)) {
    Add(kKitPicture, 0, Severity::Warning, "missing: the welcome and finish pages show no picture");
  }
  if (const ProfileEntry* e = script_.Find(kKitSection, "Version"); e && e->value) {
    unsigned short parts[4];
    const std::string version = ProfileText::ValueAsRead(*e->value, script_.Encoding());
    if (!ParseKitVersion(version, parts)) {
      Error(e->line, "Version=" + version +
                         " is not a version: one to four numbers of 0 to 65535 joined by dots");
    }
  }
}

}  // namespace

int KitReport::Count(Severity severity) const {
  return static_cast<int>(
      std::count_if(findings.begin(), findings.end(),
                    [severity](const Finding& f) { return f.severity == severity; }));
}

KitReport CheckKit(const KitFolder& kit, unsigned codePage) {
  KitReport report;
  Checker(kit, codePage, report).Run();
  return report;
}

namespace {
// Control bytes of a quoted text or name escaped: a NUL would end the line where it is
// printed, a line break would split one finding into two.
std::string Printable(std::string_view text) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (char c : text) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x20 || b == 0x7F) {
      out += "\\x";
      out += kHex[b >> 4];
      out += kHex[b & 15];
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace

std::string FindingLine(const std::string& kitPath, const Finding& finding) {
#ifdef _WIN32
  constexpr char kSeparator = '\\';
#else
  constexpr char kSeparator = '/';
#endif
  std::string path = kitPath;
  if (!path.empty() && path.back() != '/' && path.back() != '\\') path += kSeparator;
  std::string file = finding.file;
  std::replace(file.begin(), file.end(), '\\', kSeparator);
  path += Printable(file);
  if (finding.line > 0) path += ":" + std::to_string(finding.line);
  return path + (finding.severity == Severity::Error ? ": error: " : ": warning: ") +
         Printable(finding.text);
}

std::string ReportSummary(const KitReport& report) {
  auto counted = [](int n, const char* what) {
    return std::to_string(n) + " " + what + (n == 1 ? "" : "s");
  };
  return counted(report.Count(Severity::Error), "error") + ", " +
         counted(report.Count(Severity::Warning), "warning");
}

KitIdentity ReadKitIdentity(const KitFolder& kit) {
  KitIdentity identity;
  if (const auto bytes = kit.Read(kKitScript)) {
    const ProfileText script(*bytes);
    identity.appName = script.Text("setup1", "AppName");
    identity.version = script.Text(kKitSection, "Version");
  }
  return identity;
}

bool ParseKitVersion(const std::string& text, unsigned short (&parts)[4]) {
  for (unsigned short& p : parts) p = 0;
  size_t at = 0;
  for (int i = 0; i < 4; ++i) {
    size_t end = at;
    unsigned long value = 0;
    while (end < text.size() && text[end] >= '0' && text[end] <= '9' && end - at < 6)
      value = value * 10 + (text[end++] - '0');
    if (end == at || value > 65535) return false;
    parts[i] = static_cast<unsigned short>(value);
    if (end == text.size()) return true;
    if (text[end] != '.') return false;
    at = end + 1;
  }
  return false;
}

}  // namespace bramlow
