#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <vector>

#include "bramlow/actions/entries/answering_copy.h"
#include "bramlow/actions/entries/copy_files.h"
#include "bramlow/actions/entries/file_copy.h"
#include "bramlow/actions/entries/step_log.h"
#include "test_support.h"
#include "winbase/text.h"
#include "testing/support/folder_names.h"

namespace bramlow {
namespace {

using testing::FileExists;
using testing::FolderExists;
using testing::ReadBytes;
using testing::RecordingHost;
using testing::RemoveTree;
using testing::ScratchFolder;
using testing::StateWithFiles;
using testing::WriteBytes;

using testsupport::FolderNames;

class TreeCopyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    source = scratch / L"src";
    dest = scratch / L"dest";
    CreateDirectoryW(source.c_str(), nullptr);
    CreateDirectoryW(dest.c_str(), nullptr);
    files.state.SourceFolder = source;
    files.state.DestFolder = dest;
    files.state.FailIfExists = true;
  }
  // What the installation sequence does around the tree copy: one walk serves the count and
  // the copy, and the window is kept answering during the walk.
  void CountAndCopy() {
    files.state.FileCounter = 0;
    const SourceTree tree = CountTreeFiles(files.state.SourceFolder, files.state, host);
    pumpsWhileCounting = host.pumpCalls;
    files.state.CopiedCounter = 0;
    files.state.FolderCounter = 0;
    CopyTree(tree, files.state, host);
  }
  int pumpsWhileCounting = 0;
  ScratchFolder scratch;
  StateWithFiles files{scratch};
  ActionContext context{files.state};
  RecordingHost host;
  std::wstring source, dest;
};

TEST_F(TreeCopyTest, CopiesRecordsAndShowsBareNames) {
  WriteBytes(source + L"\\a.txt", "a");
  CreateDirectoryW((source + L"\\sub").c_str(), nullptr);
  WriteBytes(source + L"\\sub\\b.txt", "b");
  CreateDirectoryW((source + L"\\empty").c_str(), nullptr);
  CountAndCopy();

  EXPECT_EQ(files.state.FileCounter, 2);
  EXPECT_EQ(files.state.CopiedCounter, 2);
  EXPECT_EQ(files.state.FolderCounter, 2);
  EXPECT_FALSE(files.state.CopyFailed);
  EXPECT_EQ(ReadBytes(dest + L"\\a.txt"), "a");
  EXPECT_EQ(ReadBytes(dest + L"\\sub\\b.txt"), "b");
  EXPECT_TRUE(FolderExists(dest + L"\\empty"));

  // Records follow the copy order, which is the order of the status lines.
  ASSERT_EQ(host.statuses.size(), 2u);
  ASSERT_EQ(host.positions, (std::vector<int>{1, 2}));
  for (int n = 1; n <= 2; ++n) {
    const std::wstring shown = host.statuses[n - 1];
    ASSERT_EQ(shown.rfind(L"Copying ", 0), 0u);
    const std::wstring name = shown.substr(8);
    EXPECT_TRUE(name == L"a.txt" || name == L"b.txt");
    const std::wstring expected = name == L"a.txt" ? dest + L"\\a.txt" : dest + L"\\sub\\b.txt";
    EXPECT_EQ(files.Record(L"files", std::to_wstring(n)), expected);
  }
  std::vector<std::wstring> folders = {files.Record(L"folders", L"1"),
                                       files.Record(L"folders", L"2")};
  std::sort(folders.begin(), folders.end());
  EXPECT_EQ(folders, (std::vector<std::wstring>{dest + L"\\empty", dest + L"\\sub"}));
  // At every entry of the walk (a, sub, b, empty) and every copy.
  EXPECT_GE(pumpsWhileCounting, 4);
  EXPECT_GE(host.pumpCalls - pumpsWhileCounting, 2);
}

