// Korvel's "/1", "/2" and "/3" run for real under Wine: the program is copied into a scratch
// folder and driven like a user would. The prefix's registration and logonkv.exe are put back
// as they were afterwards.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "driver.h"
#include "korvel/shared/program_paths.h"
#include "korvel/self/registry_key.h"
#include "korvel/self/self_install.h"
#include "korvel/test_support/test_files.h"
#include "korvel/self/self_uninstall.h"
#include "winbase/module_path.h"

namespace korvel {
namespace {

using testing::Exists;
using testing::ReadBytes;
using testing::RemoveTree;
using testing::ScratchFolder;
using testing::WriteBytes;

constexpr DWORD kWindowWait = 15000;  // the bars alone take 2.5 s and 3 s
const wchar_t kSetupCaption[] = L"Korvel --- Setup";
const wchar_t kUninstallCaption[] = L"Korvel --- Uninstall";
const wchar_t kWineAppVersionKey[] = L"Software\\Wine\\AppDefaults\\kvother.exe";

std::optional<std::wstring> ReadValue(HKEY root, const std::wstring& key, const wchar_t* name) {
  return ReadRegString(OpenRegKey(root, key), name, 4096);
}

size_t ValueCount(HKEY root, const std::wstring& key) {
  winbase::RegKey opened = OpenRegKey(root, key);
  DWORD values = 0;
  if (!opened) return 0;
  RegQueryInfoKeyW(opened.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values,
                   nullptr, nullptr, nullptr, nullptr);
  return values;
}

// A key's values, put back as they were after a test has deleted the key.
class SavedKeyValues {
 public:
  SavedKeyValues(HKEY root, std::wstring path) : root_(root), path_(std::move(path)) {
    const winbase::RegKey key = OpenRegKey(root_, path_);
    for (DWORD index = 0; key; ++index) {
      wchar_t name[256];
      DWORD nameChars = 256, type = 0;
      std::string data(4096, '\0');
      DWORD bytes = static_cast<DWORD>(data.size());
      if (RegEnumValueW(key.get(), index, name, &nameChars, nullptr, &type,
                        reinterpret_cast<BYTE*>(data.data()), &bytes) != ERROR_SUCCESS)
        break;
      data.resize(bytes);
      values_.push_back({name, type, data});
    }
  }
  ~SavedKeyValues() {
    const winbase::RegKey key = CreateRegKey(root_, path_);
    for (const Value& v : values_)
      RegSetValueExW(key.get(), v.name.c_str(), 0, v.type, reinterpret_cast<const BYTE*>(v.data.data()),
                     static_cast<DWORD>(v.data.size()));
  }
  SavedKeyValues(const SavedKeyValues&) = delete;
  SavedKeyValues& operator=(const SavedKeyValues&) = delete;

 private:
  struct Value {
    std::wstring name;
    DWORD type;
    std::string data;
  };
  HKEY root_;
  std::wstring path_;
  std::vector<Value> values_;
};

// The text of the question window's label.
std::wstring QuestionText(HWND question) {
  for (const kvdriver::WindowInfo& control : kvdriver::Controls(question))
    if (control.className == L"Static") return control.text;
  return {};
}

class SelfInstallE2E : public ::testing::Test {
 protected:
  void SetUp() override {
    system_ = SystemFolder();
    savedUiHost_ = ReadValue(HKEY_LOCAL_MACHINE, kWinlogonKeyPath, L"UIHost");
    hadLogonCopy_ = Exists(system_ + kLogonHostCopy);
    if (hadLogonCopy_) savedLogonCopy_ = ReadBytes(system_ + kLogonHostCopy);
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, kUninstallKeyPath);
    ASSERT_TRUE(Exists(system_ + kSystemLogonHost)) << "the stand-in logon host is missing";

    // The program and its removal batch live in scratch folders; TEMP is inherited.
    temp_ = scratch_.Path() + L"\\temp";
    CreateDirectoryW(temp_.c_str(), nullptr);
    savedTemp_ = EnvironmentValue(L"TEMP");
    SetEnvironmentVariableW(L"TEMP", temp_.c_str());
    folder_ = scratch_.Path() + L"\\Korvel Program\\";
    CreateDirectoryW(folder_.c_str(), nullptr);
    program_ = folder_ + L"korvel.exe";
    ASSERT_TRUE(CopyFileW((FolderPart(winbase::ProgramPath()) + L"korvel.exe").c_str(),
                          program_.c_str(), FALSE));

