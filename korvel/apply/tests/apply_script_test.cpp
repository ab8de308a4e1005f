// The resource editor's script must come out byte for byte as the tool reads it; what the
// whole script holds is checked where the apply hands it to the tool (logon_applier_test).
#include <gtest/gtest.h>

#include "korvel/apply/apply_script.h"
#include "korvel/test_support/test_files.h"

namespace korvel {
namespace {

TEST(ApplyScript, ResourceNameIsTheFileNameUpToItsLastDot) {
  EXPECT_EQ(BitmapCommand(L"a.b.bmp"), L"-addoverwrite a.b.bmp,Bitmap,a.b,0");
  EXPECT_EQ(BitmapCommand(L"Logo.bmp"), L"-addoverwrite Logo.bmp,Bitmap,Logo,0");
  EXPECT_EQ(BitmapCommand(L"100.BMP"), L"-addoverwrite 100.BMP,Bitmap,100,0");
}

// What the tool would trim, split, refuse or read as another file never goes into the script.
TEST(ApplyScript, CarriesOnlyNamesTheToolReadsBackAsTheSameFileAndResource) {
  for (const wchar_t* name : {L"100.bmp", L"a.b.bmp", L"Logo.bmp", L"#100.bmp", L"65535.BMP",
                              L"0100.bmp", L"\x424\x43e\x43d.bmp", L"a b.bmp"})
    EXPECT_TRUE(ScriptCarries(name)) << name;
  for (const wchar_t* name : {L" 100.bmp", L"100.bmp ", L"100 .bmp", L"1,2.bmp", L"0.bmp",
                              L"65536.bmp", L"#x.bmp", L"#.bmp", L".bmp", L"Korv\xebl.bmp",
                              L"\x4e2d.bmp", L"\t100.bmp"})
    EXPECT_FALSE(ScriptCarries(name)) << name;
  EXPECT_FALSE(ScriptCarries(std::wstring(256, L'A') + L".bmp"));
  EXPECT_TRUE(ScriptCarries(std::wstring(255, L'A') + L".bmp"));
  EXPECT_TRUE(FitsAnsi(L"C:\\\x41e\x43a\x43d\x430\\"));
  EXPECT_FALSE(FitsAnsi(L"C:\\Korv\xebl\\"));
}

TEST(ApplyScript, IsWrittenInTheAnsiCodePageWithoutMarkOrNewLineConversion) {
  testing::ScratchFolder folder;
  const std::wstring path = folder / L"logonkv.ini";
  testing::WriteBytes(path, std::string(5000, 'x'));  // an older, longer script is replaced
  // "Окна" in code page 1251, the code page of the test prefix.
  ASSERT_TRUE(WriteApplyScript(path, ApplyScriptText(L"C:\\\x41e\x43a\x43d\x430\\", {})));
  const std::string bytes = testing::ReadBytes(path);
  EXPECT_EQ(bytes.substr(0, 33), std::string("[FILENAMES]\r\nExe=C:\\\xce\xea\xed\xe0\\system32"));
  EXPECT_EQ(bytes.size(), 137u);
  EXPECT_EQ(bytes.substr(bytes.size() - 41), "-addoverwrite uifile.txt, UIFILE, 1000,\r\n");
}

}  // namespace
}  // namespace korvel