TEST_F(TreeCopyTest, AnExistingFileStopsOnlyItsOwnFolder) {
  WriteBytes(source + L"\\top.txt", "top");
  CreateDirectoryW((source + L"\\f").c_str(), nullptr);
  for (const wchar_t* name : {L"1.txt", L"2.txt", L"3.txt"})
    WriteBytes(source + L"\\f\\" + name, "new");
  CreateDirectoryW((source + L"\\g").c_str(), nullptr);
  WriteBytes(source + L"\\g\\x.txt", "x");
  // The first file the folder lists already exists at the destination.
  const std::vector<std::wstring> order = FolderNames(source + L"\\f");
  ASSERT_EQ(order.size(), 3u);
  CreateDirectoryW((dest + L"\\f").c_str(), nullptr);
  WriteBytes(dest + L"\\f\\" + order[0], "old");

  CountAndCopy();
  EXPECT_TRUE(files.state.CopyFailed);
  EXPECT_EQ(ReadBytes(dest + L"\\f\\" + order[0]), "old");
  EXPECT_FALSE(FileExists(dest + L"\\f\\" + order[1]));
  EXPECT_FALSE(FileExists(dest + L"\\f\\" + order[2]));
  EXPECT_EQ(ReadBytes(dest + L"\\g\\x.txt"), "x");
  EXPECT_EQ(ReadBytes(dest + L"\\top.txt"), "top");
  EXPECT_EQ(files.state.FileCounter, 5);
  EXPECT_EQ(files.state.CopiedCounter, 3)
      << "the failed file uses its number, the skipped ones do not";
}

// A file of the user's where a folder of the tree goes, and a name the ANSI list could hold
// only as a look-alike (another file), are failed steps: logged with the reason and listed
// nowhere, and nothing below them is tried; the rest of the tree is copied.
TEST_F(TreeCopyTest, AFileInAFoldersPlaceOrANameTheListCannotHoldIsAFailedStep) {
  const std::wstring unheldName = L"\u65E5\u672C";
  for (const std::wstring& folder :
       {std::wstring(L"\\blocked"), L"\\" + unheldName, std::wstring(L"\\names")})
    CreateDirectoryW((source + folder).c_str(), nullptr);
  WriteBytes(source + L"\\blocked\\in.txt", "in");
  WriteBytes(dest + L"\\blocked", "the user's");
  WriteBytes(source + L"\\" + unheldName + L"\\x.txt", "x");
  // Made earlier: its files would be listed under a look-alike all the same.
  CreateDirectoryW((dest + L"\\" + unheldName).c_str(), nullptr);
  WriteBytes(source + L"\\names\\" + unheldName + L".txt", "unheldName");
  WriteBytes(source + L"\\\u0436.txt", "held");  // the Russian code page holds it
  const std::wstring log = scratch / L"copy.log";
  DWORD error = 0;
  Steps().Close();
  ASSERT_TRUE(Steps().Open(log, error));
  CountAndCopy();
  Steps().Close();
  EXPECT_TRUE(files.state.CopyFailed);
  EXPECT_EQ(ReadBytes(dest + L"\\blocked"), "the user's");
  EXPECT_FALSE(FileExists(dest + L"\\" + unheldName + L"\\x.txt"));
  EXPECT_FALSE(FileExists(dest + L"\\names\\" + unheldName + L".txt"));
  EXPECT_EQ(ReadBytes(dest + L"\\\u0436.txt"), "held");
  const std::string text = ReadBytes(log);
  const std::string unheld = "a character the ANSI code page cannot hold";
  for (const std::string& line :
       {"make folder " + winbase::ToUtf8(dest) + "\\blocked: failed (a file of that name is there)",
        "make folder " + winbase::ToUtf8(dest + L"\\" + unheldName) + ": failed (" + unheld + ")",
        " -> " + winbase::ToUtf8(dest + L"\\names\\" + unheldName) + ".txt: failed (" + unheld +
            ")",
        " -> " + winbase::ToUtf8(dest) + "\\blocked\\in.txt: skipped"})
    EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;
  std::vector<std::wstring> listed;
  for (const wchar_t* section : {L"files", L"folders"})
    for (int n = 1; n <= 6; ++n) listed.push_back(files.Record(section, std::to_wstring(n)));
  for (const std::wstring& entry : listed) {
    EXPECT_EQ(entry.find(L"blocked"), std::wstring::npos);
    EXPECT_EQ(entry.find(L'?'), std::wstring::npos);
    EXPECT_TRUE(winbase::FitsCodePage(entry));
  }
  EXPECT_NE(std::find(listed.begin(), listed.end(), dest + L"\\\u0436.txt"), listed.end());
  EXPECT_NE(std::find(listed.begin(), listed.end(), dest + L"\\names"), listed.end());
}

