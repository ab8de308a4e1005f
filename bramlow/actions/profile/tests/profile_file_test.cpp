#include "bramlow/actions/profile/profile_file.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "testing/support/file_bytes.h"
#include "testing/support/scratch_folder.h"

using namespace bramlow;

TEST(ProfileFile, ReadsWithTheProfileRules) {
  testsupport::ScratchFolder dir;
  testsupport::WriteBytes(dir / L"a.ini",
                          "[Setup1]\r\n"
                          "  AppName  =   Viewer 2   \r\n"
                          "Site=\"http://example.org/ \"\r\n"
                          "Empty=\r\n"
                          "Yes=yes\r\n"
                          "Two=2\r\n"
                          "Num=42abc\r\n"
                          "[other]\r\n"
                          "AppName=Other\r\n");
  ProfileFile ini(dir / L"a.ini", L"setup1");
  EXPECT_EQ(ini.ProfileText(L"APPNAME", L"x"), L"Viewer 2");
  EXPECT_EQ(ini.ProfileText(L"site", L""), L"http://example.org/ ");
  EXPECT_EQ(ini.ProfileText(L"Empty", L"default"), L"");
  EXPECT_EQ(ini.ProfileText(L"Missing", L"default"), L"default");
  EXPECT_EQ(ini.ProfileInteger(L"Num", 7), 42);
  EXPECT_EQ(ini.ProfileInteger(L"Missing", 7), 7);
  EXPECT_FALSE(ini.ProfileBoolean(L"Yes", true));
  EXPECT_TRUE(ini.ProfileBoolean(L"Two", false));
  EXPECT_TRUE(ini.ProfileBoolean(L"Missing", true));
  EXPECT_FALSE(ini.ProfileBoolean(L"Missing", false));
  ini.Section = L"OTHER";
  EXPECT_EQ(ini.ProfileText(L"AppName", L""), L"Other");
}

TEST(ProfileFile, AMissingFileReadsAsDefaults) {
  testsupport::ScratchFolder dir;
  ProfileFile ini(dir / L"none.ini", L"setup1");
  EXPECT_EQ(ini.ProfileText(L"AppName", L""), L"");
  EXPECT_EQ(ini.ProfileInteger(L"OthCount", 0), 0);
  EXPECT_TRUE(ini.ProfileBoolean(L"EditDest", true));
  EXPECT_FALSE(testsupport::Exists(dir / L"none.ini"));
}

TEST(ProfileFile, LongValuesAreCutTo2047Characters) {
  testsupport::ScratchFolder dir;
  std::string value(3000, 'v');
  value[2046] = 'E';
  testsupport::WriteBytes(dir / L"long.ini", "[s]\r\nk=" + value + "\r\n");
  ProfileFile ini(dir / L"long.ini", L"s");
  std::wstring read = ini.ProfileText(L"k", L"");
  ASSERT_EQ(read.size(), 2047u);
  EXPECT_EQ(read.back(), L'E');
}

TEST(ProfileFile, WritesGoStraightToTheFile) {
  testsupport::ScratchFolder dir;
  ProfileFile writer(dir / L"Uninstall.ini", L"uninstall", ProfileMode::Write);
  ProfileFile reader(dir / L"Uninstall.ini", L"uninstall");
  EXPECT_EQ(writer.ProfileText(L"AppName", L"Viewer"), L"Viewer");
  EXPECT_EQ(reader.ProfileText(L"AppName", L""), L"Viewer");
  EXPECT_EQ(writer.ProfileInteger(L"RegCount", -12), -12);
  EXPECT_EQ(reader.ProfileText(L"RegCount", L""), L"-12");
  EXPECT_TRUE(writer.ProfileBoolean(L"Flag", true));
  EXPECT_EQ(reader.ProfileText(L"Flag", L""), L"1");
  writer.ProfileBoolean(L"Flag", false);
  EXPECT_EQ(reader.ProfileText(L"Flag", L""), L"0");
  writer.Section = L"files";
  writer.ProfileText(L"1", L"C:\\App\\a.exe");
  reader.Section = L"FILES";
  EXPECT_EQ(reader.ProfileText(L"1", L""), L"C:\\App\\a.exe");
  // Released objects leave the file as written.
  std::string bytes = testsupport::ReadBytes(dir / L"Uninstall.ini");
  EXPECT_NE(bytes.find("[uninstall]\r\n"), std::string::npos);
  EXPECT_NE(bytes.find("AppName=Viewer\r\n"), std::string::npos);
}

