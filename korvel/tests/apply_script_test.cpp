// The resource editor's script must come out byte for byte as the tool reads it; what the
// whole script holds is checked where the apply hands it to the tool (logon_applier_test).
#include <gtest/gtest.h>

#include "apply_script.h"
#include "scratch_folder.h"

namespace korvel {
namespace {

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

}  // namespace
}  // namespace korvel