// The log must account for every file of the tree: those a failure left untried are named.
TEST_F(TreeCopyTest, FilesAFailureLeavesUntriedAreLoggedAsSkipped) {
  CreateDirectoryW((source + L"\\f").c_str(), nullptr);
  for (const wchar_t* name : {L"1.txt", L"2.txt", L"3.txt"})
    WriteBytes(source + L"\\f\\" + name, "new");
  CreateDirectoryW((source + L"\\f\\s").c_str(), nullptr);
  WriteBytes(source + L"\\f\\s\\deep.txt", "deep");
  std::wstring firstFile;
  for (const std::wstring& name : FolderNames(source + L"\\f"))
    if (firstFile.empty() && name != L"s") firstFile = name;
  CreateDirectoryW((dest + L"\\f").c_str(), nullptr);
  WriteBytes(dest + L"\\f\\" + firstFile, "old");
  const std::wstring log = scratch / L"copy.log";
  DWORD error = 0;
  ASSERT_TRUE(Steps().Open(log, error));

  CountAndCopy();
  Steps().Close();
  const std::string text = ReadBytes(log);
  int skipped = 0;
  for (const wchar_t* file : {L"1.txt", L"2.txt", L"3.txt", L"s\\deep.txt"}) {
    const std::wstring from = source + L"\\f\\" + file, to = dest + L"\\f\\" + file;
    const std::string line = "copy " + std::string(from.begin(), from.end()) + " -> " +
                             std::string(to.begin(), to.end()) + ": ";
    const size_t at = text.find(line);
    ASSERT_NE(at, std::string::npos) << "no line for " << line;
    const std::string result =
        text.substr(at + line.size(), text.find("\r\n", at) - at - line.size());
    if (file == firstFile) {
      EXPECT_EQ(result.rfind("failed (", 0), 0u) << result;
    } else if (result.rfind("skipped", 0) == 0) {
      ++skipped;
      EXPECT_FALSE(FileExists(to));
    } else {
      EXPECT_EQ(result, "ok");
    }
  }
  EXPECT_GE(skipped, 2) << "the folder still stops after its failure";
}

// The copy goes over what the count found, and the window answers in between: a part of the
// tree gone by then must be a failed copy, with a line for each of its files, never a quiet
// success with the files missing.
TEST_F(TreeCopyTest, APartOfTheTreeGoneAfterTheCountIsAFailedCopy) {
  const std::wstring sub = source + L"\\sub";
  const struct {
    const char* what;
    void (*change)(const std::wstring& sub, const std::wstring& first);
  } rows[] = {
      {"a file removed", [](const std::wstring& sub, const std::wstring& first) {
         DeleteFileW((sub + L"\\" + first).c_str());
       }},
      {"its folder removed", [](const std::wstring& sub, const std::wstring&) { RemoveTree(sub); }},
      {"its folder turned into a file", [](const std::wstring& sub, const std::wstring&) {
         RemoveTree(sub);
         WriteBytes(sub, "now a file");
       }},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    RemoveTree(sub);
    RemoveTree(dest);
    CreateDirectoryW(dest.c_str(), nullptr);
    CreateDirectoryW(sub.c_str(), nullptr);
    for (const wchar_t* name : {L"1.txt", L"2.txt"}) WriteBytes(sub + L"\\" + name, "x");
    const std::wstring first = FolderNames(sub).front();
    const std::wstring log = scratch / L"gone.log";
    DWORD error = 0;
    ASSERT_TRUE(Steps().Open(log, error));
    files.state.CopyFailed = false;
    files.state.FileCounter = 0;
    const SourceTree tree = CountTreeFiles(source, files.state, host);
    row.change(sub, first);
    CopyTree(tree, files.state, host);
    Steps().Close();

    EXPECT_EQ(files.state.FileCounter, 2);
    EXPECT_TRUE(files.state.CopyFailed);
    const std::string text = ReadBytes(log);
    for (const wchar_t* name : {L"1.txt", L"2.txt"}) {
      const std::wstring from = sub + L"\\" + name, to = dest + L"\\sub\\" + name;
      const std::string line = "copy " + std::string(from.begin(), from.end()) + " -> " +
                               std::string(to.begin(), to.end()) + ": ";
      const size_t at = text.find(line);
      ASSERT_NE(at, std::string::npos) << "no line for " << line;
      EXPECT_EQ(text.compare(at + line.size(), 7, name == first ? "failed " : "skipped"), 0)
          << text.substr(at);
    }
  }
}

