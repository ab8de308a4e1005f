// The checker on kits that carry one finding each: the finding, its file and line, and
// nothing else; the sample kit, read from disk, carries none.
#include "bramlow/kit/kit_check.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <utility>
#include <string>
#include <vector>

#include "bramlow/text/script_keys.h"
#include "testing/support/file_bytes.h"
#include "testing/support/scratch_folder.h"

namespace bramlow {
namespace {

// A small kit without findings. The script's line numbers are what the cases below expect.
const char kScript[] =
    "[setup1]\r\n"                             // 1
    "AppName=Tool\r\n"                         // 2
    "DestFolder=%Program Files%\\Tool\r\n"     // 3
    "SourceFolder=%Installer%app\r\n"          // 4
    "CreateUninst=1\r\n"                       // 5
    "OthCount=1\r\n"                           // 6
    "RegCount=1\r\n"                           // 7
    "LnkCount=2\r\n"                           // 8
    "ExeCount=1\r\n"                           // 9
    "[Oth1]\r\n"                               // 10
    "Source=%Installer%%Lang%.qxl\r\n"         // 11
    "Dest=%Dest%\\lang\\deep\\%Lang%.qxl\r\n"  // 12
    "[Reg1]\r\n"                               // 13
    "Root=HKEY_LOCAL_MACHINE\r\n"              // 14
    "Key=Software\\Tool\r\n"                   // 15
    "Type=0\r\n"                               // 16
    "Data=%Dest%\r\n"                          // 17
    "[Lnk1]\r\n"                               // 18
    "LinkName=%Programs%\\Tool\\Tool.lnk\r\n"  // 19
    "FileName=%Dest%\\readme.txt\r\n"          // 20
    "[Lnk2]\r\n"                               // 21
    "LinkName=%Dest%\\x\\Lang.lnk\r\n"         // 22
    "[Exe1]\r\n"                               // 23
    "File=%Dest%\\readme.txt\r\n"              // 24
    "Shell=1\r\n"                              // 25
    "[un_exe]\r\n"                             // 26
    "Count=1\r\n"                              // 27
    "exe1=%System%\\cmd.exe /c exit\r\n";      // 28

std::string Language() {
  std::string text = "[language]\r\n";
  for (int key = 1; key <= kLastLanguageText; ++key) {
    const bool formatted = std::count(kFormattedTexts.begin(), kFormattedTexts.end(), key) > 0;
    text +=
        std::to_string(key) + "=Text " + std::to_string(key) + (formatted ? " of %s" : "") + "\r\n";
  }
  return text;
}

MemoryKitFolder BaseKit() {
  MemoryKitFolder kit;
  kit.Add("setup.qx1", kScript);
  kit.Add("English.qxl", Language());
  kit.Add("bramlow.exe", "MZ");
  kit.Add("setup.dat", "MZ");
  kit.Add("setup.rtf", "{\\rtf1 licence}");
  kit.Add("setup.bmp", "BM");
  kit.Add("app\\readme.txt", "read me");
  kit.Add("app\\docs\\guide.txt", "guide");
  return kit;
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  const size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

struct Case {
  const char* what;
  std::function<void(MemoryKitFolder&, std::string& script)> change;
  const char* file;
  int line;
  Severity severity;
  const char* says;  // a part of the finding's text
};

const Severity E = Severity::Error;
const Severity W = Severity::Warning;

std::vector<Case> Cases() {
  auto script = [](const std::string& from, const std::string& to) {
    return [from, to](MemoryKitFolder&, std::string& s) { s = Replaced(s, from, to); };
  };
  auto language = [](const std::string& from, const std::string& to) {
    return [from, to](MemoryKitFolder& kit, std::string&) {
      kit.Add("English.qxl", Replaced(Language(), from, to));
    };
  };
  return {
      {"misspelt key", script("Dest=", "Dset="), "setup.qx1", 12, E,
       "unknown key Dset in [Oth1]: the engine never reads it (did you mean Dest?)"},
      {"misspelt root", script("Root=HKEY_LOCAL_MACHINE", "Root=HKEY_LOCAL_MACHIN"), "setup.qx1",
       14, E,
       "unknown registry root HKEY_LOCAL_MACHIN: the value goes under HKEY_CURRENT_USER (did you "
       "mean HKEY_LOCAL_MACHINE?)"},
      {"abbreviated root", script("Root=HKEY_LOCAL_MACHINE", "Root=HKLM"), "setup.qx1", 14, E,
       "unknown registry root HKLM"},
      {"misspelt macro", script("%Programs%\\Tool", "%Progams%\\Tool"), "setup.qx1", 19, E,
       "unknown macro %Progams% in LinkName: the engine leaves it as written (did you mean "
       "%Programs%?)"},
      {"an environment variable", script("exe1=%System%", "exe1=%SystemRoot%"), "setup.qx1", 28, E,
       "unknown macro %SystemRoot% in exe1"},
      {"count above the sections", script("OthCount=1", "OthCount=3"), "setup.qx1", 6, E,
       "OthCount=3, but [Oth2] and [Oth3] are missing: those items run with empty values"},
      {"count above the engine's limit", script("OthCount=1", "OthCount=12345"), "setup.qx1", 6, E,
       "OthCount=12345, but [Oth2], "},
      {"count beyond 32 bits", script("OthCount=1", "OthCount=4294967297"), "setup.qx1", 6, W,
       "OthCount=4294967297 is more than the engine can read: it reads it as 1"},
      {"un_exe count above the entries", script("\r\nCount=1", "\r\nCount=2"), "setup.qx1", 27, E,
       "Count=2 of [un_exe], but exe2 is missing"},
      {"type-1 value not a number", script("Type=0\r\nData=%Dest%", "Type=1\r\nData=12a"),
       "setup.qx1", 17, E,
       "Data=12a is not a number for Type=1 (decimal, or hexadecimal after $, x or 0x): the setup "
       "stops with \"'12a' is not a valid integer value\""},
      {"type-1 value too big", script("Type=0\r\nData=%Dest%", "Type=1\r\nData=4294967296"),
       "setup.qx1", 17, E, "is not a number for Type=1"},
      {"text with %d", language("20=Text 20 of %s", "20=Copying %d"), "English.qxl", 21, E,
       "text 20 is not a valid pattern for one text argument (%s, %%): the setup stops with "
       "\"Format 'Copying %d' invalid or incompatible with argument\""},
      {"text with two %s", language("4=Text 4 of %s", "4=%s and %s"), "English.qxl", 5, E,
       "No argument for format '%s and %s'"},
      {"text with a lone %", language("12=Text 12 of %s", "12=100% of %s"), "English.qxl", 13, E,
       "text 12 is not a valid pattern"},
      {"text missing", language("12=Text 12 of %s\r\n", ""), "English.qxl", 1, E,
       "text 12 is missing: the wizard shows nothing in its place"},
      {"no language section", language("[language]", "[languages]"), "English.qxl", 0, E,
       "no [language] section"},
      {"source file not in the kit",
       script("Source=%Installer%%Lang%.qxl", "Source=%Installer%licence.txt"), "setup.qx1", 11, E,
       "Source %Installer%licence.txt: the kit holds no file licence.txt"},
      {"source folder not in the kit",
       script("SourceFolder=%Installer%app", "SourceFolder=%Installer%files"), "setup.qx1", 4, E,
       "SourceFolder %Installer%files: the kit holds no folder files"},
      {"source folder with a trailing backslash",
       script("SourceFolder=%Installer%app", "SourceFolder=%Installer%app\\"), "setup.qx1", 4, E,
       "SourceFolder ends in a backslash"},
      {"no application name", script("AppName=Tool\r\n", "AppName=\r\nRegUninst=1\r\n"), "setup.qx1", 2, W,
       "no AppName: every text that names the application shows nothing there, and RegUninst=1 "
       "writes no entry"},
      {"OnlyNT as a switch", script("CreateUninst=1\r\n", "CreateUninst=1\r\nOnlyNT=1\r\n"), "setup.qx1",
       6, E, "OnlyNT=1 refuses to run on every system"},
      {"OnlyNT for the NT family", script("CreateUninst=1\r\n", "CreateUninst=1\r\nOnlyNT=2\r\n"), nullptr,
       0, E, ""},
      {"destination not a full path",
       script("DestFolder=%Program Files%\\Tool", "DestFolder=Program Files\\Tool"), "setup.qx1", 3,
       E, "the folder page refuses it (not a full path)"},
      {"destination with %Dest%",
       script("DestFolder=%Program Files%\\Tool", "DestFolder=%Dest%\\Tool"), "setup.qx1", 3, E,
       "gives '\\Tool' on a sample system: the folder page refuses it (not a full path); %Dest% is "
       "the destination itself and is empty here"},
      {"destination naming a device",
       script("DestFolder=%Program Files%\\Tool", "DestFolder=%Program Files%\\NUL"), "setup.qx1",
       3, E, "takes for a device"},
      {"destination a drive's root", script("DestFolder=%Program Files%\\Tool", "DestFolder=C:\\"),
       "setup.qx1", 3, E,
       "gives 'C:\\' on a sample system: the folder page refuses it (a drive's root or the Windows "
       "folder itself)"},
      {"destination the Windows folder",
       script("DestFolder=%Program Files%\\Tool", "DestFolder=%Windows%\\"), "setup.qx1", 3, E,
       "gives 'C:\\WINDOWS\\' on a sample system: the folder page refuses it (a drive's root"},
      {"destination the system folder, spelt otherwise",
       script("DestFolder=%Program Files%\\Tool", "DestFolder=%Windows%\\SYSTEM32\\x\\.."),
       "setup.qx1", 3, E, "the folder page refuses it (a drive's root or the Windows folder"},
      {"no destination", script("DestFolder=%Program Files%\\Tool\r\n", ""), "setup.qx1", 1, E,
       "DestFolder '' gives ''"},
      {"misspelt section", script("[un_exe]", "[unexe]"), "setup.qx1", 26, E,
       "unknown section [unexe]: the engine never reads it (did you mean [un_exe]?)"},
      {"blanks inside brackets", script("[un_exe]", "[ un_exe ]"), nullptr, 0, E, ""},
      {"a leading zero", script("[un_exe]", "[Oth01]\r\n[un_exe]"), "setup.qx1", 26, E,
       "unknown section [Oth01]: the engine never reads it (did you mean [Oth1]?)"},
      {"section twice", script("[un_exe]", "[oth1]\r\nSource=x\r\n[un_exe]"), "setup.qx1", 26, E,
       "[oth1] again (first at line 10): the engine reads only the first"},
      {"key twice", script("Shell=1\r\n", "Shell=1\r\nSHELL=0\r\n"), "setup.qx1", 26, E,
       "SHELL again in [Exe1] (first at line 25): the engine reads only the first"},
      {"section without its bracket", script("[un_exe]", "[kit\r\n[un_exe]"), "setup.qx1", 26, E,
       "no ']': not a section"},
      {"no engine",
       [](MemoryKitFolder& kit, std::string&) {
         kit = MemoryKitFolder();
         auto b = BaseKit();
         for (auto n : {"setup.qx1", "English.qxl", "setup.dat", "setup.rtf", "setup.bmp",
                        "app\\readme.txt", "app\\docs\\guide.txt"})
           kit.Add(n, *b.Read(n));
       },
       "bramlow.exe", 0, E, "missing: the kit has no engine to run"},
      {"no uninstaller",
       [](MemoryKitFolder& kit, std::string&) {
         kit = MemoryKitFolder();
         auto b = BaseKit();
         for (auto n : {"setup.qx1", "English.qxl", "bramlow.exe", "setup.rtf", "setup.bmp",
                        "app\\readme.txt", "app\\docs\\guide.txt"})
           kit.Add(n, *b.Read(n));
       },
       "setup.qx1", 5, E, "CreateUninst=1, but the kit has no setup.dat"},
      {"no language file",
       [](MemoryKitFolder& kit, std::string&) {
         kit = MemoryKitFolder();
         auto b = BaseKit();
         for (auto n : {"setup.qx1", "bramlow.exe", "setup.dat", "setup.rtf", "setup.bmp",
                        "app\\readme.txt", "app\\docs\\guide.txt"})
           kit.Add(n, *b.Read(n));
       },
       "setup.qx1", 0, E, "the kit has no language file (*.qxl)"},
      {"UTF-8 mark", [](MemoryKitFolder&, std::string& s) { s = "\xEF\xBB\xBF" + s; }, "setup.qx1",
       1, E, "UTF-8 byte-order mark"},
      {"misspelt kit key", script("[un_exe]", "[KIT]\r\nVesion=1.2\r\n[un_exe]"), "setup.qx1", 27,
       E, "unknown key Vesion in [KIT]: the kit tools never read it (did you mean Version?)"},
      {"kit section again", script("[un_exe]", "[kit]\r\n[Kit]\r\n[un_exe]"), "setup.qx1", 27, E,
       "[Kit] again (first at line 26): the kit tools read only the first"},
      {"bad kit version", script("[un_exe]", "[kit]\r\nVersion=1.x\r\n[un_exe]"), "setup.qx1", 27,
       E, "Version=1.x is not a version"},
      {"section beyond its count", script("[un_exe]", "[Reg2]\r\nKey=x\r\n[un_exe]"), "setup.qx1",
       26, W, "[Reg2] is beyond RegCount=1: the engine never uses it"},
      {"un_exe entry beyond its count", script("exe1=", "exe2=x\r\nexe1="), "setup.qx1", 28, W,
       "exe2 is beyond Count=1 of [un_exe]"},
      {"empty un_exe entry", script("exe1=%System%\\cmd.exe /c exit", "exe1="), "setup.qx1", 28, W,
       "an empty exe1: the uninstaller has nothing to run"},
      {"shortcut two new folders deep",
       script("%Programs%\\Tool\\Tool.lnk", "%Programs%\\Vendor\\Tool\\Tool.lnk"), "setup.qx1", 19,
       W,
       "the shortcut lies 2 new folders deep (Vendor\\Tool): the engine makes only the last one, "
       "so the shortcut is not created"},
      {"shortcut deep below a folder of the tree",
       script("%Dest%\\x\\Lang.lnk", "%Dest%\\docs\\x\\y\\Lang.lnk"), "setup.qx1", 22, W,
       "2 new folders deep (x\\y)"},
      {"shortcut below a single file's folder",
       script("%Dest%\\x\\Lang.lnk", "%Dest%\\lang\\deep\\x\\Lang.lnk"), nullptr, 0, W, ""},
      {"shortcut below an earlier shortcut's folder",
       script("%Dest%\\x\\Lang.lnk", "%Programs%\\Tool\\Help\\Help.lnk"), nullptr, 0, W, ""},
      {"COM server in the destination",
       script("Dest=%Dest%\\lang\\deep\\%Lang%.qxl\r\n",
              "Dest=%Dest%\\lang\\deep\\%Lang%.qxl\r\nOcx=1\r\n"),
       "setup.qx1", 13, W, "Ocx=1 on a file copied into %Dest%"},
      {"unknown value type", script("Type=0\r\nData=%Dest%", "Type=5\r\nData=%Dest%"), "setup.qx1",
       16, W, "Type=5 writes no value (0 text, 1 number, 2 binary): only the key is made"},
      {"switch written as a word", script("CreateUninst=1", "CreateUninst=yes"), "setup.qx1", 5, W,
       "CreateUninst=yes is not a number: the engine reads it as 0 (write 1 or 0)"},
      {"no picture",
       [](MemoryKitFolder& kit, std::string&) {
         kit = MemoryKitFolder();
         auto b = BaseKit();
         for (auto n : {"setup.qx1", "English.qxl", "bramlow.exe", "setup.dat", "setup.rtf",
                        "app\\readme.txt", "app\\docs\\guide.txt"})
           kit.Add(n, *b.Read(n));
       },
       "setup.bmp", 0, W, "missing: the welcome and finish pages show no picture"},
      {"no licence",
       [](MemoryKitFolder& kit, std::string&) {
         kit = MemoryKitFolder();
         auto b = BaseKit();
         for (auto n : {"setup.qx1", "English.qxl", "bramlow.exe", "setup.dat", "setup.bmp",
                        "app\\readme.txt", "app\\docs\\guide.txt"})
           kit.Add(n, *b.Read(n));
       },
       "setup.rtf", 0, W, "missing: the licence page stays empty"},
      {"single file onto a device", script("Dest=%Dest%\\lang\\deep\\%Lang%.qxl", "Dest=%Dest%\\docs\\NUL"),
       "setup.qx1", 12, E, "named as a device or ends in a dot or a space"},
      {"single file below a trailing dot",
       script("Dest=%Dest%\\lang\\deep\\%Lang%.qxl", "Dest=%Dest%\\lang.\\%Lang%.qxl"), "setup.qx1",
       12, E, "(a failed copy)"},
      {"relative Dest", script("Dest=%Dest%\\lang\\deep\\%Lang%.qxl", "Dest=lang\\%Lang%.qxl"),
       "setup.qx1", 12, W, "Dest=lang\\%Lang%.qxl is not a full path: the engine takes it from"},
      {"relative Source", script("Source=%Installer%%Lang%.qxl", "Source=%Lang%.qxl"), "setup.qx1",
       11, W, "(start it with a macro such as %Installer%)"},
      {"empty SourceFolder", script("SourceFolder=%Installer%app", "SourceFolder="), "setup.qx1", 4,
       W, "SourceFolder is empty: no folder tree is copied"},
      {"relative SourceFolder", script("SourceFolder=%Installer%app", "SourceFolder=app"),
       "setup.qx1", 4, W, "SourceFolder=app is not a full path"},
      {"relative shortcut target", script("FileName=%Dest%\\readme.txt", "FileName=readme.txt"),
       "setup.qx1", 20, W, "FileName=readme.txt is not a full path"},
      {"program the kit lacks",
       script("File=%Dest%\\readme.txt", "File=%Installer%tools\\missing.exe /x"), "setup.qx1", 24,
       E, "the kit holds no program tools\\missing.exe"},
      {"program the kit holds, with arguments",
       script("File=%Dest%\\readme.txt", "File=%Installer%bramlow.exe /x \"a b\""), nullptr, 0, E,
       ""},
      {"program outside the kit by its bare name", script("File=%Dest%\\readme.txt", "File=notepad.exe"),
       nullptr, 0, E, ""},
      {"source folder spelt with .. and a trailing dot",
       script("SourceFolder=%Installer%app", "SourceFolder=%Installer%app\\..\\app\\docs\\.."),
       nullptr, 0, E, ""},
      {"source file with a trailing dot",
       script("Source=%Installer%%Lang%.qxl", "Source=%Installer%setup.rtf."), nullptr, 0, E, ""},
      {"source folder missing after ..",
       script("SourceFolder=%Installer%app", "SourceFolder=%Installer%app\\..\\docs"), "setup.qx1", 4,
       E, "the kit holds no folder docs"},
      {"file name Windows refuses",
       [](MemoryKitFolder& kit, std::string&) { kit.Add("app\\q?", "x"); }, "app\\q?", 0, E,
       "holds '?', which Windows cannot use in a name"},
      {"file name with a tab",
       [](MemoryKitFolder& kit, std::string&) { kit.Add("app\\tab\tname", "x"); },
       "app\\tab\tname", 0, E, "control character"},
      {"folder named as a device",
       [](MemoryKitFolder& kit, std::string&) { kit.AddFolder("app\\nul"); }, "app\\nul", 0, E,
       "names a device"},
      {"folder ending in a space",
       [](MemoryKitFolder& kit, std::string&) { kit.Add("app\\sp \\x.txt", "x"); }, "app\\sp ", 0,
       E, "ends in a dot or a space"},
      {"text with an English stand-in", language("40=Text 40\r\n", ""), "English.qxl", 1, W,
       "text 40 is missing: the wizard says it in English"},
      {"language file named in capitals",
       [](MemoryKitFolder& kit, std::string&) {
         kit.Add("German.QXL", Replaced(Language(), "40=Text 40\r\n", ""));
       },
       "German.QXL", 1, W, "text 40 is missing"},
      {"unknown text", language("44=Text 44\r\n", "44=Text 44\r\n45=More\r\n"), "English.qxl", 46,
       W, "unknown text 45"},
      {"line without =", script("Shell=1\r\n", "Shell=1\r\nWait\r\n"), "setup.qx1", 26, W,
       "a line without '=': the engine never reads it"},
      {"line before the first section",
       [](MemoryKitFolder&, std::string& s) { s = "AppName=x\r\n" + s; }, "setup.qx1", 1, W,
       "a line before the first section"},
      {"value longer than the engine reads",
       script("Key=Software\\Tool", "Key=" + std::string(2100, 'k')), "setup.qx1", 15, W,
       "Key is longer than 2047 characters"},
  };
}

TEST(KitCheck, TheBaseKitIsClean) {
  const KitReport report = CheckKit(BaseKit());
  ASSERT_TRUE(report.readable);
  for (const Finding& f : report.findings) ADD_FAILURE() << FindingLine("kit", f);
}

TEST(KitCheck, FindsEachFaultWithItsLine) {
  for (const Case& c : Cases()) {
    SCOPED_TRACE(c.what);
    MemoryKitFolder kit = BaseKit();
    std::string script = kScript;
    c.change(kit, script);
    if (kit.Read("setup.qx1")) kit.Add("setup.qx1", script);
    const KitReport report = CheckKit(kit);
    ASSERT_TRUE(report.readable);
    if (!c.file) {
      for (const Finding& f : report.findings) ADD_FAILURE() << FindingLine("kit", f);
      continue;
    }
    ASSERT_EQ(report.findings.size(), 1u) << [&] {
      std::string all;
      for (const Finding& f : report.findings) all += FindingLine("kit", f) + "\n";
      return all;
    }();
    const Finding& f = report.findings[0];
    EXPECT_EQ(f.file, c.file);
    EXPECT_EQ(f.line, c.line);
    EXPECT_EQ(f.severity, c.severity);
    EXPECT_NE(f.text.find(c.says), std::string::npos) << f.text;
  }
}

TEST(KitCheck, ASourceNamedPerLanguageIsCheckedForEachLanguage) {
  MemoryKitFolder kit = BaseKit();
  kit.Add("Russian.qxl", Language());
  EXPECT_TRUE(CheckKit(kit).findings.empty());
  // Dest is per language too, but only Source must be in the kit: remove one language's file
  // from what Source names by renaming the language list.
  kit.Add("setup.qx1",
          Replaced(kScript, "Source=%Installer%%Lang%.qxl", "Source=%Installer%lang\\%Lang%.txt"));
  kit.Add("lang\\English.txt", "x");
  const KitReport report = CheckKit(kit);
  ASSERT_EQ(report.findings.size(), 1u);
  EXPECT_EQ(report.findings[0].line, 11);
  EXPECT_NE(report.findings[0].text.find("lang\\Russian.txt (for the language Russian)"),
            std::string::npos)
      << report.findings[0].text;
}

TEST(KitCheck, AKitWithoutScriptCannotBeRead) {
  MemoryKitFolder kit;
  kit.Add("bramlow.exe", "MZ");
  const KitReport report = CheckKit(kit);
  EXPECT_FALSE(report.readable);
  EXPECT_NE(report.problem.find("setup.qx1"), std::string::npos);
}

TEST(KitCheck, PrintsFindingsAsCompilersDo) {
#ifdef _WIN32
  const std::string kit = "kit\\";
#else
  const std::string kit = "kit/";
#endif
  EXPECT_EQ(FindingLine("kit", Finding{"setup.qx1", 12, Severity::Error, "text"}),
            kit + "setup.qx1:12: error: text");
  // Control bytes neither end the line nor break it; the file in the system's form.
  EXPECT_EQ(FindingLine("kit", Finding{"app\\a\nb", 0, Severity::Error,
                                       std::string("OthCount=2\0x\r\n", 14)}),
            kit + "app" + kit.back() + "a\\x0Ab: error: OthCount=2\\x00x\\x0D\\x0A");
  EXPECT_EQ(FindingLine("C:\\kit\\", Finding{"setup.bmp", 0, Severity::Warning, "missing"}),
            "C:\\kit\\setup.bmp: warning: missing");
  KitReport report;
  report.findings = {{"a", 1, Severity::Error, ""},
                     {"a", 2, Severity::Warning, ""},
                     {"a", 3, Severity::Warning, ""}};
  EXPECT_EQ(ReportSummary(report), "1 error, 2 warnings");
}

TEST(KitCheck, TakesOnlyWellFormedVersions) {
  unsigned short v[4];
  ASSERT_TRUE(ParseKitVersion("1.2", v));
  EXPECT_EQ(v[0], 1);
  EXPECT_EQ(v[1], 2);
  EXPECT_EQ(v[3], 0);
  ASSERT_TRUE(ParseKitVersion("65535.0.0.7", v));
  EXPECT_EQ(v[3], 7);
  for (const char* bad :
       {"", "1.", ".1", "1..2", "65536", "1.2.3.4.5", "1,2", "v1", "1.2 ", "0000001"})
    EXPECT_FALSE(ParseKitVersion(bad, v)) << bad;
}

#ifndef _WIN32
// Names a Linux folder holds and Windows cannot, and entries the build cannot pack: each an
// error with its path, and what lies below a refused folder is not reported again.
TEST(KitCheck, NamesWindowsCannotHoldOnDisk) {
  testsupport::ScratchFolder folder("kvnames");
  const std::filesystem::path kit = std::filesystem::path(folder.Path()) / "kit";
  MemoryKitFolder base = BaseKit();
  for (const char* name : {"setup.qx1", "English.qxl", "bramlow.exe", "setup.dat", "setup.rtf",
                           "setup.bmp", "app/readme.txt", "app/docs/guide.txt"}) {
    std::filesystem::create_directories((kit / name).parent_path());
    testsupport::WriteBytes(kit / name, *base.Read(name));
  }
  const std::vector<std::pair<std::string, std::string>> bad = {
      {"app/lt<", "holds '<'"},
      {"app/pipe|", "holds '|'"},
      {"app/quo\"te", "holds '\"'"},
      {"app/back\\slash", "holds '\\'"},
      {"app/line\nbreak/x.txt", "control character"},
      {"app/bad\x81", "code page"},
      {"app/x.", "ends in a dot"},
      {"app/COM1.txt", "names a device"},
      {"app/README.TXT", "the same name as"},
      {"english.qxl", "the same name as"},
      {"app/Docs/other.txt", "the same name as"},
  };
  for (const auto& [name, says] : bad) {
    std::filesystem::create_directories((kit / name).parent_path());
    testsupport::WriteBytes(kit / name, name == "english.qxl" ? Language() : "x");
  }
  // What the build cannot pack is an error of the check too.
  testsupport::WriteBytes(std::filesystem::path(folder.Path()) / "outside.txt", "x");
  std::filesystem::create_symlink(std::filesystem::path(folder.Path()) / "outside.txt",
                                  kit / "app" / "out.txt");
  std::filesystem::create_symlink(kit / "nowhere", kit / "app" / "broken.txt");
  std::filesystem::create_directory_symlink(kit / "app" / "docs", kit / "app" / "docslink");
  std::filesystem::create_symlink(kit / "setup.rtf", kit / "app" / "inside.txt");  // packed
  ASSERT_EQ(mkfifo((kit / "app" / "pipe").c_str(), 0600), 0);
  const std::vector<std::pair<std::string, std::string>> unpackable = {
      {"app\\out.txt", "a link that leads out of the kit"},
      {"app\\broken.txt", "a pipe, device or broken link"},
      {"app\\docslink", "a link or junction to a folder"},
      {"app\\pipe", "a pipe, device or broken link"},
  };
  DiskKitFolder disk(kit.string());
  const KitReport report = CheckKit(disk, 1252);
  std::map<std::string, std::string> found;
  for (const Finding& f : report.findings) {
    EXPECT_EQ(f.severity, Severity::Error) << f.file;
    found[f.file] = f.text;
  }
  for (auto [name, says] : bad) {
    if (name == "app/line\nbreak/x.txt") name = "app/line\nbreak";
    std::string file = name;
    std::replace(file.begin(), file.end(), '/', '\\');
    if (name == "app/back\\slash") file = "app\\back\\slash";
    // Of two names that clash, the one sorted later is reported.
    if (name == "english.qxl") file = "english.qxl";
    if (name == "app/Docs/other.txt") file = "app\\docs";
    if (name == "app/README.TXT") file = "app\\readme.txt";
    ASSERT_TRUE(found.count(file)) << file;
    EXPECT_NE(found[file].find(says), std::string::npos) << file << ": " << found[file];
  }
  for (const auto& [file, says] : unpackable) {
    ASSERT_TRUE(found.count(file)) << file;
    EXPECT_NE(found[file].find(says), std::string::npos) << file << ": " << found[file];
  }
  EXPECT_EQ(report.findings.size(), bad.size() + unpackable.size()) << [&] {
    std::string all;
    for (const Finding& f : report.findings) all += FindingLine("kit", f) + "\n";
    return all;
  }();
}
#endif

// The shipped sample kit as the build assembles it: kit-src with the engine, the uninstaller
// and the picture beside it.
TEST(KitCheck, TheSampleKitIsClean) {
  testsupport::ScratchFolder folder("kvkit");
  const std::filesystem::path source = KIT_SOURCE_DIR;
  const std::filesystem::path kit = std::filesystem::path(folder.Path()) / "kit";
  std::filesystem::copy(source, kit, std::filesystem::copy_options::recursive);
  for (const char* standIn : {"bramlow.exe", "setup.dat", "setup.bmp"})
    testsupport::WriteBytes(kit / standIn, "stand-in");
  DiskKitFolder disk(kit.string());
  const KitReport report = CheckKit(disk);
  ASSERT_TRUE(report.readable) << report.problem;
  for (const Finding& f : report.findings) ADD_FAILURE() << FindingLine(kit.string(), f);
}

}  // namespace
}  // namespace bramlow
