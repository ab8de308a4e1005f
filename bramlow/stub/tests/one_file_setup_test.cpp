// The one-file setup end to end: the sample kit built into one program with bramlow-kit,
// installed unattended as from its folder, bramlow's exit code passed on, the unpacked folder
// gone afterwards also when bramlow refuses; the same program cut short refused with a
// message, unpacking and installing nothing; one whose trailer vouches for a damaged member
// refused while unpacking, with what it unpacked removed.
#include <windows.h>
#include <gtest/gtest.h>
#include <shlobj.h>

#include <algorithm>
#include <iterator>
#include <cwchar>
#include <map>
#include <string_view>
#include <optional>
#include <string>
#include <vector>

#include "bramlow/kit/setup_payload.h"
#include "driver.h"
#include "testing/support/file_bytes.h"
#include "testing/support/run_and_wait.h"
#include "testing/support/scratch_folder.h"
#include "testing/support/tree_removal.h"
#include "winbase/handles.h"
#include "ziparchive/records/zip_records.h"

namespace {

using testsupport::Exists;
using testsupport::ReadBytes;
using testsupport::RemoveTree;
using testsupport::WriteBytes;

constexpr DWORD kWait = 120000;
const wchar_t kAppKey[] = L"Software\\Example\\Sample Viewer";
const wchar_t kUninstallKey[] =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Sample_Viewer_1_0";

// A build path as Wine sees it (its Z: drive is the Unix root).
std::wstring WinePath(const char* unix) {
  std::wstring path = L"Z:";
  for (const char* c = unix; *c; ++c) path += *c == '/' ? L'\\' : static_cast<wchar_t>(*c);
  return path;
}

std::wstring Special(int csidl) {
  wchar_t path[MAX_PATH] = {};
  ::SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
  return path;
}

std::wstring TempFolder() {
  wchar_t temp[MAX_PATH + 1] = {};
  ::GetTempPathW(MAX_PATH + 1, temp);
  std::wstring folder = temp;
  if (!folder.empty() && folder.back() == L'\\') folder.pop_back();
  return folder;
}

// The folders one-file setups unpacked into and left in %TEMP%.
std::vector<std::wstring> Unpacked() {
  std::vector<std::wstring> found;
  WIN32_FIND_DATAW data;
  winbase::FindHandle find(::FindFirstFileW((TempFolder() + L"\\bramlow-setup-*").c_str(), &data));
  if (!find) return found;
  do found.push_back(data.cFileName);
  while (::FindNextFileW(find.get(), &data));
  return found;
}

// Values of the user's RunOnce key that a one-file setup set.
std::vector<std::wstring> ScheduledRemovals() {
  std::vector<std::wstring> names;
  HKEY key;
  if (::RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce",
                      0, KEY_READ, &key) != ERROR_SUCCESS) {
    return names;
  }
  winbase::RegKey owner(key);
  wchar_t name[256];
  for (DWORD i = 0;; ++i) {
    DWORD length = 256;
    if (::RegEnumValueW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
      break;
    if (wcsncmp(name, L"bramlow-setup-", 14) == 0) names.push_back(name);
  }
  return names;
}

// Files of a tree relative to its root, with their bytes.
void ListTree(const std::wstring& root, const std::wstring& relative,
              std::map<std::wstring, std::string>& out) {
  WIN32_FIND_DATAW data;
  winbase::FindHandle find(::FindFirstFileW((root + L"\\" + relative + L"*").c_str(), &data));
  if (!find) return;
  do {
    const std::wstring name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      out[relative + name + L"\\"] = "";
      ListTree(root, relative + name + L"\\", out);
    } else {
      out[relative + name] = ReadBytes(root + L"\\" + relative + name);
    }
  } while (::FindNextFileW(find.get(), &data));
}

std::map<std::wstring, std::string> Tree(const std::wstring& root) {
  std::map<std::wstring, std::string> tree;
  ListTree(root, L"", tree);
  return tree;
}

void CopyTree(const std::wstring& from, const std::wstring& to) {
  ::CreateDirectoryW(to.c_str(), nullptr);
  for (const auto& [name, bytes] : Tree(from)) {
    if (name.back() == L'\\')
      ::CreateDirectoryW((to + L"\\" + name).c_str(), nullptr);
    else
      ::CopyFileW((from + L"\\" + name).c_str(), (to + L"\\" + name).c_str(), FALSE);
  }
}

