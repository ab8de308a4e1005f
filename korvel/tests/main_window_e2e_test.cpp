// The real korvel.exe with the real resource editor, driven through its main window as a user
// would: import, overwrite question, conversion, delete, apply, a damaged package, restore.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "driver.h"
#include "korvel/shared/folder_utils.h"
#include "korvel/shared/message_text.h"
#include "korvel/test_support/test_files.h"
#include "ui/application.h"
#include "winbase/handles.h"
#include "korvel/library/zip_packages.h"

namespace korvel {
namespace {

using testing::ReadBytes;
using testing::WriteBytes;
using testing::TestProgramFolder;
using testing::SystemFolder;

// Toolbar buttons in their order.
enum { actOpen, actApply, actDelete, actRestore, actDownload, actAbout, actSite, actFeedBack, actExit };

const wchar_t kApplied[] = L"Выбранный логон был успешно применен!";
const wchar_t kRestored[] = L"Системный логон был восстановлен!";
const wchar_t kOverwrite[] = L"Логон с таким именем уже существует, вы хотите его перезаписать?";
const wchar_t kConversionFailed[] =
    L"Не удалось преобразовать пакет логона. Библиотека осталась без изменений.";
const wchar_t kUnreadable[] =
    L"Не удалось прочитать выбранный логон: файл отсутствует или повреждён. Логон не был применен.";
// With the system's reason after it.
const std::wstring kRestoreFailed =
    L"Не удалось скопировать системный файл logonui.exe поверх logonkv.exe. Системный логон не был "
    L"восстановлен, файл logonkv.exe остался без изменений.\n\n" +
    korvel::SystemErrorWording(ERROR_ACCESS_DENIED);
const wchar_t kDeleteFailed[] =
    L"Не удалось удалить выбранный логон: файл защищён от записи или занят другой программой.";
const wchar_t kDeleteFolder[] =
    L"«Folder.kvl» — это папка, а не файл логона. Korvel удаляет только файлы логонов; папку можно "
    L"удалить в Проводнике.";
const wchar_t kAppliedPartly[] =
    L"Выбранный логон применен, но без некоторых рисунков:\n\n0.bmp: номер рисунка должен быть "
    L"числом от 1 до 65535";

// Nothing at all at the path, neither a file nor a folder.
bool Gone(const std::wstring& path) { return GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES; }

// A 24-bit picture file of one colour.
std::string BitmapFile(int width, int height, unsigned char red) {
  const int row = (width * 3 + 3) & ~3;
  std::string pixels;
  for (int y = 0; y < height; ++y) {
    std::string line;
    for (int x = 0; x < width; ++x) line += {static_cast<char>(x), static_cast<char>(y), static_cast<char>(red)};
    line.resize(row, '\0');
    pixels += line;
  }
  auto le32 = [](std::uint32_t v) { return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; };
  auto le16 = [](std::uint16_t v) { return std::string{char(v), char(v >> 8)}; };
  std::string info = le32(40) + le32(width) + le32(height) + le16(1) + le16(24) + le32(0) +
                     le32(static_cast<std::uint32_t>(pixels.size())) + le32(2835) + le32(2835) + le32(0) + le32(0);
  return "BM" + le32(static_cast<std::uint32_t>(14 + info.size() + pixels.size())) + le32(0) +
         le32(14 + static_cast<std::uint32_t>(info.size())) + info + pixels;
}

std::string ResourceBytes(HMODULE module, const wchar_t* type, int name) {
  HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(name), type);
  if (!found) return "<missing>";
  HGLOBAL loaded = LoadResource(module, found);
  const char* data = static_cast<const char*>(LockResource(loaded));
  return std::string(data, SizeofResource(module, found));
}

// Reads and sets the list view of another process through memory shared with it.
class RemoteListView {
 public:
  RemoteListView(HWND list, DWORD processId)
      : list_(list),
        process_(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId)),
        shared_(process_.get(), sizeof(Exchange)) {}