    programs_ = ProgramsShellFolder();
    ASSERT_FALSE(programs_.empty());
    group_ = programs_ + L"\\Korvel";
  }

  void TearDown() override {
    // A handed-over removal's batch runs on after its test; the next test must not race it.
    WaitUntilGone(temp_ + L"\\kvun.bat");
    SetEnvironmentVariableW(L"TEMP", savedTemp_.c_str());
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, kUninstallKeyPath);
    RegDeleteKeyW(HKEY_CURRENT_USER, kWineAppVersionKey);
    winbase::RegKey winlogon =
        OpenRegKey(HKEY_LOCAL_MACHINE, kWinlogonKeyPath, KEY_READ | KEY_WRITE);
    if (savedUiHost_)
      WriteRegString(winlogon, L"UIHost", *savedUiHost_);
    else
      RegDeleteValueW(winlogon.get(), L"UIHost");
    if (hadLogonCopy_)
      WriteBytes(system_ + kLogonHostCopy, savedLogonCopy_);
    else
      DeleteFileW((system_ + kLogonHostCopy).c_str());
    RemoveTree(group_);
  }

  kvdriver::Process Start(const std::wstring& program, const std::wstring& args) {
    kvdriver::Process process = kvdriver::Start(program, args, FolderPart(program));
    EXPECT_TRUE(process) << "cannot start the program";
    return process;
  }

  HWND WaitForQuestion(DWORD processId, const std::wstring& caption) {
    kvdriver::WindowQuery query;
    query.className = L"TfrmMsg";
    query.caption = caption;
    query.processId = processId;
    return kvdriver::WaitForWindow(query, kWindowWait);
  }

  // The removal window that a refused or cancelled installation starts: its final message is
  // answered and the new process's exit code returned.
  std::optional<DWORD> FinishHandedOverRemoval() {
    kvdriver::WindowQuery query;
    query.className = L"TfrmUninst";
    HWND window = kvdriver::WaitForWindow(query, kWindowWait);
    if (!window) { ADD_FAILURE() << "no removal window"; return std::nullopt; }
    const DWORD processId = kvdriver::Describe(window).processId;
    std::optional<kvdriver::MessageBoxInfo> done =
        kvdriver::WaitForMessageBox(processId, kWindowWait, kUninstallCaption);
    if (!done) {
      ADD_FAILURE() << "no closing message";
      return std::nullopt;
    }
    EXPECT_EQ(done->text, L"Удаление Korvel успешно завершено!");
    kvdriver::AnswerMessageBox(*done, IDOK);
    return kvdriver::WaitForProcess(processId, kWindowWait);
  }

  bool WaitUntilGone(const std::wstring& path) {
    for (int i = 0; i < 150 && Exists(path); ++i) Sleep(100);
    return !Exists(path);
  }

  // Answers the general error handler's box of a failed run and returns the exit code: the
  // window has no close button, so the failure must end the program, and not with success.
  std::optional<DWORD> FinishWithError(const kvdriver::Process& process, const std::wstring& caption,
                                       const std::wstring& text) {
    std::optional<kvdriver::MessageBoxInfo> error =
        kvdriver::WaitForMessageBox(process.Id(), kWindowWait, caption);
    if (!error) {
      ADD_FAILURE() << "no error message";
      return std::nullopt;
    }
    EXPECT_EQ(error->text, text);
    kvdriver::AnswerMessageBox(*error, IDOK);
    return process.Wait(kWindowWait);
  }

