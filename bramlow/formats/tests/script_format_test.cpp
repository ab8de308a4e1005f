#include "bramlow/formats/script_format.h"

#include <gtest/gtest.h>

#include <string>

#include "bramlow/text/script_keys.h"
#include "testing/support/file_bytes.h"
#include "testing/support/scratch_folder.h"

using namespace bramlow;

TEST(ScriptFormat, AMissingScriptGivesTheDefaults) {
  testsupport::ScratchFolder dir;
  ProfileFile script(dir / L"setup.qx1");
  ScriptSetup s = ReadScriptSetup(script);
  EXPECT_EQ(s.AppName, L"");
  EXPECT_TRUE(s.EditDest);
  EXPECT_FALSE(s.CreateUninst || s.Overwrite || s.Reboot || s.RegUninst || s.NoLogo || s.Stretch);
  EXPECT_EQ(s.OnlyNT + s.OthCount + s.IniCount + s.RegCount + s.LnkCount + s.ExeCount, 0);
  EXPECT_EQ(script.Section, L"setup1");
  OthItem oth = ReadOthItem(script, 1);
  EXPECT_EQ(oth.Dest, L"");
  EXPECT_FALSE(oth.Ocx);
  EXPECT_TRUE(ReadUnExeEntries(script).empty());
}

TEST(ScriptFormat, ReadsSetupAndLogoWithTheirTypes) {
  testsupport::ScratchFolder dir;
  testsupport::WriteBytes(
      dir / L"setup.qx1",
      "[Setup1]\r\nAppName=Viewer 2\r\nWindowName=Viewer Setup\r\nLinkName=Home\r\n"
      "Site=http://example.org\r\nOnlyNT=2\r\nDestFolder=%Program Files%\\Viewer\r\n"
      "SourceFolder=%Installer%files\r\nFreeSpace=3 MB on %Dest%\r\nEditDest=0\r\n"
      "CreateUninst=yes\r\nOverwrite=2\r\nOthCount=3\r\nIniCount=1\r\nRegCount=2\r\n"
      "LnkCount=4\r\nExeCount=5\r\nReboot=1\r\nRegUninst=1\r\n"
      "[LOGO]\r\nNoLogo=1\r\nStretch=true\r\n");
  ProfileFile script(dir / L"setup.qx1");
  ScriptSetup s = ReadScriptSetup(script);
  EXPECT_EQ(s.AppName, L"Viewer 2");
  EXPECT_EQ(s.WindowName, L"Viewer Setup");
  EXPECT_EQ(s.LinkName, L"Home");
  EXPECT_EQ(s.Site, L"http://example.org");
  EXPECT_EQ(s.OnlyNT, 2);
  EXPECT_EQ(s.DestFolder, L"%Program Files%\\Viewer");
  EXPECT_EQ(s.FreeSpace, L"3 MB on %Dest%");
  EXPECT_FALSE(s.EditDest);
  EXPECT_FALSE(s.CreateUninst);  // "yes" is not a number
  EXPECT_TRUE(s.Overwrite);      // any non-zero number is true
  EXPECT_EQ(s.OthCount, 3);
  EXPECT_EQ(s.IniCount, 1);
  EXPECT_EQ(s.RegCount, 2);
  EXPECT_EQ(s.LnkCount, 4);
  EXPECT_EQ(s.ExeCount, 5);
  EXPECT_TRUE(s.Reboot);
  EXPECT_TRUE(s.RegUninst);
  EXPECT_TRUE(s.NoLogo);
  EXPECT_FALSE(s.Stretch);
}