// A CD's files are read-only; their copies must not be, or nothing could remove them later.
TEST_F(TreeCopyTest, OverwriteReplacesAndKeepsAttributesAndTimesButNotReadOnly) {
  const std::wstring file = source + L"\\a.txt";
  WriteBytes(file, "fresh");
  FILETIME old{};
  SYSTEMTIME when{2004, 8, 0, 25, 12, 30, 0, 0};
  SystemTimeToFileTime(&when, &old);
  HANDLE handle =
      CreateFileW(file.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(handle, INVALID_HANDLE_VALUE);
  SetFileTime(handle, nullptr, nullptr, &old);
  CloseHandle(handle);
  SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_READONLY);
  WriteBytes(source + L"\\b.txt", "b");
  SetFileAttributesW((source + L"\\b.txt").c_str(), FILE_ATTRIBUTE_HIDDEN);
  WriteBytes(dest + L"\\a.txt", "stale");
  // A copy the user made read-only and hidden, where the system lets it be replaced.
  WriteBytes(source + L"\\c.txt", "c");
  WriteBytes(dest + L"\\c.txt", "stale");
  SetFileAttributesW((dest + L"\\c.txt").c_str(),
                     FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
  files.state.FailIfExists = false;

  CountAndCopy();
  EXPECT_FALSE(files.state.CopyFailed);
  EXPECT_EQ(ReadBytes(dest + L"\\a.txt"), "fresh");
  WIN32_FILE_ATTRIBUTE_DATA copied{};
  ASSERT_TRUE(GetFileAttributesExW((dest + L"\\a.txt").c_str(), GetFileExInfoStandard, &copied));
  EXPECT_EQ(CompareFileTime(&copied.ftLastWriteTime, &old), 0);
  EXPECT_FALSE(copied.dwFileAttributes & FILE_ATTRIBUTE_READONLY);
  WIN32_FILE_ATTRIBUTE_DATA fresh{};
  ASSERT_TRUE(GetFileAttributesExW((dest + L"\\b.txt").c_str(), GetFileExInfoStandard, &fresh));
  EXPECT_TRUE(fresh.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN);
  const DWORD replaced = GetFileAttributesW((dest + L"\\c.txt").c_str());
  EXPECT_EQ(ReadBytes(dest + L"\\c.txt"), "c");
  EXPECT_FALSE(replaced & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN)) << replaced;
}