  // What an installed product leaves for the removal to find.
  void PlaceProductFiles() {
    for (const wchar_t* name : {L"reshacker.exe", L"reshacker.log", L"reshacker.ini",
                                L"license.rtf", L"readme.txt"})
      WriteBytes(folder_ + name, "x");
    CreateDirectoryW((folder_ + L"logons").c_str(), nullptr);
    WriteBytes(folder_ + L"logons\\blue.kvl", "PK");
    CreateDirectoryW(group_.c_str(), nullptr);
    for (const wchar_t* name : {L"Korvel 1.0.lnk", L"UnInstall Korvel.lnk",
                                L"Korvel on the Web.lnk", L"FeedBack.lnk", L"Other Software.lnk"})
      WriteBytes(group_ + L"\\" + name, "lnk");
    RegisterProduct(program_, system_);
  }

  ScratchFolder scratch_{"e2e"};
  std::wstring system_, temp_, savedTemp_, folder_, program_, programs_, group_;
  std::optional<std::wstring> savedUiHost_;
  bool hadLogonCopy_ = false;
  std::string savedLogonCopy_;
};

TEST_F(SelfInstallE2E, InstallRegistersOnceHoweverOftenItRuns) {
  for (int run = 0; run < 2; ++run) {
    kvdriver::Process setup = Start(program_, L"/1");
    HWND question = WaitForQuestion(setup.Id(), kSetupCaption);
    ASSERT_NE(question, nullptr) << "no question in run " << run;
    EXPECT_NE(QuestionText(question).find(L"(Microsoft Windows XP 5.1.2600.Service Pack 3)"),
              std::wstring::npos);
    ASSERT_TRUE(kvdriver::ClickButton(question, L"OK"));
    EXPECT_EQ(setup.Wait(kWindowWait), std::optional<DWORD>(0));
  }

  EXPECT_EQ(ValueCount(HKEY_LOCAL_MACHINE, kUninstallKeyPath), 6u);
  EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, kUninstallKeyPath, L"UninstallString"),
            L"\"" + program_ + L"\" /2");
  EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, kUninstallKeyPath, L"DisplayIcon"), program_);
  EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, kUninstallKeyPath, L"DisplayName"),
            std::wstring(L"Korvel 1.0"));
  EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, kWinlogonKeyPath, L"UIHost"),
            std::wstring(L"logonkv.exe"));
  EXPECT_EQ(ReadBytes(system_ + kLogonHostCopy), ReadBytes(system_ + kSystemLogonHost));
  EXPECT_TRUE(Exists(program_));  // installation never removes anything
}

TEST_F(SelfInstallE2E, ARegistryFailureIsShownAndEndsWithExitCodeOne) {
  const SavedKeyValues winlogon(HKEY_LOCAL_MACHINE, kWinlogonKeyPath);
  ASSERT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, kWinlogonKeyPath), ERROR_SUCCESS);

  kvdriver::Process setup = Start(program_, L"/1");
  HWND question = WaitForQuestion(setup.Id(), kSetupCaption);
  ASSERT_NE(question, nullptr);
  ASSERT_TRUE(kvdriver::ClickButton(question, L"OK"));
  EXPECT_EQ(FinishWithError(setup, kSetupCaption, L"Failed to set data for 'UIHost'"),
            std::optional<DWORD>(1));
  EXPECT_EQ(ValueCount(HKEY_LOCAL_MACHINE, kUninstallKeyPath), 6u);  // written before the failure
}

// Without logonkv.exe Winlogon must keep its own logon host: nothing is written there.
TEST_F(SelfInstallE2E, NoLogonHostCopyLeavesWinlogonAloneAndEndsWithExitCodeOne) {
  winbase::RegKey winlogon = OpenRegKey(HKEY_LOCAL_MACHINE, kWinlogonKeyPath, KEY_READ | KEY_WRITE);
  ASSERT_TRUE(WriteRegString(winlogon, L"UIHost", L"previous.exe"));
  // A folder where logonkv.exe belongs: the copy cannot be made (as without the rights to).
  const std::wstring target = system_ + kLogonHostCopy;
  DeleteFileW(target.c_str());
  ASSERT_TRUE(CreateDirectoryW(target.c_str(), nullptr));
  struct RemoveFolder {
    std::wstring path;
    ~RemoveFolder() { RemoveDirectoryW(path.c_str()); }
  } removeFolder{target};
  kvdriver::Process setup = Start(program_, L"/1");

  HWND question = WaitForQuestion(setup.Id(), kSetupCaption);
  ASSERT_NE(question, nullptr);
  ASSERT_TRUE(kvdriver::ClickButton(question, L"OK"));
  std::optional<kvdriver::MessageBoxInfo> error =
      kvdriver::WaitForMessageBox(setup.Id(), kWindowWait, kSetupCaption);
  ASSERT_TRUE(error) << "no error message";
  EXPECT_EQ(error->text.find(L"Не удалось создать файл logonkv.exe"), 0u) << "the text is in Russian";
  kvdriver::AnswerMessageBox(*error, IDOK);
  EXPECT_EQ(setup.Wait(kWindowWait), std::optional<DWORD>(1));

  EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, kWinlogonKeyPath, L"UIHost"), std::wstring(L"previous.exe"));
  EXPECT_EQ(ValueCount(HKEY_LOCAL_MACHINE, kUninstallKeyPath), 6u);  // it can still be removed
}