TEST(ScriptFormat, ReadsTheItemSections) {
  testsupport::ScratchFolder dir;
  testsupport::WriteBytes(
      dir / L"setup.qx1",
      "[setup1]\r\nOthCount=99999999\r\n"
      "[Oth1]\r\nDest=%Dest%\\a.dll\r\nSource=%Installer%a.dll\r\nOcx=1\r\n"
      "[Ini1]\r\nFile=%Windows%\\v.ini\r\nSection=Main\r\nValue=Path\r\nData=%Dest%\r\n"
      "[Reg1]\r\nRoot=HKEY_LOCAL_MACHINE\r\nKey=Software\\Viewer\r\nValue=Size\r\n"
      "Type=1\r\nData=$FF\r\n"
      "[Lnk1]\r\nLinkName=%Programs%\\Viewer\\Viewer.lnk\r\nFileName=%Dest%\\v.exe\r\n"
      "WorkFolder=%Dest%\r\nArg=/x\r\nIcon=%Dest%\\v.exe\r\nIndex=2\r\n"
      "[Exe1]\r\nFile=%Dest%\\readme.txt\r\nShell=1\r\nWait=1\r\nRunType=MAXIMIZE\r\n"
      "[un_exe]\r\nCount=3\r\nexe1=%Dest%\\a.exe\r\nexe3=c.exe\r\nexe4=never\r\n");
  ProfileFile script(dir / L"setup.qx1");
  EXPECT_EQ(ReadScriptSetup(script).OthCount, kMaxItemCount);

  OthItem oth = ReadOthItem(script, 1);
  EXPECT_EQ(script.Section, L"Oth1");
  EXPECT_EQ(oth.Dest, L"%Dest%\\a.dll");
  EXPECT_EQ(oth.Source, L"%Installer%a.dll");
  EXPECT_TRUE(oth.Ocx);
  OthItem missing = ReadOthItem(script, 2);
  EXPECT_EQ(missing.Dest, L"");
  EXPECT_EQ(missing.Source, L"");

  IniItem ini = ReadIniItem(script, 1);
  EXPECT_EQ(ini.File, L"%Windows%\\v.ini");
  EXPECT_EQ(ini.Section, L"Main");
  EXPECT_EQ(ini.Value, L"Path");
  EXPECT_EQ(ini.Data, L"%Dest%");

  RegItem reg = ReadRegItem(script, 1);
  EXPECT_EQ(reg.Root, L"HKEY_LOCAL_MACHINE");
  EXPECT_EQ(reg.Key, L"Software\\Viewer");
  EXPECT_EQ(reg.Value, L"Size");
  EXPECT_EQ(reg.Type, 1);
  EXPECT_EQ(reg.Data, L"$FF");

  LnkItem lnk = ReadLnkItem(script, 1);
  EXPECT_EQ(lnk.LinkName, L"%Programs%\\Viewer\\Viewer.lnk");
  EXPECT_EQ(lnk.FileName, L"%Dest%\\v.exe");
  EXPECT_EQ(lnk.WorkFolder, L"%Dest%");
  EXPECT_EQ(lnk.Arg, L"/x");
  EXPECT_EQ(lnk.Icon, L"%Dest%\\v.exe");
  EXPECT_EQ(lnk.Index, 2);

  ExeItem exe = ReadExeItem(script, 1);
  EXPECT_EQ(exe.File, L"%Dest%\\readme.txt");
  EXPECT_TRUE(exe.Shell);
  EXPECT_TRUE(exe.Wait);
  EXPECT_EQ(exe.RunType, L"MAXIMIZE");

  EXPECT_EQ(ReadUnExeEntries(script), (std::vector<std::wstring>{L"%Dest%\\a.exe", L"", L"c.exe"}));
}

TEST(ScriptFormat, OnlyNTRefusal) {
  for (unsigned long platform : {0ul, 1ul, 2ul}) {
    EXPECT_FALSE(RefusesToRun(0, platform));
    EXPECT_FALSE(RefusesToRun(-1, platform));
    EXPECT_TRUE(RefusesToRun(1, platform));
    EXPECT_TRUE(RefusesToRun(3, platform));
  }
  EXPECT_FALSE(RefusesToRun(2, 2));
  EXPECT_TRUE(RefusesToRun(2, 1));
}

