// The package preview of the real korvel.exe under Wine, driven as a user would: a
// double-click on a sample package, Enter, Escape and the close box; a damaged package; and no
// preview while an apply runs.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "driver.h"
#include "korvel/shared/folder_utils.h"
#include "korvel/preview/preview_layout.h"
#include "korvel/test_support/test_bitmaps.h"
#include "korvel/test_support/test_files.h"
#include "ui/application.h"
#include "korvel/library/zip_packages.h"

namespace korvel {
namespace {

using testing::ReadBytes;
using testing::WriteBytes;
using testing::TestProgramFolder;
using testing::SystemFolder;

const wchar_t kSample[] = L"Закат над морем.kvl";
// Its own text: nothing was applied, so the apply's failure would be wrong here.
const wchar_t kUnreadable[] =
    L"Не удалось прочитать выбранный логон для просмотра: файл отсутствует или повреждён.";
const wchar_t kApplied[] = L"Выбранный логон был успешно применен!";
constexpr int kApplyButton = 1;

std::vector<std::wstring> Texts(HWND window) {
  std::vector<std::wstring> texts;
  for (const kvdriver::WindowInfo& control : kvdriver::Controls(window)) texts.push_back(control.text);
  return texts;
}

bool Has(const std::vector<std::wstring>& texts, const std::wstring& text) {
  return std::find(texts.begin(), texts.end(), text) != texts.end();
}

// Leftovers of the preview's scratch folders under the temporary folder.
std::vector<std::wstring> PreviewScratch() { return ListMatches(testing::TemporaryFolder() + L"\\kvpreview_*"); }

class PreviewE2E : public ::testing::Test {
 protected:
  void SetUp() override {
    root = std::wstring(L"C:\\kv preview ") + std::to_wstring(GetCurrentProcessId());
    app = root + L"\\Korvel App\\";
    RemoveFolderTree(root);
    CreateDirectoryW(root.c_str(), nullptr);
    CreateDirectoryW(app.c_str(), nullptr);
    CreateDirectoryW((app + L"logons").c_str(), nullptr);
    ASSERT_TRUE(CopyFileW((TestProgramFolder() + L"korvel.exe").c_str(), (app + L"korvel.exe").c_str(), FALSE));
    logonui = SystemFolder() + L"\\logonui.exe";
    logonkv = SystemFolder() + L"\\logonkv.exe";
    CopyFileW(logonui.c_str(), logonkv.c_str(), FALSE);
    sample = ReadBytes(TestProgramFolder() + L"..\\samples\\logons\\" + kSample);
    ASSERT_FALSE(sample.empty()) << "the sample packages are not built";
  }

  void TearDown() override {
    if (korvel) korvel.Kill();
    korvel.Wait(5000);
    CopyFileW(logonui.c_str(), logonkv.c_str(), FALSE);
    RemoveFolderTree(root);
  }

  void StartKorvel() {
    korvel = kvdriver::Start(app + L"korvel.exe", L"", app);
    ASSERT_TRUE(korvel);
    main = kvdriver::WaitForWindow({L"", L"TfrmMain", korvel.Id()}, 20000);
    ASSERT_TRUE(main);
    list = FindWindowExW(main, nullptr, WC_LISTVIEWW, nullptr);
    ASSERT_TRUE(list);
    for (int tries = 0; tries < 100 && SendMessageW(list, LVM_GETITEMCOUNT, 0, 0) != 1; ++tries) Sleep(100);
    ASSERT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 1) << "one package in the library";
  }

  // Clicks (or double-clicks) the first row, as the mouse would.
  void ClickFirstRow(bool twice) {
    RECT header{};
    GetWindowRect(reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0)), &header);
    const LPARAM at = MAKELPARAM(40, header.bottom - header.top + 6);
    PostMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageW(list, WM_LBUTTONUP, 0, at);
    if (!twice) return;
    PostMessageW(list, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    PostMessageW(list, WM_LBUTTONUP, 0, at);
  }

  HWND WaitForPreview(DWORD timeoutMs = 20000) {
    return kvdriver::WaitForWindow({L"", L"TfrmPreview", korvel.Id()}, timeoutMs);
  }

  std::wstring root, app, logonui, logonkv;
  std::string sample;
  kvdriver::Process korvel;
  HWND main = nullptr, list = nullptr;
};