  std::vector<std::wstring> Rows() {
    std::vector<std::wstring> rows;
    if (!shared_) return rows;
    Exchange& local = *static_cast<Exchange*>(shared_.Local());
    const int count = static_cast<int>(SendMessageW(list_, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < count; ++row) {
      local = Exchange{};
      local.item.pszText = shared_.RemoteOf(local.text);
      local.item.cchTextMax = 259;
      SendMessageW(list_, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(shared_.Remote()));
      rows.emplace_back(local.text);
    }
    return rows;
  }

  int Selected() { return static_cast<int>(SendMessageW(list_, LVM_GETNEXTITEM, -1, LVNI_SELECTED)); }

  bool Select(const std::wstring& caption) {
    const std::vector<std::wstring> rows = Rows();
    const auto at = std::find(rows.begin(), rows.end(), caption);
    if (at == rows.end() || !shared_) return false;
    Exchange& local = *static_cast<Exchange*>(shared_.Local());
    local = Exchange{};
    local.item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    local.item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(list_, LVM_SETITEMSTATE, at - rows.begin(), reinterpret_cast<LPARAM>(shared_.Remote()));
    return Selected() == at - rows.begin();
  }

 private:
  struct Exchange {
    LVITEMW item;
    wchar_t text[260];
  };
  HWND list_;
  winbase::KernelHandle process_;
  kvdriver::SharedMemory shared_;
};

class MainWindowE2E : public ::testing::Test {
 protected:
  void SetUp() override {
    root = std::wstring(L"C:\\kv e2e ") + std::to_wstring(GetCurrentProcessId());
    app = root + L"\\Korvel App\\";
    incoming = root + L"\\incoming\\";
    RemoveFolderTree(root);
    CreateDirectoryW(root.c_str(), nullptr);
    CreateDirectoryW(app.c_str(), nullptr);
    CreateDirectoryW((app + L"logons").c_str(), nullptr);
    CreateDirectoryW(incoming.c_str(), nullptr);
    ASSERT_TRUE(CopyFileW((TestProgramFolder() + L"korvel.exe").c_str(), (app + L"korvel.exe").c_str(), FALSE));
    ASSERT_TRUE(CopyFileW((TestProgramFolder() + L"..\\resedit\\reshacker.exe").c_str(),
                          (app + L"reshacker.exe").c_str(), FALSE));
    logonui = SystemFolder() + L"\\logonui.exe";
    logonkv = SystemFolder() + L"\\logonkv.exe";
    ASSERT_TRUE(CopyFileW(logonui.c_str(), logonkv.c_str(), FALSE));

    bitmap100 = BitmapFile(20, 10, 200);
    uifile = "<duixml><element id=atom(test)/></duixml>\r\n";
    Package(app + L"logons\\Sunrise.kvl", {{L"100.bmp", bitmap100}, {L"uifile.txt", uifile}});
    std::string damaged = ReadBytes(app + L"logons\\Sunrise.kvl");
    damaged[40] = static_cast<char>(damaged[40] ^ 0x5A);  // inside the first member's data
    WriteBytes(app + L"logons\\Broken.kvl", damaged);
  }

  void TearDown() override {
    if (korvel) korvel.Kill();
    korvel.Wait(5000);
    CopyFileW(logonui.c_str(), logonkv.c_str(), FALSE);
    RemoveFolderTree(root);
  }

  static void Package(const std::wstring& archive, const std::map<std::wstring, std::string>& files) {
    testing::ScratchFolder source("kve2e");
    for (const auto& [name, bytes] : files) WriteBytes(source / name, bytes);
    DeleteFileW(archive.c_str());  // the writer would add to an existing archive
    ZipPackageWriter writer;
    ASSERT_TRUE(writer.PackFolder(archive, source.Path()));
  }

  void StartKorvel() {
    korvel = kvdriver::Start(app + L"korvel.exe", L"", app);
    ASSERT_TRUE(korvel);
    kvdriver::WindowQuery query;
    query.className = L"TfrmMain";
    query.processId = korvel.Id();
    main = kvdriver::WaitForWindow(query, 20000);
    ASSERT_TRUE(main);
    HWND host = FindWindowExW(main, nullptr, L"KvToolBarHost", nullptr);
    ASSERT_TRUE(host);
    toolbarHost = host;
    toolbar = FindWindowExW(host, nullptr, TOOLBARCLASSNAMEW, nullptr);
    ASSERT_TRUE(toolbar);
    list = std::make_unique<RemoteListView>(FindWindowExW(main, nullptr, WC_LISTVIEWW, nullptr), korvel.Id());
  }

  // As a click on the toolbar button.
  void Click(int action) {
    PostMessageW(toolbarHost, WM_COMMAND, MAKEWPARAM(100 + action, BN_CLICKED),
                 reinterpret_cast<LPARAM>(toolbar));
  }