TEST_F(SelfInstallE2E, CancelAtTheQuestionHandsOverToTheQuietRemoval) {
  kvdriver::Process setup = Start(program_, L"/1");
  HWND question = WaitForQuestion(setup.Id(), kSetupCaption);
  ASSERT_NE(question, nullptr);
  ASSERT_TRUE(kvdriver::ClickButton(question, L"Отмена"));
  EXPECT_EQ(setup.Wait(kWindowWait), std::optional<DWORD>(0));
  EXPECT_FALSE(OpenRegKey(HKEY_LOCAL_MACHINE, kUninstallKeyPath));

  EXPECT_EQ(FinishHandedOverRemoval(), std::optional<DWORD>(0));
  // The batch removes the program and, the folder being empty then, the folder.
  EXPECT_TRUE(WaitUntilGone(temp_ + L"\\kvun.bat"));
  EXPECT_FALSE(Exists(program_));
  EXPECT_FALSE(Exists(folder_));
}

TEST_F(SelfInstallE2E, AnotherWindowsVersionIsRefusedAndCleanedUp) {
  // Only this copy's name is made to see Windows 7; the rest of the prefix stays XP.
  const std::wstring other = folder_ + L"kvother.exe";
  ASSERT_TRUE(MoveFileW(program_.c_str(), other.c_str()));
  ASSERT_TRUE(WriteRegString(CreateRegKey(HKEY_CURRENT_USER, kWineAppVersionKey), L"Version",
                             L"win7"));

  kvdriver::Process setup = Start(other, L"/1");
  HWND notice = WaitForQuestion(setup.Id(), kSetupCaption);
  ASSERT_NE(notice, nullptr);
  EXPECT_EQ(QuestionText(notice),
            L"Ваша текущая версия Windows (Microsoft Windows XP ) не соответствует требованиям "
            L"Korvel. Будет произведена деинсталляция!");
  ASSERT_TRUE(kvdriver::ClickButton(notice, L"OK"));  // the answer changes nothing
  EXPECT_EQ(setup.Wait(kWindowWait), std::optional<DWORD>(0));
  EXPECT_FALSE(OpenRegKey(HKEY_LOCAL_MACHINE, kUninstallKeyPath));

  EXPECT_EQ(FinishHandedOverRemoval(), std::optional<DWORD>(0));
  EXPECT_TRUE(WaitUntilGone(other));
}

TEST_F(SelfInstallE2E, CancelledRemovalRemovesNothing) {
  PlaceProductFiles();
  kvdriver::Process removal = Start(program_, L"/2");
  HWND question = WaitForQuestion(removal.Id(), kUninstallCaption);
  ASSERT_NE(question, nullptr);
  EXPECT_EQ(QuestionText(question),
            L"Будет произведено удаление Korvel с вашего компьютера. Вы точно хотите удалить "
            L"Korvel?");
  ASSERT_TRUE(kvdriver::ClickButton(question, L"Отмена"));
  EXPECT_EQ(removal.Wait(kWindowWait), std::optional<DWORD>(0));

  EXPECT_TRUE(Exists(folder_ + L"reshacker.exe"));
  EXPECT_TRUE(Exists(folder_ + L"license.rtf"));
  EXPECT_TRUE(Exists(group_ + L"\\Korvel 1.0.lnk"));
  EXPECT_EQ(ValueCount(HKEY_LOCAL_MACHINE, kUninstallKeyPath), 6u);
  EXPECT_TRUE(Exists(program_));
  EXPECT_FALSE(Exists(temp_ + L"\\kvun.bat"));
}