TEST(ProfileFile, WritingIntoAMissingFolderCreatesNothing) {
  testsupport::ScratchFolder dir;
  ProfileFile writer(dir / L"no\\such\\Uninstall.ini", L"files", ProfileMode::Write);
  EXPECT_EQ(writer.ProfileText(L"Count", L"3"), L"3");
  EXPECT_FALSE(testsupport::Exists(dir / L"no"));
  ProfileFile reader(dir / L"no\\such\\Uninstall.ini", L"files");
  EXPECT_EQ(reader.ProfileText(L"Count", L"none"), L"none");
}

TEST(ProfileFile, FilesStayInTheAnsiCodePage) {
  if (GetACP() != 1251) GTEST_SKIP() << "needs the Russian ANSI code page";
  testsupport::ScratchFolder dir;
  // "Программа" in code page 1251.
  const std::string cp1251 = "\xCF\xF0\xEE\xE3\xF0\xE0\xEC\xEC\xE0";
  const std::wstring wide = L"\u041F\u0440\u043E\u0433\u0440\u0430\u043C\u043C\u0430";
  testsupport::WriteBytes(dir / L"ru.qxl", "[language]\r\n1=" + cp1251 + "\r\n");
  ProfileFile reader(dir / L"ru.qxl", L"language");
  EXPECT_EQ(reader.ProfileText(L"1", L""), wide);
  ProfileFile writer(dir / L"new.ini", L"s", ProfileMode::Write);
  writer.ProfileText(L"k", wide);
  EXPECT_NE(testsupport::ReadBytes(dir / L"new.ini").find("k=" + cp1251), std::string::npos);
}

namespace {

// The same writes, one value at a time or batched, on a file that already holds a list.
void WriteAList(ProfileFile& list) {
  list.Section = L"files";
  for (int i = 1; i <= 300; ++i)
    list.ProfileText(std::to_wstring(i), L"C:\\App\\file" + std::to_wstring(i));
  // Written out in the middle (as a batched writer does every second): what comes after changes
  // lines already written and adds new ones.
  list.Flush();
  list.Section = L"  FILES ";
  list.ProfileText(L"2", L"   C:\\App\\again");
  list.ProfileText(L"301", L"C:\\App\\file301");
  list.Section = L"files";
  list.DeleteKey(L"299");
  list.ProfileText(L" count ", L"300");
  list.Section = L"folders";
  list.ProfileText(L"1", L"C:\\App\\sub=dir");
  list.Section = L"uninstall";
  list.ProfileInteger(L"RegCount", 0);
  list.ProfileText(L"AppName", L"Viewer");
}

// Every section with its lines, as the profile functions read them.
std::vector<std::wstring> Everything(const std::wstring& file) {
  std::vector<std::wstring> all;
  std::vector<wchar_t> names(1 << 16), lines(1 << 20);
  GetPrivateProfileSectionNamesW(names.data(), static_cast<DWORD>(names.size()), file.c_str());
  for (const wchar_t* name = names.data(); *name; name += wcslen(name) + 1) {
    all.push_back(L"[" + std::wstring(name) + L"]");
    GetPrivateProfileSectionW(name, lines.data(), static_cast<DWORD>(lines.size()), file.c_str());
    for (const wchar_t* line = lines.data(); *line; line += wcslen(line) + 1) all.push_back(line);
  }
  return all;
}

const char kOldList[] =
    "[uninstall]\r\nAppName=Old\r\nLinkUrl=http://old.example\r\n"
    "[files]\r\n1=C:\\Old\\a\r\nCount=1\r\n350=C:\\Old\\z\r\n"
    "[other]\r\nkeep=me\r\n";

}  // namespace

TEST(ProfileFile, ABatchedWriterLeavesTheFileAsSingleWritesWould) {
  testsupport::ScratchFolder dir;
  testsupport::WriteBytes(dir / L"single.ini", kOldList);
  testsupport::WriteBytes(dir / L"batched.ini", kOldList);
  {
    ProfileFile single(dir / L"single.ini", L"uninstall", ProfileMode::Write);
    WriteAList(single);
  }
  {
    ProfileFile batched(dir / L"batched.ini", L"uninstall", ProfileMode::Write,
                        ProfileWrites::Batched);
    WriteAList(batched);
  }
  EXPECT_EQ(Everything(dir / L"batched.ini"), Everything(dir / L"single.ini"));
  // The old list's keys that were not written again are still there.
  ProfileFile reader(dir / L"batched.ini", L"files");
  EXPECT_EQ(reader.ProfileText(L"350", L""), L"C:\\Old\\z");
  EXPECT_EQ(reader.ProfileText(L"2", L""), L"C:\\App\\again");
  reader.Section = L"uninstall";
  EXPECT_EQ(reader.ProfileText(L"LinkUrl", L""), L"http://old.example");
  reader.Section = L"other";
  EXPECT_EQ(reader.ProfileText(L"keep", L""), L"me");
}

