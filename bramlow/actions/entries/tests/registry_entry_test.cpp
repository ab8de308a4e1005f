#include <gtest/gtest.h>
#include <windows.h>
#include <shlwapi.h>

#include <cstdio>
#include <vector>

#include "bramlow/actions/entries/ini_entry.h"
#include "bramlow/actions/entries/registry_entry.h"
#include "bramlow/actions/entries/uninstall_key.h"
#include "bramlow/state/runtime_error.h"
#include "test_support.h"

namespace bramlow {
namespace {

using testing::IniValue;
using testing::ScratchFolder;
using testing::StateWithFiles;

struct ReadValue {
  bool found = false;
  DWORD type = 0;
  std::vector<BYTE> bytes;
};

ReadValue Read(HKEY root, const std::wstring& key, const std::wstring& value) {
  ReadValue result;
  HKEY opened = nullptr;
  if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) return result;
  DWORD size = 0;
  if (RegQueryValueExW(opened, value.c_str(), nullptr, &result.type, nullptr, &size) ==
      ERROR_SUCCESS) {
    result.bytes.resize(size);
    result.found = RegQueryValueExW(opened, value.c_str(), nullptr, &result.type,
                                    result.bytes.data(), &size) == ERROR_SUCCESS;
  }
  RegCloseKey(opened);
  return result;
}

std::wstring AsText(const ReadValue& value) {
  return std::wstring(reinterpret_cast<const wchar_t*>(value.bytes.data()),
                      value.bytes.size() / sizeof(wchar_t));
}

bool KeyExists(HKEY root, const std::wstring& key) {
  HKEY opened = nullptr;
  if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) return false;
  RegCloseKey(opened);
  return true;
}

class RegistryEntryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    files.state.DestFolder = L"C:\\Apps\\Viewer";
    key = L"Software\\KvActionsTest" + std::to_wstring(GetCurrentProcessId());
  }
  void TearDown() override {
    SHDeleteKeyW(HKEY_CURRENT_USER, key.c_str());
    SHDeleteKeyW(HKEY_LOCAL_MACHINE, key.c_str());
  }
  void Write(const std::wstring& root, const std::wstring& value, int type,
             const std::wstring& data) {
    WriteRegistryEntry(root, key, value, type, data, context);
  }
  ScratchFolder scratch;
  StateWithFiles files{scratch};
  ActionContext context{files.state};
  std::wstring key;
};

TEST_F(RegistryEntryTest, RootNamesChooseWhereTheValueGoes) {
  Write(L"hkey_local_machine", L"Where", 0, L"machine");
  Write(L"HKLM", L"Where", 0, L"user");
  EXPECT_EQ(AsText(Read(HKEY_LOCAL_MACHINE, key, L"Where")), std::wstring(L"machine", 8));
  EXPECT_EQ(AsText(Read(HKEY_CURRENT_USER, key, L"Where")), std::wstring(L"user", 5));
}

TEST_F(RegistryEntryTest, OnlyStringDataIsExpanded) {
  Write(L"", L"Path", 0, L"%Dest%\\app.exe");
  Write(L"", L"Raw", 2, L"%Dest%");
  const ReadValue path = Read(HKEY_CURRENT_USER, key, L"Path");
  EXPECT_EQ(path.type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(AsText(path), std::wstring(L"C:\\Apps\\Viewer\\app.exe", 23));  // with its terminator
  const ReadValue raw = Read(HKEY_CURRENT_USER, key, L"Raw");
  EXPECT_EQ(raw.type, static_cast<DWORD>(REG_BINARY));
  EXPECT_EQ(std::string(raw.bytes.begin(), raw.bytes.end()), "%Dest%");
}

TEST_F(RegistryEntryTest, NumbersAndBinaryData) {
  Write(L"", L"Hex", 1, L"0x10");
  Write(L"", L"Dollar", 1, L"$FF");
  Write(L"", L"Negative", 1, L"-1");
  Write(L"", L"Bytes", 2, L"ABC");
  Write(L"", L"", 0, L"default");
  const ReadValue hex = Read(HKEY_CURRENT_USER, key, L"Hex");
  ASSERT_EQ(hex.bytes.size(), 4u);
  EXPECT_EQ(hex.type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(*reinterpret_cast<const DWORD*>(hex.bytes.data()), 16u);
  EXPECT_EQ(*reinterpret_cast<const DWORD*>(Read(HKEY_CURRENT_USER, key, L"Dollar").bytes.data()),
            255u);
  EXPECT_EQ(*reinterpret_cast<const DWORD*>(Read(HKEY_CURRENT_USER, key, L"Negative").bytes.data()),
            0xFFFFFFFFu);
  EXPECT_EQ(Read(HKEY_CURRENT_USER, key, L"Bytes").bytes, (std::vector<BYTE>{0x41, 0x42, 0x43}));
  EXPECT_EQ(AsText(Read(HKEY_CURRENT_USER, key, L"")), std::wstring(L"default", 8));
}

TEST_F(RegistryEntryTest, OtherTypesCreateTheKeyOnly) {
  Write(L"", L"Nothing", 5, L"data");
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, key));
  EXPECT_FALSE(Read(HKEY_CURRENT_USER, key, L"Nothing").found);
}