// A large file is copied on a thread while the window answers; what the copy says must be the
// same either way: the result, and the system's error for the step's log line (a thread has
// its own last error, which a hop back could lose). A file copied onto itself (under another
// spelling of its name) is refused, not emptied. A tree's large file, an [Oth] one beside.
TEST_F(TreeCopyTest, ACopyHereOrOnAThreadSaysWhatBecameOfIt) {
  const std::wstring from = source + L"\\a.bin", to = dest + L"\\a.bin";
  const std::wstring held = dest + L"\\held.bin", missing = source + L"\\missing.bin";
  const std::wstring itself = source + L"\\A.BIN", folder = dest + L"\\folder";
  const std::wstring noFolder = dest + L"\\none\\a.bin";
  WriteBytes(from, "data");
  WriteBytes(held, "kept");
  CreateDirectoryW(folder.c_str(), nullptr);
  // Files another program holds open for writing, sharing them as a log's writer does.
  const std::wstring inUse = source + L"\\in use.bin", inUseItself = source + L"\\IN USE.BIN";
  const std::wstring busy = dest + L"\\busy.bin";
  WriteBytes(inUse, "data");
  WriteBytes(busy, "busy");
  std::vector<winbase::FileHandle> holders;
  for (const std::wstring* name : {&inUse, &busy})
    holders.emplace_back(CreateFileW(name->c_str(), GENERIC_READ | GENERIC_WRITE,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     nullptr, OPEN_EXISTING, 0, nullptr));
  const struct {
    const char* what;
    const std::wstring* from;
    const std::wstring* to;
    bool failIfExists;
    bool copied;
    DWORD error;
  } rows[] = {
      {"copied", &from, &to, true, true, 0},
      {"replaced", &from, &held, false, true, 0},
      {"kept", &from, &held, true, false, ERROR_FILE_EXISTS},
      {"no source", &missing, &to, false, false, ERROR_FILE_NOT_FOUND},
      {"onto itself", &from, &from, false, false, ERROR_SHARING_VIOLATION},
      {"onto itself, spelt otherwise", &from, &itself, false, false, ERROR_SHARING_VIOLATION},
      {"onto a folder", &from, &folder, false, false, ERROR_ACCESS_DENIED},
      {"into no folder", &from, &noFolder, false, false, ERROR_PATH_NOT_FOUND},
      {"from a file in use", &inUse, &to, true, true, 0},
      {"onto a file in use", &from, &busy, false, true, 0},
      {"a file in use onto itself", &inUse, &inUseItself, false, false, ERROR_SHARING_VIOLATION},
  };
  for (const std::uint64_t size : {std::uint64_t{0}, kCopyOnThreadBytes}) {
    for (const auto& row : rows) {
      SCOPED_TRACE(std::string(row.what) + (size ? " on a thread" : " here"));
      DeleteFileW(to.c_str());
      WriteBytes(held, "kept");
      SetLastError(ERROR_GEN_FAILURE);
      const bool copied = CopyFileAnswering(*row.from, *row.to, row.failIfExists, size, host);
      const DWORD error = GetLastError();
      EXPECT_EQ(copied, row.copied);
      if (!row.copied) {
        EXPECT_EQ(error, row.error);
      }
      EXPECT_EQ(ReadBytes(held), row.to == &held && row.copied ? "data" : "kept");
      EXPECT_EQ(ReadBytes(from), "data");
      EXPECT_EQ(ReadBytes(inUse), "data");
      EXPECT_TRUE(FolderExists(folder));
    }
  }
  EXPECT_EQ(ReadBytes(busy), "data");
  holders.clear();
  DeleteFileW(inUse.c_str());

  // Every size around what one read takes comes over whole.
  for (const size_t size : {0, 1, 65535, 65536, 65537, 3 * 65536 + 7}) {
    SCOPED_TRACE(size);
    std::string content(size, '\0');
    for (size_t i = 0; i < size; ++i) content[i] = static_cast<char>(i * 7 + i / 251);
    WriteBytes(from, content);
    ASSERT_TRUE(CopyFileAnswering(from, to, false, size, host));
    EXPECT_EQ(ReadBytes(to), content);
  }
  DeleteFileW(to.c_str());

  // What a copy that failed halfway made goes again, also when it took a read-only source's
  // attributes (the system deletes no read-only file as it is); the failure's reason stays.
  for (const DWORD attributes :
       {DWORD{FILE_ATTRIBUTE_NORMAL}, DWORD{FILE_ATTRIBUTE_READONLY},
        DWORD{FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM}}) {
    SCOPED_TRACE(attributes);
    WriteBytes(to, "half");
    SetFileAttributesW(to.c_str(), attributes);
    SetLastError(ERROR_DISK_FULL);
    TakeAwayFailedCopy(to);
    EXPECT_EQ(GetLastError(), DWORD{ERROR_DISK_FULL});
    EXPECT_FALSE(FileExists(to));
    // The uninstaller's copy, new and over an earlier one (made read-only by a kit on a CD),
    // takes none of them: the interpreter's del that takes it away again deletes no such file.
    WriteBytes(to, "earlier");
    SetFileAttributesW(to.c_str(), FILE_ATTRIBUTE_READONLY);
    SetFileAttributesW(from.c_str(), attributes);
    for (const std::wstring* uninstaller : {&held, &to}) {
      EXPECT_TRUE(CopyUninstaller(from, *uninstaller));
      EXPECT_EQ(ReadBytes(*uninstaller), ReadBytes(from));
      const DWORD given = GetFileAttributesW(uninstaller->c_str());
      EXPECT_FALSE(given & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                            FILE_ATTRIBUTE_SYSTEM)) << given;
      DeleteFileW(uninstaller->c_str());
    }
    SetFileAttributesW(from.c_str(), FILE_ATTRIBUTE_NORMAL);
  }

  // Through the tree copy, a file of the size that goes to a thread: whole, with its time.
  const std::string large(static_cast<size_t>(kCopyOnThreadBytes) + 1, 'x');
  WriteBytes(source + L"\\large.bin", large);
  DeleteFileW(held.c_str());
  CountAndCopy();
  EXPECT_FALSE(files.state.CopyFailed);
  EXPECT_EQ(ReadBytes(dest + L"\\large.bin"), large);
  EXPECT_EQ(FileSizeOf(dest + L"\\large.bin"), kCopyOnThreadBytes + 1);
  EXPECT_EQ(FileSizeOf(missing), 0u);
}