TEST_F(PreviewE2E, ASamplePackageOpensOnDoubleClickOrEnterAndClosesEveryWay) {
  WriteBytes(app + L"logons\\" + kSample, sample);
  ASSERT_NO_FATAL_FAILURE(StartKorvel());

  ClickFirstRow(true);
  HWND preview = WaitForPreview();
  ASSERT_TRUE(preview) << "no preview after a double-click";
  EXPECT_EQ(kvdriver::WindowText(preview), std::wstring(L"Просмотр: ") + kSample);
  const std::vector<std::wstring> texts = Texts(preview);
  EXPECT_TRUE(Has(texts, L"Рисунки: 100, 107, 112"));
  EXPECT_TRUE(Has(texts, L"Описание интерфейса uifile.txt: есть"));
  EXPECT_TRUE(Has(texts, L"Размер пакета: " + ByteCountText(sample.size())));
  EXPECT_FALSE(IsWindowEnabled(main)) << "the preview is modal";
  RECT outer{}, owner{};
  GetWindowRect(preview, &outer);
  GetWindowRect(main, &owner);
  EXPECT_NEAR((outer.left + outer.right) / 2, (owner.left + owner.right) / 2, 2);
  EXPECT_NEAR((outer.top + outer.bottom) / 2, (owner.top + owner.bottom) / 2, 2);
  EXPECT_EQ(PreviewScratch().size(), 0u) << "the scratch folder outlives the reading";
  EXPECT_FALSE(FileExists(testing::TemporaryFolder() + L"\\_kv")) << "the apply work folder was used";

  kvdriver::PressKey(preview, VK_ESCAPE);
  ASSERT_TRUE(kvdriver::WaitForWindowGone(preview, 10000));
  for (int tries = 0; tries < 50 && !IsWindowEnabled(main); ++tries) Sleep(100);
  EXPECT_TRUE(IsWindowEnabled(main));

  // Enter on the selected row opens it again; Enter closes it, and so does the close box.
  kvdriver::PressKey(main, VK_RETURN);
  preview = WaitForPreview();
  ASSERT_TRUE(preview) << "no preview on Enter";
  kvdriver::PressKey(preview, VK_RETURN);
  ASSERT_TRUE(kvdriver::WaitForWindowGone(preview, 10000));
  for (int tries = 0; tries < 50 && !IsWindowEnabled(main); ++tries) Sleep(100);
  kvdriver::PressKey(main, VK_RETURN);
  preview = WaitForPreview();
  ASSERT_TRUE(preview);
  kvdriver::CloseWindow(preview);
  ASSERT_TRUE(kvdriver::WaitForWindowGone(preview, 10000));
  EXPECT_TRUE(korvel.Running());
}

TEST_F(PreviewE2E, ADamagedPackageShowsItsOwnMessageAndNoPreview) {
  std::string damaged = sample;
  damaged[60] = static_cast<char>(damaged[60] ^ 0x5A);  // inside the first member's data
  WriteBytes(app + L"logons\\Broken.kvl", damaged);
  ASSERT_NO_FATAL_FAILURE(StartKorvel());

  ClickFirstRow(true);
  auto box = kvdriver::WaitForMessageBox(korvel.Id(), 20000, L"Korvel 2.0");
  ASSERT_TRUE(box.has_value());
  EXPECT_EQ(box->text, kUnreadable);
  EXPECT_FALSE(WaitForPreview(0));
  kvdriver::AnswerMessageBox(*box, IDOK);
  ASSERT_TRUE(kvdriver::WaitForWindowGone(box->hwnd, 10000));
  EXPECT_FALSE(WaitForPreview(1000));
  EXPECT_EQ(PreviewScratch().size(), 0u);
}

// While an apply runs the window handles messages, but a double-click opens nothing.
TEST_F(PreviewE2E, NoPreviewWhileAnApplyRuns) {
  ASSERT_TRUE(CopyFileW((TestProgramFolder() + L"kv_fake_tool.exe").c_str(), (app + L"reshacker.exe").c_str(), FALSE));
  {
    testing::ScratchFolder source("kvpve2e");
    WriteBytes(source / L"sleep.txt", "5000");
    WriteBytes(source / L"rewrite.flag", "");
    // Apply leaves out what the editor would not read, so the stand-in gets a real picture.
    WriteBytes(source / L"100.bmp", testing::Picture("slow"));
    ZipPackageWriter writer;
    ASSERT_TRUE(writer.PackFolder(app + L"logons\\Slow.kvl", source.Path()));
  }
  ASSERT_NO_FATAL_FAILURE(StartKorvel());
  ClickFirstRow(false);
  for (int tries = 0; tries < 50 && SendMessageW(list, LVM_GETNEXTITEM, -1, LVNI_SELECTED) != 0; ++tries) Sleep(100);
  HWND host = FindWindowExW(main, nullptr, L"KvToolBarHost", nullptr);
  ASSERT_TRUE(host);
  PostMessageW(host, WM_COMMAND, MAKEWPARAM(100 + kApplyButton, BN_CLICKED),
               reinterpret_cast<LPARAM>(FindWindowExW(host, nullptr, TOOLBARCLASSNAMEW, nullptr)));
  for (int tries = 0; tries < 100 && !FileExists(testing::TemporaryFolder() + L"\\_kv\\sleep.txt"); ++tries) Sleep(50);
  ASSERT_TRUE(FileExists(testing::TemporaryFolder() + L"\\_kv\\sleep.txt")) << "the apply did not start";

  ClickFirstRow(true);
  kvdriver::PressKey(main, VK_RETURN);
  EXPECT_FALSE(WaitForPreview(1500));
  auto box = kvdriver::WaitForMessageBox(korvel.Id(), 30000, L"Korvel 2.0");
  ASSERT_TRUE(box.has_value());
  EXPECT_EQ(box->text, kApplied);
  EXPECT_FALSE(WaitForPreview(0));
  kvdriver::AnswerMessageBox(*box, IDOK);
  ASSERT_TRUE(kvdriver::WaitForWindowGone(box->hwnd, 10000));

  // Once it is over, the same package opens; its one picture is listed even though it is no
  // picture the preview can draw.
  ClickFirstRow(true);
  HWND preview = WaitForPreview();
  ASSERT_TRUE(preview);
  const std::vector<std::wstring> texts = Texts(preview);
  EXPECT_TRUE(Has(texts, L"Рисунки: 100"));
  EXPECT_TRUE(Has(texts, L"Описание интерфейса uifile.txt: нет"));
  kvdriver::PressKey(preview, VK_ESCAPE);
  EXPECT_TRUE(kvdriver::WaitForWindowGone(preview, 10000));
}

}  // namespace
}  // namespace korvel
