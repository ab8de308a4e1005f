#include "edit_script.h"

#include <gtest/gtest.h>

#include <string>

namespace resedit {
namespace {

ScriptParseResult Parse(const std::string& text) { return ParseEditScript(text); }

std::string Script(const std::string& commands) {
  return "[FILENAMES]\r\nExe=a.exe\r\nSaveAs=b.exe\r\n[COMMANDS]\r\n" + commands;
}

TEST(EditScript, ReadsTheScriptKorvelWrites) {
  const auto r = Parse(
      "[FILENAMES]\r\n"
      "Exe=C:\\WINDOWS\\system32\\logonui.exe\r\n"
      "SaveAs=C:\\WINDOWS\\system32\\logonkv.exe\r\n"
      "[COMMANDS]\r\n"
      "-addoverwrite 100.bmp,Bitmap,100,0\r\n"
      "-addoverwrite a.b.bmp,Bitmap,a.b,0\r\n"
      "-addoverwrite uifile.txt, UIFILE, 1000,\r\n");
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(r.script.exe, "C:\\WINDOWS\\system32\\logonui.exe");
  EXPECT_EQ(r.script.saveAs, "C:\\WINDOWS\\system32\\logonkv.exe");
  EXPECT_FALSE(r.script.utf8);
  ASSERT_EQ(r.script.commands.size(), 3u);

  const auto& bmp = r.script.commands[0];
  EXPECT_EQ(bmp.file, "100.bmp");
  EXPECT_EQ(bmp.payload, PayloadKind::BitmapFile);
  EXPECT_EQ(bmp.type, ResourceId::Number(kBitmapType));
  EXPECT_EQ(bmp.name, ResourceId::Number(100));
  EXPECT_EQ(bmp.language, 0);
  EXPECT_EQ(bmp.line, 5);

  EXPECT_EQ(r.script.commands[1].name, ResourceId::Text("a.b"));

  const auto& ui = r.script.commands[2];
  EXPECT_EQ(ui.file, "uifile.txt");
  EXPECT_EQ(ui.payload, PayloadKind::RawBytes);
  EXPECT_EQ(ui.type, ResourceId::Text("UIFILE"));
  EXPECT_EQ(ui.name, ResourceId::Number(1000));
  EXPECT_EQ(ui.language, 0);
}

TEST(EditScript, ToleratesLooseTextAroundTheCommands) {
  const auto r = Parse(
      "\xEF\xBB\xBF; made by hand\n"
      "\n"
      "  [filenames]  \n"
      "exe = \"C:\\Program Files\\a.exe\"\n"
      "SAVEAS=b.exe\n"
      "[Commands]\n"
      "\t-AddOverwrite \"my pic.bmp\" , bitmap , #7 , 0x419\n"
      "-addoverwrite data.bin,10,Logo,1049");
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_TRUE(r.script.utf8);
  EXPECT_EQ(r.script.exe, "C:\\Program Files\\a.exe");
  ASSERT_EQ(r.script.commands.size(), 2u);
  EXPECT_EQ(r.script.commands[0].file, "my pic.bmp");
  EXPECT_EQ(r.script.commands[0].payload, PayloadKind::BitmapFile);
  EXPECT_EQ(r.script.commands[0].name, ResourceId::Number(7));
  EXPECT_EQ(r.script.commands[0].language, 0x419);
  EXPECT_EQ(r.script.commands[1].type, ResourceId::Number(10));
  EXPECT_EQ(r.script.commands[1].payload, PayloadKind::RawBytes);
  EXPECT_EQ(r.script.commands[1].name, ResourceId::Text("Logo"));
  EXPECT_EQ(r.script.commands[1].language, 1049);
}

TEST(EditScript, AcceptsAScriptWithoutCommands) {
  const auto r = Parse("[FILENAMES]\r\nExe=a.exe\r\nSaveAs=b.exe\r\n[COMMANDS]\r\n");
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_TRUE(r.script.commands.empty());
}

struct BadScript {
  const char* what;
  std::string text;
  int line;
};

TEST(EditScript, RefusesMalformedScriptsNamingTheLine) {
  const BadScript cases[] = {
      {"text before any section", "Exe=a.exe\r\n", 1},
      {"unknown section", "[FILES]\r\n", 1},
      {"unclosed section", "[FILENAMES\r\n", 1},
      {"unknown key", "[FILENAMES]\r\nLog=x.log\r\n", 2},
      {"key without value", "[FILENAMES]\r\nExe=\r\n", 2},
      {"line without =", "[FILENAMES]\r\nExe a.exe\r\n", 2},
      {"Exe twice", "[FILENAMES]\r\nExe=a.exe\r\nExe=c.exe\r\n", 3},
      {"no SaveAs", "[FILENAMES]\r\nExe=a.exe\r\n[COMMANDS]\r\n", 3},
      {"no Exe", "[FILENAMES]\r\nSaveAs=a.exe\r\n", 2},
      {"unknown command", Script("-delete 100.bmp,Bitmap,100,0\r\n"), 5},
      {"command without arguments", Script("-addoverwrite\r\n"), 5},
      {"three fields", Script("-addoverwrite 100.bmp,Bitmap,100\r\n"), 5},
      {"five fields", Script("-addoverwrite 100.bmp,Bitmap,100,0,0\r\n"), 5},
      {"empty file", Script("-addoverwrite ,Bitmap,100,0\r\n"), 5},
      {"empty type", Script("-addoverwrite a.bin,,100,0\r\n"), 5},
      {"empty name", Script("-addoverwrite a.bin,RCDATA,,0\r\n"), 5},
      {"name 0", Script("-addoverwrite 0.bmp,Bitmap,0,0\r\n"), 5},
      {"name above 65535", Script("-addoverwrite a.bmp,Bitmap,65536,0\r\n"), 5},
      {"# without number", Script("-addoverwrite a.bmp,Bitmap,#x,0\r\n"), 5},
      {"text name too long", Script("-addoverwrite a.bmp,Bitmap," + std::string(256, 'N') + ",0\r\n"), 5},
      {"language not a number", Script("-addoverwrite a.bmp,Bitmap,1,ru\r\n"), 5},
      {"language above 65535", Script("-addoverwrite a.bmp,Bitmap,1,65536\r\n"), 5},
      {"hex language too long", Script("-addoverwrite a.bmp,Bitmap,1,0x10000\r\n"), 5},
      {"NUL byte", Script(std::string("-addoverwrite a\0.bmp,Bitmap,1,0\r\n", 33)), 5},
      {"stray carriage return", Script("-addoverwrite a.bmp,Bit\rmap,1,0\r\n"), 5},
  };
  for (const auto& c : cases) {
    const auto r = Parse(c.text);
    EXPECT_FALSE(r.ok) << c.what;
    EXPECT_EQ(r.errorLine, c.line) << c.what << ": " << r.error;
    EXPECT_FALSE(r.error.empty()) << c.what;
  }
}

TEST(EditScript, ResourceIdsAtTheEdgesOfTheNumberRange) {
  ResourceId id;
  std::string error;
  ASSERT_TRUE(ParseResourceId("65535", id, error));
  EXPECT_EQ(id, ResourceId::Number(65535));
  ASSERT_TRUE(ParseResourceId("00100", id, error));
  EXPECT_EQ(id, ResourceId::Number(100));
  ASSERT_TRUE(ParseResourceId("99999999999999999999x", id, error));
  EXPECT_EQ(id, ResourceId::Text("99999999999999999999x"));
  EXPECT_FALSE(ParseResourceId("99999999999999999999", id, error));
}

}  // namespace
}  // namespace resedit