TEST_F(TreeCopyTest, ASourceWithTrailingBackslashMapsSubfoldersWithOneSeparator) {
  CreateDirectoryW((source + L"\\sub").c_str(), nullptr);
  WriteBytes(source + L"\\sub\\b.txt", "b");
  files.state.SourceFolder = source + L"\\";
  CountAndCopy();
  EXPECT_EQ(ReadBytes(dest + L"\\sub\\b.txt"), "b");
  EXPECT_FALSE(FolderExists(dest + L"sub"));
}

TEST_F(TreeCopyTest, OnlyTheLeadingSourcePartIsReplaced) {
  // The source folder's own name appears again deeper in the tree.
  CreateDirectoryW((source + L"\\src").c_str(), nullptr);
  WriteBytes(source + L"\\src\\c.txt", "c");
  CountAndCopy();
  EXPECT_EQ(ReadBytes(dest + L"\\src\\c.txt"), "c");
}

TEST_F(TreeCopyTest, AFolderOutsideTheTreeHasNoDestination) {
  const std::wstring other = scratch / L"other";
  CreateDirectoryW(other.c_str(), nullptr);
  WriteBytes(other + L"\\x.txt", "x");
  CopyTree(other, files.state, host);
  EXPECT_FALSE(FileExists(dest + L"\\x.txt"));
  EXPECT_EQ(files.state.CopiedCounter, 0);
  // A sibling whose name merely starts with the source folder's name is outside too.
  CreateDirectoryW((source + L"2").c_str(), nullptr);
  WriteBytes(source + L"2\\z.txt", "z");
  CopyTree(source + L"2", files.state, host);
  EXPECT_FALSE(FileExists(dest + L"\\2\\z.txt"));
  EXPECT_EQ(files.state.CopiedCounter, 0);
  // A subfolder of the tree given directly maps by its leading part only.
  CreateDirectoryW((source + L"\\sub").c_str(), nullptr);
  WriteBytes(source + L"\\sub\\y.txt", "y");
  CreateDirectoryW((dest + L"\\sub").c_str(), nullptr);
  CopyTree(source + L"\\sub", files.state, host);
  EXPECT_EQ(ReadBytes(dest + L"\\sub\\y.txt"), "y");
}

