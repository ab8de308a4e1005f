// The resource editor's script and command line must come out byte for byte as the tool reads
// them.
#include <gtest/gtest.h>

#include "apply_script.h"
#include "scratch_folder.h"

namespace korvel {
namespace {

TEST(ApplyScript, TwoBitmapsGiveTheSixLinesExactly) {
  const std::wstring text = ApplyScriptText(L"C:\\WINDOWS\\", {L"100.bmp", L"107.bmp"});
  EXPECT_EQ(text,
            L"[FILENAMES]\r\n"
            L"Exe=C:\\WINDOWS\\system32\\logonui.exe\r\n"
            L"SaveAs=C:\\WINDOWS\\system32\\logonkv.exe\r\n"
            L"[COMMANDS]\r\n"
            L"-addoverwrite 100.bmp,Bitmap,100,0\r\n"
            L"-addoverwrite 107.bmp,Bitmap,107,0\r\n"
            L"-addoverwrite uifile.txt, UIFILE, 1000,\r\n");
}

TEST(ApplyScript, NoBitmapsGiveTheHeaderAndTheUiFileLine) {
  const std::wstring text = ApplyScriptText(L"D:\\W\\", {});
  EXPECT_EQ(text,
            L"[FILENAMES]\r\nExe=D:\\W\\system32\\logonui.exe\r\n"
            L"SaveAs=D:\\W\\system32\\logonkv.exe\r\n[COMMANDS]\r\n"
            L"-addoverwrite uifile.txt, UIFILE, 1000,\r\n");
}

TEST(ApplyScript, ResourceNameIsTheFileNameUpToItsLastDot) {
  EXPECT_EQ(BitmapCommand(L"a.b.bmp"), L"-addoverwrite a.b.bmp,Bitmap,a.b,0");
  EXPECT_EQ(BitmapCommand(L"Logo.bmp"), L"-addoverwrite Logo.bmp,Bitmap,Logo,0");
  EXPECT_EQ(BitmapCommand(L"100.BMP"), L"-addoverwrite 100.BMP,Bitmap,100,0");
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

TEST(ApplyScript, ToolPathIsQuoted) {
  EXPECT_EQ(ResourceToolCommandLine(L"C:\\Program Files\\Korvel\\"),
            L"\"C:\\Program Files\\Korvel\\reshacker.exe\" -script logonkv.ini");
}

}  // namespace
}  // namespace korvel