std::vector<std::string> LogLines(const std::wstring& path) {
  std::vector<std::string> lines;
  const std::string bytes = ReadBytes(path);
  size_t start = 0;
  for (size_t end; (end = bytes.find("\r\n", start)) != std::string::npos; start = end + 2)
    lines.push_back(bytes.substr(start, end - start));
  return lines;
}

class OneFileSetup : public ::testing::Test {
 protected:
  void SetUp() override {
    kit = scratch.Path() + std::wstring(L"\\kit");
    CopyTree(WinePath(KIT_DIR), kit);
    ASSERT_TRUE(Exists(kit + L"\\bramlow.exe")) << "the build assembles the kit with the engine";
    base = L"C:\\kv-onefile-" + std::to_wstring(::GetCurrentProcessId());
    CleanInstallation();
    before = Unpacked();
  }
  void TearDown() override {
    CleanInstallation();
    kvdriver::WindowQuery editors;
    editors.className = L"Notepad";
    for (const auto& w : kvdriver::TopWindows(editors)) kvdriver::CloseWindow(w.hwnd);
  }

  void CleanInstallation() {
    RemoveTree(base);
    RemoveTree(Special(CSIDL_PROGRAMS) + L"\\Sample Viewer");
    ::DeleteFileW((Special(CSIDL_DESKTOPDIRECTORY) + L"\\Sample Viewer.lnk").c_str());
    ::RegDeleteKeyW(HKEY_CURRENT_USER, kAppKey);
    ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, kUninstallKey);
  }

  // bramlow-kit build KIT -o OUTPUT with the stub of this build.
  void Build(const std::wstring& output) {
    const auto run =
        testsupport::RunAndCapture(L"\"" + WinePath(KIT_TOOL) + L"\" build \"" + kit + L"\" -o \"" +
                                       output + L"\" --stub \"" + WinePath(KIT_STUB) + L"\"",
                                   kWait);
    ASSERT_TRUE(run.started);
    ASSERT_EQ(run.exitCode, 0u) << run.output;
    ASSERT_TRUE(Exists(output));
  }

  std::optional<DWORD> Run(const std::wstring& program, const std::wstring& switches) {
    kvdriver::Process process = kvdriver::Start(program, switches, scratch.Path());
    return process.Wait(kWait);
  }

  void ExpectNothingLeftUnpacked() {
    EXPECT_EQ(Unpacked(), before) << "the folder it unpacked into is gone";
    EXPECT_TRUE(ScheduledRemovals().empty()) << "and no removal is left scheduled";
  }

  testsupport::ScratchFolder scratch{"kv-onefile"};
  std::wstring kit, base;
  std::vector<std::wstring> before;
};