TEST_F(TreeCopyTest, NoSourceFolderCopiesAndCountsNothing) {
  files.state.SourceFolder = L"";
  CountAndCopy();
  EXPECT_EQ(files.state.FileCounter, 0);
  EXPECT_TRUE(host.statuses.empty());
  files.state.SourceFolder = scratch / L"missing";
  CountAndCopy();
  EXPECT_EQ(files.state.FileCounter, 0);
  EXPECT_TRUE(host.statuses.empty());
  EXPECT_FALSE(files.state.CopyFailed);
}

TEST_F(TreeCopyTest, ADestinationInsideTheSourceIsNotCopiedIntoItself) {
  WriteBytes(source + L"\\a.txt", "a");
  files.state.DestFolder = source + L"\\inst";
  CreateDirectoryW(files.state.DestFolder.c_str(), nullptr);
  CountAndCopy();
  EXPECT_EQ(files.state.FileCounter, 1);
  EXPECT_EQ(ReadBytes(source + L"\\inst\\a.txt"), "a");
  EXPECT_FALSE(FolderExists(source + L"\\inst\\inst"));

  // Spelled with forward slashes, or through "..", it is the same folder.
  for (const wchar_t* spelling : {L"/", L"\\..\\src\\"}) {
    std::wstring other = source;
    if (spelling[0] == L'/') {
      for (wchar_t& c : other)
        if (c == L'\\') c = L'/';
      other += L"/inst";
    } else {
      other += spelling + std::wstring(L"inst");
    }
    files.state.DestFolder = other;
    CountAndCopy();
    EXPECT_EQ(files.state.FileCounter, 1) << std::string(other.begin(), other.end());
    // The count alone, without a window, leaves it out too.
    files.state.FileCounter = 0;
    CountTreeFiles(source, files.state);
    EXPECT_EQ(files.state.FileCounter, 1);
    EXPECT_FALSE(FolderExists(source + L"\\inst\\inst"));
  }
}

class FileEntryTest : public TreeCopyTest {
 protected:
  void Script(const std::string& text) { WriteBytes(scratch / L"setup.qx1", text); }
};

