#include "bramlow/formats/uninstall_list.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "testing/support/file_bytes.h"
#include "testing/support/scratch_folder.h"

using namespace bramlow;

namespace {

std::wstring Read(const testsupport::ScratchFolder& dir, const wchar_t* section,
                  const std::wstring& key) {
  ProfileFile list(dir / L"App\\Uninstall.ini", section);
  return list.ProfileText(key, L"<missing>");
}

}  // namespace

TEST(UninstallList, AnInstallationWithoutItemsStillWritesEverySection) {
  testsupport::ScratchFolder dir;
  CreateDirectoryW((dir / L"App").c_str(), nullptr);
  testsupport::WriteBytes(dir / L"English.qxl",
                          "[language]\r\n30=Remove %s?\r\n31=t31\r\n32=t32\r\n33=t33\r\n34=t34\r\n"
                          "35=t35\r\n36=t36\r\n37=t37\r\n");
  // A program the ANSI list could name only by a look-alike (another program) is left out.
  const std::wstring script =
      L"[un_exe]\r\nCount=2\r\nexe1=%Dest%\\cleanup.exe\r\nexe2=%Dest%\\\u65E5.exe\r\n";
  testsupport::WriteBytes(dir / L"setup.qx1",
                          "\xFF\xFE" + std::string(reinterpret_cast<const char*>(script.data()),
                                                   script.size() * sizeof(wchar_t)));
  TSetupState state;
  state.LangFile = std::make_unique<ProfileFile>(dir / L"English.qxl", L"language");
  state.ScriptFile = std::make_unique<ProfileFile>(dir / L"setup.qx1", L"setup1");
  state.AppName = L"Viewer";
  state.Site = L"http://example.org";
  // Typed with a trailing backslash: the list still lands in the folder itself.
  state.DestFolder = dir / L"App\\";
  OpenUninstallList(state);
  state.DestFolder.pop_back();
  EXPECT_EQ(CloseUninstallList(state, L"Viewer home"),
            std::vector<std::wstring>{dir / L"App\\\u65E5.exe"});

  EXPECT_EQ(Read(dir, L"uninstall", L"RegCount"), L"0");
  EXPECT_EQ(Read(dir, L"uninstall", L"LinkText"), L"Viewer home");
  EXPECT_EQ(Read(dir, L"uninstall", L"LinkUrl"), L"http://example.org");
  EXPECT_EQ(Read(dir, L"uninstall", L"AppName"), L"Viewer");
  EXPECT_EQ(Read(dir, L"files", L"Count"), L"0");
  EXPECT_EQ(Read(dir, L"folders", L"Count"), L"0");
  EXPECT_EQ(Read(dir, L"Ocx", L"Count"), L"0");
  EXPECT_EQ(Read(dir, L"language", L"1"), L"Remove %s?");
  EXPECT_EQ(Read(dir, L"language", L"7"), L"t36");
  EXPECT_EQ(Read(dir, L"language", L"8"), L"<missing>");
  EXPECT_EQ(Read(dir, L"exe", L"Count"), L"2");
  EXPECT_EQ(Read(dir, L"exe", L"exe1"), dir / L"App\\cleanup.exe");
  EXPECT_EQ(Read(dir, L"exe", L"exe2"), L"<missing>");
  EXPECT_EQ(state.ScriptFile->Section, L"setup1");
}

TEST(UninstallList, NumbersFollowTheCounters) {
  testsupport::ScratchFolder dir;
  CreateDirectoryW((dir / L"App").c_str(), nullptr);
  TSetupState state;
  state.DestFolder = dir / L"App";
  OpenUninstallList(state);
  // Three tree files copied, then one new single file and one shortcut.
  state.FileCounter = 3;
  for (int i = 1; i <= 3; ++i) RecordFile(state, i, L"tree" + std::to_wstring(i));
  RecordNextFile(state, L"single");
  RecordNextFile(state, L"link");
  RecordNextFolder(state, L"sub");
  RecordNextOcx(state, L"a.ocx");
  RecordNextOcx(state, L"b.ocx");
  state.RegCount = 1;
  RecordRegItem(state, 1, L"HKLM", L"Software\\Viewer", L"Path");
  CloseUninstallList(state, L"");
  EXPECT_EQ(Read(dir, L"files", L"Count"), L"5");
  EXPECT_EQ(Read(dir, L"files", L"3"), L"tree3");
  EXPECT_EQ(Read(dir, L"files", L"4"), L"single");
  EXPECT_EQ(Read(dir, L"files", L"5"), L"link");
  EXPECT_EQ(Read(dir, L"folders", L"1"), L"sub");
  EXPECT_EQ(Read(dir, L"folders", L"Count"), L"1");
  EXPECT_EQ(Read(dir, L"Ocx", L"2"), L"b.ocx");
  EXPECT_EQ(Read(dir, L"Ocx", L"Count"), L"2");
  EXPECT_EQ(Read(dir, L"Reg1", L"Root"), L"HKLM");
  EXPECT_EQ(Read(dir, L"Reg1", L"Key"), L"Software\\Viewer");
  EXPECT_EQ(Read(dir, L"Reg1", L"Value"), L"Path");
  EXPECT_EQ(Read(dir, L"uninstall", L"RegCount"), L"1");
  EXPECT_EQ(Read(dir, L"exe", L"Count"), L"0");
}

TEST(UninstallList, WithoutAListNothingIsWritten) {
  testsupport::ScratchFolder dir;
  TSetupState state;
  state.DestFolder = dir.Path();
  RecordNextFile(state, L"x");
  RecordRegItem(state, 1, L"a", L"b", L"c");
  CloseUninstallList(state, L"");
  EXPECT_FALSE(testsupport::Exists(dir / L"Uninstall.ini"));
  EXPECT_EQ(state.FileCounter, 0);
}

