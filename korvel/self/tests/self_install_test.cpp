// Registration writes exactly the entry the list of programs and Winlogon read, and nothing
// more, however often it runs.
#include <gtest/gtest.h>

#include <map>

#include "korvel/shared/kv_error.h"
#include "korvel/shared/product_links.h"
#include "korvel/self/registry_key.h"
#include "korvel/self/self_install.h"
#include "korvel/test_support/test_files.h"

namespace korvel {
namespace {

using testing::Exists;
using testing::ReadBytes;
using testing::ScratchFolder;
using testing::ScratchKey;
using testing::WriteBytes;

struct RegValue {
  DWORD type;
  std::wstring text;
};

std::map<std::wstring, RegValue> AllValues(HKEY root, const std::wstring& path) {
  std::map<std::wstring, RegValue> values;
  winbase::RegKey key = OpenRegKey(root, path);
  if (!key) return values;
  for (DWORD index = 0;; ++index) {
    wchar_t name[256];
    DWORD nameChars = 256;
    BYTE data[2048] = {};
    DWORD bytes = sizeof data - 2;
    DWORD type = 0;
    if (RegEnumValueW(key.get(), index, name, &nameChars, nullptr, &type, data, &bytes) !=
        ERROR_SUCCESS)
      break;
    values[name] = RegValue{type, reinterpret_cast<const wchar_t*>(data)};
  }
  return values;
}

class Register : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteRegString(CreateRegKey(root.Get(), kWinlogonKeyPath), L"Shell", L"Explorer.exe");
    WriteBytes(system + L"logonui.exe", "MZ logon host v1");
  }

  ScratchKey root{L"register"};
  ScratchFolder systemFolder{"system32"};
  std::wstring system = systemFolder.Path() + L"\\";
  const std::wstring program = L"C:\\Program Files\\Korvel\\korvel.exe";
};

TEST_F(Register, WritesTheEntryUiHostAndTheCopy) {
  RegisterProduct(program, system, root.Get());

  const std::map<std::wstring, RegValue> entry = AllValues(root.Get(), kUninstallKeyPath);
  const std::wstring site = SiteAddress();
  const std::map<std::wstring, std::wstring> expected = {
      {L"DisplayIcon", program},
      {L"DisplayName", L"Korvel 1.0"},
      {L"UninstallString", L"\"C:\\Program Files\\Korvel\\korvel.exe\" /2"},
      {L"DisplayVersion", L"1.0"},
      {L"Publisher", site},
      {L"URLInfoAbout", site},
  };
  ASSERT_EQ(entry.size(), expected.size());
  for (const auto& [name, text] : expected) {
    ASSERT_TRUE(entry.count(name)) << "missing value";
    EXPECT_EQ(entry.at(name).type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(entry.at(name).text, text);
  }
  EXPECT_EQ(site.back(), L'/');

  const auto winlogon = AllValues(root.Get(), kWinlogonKeyPath);
  ASSERT_TRUE(winlogon.count(L"UIHost"));
  EXPECT_EQ(winlogon.at(L"UIHost").type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(winlogon.at(L"UIHost").text, L"logonkv.exe");
  EXPECT_EQ(winlogon.at(L"Shell").text, L"Explorer.exe");  // the rest of Winlogon untouched

  EXPECT_EQ(ReadBytes(system + L"logonkv.exe"), "MZ logon host v1");
}

TEST_F(Register, RunningTwiceOverwritesAndDuplicatesNothing) {
  RegisterProduct(program, system, root.Get());
  WriteBytes(system + L"logonui.exe", "MZ logon host v2");
  RegisterProduct(program, system, root.Get());

  EXPECT_EQ(AllValues(root.Get(), kUninstallKeyPath).size(), 6u);
  EXPECT_EQ(AllValues(root.Get(), kWinlogonKeyPath).size(), 2u);
  EXPECT_EQ(ReadBytes(system + L"logonkv.exe"), "MZ logon host v2");
  // No second entry under another name.
  winbase::RegKey uninstall =
      OpenRegKey(root.Get(), L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall");
  DWORD subkeys = 0;
  RegQueryInfoKeyW(uninstall.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr,
                   nullptr, nullptr, nullptr, nullptr);
  EXPECT_EQ(subkeys, 1u);
}

TEST_F(Register, MissingWinlogonKeyFailsAfterTheEntryAndTheCopy) {
  RegDeleteKeyW(root.Get(), kWinlogonKeyPath);
  try {
    RegisterProduct(program, system, root.Get());
    FAIL() << "no error raised";
  } catch (const EKvError& error) {
    EXPECT_EQ(error.Message(), L"Failed to set data for 'UIHost'");
  }
  EXPECT_EQ(AllValues(root.Get(), kUninstallKeyPath).size(), 6u);
  EXPECT_FALSE(OpenRegKey(root.Get(), kWinlogonKeyPath));  // not created by the write
  EXPECT_EQ(ReadBytes(system + L"logonkv.exe"), "MZ logon host v1");
}

TEST_F(Register, KeyThatCannotBeCreatedIsReportedByName) {
  // A root that was never opened stands for one the user may not write to.
  const HKEY unusable = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x7ff0));
  try {
    RegisterProduct(program, system, unusable);
    FAIL() << "no error raised";
  } catch (const EKvError& error) {
    EXPECT_EQ(
        error.Message(),
        L"Failed to create key Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Korvel");
  }
  EXPECT_FALSE(Exists(system + L"logonkv.exe"));
}

// Winlogon pointed at a logonkv.exe that is not there would start no logon screen at all.
TEST_F(Register, NoLogonHostCopyMeansNoUiHost) {
  DeleteFileW((system + L"logonui.exe").c_str());
  try {
    RegisterProduct(program, system, root.Get());
    FAIL() << "no error raised";
  } catch (const ELogonHostCopyFailed& error) {
    EXPECT_EQ(error.SystemError(), static_cast<unsigned long>(ERROR_FILE_NOT_FOUND));
    EXPECT_NE(error.Message().find(system + L"logonkv.exe"), std::wstring::npos);
  }
  EXPECT_FALSE(Exists(system + L"logonkv.exe"));
  EXPECT_EQ(AllValues(root.Get(), kWinlogonKeyPath).count(L"UIHost"), 0u);
  EXPECT_EQ(AllValues(root.Get(), kUninstallKeyPath).size(), 6u);  // removal can still find it
}

TEST_F(Register, ACopyThatFailsOverAnExistingLogonHostStillRegisters) {
  WriteBytes(system + L"logonkv.exe", "MZ applied logon");
  SetFileAttributesW((system + L"logonkv.exe").c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_NO_THROW(RegisterProduct(program, system, root.Get()));
  SetFileAttributesW((system + L"logonkv.exe").c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(ReadBytes(system + L"logonkv.exe"), "MZ applied logon");
  // Nothing left beside it.
  WIN32_FIND_DATAW found;
  const HANDLE scan = FindFirstFileW((system + L"kv*.tmp").c_str(), &found);
  EXPECT_EQ(scan, INVALID_HANDLE_VALUE);
  if (scan != INVALID_HANDLE_VALUE) FindClose(scan);
  EXPECT_EQ(AllValues(root.Get(), kWinlogonKeyPath).at(L"UIHost").text, L"logonkv.exe");
}

}  // namespace
}  // namespace korvel