TEST_F(FileEntryTest, ANewFileInADeepFolderIsCreatedAndRecorded) {
  WriteBytes(source + L"\\tool.dll", "tool");
  SetFileAttributesW((source + L"\\tool.dll").c_str(), FILE_ATTRIBUTE_READONLY);
  Script("[Oth1]\r\nSource=%Installer%src\\tool.dll\r\nDest=%Dest%\\one\\two\\three\\tool.dll\r\n");
  files.state.FileCounter = 4;
  CopyFileEntry(1, context, host);
  const std::wstring copied = dest + L"\\one\\two\\three\\tool.dll";
  EXPECT_EQ(ReadBytes(copied), "tool");
  EXPECT_FALSE(GetFileAttributesW(copied.c_str()) & FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(files.state.FileCounter, 5);
  EXPECT_EQ(files.Record(L"files", L"5"), copied);
  ASSERT_EQ(host.statuses.size(), 1u);
  EXPECT_EQ(host.statuses[0], L"Copying " + copied);
}

TEST_F(FileEntryTest, AReplacedFileIsNotRecorded) {
  WriteBytes(source + L"\\tool.dll", "new");
  WriteBytes(dest + L"\\tool.dll", "old");
  Script("[Oth1]\r\nSource=%Installer%src\\tool.dll\r\nDest=%Dest%\\tool.dll\r\n");
  CopyFileEntry(1, context, host);
  EXPECT_EQ(ReadBytes(dest + L"\\tool.dll"), "new");
  EXPECT_EQ(files.state.FileCounter, 0);
  EXPECT_EQ(files.Record(L"files", L"1"), L"");
}

TEST_F(FileEntryTest, AServerCopiedToTheSystemFolderIsRegisteredByItsName) {
  const std::wstring marker = scratch / L"registered.marker";
  SetEnvironmentVariableW(L"KV_SERVER_MARKER", marker.c_str());
  wchar_t system[MAX_PATH] = {};
  GetSystemDirectoryW(system, MAX_PATH);
  const std::wstring installed = std::wstring(system) + L"\\kvact_entry.ocx";
  const std::wstring server = testing::ProgramFolder() + L"actions_test_server.dll";
  const std::string script = "[Oth1]\r\nSource=" + std::string(server.begin(), server.end()) +
                             "\r\nDest=%System%\\kvact_entry.ocx\r\nOcx=1\r\n";
  Script(script);
  CopyFileEntry(1, context, host);
  DeleteFileW(installed.c_str());
  SetEnvironmentVariableW(L"KV_SERVER_MARKER", nullptr);
  EXPECT_TRUE(FileExists(marker));
  EXPECT_EQ(files.state.OcxCounter, 1);
  EXPECT_EQ(_wcsicmp(files.Record(L"Ocx", L"1").c_str(), installed.c_str()), 0);
  ASSERT_EQ(host.statuses.size(), 2u);
  EXPECT_EQ(host.statuses[1], L"Registering kvact_entry.ocx");
}

// A destination named as a device would take the data while the step said "ok"; a "\\?\" or
// "\\.\" path goes past the system's name rules; a ':' writes into a stream of another file;
// a name the ANSI list cannot hold would be listed as a look-alike, which names another file.
// Each is refused as the folder page refuses such a folder: nothing is made or listed, and the
// log says why.
TEST_F(FileEntryTest, ADestinationWindowsWouldTakeForAnotherIsRefusedAndLoggedAsFailed) {
  WriteBytes(source + L"\\tool.dll", "tool");
  const std::wstring log = scratch / L"steps.log";
  DWORD error = 0;
  Steps().Close();
  ASSERT_TRUE(Steps().Open(log, error));
  const std::wstring device = L"a name Windows takes for a device or shortens";
  const std::wstring raw = L"a device or \"\\\\?\\\" path";
  const struct {
    std::wstring destination, why;
  } rows[] = {
      {dest + L"\\NUL", device},
      {dest + L"\\com1.txt\\tool.dll", device},
      {dest + L"\\sub\\aux", device},
      {dest + L"\\trail.\\tool.dll", device},
      {dest + L"\\dir \\tool.dll", device},
      {L"\\\\?\\" + dest + L"\\raw\\tool.dll", raw},
      {L"\\\\.\\" + dest.substr(0, 2), raw},
      {dest + L"\\tool.dll:hidden", L"a character no path may hold: :"},
      {dest + L"\\\u65E5\u672C.dll", L"a character the ANSI code page cannot hold"},
  };
  std::wstring script;
  int n = 0;
  for (const auto& row : rows)
    script += L"[Oth" + std::to_wstring(++n) + L"]\r\nSource=%Installer%src\\tool.dll\r\nDest=" +
              row.destination + L"\r\nOcx=1\r\n";
  Script("\xFF\xFE" + std::string(reinterpret_cast<const char*>(script.data()),
                                  script.size() * sizeof(wchar_t)));
  for (int i = 1; i <= n; ++i) CopyFileEntry(i, context, host);
  EXPECT_EQ(Steps().FailedCopies(), n);
  Steps().Close();
  const std::string text = ReadBytes(log);
  for (const auto& row : rows)
    EXPECT_NE(
        text.find(" -> " + winbase::ToUtf8(row.destination + L": failed (" + row.why) + ")\r\n"),
        std::string::npos)
        << text;
  EXPECT_EQ(text.find("register"), std::string::npos) << text;
  EXPECT_EQ(files.state.FileCounter, 0);
  EXPECT_EQ(files.state.OcxCounter, 0);
  for (const wchar_t* folder : {L"\\com1.txt", L"\\sub", L"\\raw"})
    EXPECT_FALSE(FolderExists(dest + folder));
}

TEST_F(FileEntryTest, AMissingSectionFailsQuietly) {
  Script("");
  CopyFileEntry(2, context, host);
  EXPECT_FALSE(files.state.CopyFailed);
  EXPECT_EQ(files.state.OcxCounter, 0);
}

}  // namespace
}  // namespace bramlow