TEST(ScriptFormat, LoadScriptFillsTheState) {
  testsupport::ScratchFolder dir;
  testsupport::WriteBytes(
      dir / L"setup.qx1",
      "[setup1]\r\nAppName=Viewer\r\nSite=http://example.org\r\n"
      "DestFolder=%Dest%C:\\Apps\\%Lang%\r\nSourceFolder=%Installer%\\files\r\n"
      "FreeSpace=%Temp%\r\nOverwrite=0\r\nCreateUninst=1\r\nRegCount=2\r\nReboot=1\r\n"
      "[logo]\r\nStretch=1\r\n");
  testsupport::WriteBytes(dir / L"English.qxl", "[language]\r\n1=< Back\r\n");
  TSetupState state;
  state.InstallerFolder = dir.Path() + L"\\";
  state.LangName = L"English";
  state.PageStep = 2;
  ScriptSetup s = LoadScript(state);
  EXPECT_EQ(s.AppName, L"Viewer");
  EXPECT_EQ(state.PageStep, 0);
  EXPECT_EQ(state.AppName, L"Viewer");
  EXPECT_EQ(state.Site, L"http://example.org");
  EXPECT_EQ(state.DestFolder, L"C:\\Apps\\English");
  EXPECT_EQ(state.SourceFolder, dir.Path() + L"\\files");
  EXPECT_EQ(state.FreeSpace, L"%Temp%");
  EXPECT_TRUE(state.EditDest);
  EXPECT_TRUE(state.FailIfExists);
  EXPECT_TRUE(state.CreateUninst);
  EXPECT_TRUE(state.Reboot);
  EXPECT_TRUE(state.Stretch);
  EXPECT_FALSE(state.NoLogo);
  EXPECT_EQ(state.RegCount, 2);
  ASSERT_TRUE(state.LangFile && state.ScriptFile);
  EXPECT_EQ(state.LangFile->ProfileText(L"1", L""), L"< Back");
  EXPECT_EQ(state.ScriptFile->Section, L"setup1");
}

// The kit checker knows a script by the table of text/script_keys.h: each key there must be one
// the engine reads, under that name, in that section (a value given to it alone changes what
// the engine reads).
TEST(ScriptFormat, ReadsEveryKeyOfTheCheckersTable) {
  testsupport::ScratchFolder dir;
  int files = 0;
  // Whether the engine reads the two scripts of a section alike. Each script is a file of its
  // own: the system keeps files it has read.
  auto same = [&](const ScriptSection& section, const std::string& a, const std::string& b) {
    const std::wstring first = dir / (L"a" + std::to_wstring(++files) + L".qx1");
    const std::wstring second = dir / (L"b" + std::to_wstring(files) + L".qx1");
    testsupport::WriteBytes(first, a);
    testsupport::WriteBytes(second, b);
    ProfileFile x(first), y(second);
    const std::string name(section.name);
    if (name == "setup1" || name == "logo") return ReadScriptSetup(x) == ReadScriptSetup(y);
    if (name == "un_exe") return ReadUnExeEntries(x) == ReadUnExeEntries(y);
    if (name == "Oth") return ReadOthItem(x, 1) == ReadOthItem(y, 1);
    if (name == "Ini") return ReadIniItem(x, 1) == ReadIniItem(y, 1);
    if (name == "Reg") return ReadRegItem(x, 1) == ReadRegItem(y, 1);
    if (name == "Lnk") return ReadLnkItem(x, 1) == ReadLnkItem(y, 1);
    if (name == "Exe") return ReadExeItem(x, 1) == ReadExeItem(y, 1);
    ADD_FAILURE() << "a section the engine has no reader for: " << name;
    return true;
  };
  for (const ScriptSection& section : kScriptSections) {
    // [un_exe] Count is read with its entries.
    const std::string head = "[" + std::string(section.name) + (section.numbered ? "1" : "") +
                             "]\r\n" + (section.name == "un_exe" ? "exe1=x\r\nexe2=y\r\n" : "");
    for (const ScriptKey& key : section.keys) {
      bool read = false;
      for (const char* value : {"7", "0", "x"})
        read = read || !same(section, head, head + std::string(key.name) + "=" + value + "\r\n");
      EXPECT_TRUE(read) << section.name << " " << key.name;
    }
  }
}