// Installing again into a folder whose list an earlier installation completed (a repair, an
// update with fewer files): until this installation closes the list, the earlier counts are
// gone, so an interruption leaves a list the uninstaller recognises as unfinished; and the
// new records go above the earlier ones instead of over them, so the uninstaller still finds
// what the first installation made.
TEST(UninstallList, AnEarlierListIsKeptAndTheNewRecordsGoAboveIt) {
  testsupport::ScratchFolder dir;
  CreateDirectoryW((dir / L"App").c_str(), nullptr);
  testsupport::WriteBytes(
      dir / L"App\\Uninstall.ini",
      "[files]\r\n1=C:\\Old\\a\r\n2=C:\\Old\\b\r\n7=C:\\Old\\link.lnk\r\nCount=7\r\n"
      "[folders]\r\n1=C:\\Old\\sub\r\nCount=1\r\n[Ocx]\r\n1=C:\\Old\\a.ocx\r\nCount=1\r\n"
      "[Reg1]\r\nKey=Software\\Old\r\nValue=One\r\n[Reg2]\r\nKey=Software\\Old\r\nValue=Two\r\n"
      "[exe]\r\nCount=2\r\nexe1=old1.exe\r\nexe2=old2.exe\r\n"
      "[uninstall]\r\nAppName=Old\r\nRegCount=2\r\n");
  testsupport::WriteBytes(dir / L"setup.qx1", "[un_exe]\r\nCount=1\r\nexe1=new.exe\r\n");
  TSetupState state;
  state.ScriptFile = std::make_unique<ProfileFile>(dir / L"setup.qx1", L"setup1");
  state.DestFolder = dir / L"App";
  OpenUninstallList(state);
  for (const wchar_t* section : {L"files", L"folders", L"Ocx", L"exe"})
    EXPECT_EQ(Read(dir, section, L"Count"), L"<missing>") << "on the disk at once";
  EXPECT_EQ(Read(dir, L"files", L"1"), L"C:\\Old\\a");
  EXPECT_EQ(Read(dir, L"uninstall", L"AppName"), L"Old");

  state.FileCounter = 1;
  RecordFile(state, 1, L"C:\\New\\tree");
  RecordNextFile(state, L"C:\\New\\single");
  state.FolderCounter = 1;
  RecordFolder(state, 1, L"C:\\New\\sub");
  RecordNextOcx(state, L"C:\\New\\b.ocx");
  state.RegCount = 1;
  RecordRegItem(state, 1, L"", L"Software\\New", L"Path");
  CloseUninstallList(state, L"");

  EXPECT_EQ(Read(dir, L"files", L"2"), L"C:\\Old\\b");
  EXPECT_EQ(Read(dir, L"files", L"7"), L"C:\\Old\\link.lnk");
  EXPECT_EQ(Read(dir, L"files", L"8"), L"C:\\New\\tree");
  EXPECT_EQ(Read(dir, L"files", L"9"), L"C:\\New\\single");
  EXPECT_EQ(Read(dir, L"files", L"Count"), L"9") << "the highest number in use";
  EXPECT_EQ(Read(dir, L"folders", L"1"), L"C:\\Old\\sub");
  EXPECT_EQ(Read(dir, L"folders", L"2"), L"C:\\New\\sub");
  EXPECT_EQ(Read(dir, L"folders", L"Count"), L"2");
  EXPECT_EQ(Read(dir, L"Ocx", L"2"), L"C:\\New\\b.ocx");
  EXPECT_EQ(Read(dir, L"Ocx", L"Count"), L"2");
  EXPECT_EQ(Read(dir, L"Reg2", L"Value"), L"Two");
  EXPECT_EQ(Read(dir, L"Reg3", L"Value"), L"Path");
  EXPECT_EQ(Read(dir, L"uninstall", L"RegCount"), L"3");
  // The clean-up programs are the latest installation's only.
  EXPECT_EQ(Read(dir, L"exe", L"Count"), L"1");
  EXPECT_EQ(Read(dir, L"exe", L"exe1"), L"new.exe");
  EXPECT_EQ(Read(dir, L"exe", L"exe2"), L"<missing>");
}

// A folder with another application's list would merge two lists into one, and removing either
// application would remove both. An earlier list of the same application (in any case), an
// interrupted one without a name, or no list at all are no other application's.
TEST(UninstallList, AnotherApplicationsListIsToldByItsName) {
  testsupport::ScratchFolder dir;
  const struct {
    const char* list;  // nullptr: no list
    bool other;
  } rows[] = {{nullptr, false},
              {"[uninstall]\r\nAppName=Viewer 1.0\r\n", false},
              {"[uninstall]\r\nAppName=VIEWER 1.0\r\n", false},
              {"[files]\r\n1=C:\\x.txt\r\n", false},
              {"[uninstall]\r\nAppName=Editor 2.0\r\n", true},
              {"[uninstall]\r\nAppName=Viewer 1.0 Pro\r\n", true}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.list ? row.list : "no list");
    const std::wstring folder = dir / L"App";
    CreateDirectoryW(folder.c_str(), nullptr);
    DeleteFileW((folder + L"\\Uninstall.ini").c_str());
    if (row.list) testsupport::WriteBytes(folder + L"\\Uninstall.ini", row.list);
    EXPECT_EQ(HoldsAnotherApplicationsList(folder, L"Viewer 1.0"), row.other);
    EXPECT_EQ(HoldsAnotherApplicationsList(folder + L"\\", L"Viewer 1.0"), row.other);
  }
}