TEST(ProfileFile, ABatchedWriterWritesWhenFlushedAndAtLeastEverySecond) {
  testsupport::ScratchFolder dir;
  ProfileFile writer(dir / L"Uninstall.ini", L"files", ProfileMode::Write, ProfileWrites::Batched);
  ProfileFile reader(dir / L"Uninstall.ini", L"files");
  writer.ProfileText(L"1", L"a");
  EXPECT_EQ(reader.ProfileText(L"1", L"none"), L"none");
  writer.Flush();
  EXPECT_EQ(reader.ProfileText(L"1", L"none"), L"a");

  writer.ProfileText(L"2", L"b");
  Sleep(ProfileFile::kBatchMilliseconds + 100);
  writer.ProfileText(L"3", L"c");
  // The file does not wait for the end of a long installation: the write that fell due is
  // under way (on a thread of its own) or done, without a flush.
  writer.FinishWriting();
  EXPECT_EQ(reader.ProfileText(L"2", L"none"), L"b");
  EXPECT_EQ(reader.ProfileText(L"3", L"none"), L"c");
  // The next value starts the next second: it is kept, not written at once (writing the
  // whole list for every value would make a long installation many times longer).
  writer.ProfileText(L"4", L"d");
  writer.FinishWriting();
  EXPECT_EQ(reader.ProfileText(L"4", L"none"), L"none");
  writer.Flush();
  EXPECT_EQ(reader.ProfileText(L"4", L"none"), L"d");
}

// A write under way holds no value: the values kept from then on are the next write's, and
// their second starts with the first of them.
TEST(ProfileFile, AWriteUnderWayHoldsNoValue) {
  testsupport::ScratchFolder dir;
  BatchedProfileWrites batch(dir / L"Uninstall.ini");
  batch.Set(L"files", L"1", L"a");
  batch.StartWritingChanged();
  EXPECT_FALSE(batch.HasChanges());
  batch.Set(L"files", L"2", L"b");
  EXPECT_TRUE(batch.HasChanges());
  batch.FinishWriting();
  EXPECT_FALSE(batch.Writing());
  EXPECT_TRUE(batch.HasChanges());
  ProfileFile reader(dir / L"Uninstall.ini", L"files");
  EXPECT_EQ(reader.ProfileText(L"1", L"none"), L"a");
  EXPECT_EQ(reader.ProfileText(L"2", L"none"), L"none");
}

TEST(ProfileFile, ABatchedWriterIntoAMissingFolderCreatesNothing) {
  testsupport::ScratchFolder dir;
  {
    ProfileFile writer(dir / L"no\\Uninstall.ini", L"files", ProfileMode::Write,
                       ProfileWrites::Batched);
    writer.ProfileText(L"1", L"a");
    writer.Flush();
    writer.ProfileText(L"2", L"b");
  }
  EXPECT_FALSE(testsupport::Exists(dir / L"no"));
}

namespace {

// Handles the thread's messages for ms milliseconds, as the wizard does while it waits.
void HandleMessagesFor(DWORD ms) {
  for (DWORD start = GetTickCount(); GetTickCount() - start < ms; Sleep(10)) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
  }
}

}  // namespace

// The last value before a long wait (a started program, a question to the user) reaches the
// file within the second, not only when the next value comes.
TEST(ProfileFile, ABatchedWriterWritesWithinASecondAlsoWhenNoFurtherValueComes) {
  testsupport::ScratchFolder dir;
  ProfileFile writer(dir / L"Uninstall.ini", L"files", ProfileMode::Write, ProfileWrites::Batched);
  ProfileFile reader(dir / L"Uninstall.ini", L"files");
  writer.ProfileText(L"1", L"a");
  HandleMessagesFor(ProfileFile::kBatchMilliseconds / 2);
  EXPECT_EQ(reader.ProfileText(L"1", L"none"), L"none") << "still kept: the second has not passed";
  HandleMessagesFor(ProfileFile::kBatchMilliseconds);
  EXPECT_EQ(reader.ProfileText(L"1", L"none"), L"a");
  // And again for the next value, after the file was written.
  writer.ProfileText(L"2", L"b");
  HandleMessagesFor(ProfileFile::kBatchMilliseconds + 300);
  EXPECT_EQ(reader.ProfileText(L"2", L"none"), L"b");
}

