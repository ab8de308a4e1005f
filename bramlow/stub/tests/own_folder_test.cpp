// The folder the one-file setup unpacks into: new and unforeseeable, removed whole, and left
// to the next logon or start of the computer when it cannot go now.
#include "bramlow/stub/own_folder.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <string_view>

#include "bramlow/stub/setup_unpack.h"
#include "winbase/aligned_thread.h"
#include "testing/support/file_bytes.h"
#include "testing/support/scratch_folder.h"
#include "winbase/handles.h"

namespace bramlow {
namespace {

constexpr wchar_t kRunOnce[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
constexpr wchar_t kSessionManager[] = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager";

std::wstring RegistryText(HKEY root, const wchar_t* key, const std::wstring& name) {
  HKEY k;
  if (RegOpenKeyExW(root, key, 0, KEY_READ, &k) != ERROR_SUCCESS) return L"<none>";
  winbase::RegKey owner(k);
  std::wstring data(32768, L'\0');
  DWORD size = static_cast<DWORD>(data.size() * sizeof(wchar_t)), type = 0;
  if (RegQueryValueExW(k, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                       &size) != ERROR_SUCCESS) {
    return L"<none>";
  }
  data.resize(size / sizeof(wchar_t));
  return data;
}

std::wstring Leaf(const std::wstring& path) {
  return path.substr(path.find_last_of(L'\\') + 1);
}

TEST(OwnFolder, IsNewEachTimeWithANameNobodyForesees) {
  testsupport::ScratchFolder parent("kvstub");
  std::set<std::wstring> names;
  for (int i = 0; i < 20; ++i) {
    DWORD error = 0;
    const std::wstring folder = MakeOwnFolder(parent.Path(), error);
    ASSERT_FALSE(folder.empty()) << error;
    EXPECT_EQ(folder.rfind(parent.Path() + L"\\bramlow-setup-", 0), 0u);
    EXPECT_EQ(Leaf(folder).size(), std::wstring_view(L"bramlow-setup-").size() + 16);
    EXPECT_TRUE(names.insert(Leaf(folder)).second);
  }
  DWORD error = 0;
  EXPECT_TRUE(MakeOwnFolder(parent.Path() + L"\\missing\\deeper", error).empty());
  EXPECT_EQ(error, static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
}

TEST(OwnFolder, GoesWholeAndLeavesNoScheduleBehind) {
  testsupport::ScratchFolder parent("kvstub");
  DWORD error = 0;
  const std::wstring folder = MakeOwnFolder(parent.Path(), error);
  ASSERT_FALSE(folder.empty());
  CreateDirectoryW((folder + L"\\sub").c_str(), nullptr);
  CreateDirectoryW((folder + L"\\sub\\empty").c_str(), nullptr);
  testsupport::WriteBytes(folder + L"\\sub\\file.txt", "x");
  testsupport::WriteBytes(folder + L"\\locked.txt", "y");
  SetFileAttributesW((folder + L"\\locked.txt").c_str(),
                     FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);

  ASSERT_TRUE(ScheduleRemovalAtLogon(folder));
  const std::wstring command = RegistryText(HKEY_CURRENT_USER, kRunOnce, Leaf(folder));
  EXPECT_NE(command.find(L"\\cmd.exe\" /c rd /s /q \"" + folder + L"\""), std::wstring::npos)
      << command;
  EXPECT_TRUE(RemoveFolderTree(folder));
  EXPECT_FALSE(testsupport::Exists(folder));
  CancelRemovalAtLogon(folder);
  EXPECT_EQ(RegistryText(HKEY_CURRENT_USER, kRunOnce, Leaf(folder)), L"<none>");
  // Twice changes nothing.
  EXPECT_TRUE(RemoveFolderTree(folder));
}

// Puts the system's list of deletions at the next start back as it was.
class PendingDeletions {
 public:
  PendingDeletions()
      : before_(RegistryText(HKEY_LOCAL_MACHINE, kSessionManager, L"PendingFileRenameOperations")) {
  }
  ~PendingDeletions() {
    HKEY key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
      return;
    if (before_ == L"<none>") {
      RegDeleteValueW(key, L"PendingFileRenameOperations");
    } else {
      RegSetValueExW(key, L"PendingFileRenameOperations", 0, REG_MULTI_SZ,
                     reinterpret_cast<const BYTE*>(before_.data()),
                     static_cast<DWORD>(before_.size() * sizeof(wchar_t)));
    }
    RegCloseKey(key);
  }

 private:
  std::wstring before_;
};

TEST(OwnFolder, WhatCannotGoNowGoesAtTheNextStart) {
  PendingDeletions restore;
  testsupport::ScratchFolder parent("kvstub");
  DWORD error = 0;
  const std::wstring folder = MakeOwnFolder(parent.Path(), error);
  ASSERT_FALSE(folder.empty());
  const std::wstring file = folder + L"\\in use.dll";
  testsupport::WriteBytes(file, "z");
  {
    // Held open without delete sharing, as a program still running from the folder holds it.
    winbase::FileHandle held(CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                         OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held);
    EXPECT_FALSE(RemoveFolderTree(folder));
    RemoveAtRestart(folder);
  }
  // The system's list of what to delete at the next start names the file before its folder.
  const std::wstring pending =
      RegistryText(HKEY_LOCAL_MACHINE, kSessionManager, L"PendingFileRenameOperations");
  const size_t fileAt = pending.find(file);
  const size_t folderAt = pending.find(folder + std::wstring(1, L'\0'));
  EXPECT_NE(fileAt, std::wstring::npos);
  EXPECT_NE(folderAt, std::wstring::npos);
  EXPECT_LT(fileAt, folderAt);
  EXPECT_TRUE(RemoveFolderTree(folder));
}

TEST(OneFileSetup, PassesItsCommandLineOnAsTheSystemCutsIt) {
  const struct {
    const wchar_t* line;
    const wchar_t* arguments;
  } cases[] = {
      {L"setup.exe", L""},
      {L"setup.exe /S", L"/S"},
      {L"\"C:\\My Downloads\\setup.exe\" /S /D=C:\\Program Files\\App",
       L"/S /D=C:\\Program Files\\App"},
      {L"\"C:\\x\\setup.exe\"/S", L"/S"},
      {L"C:\\x\\setup.exe \t /LOG=\"a b.log\"  /S ", L"/LOG=\"a b.log\"  /S "},
      {L"\"unclosed /S", L""},
  };
  for (const auto& c : cases) EXPECT_EQ(ArgumentsOf(c.line), c.arguments) << c.line;
}

// Where a local the compiler holds 16-byte aligned really is: SSE code stores such locals
// with instructions that fault when it is not.
__attribute__((noinline)) uintptr_t AlignedLocalAddress() {
  alignas(16) char probe[16];
  uintptr_t at;
  __asm__ volatile("lea %1, %0" : "=r"(at) : "m"(probe));
  return at;
}

void RecordAlignment(void* misalignment) {
  *static_cast<uintptr_t*>(misalignment) = AlignedLocalAddress() % 16;
}

TEST(OneFileSetup, UnpacksOnAThreadWithTheStackItsCodeExpects) {
  uintptr_t misalignment = 1;
  HANDLE thread = CreateThread(nullptr, 0, &winbase::AlignedThreadEntry<&RecordAlignment>,
                               &misalignment, 0, nullptr);
  ASSERT_NE(thread, nullptr);
  winbase::KernelHandle owner(thread);
  ASSERT_EQ(WaitForSingleObject(thread, 60000), WAIT_OBJECT_0);
  EXPECT_EQ(misalignment, 0u);
}

}  // namespace
}  // namespace bramlow