TEST_F(SelfInstallE2E, QuietRemovalTakesTheProductButNotTheLogonHostOrLibrary) {
  PlaceProductFiles();
  kvdriver::Process removal = Start(program_, L"/3");
  std::optional<kvdriver::MessageBoxInfo> done =
      kvdriver::WaitForMessageBox(removal.Id(), kWindowWait, kUninstallCaption);
  ASSERT_TRUE(done) << "no closing message";
  EXPECT_EQ(done->text, L"Удаление Korvel успешно завершено!");
  // No question was asked on the way.
  kvdriver::WindowQuery question;
  question.className = L"TfrmMsg";
  question.processId = removal.Id();
  EXPECT_EQ(kvdriver::FindTopWindow(question), nullptr);

  // Before the batch starts: removals done, batch written with the short path.
  for (const wchar_t* name : {L"reshacker.exe", L"reshacker.log", L"reshacker.ini",
                              L"license.rtf"})
    EXPECT_FALSE(Exists(folder_ + name));
  EXPECT_FALSE(Exists(group_));
  EXPECT_FALSE(OpenRegKey(HKEY_LOCAL_MACHINE, kUninstallKeyPath));
  EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, kWinlogonKeyPath, L"UIHost"),
            std::wstring(L"logonkv.exe"));
  EXPECT_TRUE(Exists(system_ + kLogonHostCopy));
  const std::string batch = ReadBytes(temp_ + L"\\kvun.bat");
  EXPECT_EQ(batch, RemovalBatchText(ShortPath(program_)));
  EXPECT_EQ(batch.find("Korvel Program"), std::string::npos);  // short form, no space

  kvdriver::AnswerMessageBox(*done, IDOK);
  EXPECT_EQ(removal.Wait(kWindowWait), std::optional<DWORD>(0));
  EXPECT_TRUE(WaitUntilGone(temp_ + L"\\kvun.bat"));
  EXPECT_FALSE(Exists(program_));
  EXPECT_TRUE(Exists(folder_ + L"readme.txt"));
  EXPECT_TRUE(Exists(folder_ + L"logons\\blue.kvl"));
}

// Both removal modes stop at a batch that cannot be written: the error is shown, and the
// program ends with exit code 1 instead of claiming a removal it cannot finish.
TEST_F(SelfInstallE2E, AnUnwritableBatchIsShownAndEndsWithExitCodeOne) {
  PlaceProductFiles();
  const std::wstring missing = temp_ + L"\\missing";
  for (const wchar_t* mode : {L"/2", L"/3"}) {
    SetEnvironmentVariableW(L"TEMP", missing.c_str());
    kvdriver::Process removal = Start(program_, mode);
    SetEnvironmentVariableW(L"TEMP", temp_.c_str());
    if (std::wstring(mode) == L"/2") {
      HWND question = WaitForQuestion(removal.Id(), kUninstallCaption);
      ASSERT_NE(question, nullptr);
      ASSERT_TRUE(kvdriver::ClickButton(question, L"OK"));
    }
    std::optional<kvdriver::MessageBoxInfo> error =
        kvdriver::WaitForMessageBox(removal.Id(), kWindowWait, kUninstallCaption);
    ASSERT_TRUE(error) << "no error message with " << std::string(mode, mode + 2);
    EXPECT_NE(error->text, L"Удаление Korvel успешно завершено!");
    EXPECT_FALSE(error->text.empty());
    kvdriver::AnswerMessageBox(*error, IDOK);
    EXPECT_EQ(removal.Wait(kWindowWait), std::optional<DWORD>(1));
    EXPECT_TRUE(Exists(program_));
  }
  EXPECT_FALSE(Exists(missing));
}

}  // namespace
}  // namespace korvel