TEST_F(OneFileSetup, InstallsAsFromTheFolderAndLeavesNothingUnpacked) {
  const std::wstring setup = scratch.Path() + std::wstring(L"\\viewer-setup.exe");
  Build(setup);

  const std::wstring oneFile = base + L"\\one file", fromFolder = base + L"\\from folder";
  const std::wstring log = scratch.Path() + std::wstring(L"\\one.log");
  auto code = Run(setup, L"/S /LANG=English /LOG=\"" + log + L"\" /D=" + oneFile);
  ASSERT_TRUE(code.has_value()) << "no window waits for anybody";
  EXPECT_EQ(*code, 0u);
  const std::vector<std::string> lines = LogLines(log);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(), "result: installed (exit code 0)");
  ExpectNothingLeftUnpacked();

  // The same kit from its folder, into another destination: the same files with the same
  // bytes (the uninstall list names its own folder). The registry values go first, so that
  // this installation makes them anew and lists them as the first did. The Start menu folder
  // stays: an installation lists it only when it made it, so only the first one does (and
  // its section counts one more; the counts are compared through the values they count).
  ::RegDeleteKeyW(HKEY_CURRENT_USER, kAppKey);
  ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, kUninstallKey);
  code = Run(kit + L"\\bramlow.exe", L"/S /LANG=English /D=" + fromFolder);
  ASSERT_TRUE(code.has_value());
  EXPECT_EQ(*code, 0u);
  // Files that name the destination (the uninstall list, an INI entry) name each its own.
  auto normalized = [](const std::wstring& dest) {
    std::map<std::wstring, std::string> tree = Tree(dest);
    const std::string path(dest.begin(), dest.end());
    for (auto& [name, bytes] : tree) {
      for (size_t at; (at = bytes.find(path)) != std::string::npos;)
        bytes.replace(at, path.size(), "<dest>");
    }
    return tree;
  };
  auto installed = normalized(oneFile), expected = normalized(fromFolder);
  // The uninstall list numbers the files in the order the folder listed them: its values
  // are compared without the numbers.
  const std::wstring menu = Special(CSIDL_PROGRAMS) + L"\\Sample Viewer";
  const std::string menuLine = "=" + std::string(menu.begin(), menu.end());
  auto values = [&menuLine](const std::string& list) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = list.find("\r\n", start)) != std::string::npos; start = end + 2) {
      std::string line = list.substr(start, end - start);
      const size_t equals = line.find('=');
      if (equals != std::string::npos && line.find_first_not_of("0123456789") == equals)
        line.erase(0, equals);
      if (line != menuLine && line.rfind("Count=", 0) != 0) lines.push_back(line);
    }
    std::sort(lines.begin(), lines.end());
    return lines;
  };
  ASSERT_TRUE(installed.count(L"Uninstall.ini"));
  {
    const std::vector<std::string> got = values(installed[L"Uninstall.ini"]);
    const std::vector<std::string> want = values(expected[L"Uninstall.ini"]);
    std::vector<std::string> onlyGot, onlyWanted;
    std::set_difference(got.begin(), got.end(), want.begin(), want.end(),
                        std::back_inserter(onlyGot));
    std::set_difference(want.begin(), want.end(), got.begin(), got.end(),
                        std::back_inserter(onlyWanted));
    EXPECT_EQ(onlyGot, std::vector<std::string>{}) << "listed by the one-file setup alone";
    EXPECT_EQ(onlyWanted, std::vector<std::string>{}) << "listed from the folder alone";
  }
  installed.erase(L"Uninstall.ini");
  expected.erase(L"Uninstall.ini");
  for (const auto& [name, bytes] : expected) {
    const auto found = installed.find(name);
    if (found == installed.end())
      ADD_FAILURE() << "not installed: " << std::string(name.begin(), name.end());
    else
      EXPECT_TRUE(found->second == bytes) << "differs: " << std::string(name.begin(), name.end());
  }
  EXPECT_EQ(installed.size(), expected.size());
  EXPECT_EQ(ReadBytes(oneFile + L"\\readme.txt"), ReadBytes(kit + L"\\app\\readme.txt"));
}

TEST_F(OneFileSetup, PassesBramlowsExitCodeOnAndRemovesItsFolderAlsoThen) {
  // A drive's root is refused as the destination: bramlow ends with 2 before it installs.
  const std::wstring setup = scratch.Path() + std::wstring(L"\\refusing-setup.exe");
  Build(setup);
  const std::wstring log = scratch.Path() + std::wstring(L"\\refused.log");
  const auto code = Run(setup, L"/S /LOG=\"" + log + L"\" /D=C:\\");
  ASSERT_TRUE(code.has_value());
  EXPECT_EQ(*code, 2u) << "bramlow's refusal";
  const std::vector<std::string> lines = LogLines(log);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(), "result: refused or cancelled, nothing installed (exit code 2)");
  EXPECT_FALSE(Exists(L"C:\\Uninstall.ini"));
  ExpectNothingLeftUnpacked();
}