  std::optional<kvdriver::MessageBoxInfo> WaitForBox() {
    auto box = kvdriver::WaitForMessageBox(korvel.Id(), 30000, L"Korvel 2.0");
    PauseForScreenshot();
    return box;
  }

  // With KV_E2E_PAUSE_MS set, windows stay up that long so a screenshot can be taken.
  static void PauseForScreenshot() {
    wchar_t value[16] = {};
    if (GetEnvironmentVariableW(L"KV_E2E_PAUSE_MS", value, 16)) Sleep(_wtoi(value));
  }

  // Clicks "Open", types the file's path into the dialog and confirms.
  void ImportFile(const std::wstring& path) {
    Click(actOpen);
    auto dialog = kvdriver::WaitForMessageBox(korvel.Id(), 15000);
    ASSERT_TRUE(dialog.has_value());
    HWND name = nullptr;
    if (HWND combo = GetDlgItem(dialog->hwnd, 0x47c)) name = FindWindowExW(combo, nullptr, L"Edit", nullptr);
    if (!name) name = GetDlgItem(dialog->hwnd, 0x480);
    if (!name) {
      for (const auto& c : kvdriver::Controls(dialog->hwnd))
        if (c.className == L"Edit" && c.visible) { name = c.hwnd; break; }
    }
    if (!name) {
      for (const auto& c : kvdriver::Controls(dialog->hwnd))
        ADD_FAILURE() << std::string(c.className.begin(), c.className.end()) << " id " << c.id;
    }
    ASSERT_TRUE(name);
    SendMessageW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
    PostMessageW(dialog->hwnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog->hwnd, IDOK)));
    ASSERT_TRUE(kvdriver::WaitForWindowGone(dialog->hwnd, 10000));
  }

  // Waits for the next box, checks its text and answers OK.
  void ExpectBox(const std::wstring& text) {
    auto box = WaitForBox();
    ASSERT_TRUE(box.has_value()) << "no message box";
    EXPECT_EQ(box->text, text);
    kvdriver::AnswerMessageBox(*box, IDOK);
    ASSERT_TRUE(kvdriver::WaitForWindowGone(box->hwnd, 10000));
  }

  bool ButtonEnabled(int action) { return SendMessageW(toolbar, TB_ISBUTTONENABLED, 100 + action, 0) != 0; }

  // Waits until the list shows the expected rows (any order).
  bool ListBecomes(std::vector<std::wstring> expected) {
    std::sort(expected.begin(), expected.end());
    for (int tries = 0; tries < 100; ++tries) {
      std::vector<std::wstring> rows = list->Rows();
      std::sort(rows.begin(), rows.end());
      if (rows == expected) return true;
      Sleep(100);
    }
    return false;
  }

  std::wstring root, app, incoming, logonui, logonkv;
  std::string bitmap100, uifile;
  kvdriver::Process korvel;
  HWND main = nullptr, toolbarHost = nullptr, toolbar = nullptr;
  std::unique_ptr<RemoteListView> list;
};