// Only a value the entry made is the installation's own: not one it overwrote, not a type
// that writes nothing (the default value included), not one whose write failed.
TEST_F(RegistryEntryTest, SaysWhetherItMadeANewValue) {
  EXPECT_TRUE(WriteRegistryEntry(L"", key, L"New", 0, L"x", context));
  EXPECT_FALSE(WriteRegistryEntry(L"", key, L"New", 0, L"again", context));
  EXPECT_TRUE(WriteRegistryEntry(L"", key, L"", 1, L"7", context));
  EXPECT_FALSE(WriteRegistryEntry(L"", key, L"", 2, L"AB", context));
  EXPECT_FALSE(WriteRegistryEntry(L"", key, L"Typed", 5, L"x", context));
  EXPECT_FALSE(WriteRegistryEntry(L"", key, L"Typed", 7, L"x", context));
  EXPECT_FALSE(Read(HKEY_CURRENT_USER, key, L"Typed").found);
  // With a list kept, nothing the list could not name as written: a key with an empty part
  // (the registry takes another one), a name the ANSI code page cannot hold (a look-alike).
  ASSERT_TRUE(context.KeepsUninstallList());
  const struct {
    std::wstring key, value;
  } unlistable[] = {{key + L"\\\\Doubled", L"v"},
                    {L"\\" + key, L"v"},
                    {key + L"\\", L"v"},
                    {key, L"\u65E5"},
                    {key + L"\\\u65E5", L"v"}};
  for (const auto& entry : unlistable) {
    EXPECT_FALSE(WriteRegistryEntry(L"", entry.key, entry.value, 0, L"x", context));
    EXPECT_FALSE(Read(HKEY_CURRENT_USER, entry.key, entry.value).found);
  }
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, key + L"\\Doubled"));
  // Without a list there is nothing to name it in.
  files.state.CreateUninst = false;
  EXPECT_TRUE(WriteRegistryEntry(L"", key, L"\u65E5", 0, L"x", context));
}

void WriteAndReport(const ActionContext& context, const std::wstring& key,
                    const std::wstring& data) {
  SetRuntimeErrorReporter(
      [](const std::wstring& message) { std::fprintf(stderr, "%ls\n", message.c_str()); });
  WriteRegistryEntry(L"", key, L"Number", 1, data, context);
}

TEST_F(RegistryEntryTest, ANonIntegerStopsTheSetupWithTheRuntimeMessage) {
  EXPECT_EXIT(WriteAndReport(context, key, L""), ::testing::ExitedWithCode(1),
              "'' is not a valid integer value");
  EXPECT_EXIT(WriteAndReport(context, key, L"twelve"), ::testing::ExitedWithCode(1),
              "'twelve' is not a valid integer value");
}

TEST_F(RegistryEntryTest, UninstallEntryUnderItsUnderscoredName) {
  EXPECT_EQ(UninstallKeyName(L"My App 2.0"), L"My_App_2_0");
  files.state.AppName = L"Kv Test 2.0";
  files.state.Site = L"http://example.org/";
  WriteUninstallKey(files.state);
  const std::wstring list = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
  const std::wstring product = list + L"\\Kv_Test_2_0";
  const std::wstring uninstaller = L"C:\\Apps\\Viewer\\Uninstall.exe";
  EXPECT_EQ(AsText(Read(HKEY_LOCAL_MACHINE, product, L"DisplayName")),
            std::wstring(L"Kv Test 2.0", 12));
  EXPECT_EQ(AsText(Read(HKEY_LOCAL_MACHINE, product, L"DisplayIcon")),
            uninstaller + std::wstring(1, L'\0'));
  EXPECT_EQ(AsText(Read(HKEY_LOCAL_MACHINE, product, L"UninstallString")),
            L"\"" + uninstaller + L"\"" + std::wstring(1, L'\0'));
  EXPECT_EQ(AsText(Read(HKEY_LOCAL_MACHINE, product, L"Publisher")),
            std::wstring(L"http://example.org/", 20));
  EXPECT_EQ(AsText(Read(HKEY_LOCAL_MACHINE, product, L"URLInfoAbout")),
            std::wstring(L"http://example.org/", 20));
  // The values are written as they are: no macro pass over a path that was expanded already
  // (a network folder's leading backslashes, a percent sign in a name).
  files.state.DestFolder = L"\\\\srv\\share\\50%Off";
  WriteUninstallKey(files.state);
  EXPECT_EQ(AsText(Read(HKEY_LOCAL_MACHINE, product, L"UninstallString")),
            L"\"\\\\srv\\share\\50%Off\\Uninstall.exe\"" + std::wstring(1, L'\0'));
  SHDeleteKeyW(HKEY_LOCAL_MACHINE, product.c_str());

  // Without a name the values would land in the list's own key.
  files.state.AppName = L"";
  WriteUninstallKey(files.state);
  EXPECT_FALSE(Read(HKEY_LOCAL_MACHINE, list, L"DisplayName").found);
}

TEST(IniEntry, ANewFileGetsTheOneSectionAndKey) {
  ScratchFolder scratch;
  StateWithFiles files(scratch);
  files.state.DestFolder = scratch.Path();
  const ActionContext context(files.state);
  WriteIniEntry(L"%Dest%\\app.ini", L"Options", L"Home", L"%Dest%\\data", context);
  const std::wstring ini = scratch / L"app.ini";
  ASSERT_TRUE(testing::FileExists(ini));
  EXPECT_EQ(IniValue(ini, L"Options", L"Home"), scratch / L"data");
  const std::string text = testing::ReadBytes(ini);
  EXPECT_EQ(text.find("[Options]"), text.rfind("[Options]"));

  WriteIniEntry(ini, L"Options", L"Home", L"", context);
  EXPECT_EQ(IniValue(ini, L"Options", L"Home"), L"")
      << "an empty text must write an empty value, not delete the key";

  // A folder that does not exist is not created, and nothing fails loudly.
  WriteIniEntry(scratch / L"missing\\app.ini", L"Options", L"Home", L"x", context);
  EXPECT_FALSE(testing::FolderExists(scratch / L"missing"));
}

}  // namespace
}  // namespace bramlow