TEST_F(OneFileSetup, ADownloadCutShortIsRefusedAndNothingIsUnpackedOrInstalled) {
  const std::wstring setup = scratch.Path() + std::wstring(L"\\viewer-setup.exe");
  Build(setup);
  const std::string whole = ReadBytes(setup);
  ASSERT_GT(whole.size(), 1000u);
  const std::wstring cut = scratch.Path() + std::wstring(L"\\viewer-setup-cut.exe");
  WriteBytes(cut, std::string_view(whole).substr(0, whole.size() - 1000));

  const std::wstring log = scratch.Path() + std::wstring(L"\\cut.log");
  const std::wstring dest = base + L"\\cut";
  auto code = Run(cut, L"/S /LOG=\"" + log + L"\" /D=" + dest);
  ASSERT_TRUE(code.has_value()) << "no message box with /S";
  EXPECT_EQ(*code, 1u);
  const std::vector<std::string> lines = LogLines(log);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_NE(lines[0].find("damaged or incomplete"), std::string::npos) << lines[0];
  EXPECT_NE(lines[0].find("nothing unpacked"), std::string::npos) << lines[0];
  EXPECT_EQ(lines[1], "result: failed (exit code 1)");
  EXPECT_FALSE(Exists(dest));
  ExpectNothingLeftUnpacked();

  // Without /S the user is told so in a message box; nothing happens after it either.
  kvdriver::Process process = kvdriver::Start(cut, L"/D=" + dest, scratch.Path());
  const auto box = kvdriver::WaitForMessageBox(process.Id(), kWait);
  ASSERT_TRUE(box.has_value());
  EXPECT_EQ(box->caption, L"viewer-setup-cut.exe");
  EXPECT_NE(box->text.find(L"damaged or incomplete"), std::wstring::npos);
  EXPECT_NE(box->text.find(L"Download the file again"), std::wstring::npos);
  kvdriver::AnswerMessageBox(*box, IDOK);
  code = process.Wait(kWait);
  ASSERT_TRUE(code.has_value());
  EXPECT_EQ(*code, 1u);
  EXPECT_FALSE(Exists(dest));
  ExpectNothingLeftUnpacked();
}

// A setup file whose trailer vouches for damaged bytes (made so, since a download cut or
// changed fails the trailer): unpacking finds the member's CRC wrong, takes away what it had
// unpacked and runs nothing.
TEST_F(OneFileSetup, AMemberFailingItsCheckWhileUnpackedRemovesWhatWasUnpackedAndRunsNothing) {
  const std::wstring setup = scratch.Path() + std::wstring(L"\\viewer-setup.exe");
  Build(setup);
  std::string bytes = ReadBytes(setup);
  ASSERT_GT(bytes.size(), bramlow::kPayloadTrailerSize);
  const auto trailer = bramlow::DecodeTrailer(
      std::string_view(bytes).substr(bytes.size() - bramlow::kPayloadTrailerSize));
  ASSERT_TRUE(trailer.has_value());
  // A byte of the data of app\readme.txt, which follows members unpacked before it.
  const std::string name = "readme.txt";
  size_t header = trailer->zipOffset;
  for (;;) {
    header = bytes.find("PK\x03\x04", header + 1);
    ASSERT_NE(header, std::string::npos) << "no local header of " << name;
    const size_t nameLength = uint8_t(bytes[header + 26]) | uint8_t(bytes[header + 27]) << 8;
    const std::string stored = bytes.substr(header + 30, nameLength);
    if (stored.size() > name.size() &&
        stored.compare(stored.size() - name.size(), name.size(), name) == 0)
      break;
  }
  const size_t data = header + 30 +
                      (uint8_t(bytes[header + 26]) | uint8_t(bytes[header + 27]) << 8) +
                      (uint8_t(bytes[header + 28]) | uint8_t(bytes[header + 29]) << 8);
  bytes[data + 2] = static_cast<char>(bytes[data + 2] ^ 0x10);
  bramlow::PayloadTrailer vouching = *trailer;
  const size_t payloadEnd = bytes.size() - bramlow::kPayloadTrailerSize;
  vouching.crc = ziparchive::Crc32Final(ziparchive::Crc32Update(
      ziparchive::kCrc32Init, bytes.data() + trailer->zipOffset, payloadEnd - trailer->zipOffset));
  bytes.replace(payloadEnd, bramlow::kPayloadTrailerSize, bramlow::EncodeTrailer(vouching));
  WriteBytes(setup, bytes);

  const std::wstring log = scratch.Path() + std::wstring(L"\\damaged.log");
  const std::wstring dest = base + L"\\damaged";
  const auto code = Run(setup, L"/S /LOG=\"" + log + L"\" /D=" + dest);
  ASSERT_TRUE(code.has_value());
  EXPECT_EQ(*code, 1u);
  const std::vector<std::string> lines = LogLines(log);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_NE(lines[0].find("damaged or incomplete"), std::string::npos) << lines[0];
  EXPECT_NE(lines[0].find(name), std::string::npos) << lines[0];
  EXPECT_NE(lines[0].find("what was unpacked removed"), std::string::npos) << lines[0];
  EXPECT_FALSE(Exists(dest));
  ExpectNothingLeftUnpacked();
}

}  // namespace