TEST_F(MainWindowE2E, ImportsAsksBeforeReplacingConvertsAndDeletes) {
  ASSERT_NO_FATAL_FAILURE(StartKorvel());
  EXPECT_EQ(SendMessageW(toolbar, TB_BUTTONCOUNT, 0, 0), 11);  // nine actions, two separators
  EXPECT_TRUE(ListBecomes({L"Broken.kvl", L"Sunrise.kvl"}));
  EXPECT_EQ(list->Selected(), -1);

  Package(incoming + L"Meadow.KvL", {{L"100.bmp", BitmapFile(4, 4, 1)}});
  ASSERT_NO_FATAL_FAILURE(ImportFile(incoming + L"Meadow.KvL"));
  EXPECT_TRUE(ListBecomes({L"Broken.kvl", L"Meadow.KvL", L"Sunrise.kvl"}));

  // Same name again: asked first; No keeps the package, Yes replaces it.
  WriteBytes(incoming + L"Sunrise.kvl", ReadBytes(app + L"logons\\Broken.kvl"));
  const std::string original = ReadBytes(app + L"logons\\Sunrise.kvl");
  ASSERT_NO_FATAL_FAILURE(ImportFile(incoming + L"Sunrise.kvl"));
  auto question = WaitForBox();
  ASSERT_TRUE(question.has_value());
  EXPECT_EQ(question->text, kOverwrite);
  kvdriver::AnswerMessageBox(*question, IDNO);
  ASSERT_TRUE(kvdriver::WaitForWindowGone(question->hwnd, 10000));
  EXPECT_EQ(ReadBytes(app + L"logons\\Sunrise.kvl"), original);
  ASSERT_NO_FATAL_FAILURE(ImportFile(incoming + L"Sunrise.kvl"));
  question = WaitForBox();
  ASSERT_TRUE(question.has_value());
  kvdriver::AnswerMessageBox(*question, IDYES);
  ASSERT_TRUE(kvdriver::WaitForWindowGone(question->hwnd, 10000));
  for (int tries = 0; tries < 50 && ReadBytes(app + L"logons\\Sunrise.kvl") == original; ++tries) Sleep(100);
  EXPECT_EQ(ReadBytes(app + L"logons\\Sunrise.kvl"), ReadBytes(incoming + L"Sunrise.kvl"));

  // A foreign package becomes a library package under the bare bitmap names.
  Package(incoming + L"Night.LogonXP", {{L"theme.ini", "[Theme]\r\n"},
                                         {L"Bitmap_100.bmp", bitmap100},
                                         {L"uifile.txt", uifile}});
  ASSERT_NO_FATAL_FAILURE(ImportFile(incoming + L"Night.LogonXP"));
  EXPECT_TRUE(ListBecomes({L"Broken.kvl", L"Meadow.KvL", L"Night.kvl", L"Sunrise.kvl"}));
  testing::ScratchFolder out("kve2eout");
  ZipPackageReader reader;
  ASSERT_TRUE(reader.ExtractRoot(app + L"logons\\Night.kvl", out.Path()));
  EXPECT_EQ(testing::NamesIn(out.Path()), (std::set<std::wstring>{L"100.bmp", L"uifile.txt"}));
  EXPECT_TRUE(Gone(testing::TemporaryFolder() + L"\\_kv"));
  EXPECT_TRUE(Gone(testing::TemporaryFolder() + L"\\_kv2"));

  // A foreign package without theme.ini is refused, and the old package of its name stays.
  const std::string night = ReadBytes(app + L"logons\\Night.kvl");
  Package(incoming + L"Night.LogonXP", {{L"Bitmap_100.bmp", bitmap100}});
  ASSERT_NO_FATAL_FAILURE(ImportFile(incoming + L"Night.LogonXP"));
  question = WaitForBox();
  ASSERT_TRUE(question.has_value());
  kvdriver::AnswerMessageBox(*question, IDYES);
  ASSERT_TRUE(kvdriver::WaitForWindowGone(question->hwnd, 10000));
  auto failure = WaitForBox();
  ASSERT_TRUE(failure.has_value());
  EXPECT_EQ(failure->text, kConversionFailed);
  kvdriver::AnswerMessageBox(*failure, IDOK);
  ASSERT_TRUE(kvdriver::WaitForWindowGone(failure->hwnd, 10000));
  EXPECT_EQ(ReadBytes(app + L"logons\\Night.kvl"), night);

  ASSERT_TRUE(list->Select(L"Meadow.KvL"));
  PauseForScreenshot();
  Click(actDelete);
  EXPECT_TRUE(ListBecomes({L"Broken.kvl", L"Night.kvl", L"Sunrise.kvl"}));
  EXPECT_FALSE(FileExists(app + L"logons\\Meadow.KvL"));
  EXPECT_EQ(list->Selected(), -1);

  Click(actExit);
  EXPECT_TRUE(korvel.Wait(10000).has_value());
}