// A write that cannot be completed (here the list is held open by another program, so it
// cannot be replaced) leaves the list an earlier installation wrote exactly as it was, and the
// values wait for the next write.
TEST(ProfileFile, AFailedWriteLeavesTheEarlierFileWhole) {
  testsupport::ScratchFolder dir;
  const std::wstring list = dir / L"Uninstall.ini";
  testsupport::WriteBytes(list, kOldList);
  HANDLE holder = CreateFileW(list.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  {
    ProfileFile writer(list, L"files", ProfileMode::Write, ProfileWrites::Batched);
    writer.ProfileText(L"2", L"C:\\App\\b");
    writer.Flush();
    EXPECT_EQ(testsupport::ReadBytes(list), kOldList);
    // The same for a write that falls due and fails on its own thread.
    Sleep(ProfileFile::kBatchMilliseconds + 100);
    writer.ProfileText(L"2b", L"C:\\App\\b2");
    writer.FinishWriting();
    EXPECT_EQ(testsupport::ReadBytes(list), kOldList);
    CloseHandle(holder);
    writer.ProfileText(L"3", L"C:\\App\\c");
  }
  ProfileFile reader(list, L"files");
  EXPECT_EQ(reader.ProfileText(L"1", L""), L"C:\\Old\\a");
  EXPECT_EQ(reader.ProfileText(L"2", L""), L"C:\\App\\b");
  EXPECT_EQ(reader.ProfileText(L"2b", L""), L"C:\\App\\b2");
  EXPECT_EQ(reader.ProfileText(L"3", L""), L"C:\\App\\c");
  EXPECT_FALSE(testsupport::Exists(dir / L"Uninstall.ini.new"));
}

// A folder someone left at the name the new list is written under stays as it is and does
// not keep the list from being written, on the thread or not.
TEST(ProfileFile, AFolderAtTheNewListsNameDoesNotStopTheWrites) {
  testsupport::ScratchFolder dir;
  const std::wstring list = dir / L"Uninstall.ini", pending = dir / L"Uninstall.ini.new";
  testsupport::WriteBytes(list, kOldList);
  ASSERT_TRUE(CreateDirectoryW(pending.c_str(), nullptr));
  {
    ProfileFile writer(list, L"files", ProfileMode::Write, ProfileWrites::Batched);
    writer.ProfileText(L"2", L"C:\\App\\b");
    writer.Flush();
    EXPECT_EQ(ProfileFile(list, L"files").ProfileText(L"2", L""), L"C:\\App\\b");
    // A second after the next value kept, the one after it goes out on the thread.
    writer.ProfileText(L"3", L"C:\\App\\c");
    Sleep(ProfileFile::kBatchMilliseconds + 100);
    writer.ProfileText(L"4", L"C:\\App\\d");
    writer.FinishWriting();
    EXPECT_EQ(ProfileFile(list, L"files").ProfileText(L"4", L""), L"C:\\App\\d");
  }
  EXPECT_EQ(ProfileFile(list, L"files").ProfileText(L"1", L""), L"C:\\Old\\a");
  EXPECT_TRUE(testsupport::Exists(pending));
  // Nothing else is left beside the list.
  WIN32_FIND_DATAW found;
  int entries = 0;
  HANDLE search = FindFirstFileW((dir / L"*").c_str(), &found);
  ASSERT_NE(search, INVALID_HANDLE_VALUE);
  do {
    if (found.cFileName[0] != L'.') ++entries;
  } while (FindNextFileW(search, &found));
  FindClose(search);
  EXPECT_EQ(entries, 2);
  RemoveDirectoryW(pending.c_str());
}

TEST(ProfileFile, DeletingAKeyLeavesTheRestOfItsSection) {
  testsupport::ScratchFolder dir;
  for (ProfileWrites writes : {ProfileWrites::Immediate, ProfileWrites::Batched}) {
    testsupport::WriteBytes(dir / L"list.ini", kOldList);
    {
      ProfileFile writer(dir / L"list.ini", L"FILES", ProfileMode::Write, writes);
      writer.DeleteKey(L"COUNT");
      writer.DeleteKey(L"missing");
      writer.Section = L"nosuchsection";
      writer.DeleteKey(L"Count");
    }
    ProfileFile reader(dir / L"list.ini", L"files");
    EXPECT_EQ(reader.ProfileText(L"Count", L"<missing>"), L"<missing>");
    EXPECT_EQ(reader.ProfileText(L"1", L""), L"C:\\Old\\a");
    EXPECT_EQ(reader.ProfileText(L"350", L""), L"C:\\Old\\z");
  }
}