TEST_F(MainWindowE2E, AppliesAPackageRefusesADamagedOneAndRestores) {
  // Resource 0 does not exist: that picture is left out, the other applied, and the user told.
  const std::string partly100 = BitmapFile(6, 6, 90);
  Package(app + L"logons\\Partly.kvl", {{L"100.bmp", partly100}, {L"0.bmp", bitmap100}});
  ASSERT_NO_FATAL_FAILURE(StartKorvel());
  ASSERT_TRUE(ListBecomes({L"Broken.kvl", L"Partly.kvl", L"Sunrise.kvl"}));

  ASSERT_TRUE(list->Select(L"Sunrise.kvl"));
  Click(actApply);
  auto box = WaitForBox();
  ASSERT_TRUE(box.has_value());
  EXPECT_EQ(box->text, kApplied);
  kvdriver::AnswerMessageBox(*box, IDOK);
  ASSERT_TRUE(kvdriver::WaitForWindowGone(box->hwnd, 10000));
  {
    winbase::ModuleHandle rebuilt(
        LoadLibraryExW(logonkv.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    winbase::ModuleHandle system(
        LoadLibraryExW(logonui.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    ASSERT_TRUE(rebuilt);
    ASSERT_TRUE(system);
    EXPECT_EQ(ResourceBytes(rebuilt.get(), RT_BITMAP, 100), bitmap100.substr(14));
    EXPECT_EQ(ResourceBytes(rebuilt.get(), L"UIFILE", 1000), uifile);
    EXPECT_EQ(ResourceBytes(rebuilt.get(), RT_BITMAP, 107), ResourceBytes(system.get(), RT_BITMAP, 107));
    EXPECT_EQ(ResourceBytes(rebuilt.get(), RT_BITMAP, 112), ResourceBytes(system.get(), RT_BITMAP, 112));
  }
  EXPECT_TRUE(Gone(testing::TemporaryFolder() + L"\\_kv"));

  std::string applied = ReadBytes(logonkv);
  ASSERT_TRUE(list->Select(L"Broken.kvl"));
  Click(actApply);
  box = WaitForBox();
  ASSERT_TRUE(box.has_value());
  EXPECT_EQ(box->text, kUnreadable);
  kvdriver::AnswerMessageBox(*box, IDOK);
  ASSERT_TRUE(kvdriver::WaitForWindowGone(box->hwnd, 10000));
  EXPECT_EQ(ReadBytes(logonkv), applied);

  ASSERT_TRUE(list->Select(L"Partly.kvl"));
  Click(actApply);
  ASSERT_NO_FATAL_FAILURE(ExpectBox(kAppliedPartly));
  {
    winbase::ModuleHandle rebuilt(LoadLibraryExW(logonkv.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    ASSERT_TRUE(rebuilt);
    EXPECT_TRUE(ResourceBytes(rebuilt.get(), RT_BITMAP, 100) == partly100.substr(14)) << "bitmap 100";
  }
  applied = ReadBytes(logonkv);

  // A write-protected logonkv.exe cannot be restored: said so, and left as it was.
  SetFileAttributesW(logonkv.c_str(), FILE_ATTRIBUTE_READONLY);
  Click(actRestore);
  ExpectBox(kRestoreFailed);
  SetFileAttributesW(logonkv.c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(ReadBytes(logonkv), applied);

  Click(actRestore);
  box = WaitForBox();
  ASSERT_TRUE(box.has_value());
  EXPECT_EQ(box->text, kRestored);
  kvdriver::AnswerMessageBox(*box, IDOK);
  ASSERT_TRUE(kvdriver::WaitForWindowGone(box->hwnd, 10000));
  EXPECT_EQ(ReadBytes(logonkv), ReadBytes(logonui));

  Click(actAbout);
  box = WaitForBox();
  ASSERT_TRUE(box.has_value());
  EXPECT_NE(box->text.find(L"Korvel 2.0"), std::wstring::npos);
  kvdriver::AnswerMessageBox(*box, IDOK);
}

// A converted package often has no uifile.txt, while the script always names it: it must
// still apply, with the system's user interface kept.
TEST_F(MainWindowE2E, AConvertedPackageWithoutUiFileAppliesAndKeepsTheSystemsInterface) {
  const std::string bitmap107 = BitmapFile(12, 8, 30);
  Package(incoming + L"Plain.logonxp", {{L"theme.ini", "[Theme]\r\n"},
                                         {L"Bitmap_100.bmp", bitmap100},
                                         {L"Bitmap_107.bmp", bitmap107}});
  ASSERT_NO_FATAL_FAILURE(StartKorvel());
  ASSERT_TRUE(ListBecomes({L"Broken.kvl", L"Sunrise.kvl"}));
  ASSERT_NO_FATAL_FAILURE(ImportFile(incoming + L"Plain.logonxp"));
  ASSERT_TRUE(ListBecomes({L"Broken.kvl", L"Plain.kvl", L"Sunrise.kvl"}));

  ASSERT_TRUE(list->Select(L"Plain.kvl"));
  Click(actApply);
  ASSERT_NO_FATAL_FAILURE(ExpectBox(kApplied));
  winbase::ModuleHandle rebuilt(LoadLibraryExW(logonkv.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
  winbase::ModuleHandle system(LoadLibraryExW(logonui.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
  ASSERT_TRUE(rebuilt);
  ASSERT_TRUE(system);
  // Compared as flags: a picture's bytes make an unreadable failure message.
  EXPECT_TRUE(ResourceBytes(rebuilt.get(), RT_BITMAP, 100) == bitmap100.substr(14)) << "bitmap 100";
  EXPECT_TRUE(ResourceBytes(rebuilt.get(), RT_BITMAP, 107) == bitmap107.substr(14)) << "bitmap 107";
  EXPECT_TRUE(ResourceBytes(rebuilt.get(), RT_BITMAP, 112) == ResourceBytes(system.get(), RT_BITMAP, 112))
      << "bitmap 112";
  const std::string systemUi = ResourceBytes(system.get(), L"UIFILE", 1000);
  EXPECT_NE(systemUi, "<missing>");
  EXPECT_EQ(ResourceBytes(rebuilt.get(), L"UIFILE", 1000), systemUi);
}

// While the resource editor works the window goes on handling messages: every action is off
// and the window cannot be closed, so nothing else touches the work folder meanwhile.
TEST_F(MainWindowE2E, WhileAnApplyRunsTheActionsAreOffAndClosingIsRefused) {
  // A stand-in editor that takes its time: it pauses for the milliseconds in sleep.txt and
  // then rewrites logonkv.exe (rewrite.flag), both taken from the package.
  ASSERT_TRUE(CopyFileW((TestProgramFolder() + L"kv_fake_tool.exe").c_str(), (app + L"reshacker.exe").c_str(), FALSE));
  Package(app + L"logons\\Slow.kvl", {{L"100.bmp", bitmap100}, {L"sleep.txt", "6000"}, {L"rewrite.flag", ""}});
  // One the user cannot delete: a failed delete is reported.
  WriteBytes(app + L"logons\\Locked.kvl", ReadBytes(app + L"logons\\Sunrise.kvl"));
  SetFileAttributesW((app + L"logons\\Locked.kvl").c_str(), FILE_ATTRIBUTE_READONLY);
  // A folder named like a package is listed, and a delete says it is a folder.
  CreateDirectoryW((app + L"logons\\Folder.kvl").c_str(), nullptr);
  ASSERT_NO_FATAL_FAILURE(StartKorvel());
  ASSERT_TRUE(
      ListBecomes({L"Broken.kvl", L"Folder.kvl", L"Locked.kvl", L"Slow.kvl", L"Sunrise.kvl"}));

  ASSERT_TRUE(list->Select(L"Folder.kvl"));
  Click(actDelete);
  ASSERT_NO_FATAL_FAILURE(ExpectBox(kDeleteFolder));
  EXPECT_FALSE(Gone(app + L"logons\\Folder.kvl"));

  ASSERT_TRUE(list->Select(L"Locked.kvl"));
  Click(actDelete);
  ASSERT_NO_FATAL_FAILURE(ExpectBox(kDeleteFailed));
  EXPECT_TRUE(FileExists(app + L"logons\\Locked.kvl"));
  SetFileAttributesW((app + L"logons\\Locked.kvl").c_str(), FILE_ATTRIBUTE_NORMAL);

  ASSERT_TRUE(list->Select(L"Slow.kvl"));
  for (int action = actOpen; action <= actExit; ++action) EXPECT_TRUE(ButtonEnabled(action)) << action;
  Click(actApply);
  for (int tries = 0; tries < 100 && ButtonEnabled(actOpen); ++tries) Sleep(50);
  for (int action = actOpen; action <= actExit; ++action) EXPECT_FALSE(ButtonEnabled(action)) << action;

  kvdriver::CloseWindow(main);
  Click(actExit);  // a click that reaches a disabled button does nothing either
  Sleep(1000);
  EXPECT_TRUE(korvel.Running());
  EXPECT_TRUE(IsWindowVisible(main));
  EXPECT_TRUE(FileExists(testing::TemporaryFolder() + L"\\_kv\\sleep.txt")) << "the apply is over too soon";

  ASSERT_NO_FATAL_FAILURE(ExpectBox(kApplied));
  for (int action = actOpen; action <= actExit; ++action) EXPECT_TRUE(ButtonEnabled(action)) << action;
  kvdriver::CloseWindow(main);
  EXPECT_EQ(korvel.Wait(10000), std::optional<DWORD>(0));
}

}  // namespace
}  // namespace korvel
