#include "korvel/windows/frm_preview.h"

#include <algorithm>

#include "korvel/library/bitmap_header.h"
#include "korvel/shared/message_text.h"
#include "korvel/windows/logon_messages.h"
#include "ui/control.h"
#include "ui/resources.h"

namespace korvel {
namespace {

constexpr int kPanelWidth = 584;
constexpr int kPanelHeight = 316;
constexpr PixelBox kMainBox{8, 8, 368, 284};
constexpr PixelBox kThumbnailArea{392, 8, 184, 300};
constexpr int kCaptionHeight = 14;
constexpr int kGap = 6;
constexpr int kMinThumbnail = 24;
constexpr int kMaxThumbnail = 84;
constexpr COLORREF kPanelColor = RGB(255, 255, 255);
constexpr COLORREF kFrameColor = RGB(160, 160, 160);
constexpr COLORREF kCaptionColor = RGB(0, 0, 0);
constexpr COLORREF kMissingColor = RGB(236, 236, 236);

struct ShownPicture {
  std::wstring resource;
  PixelBox frame;                // the square (or main box) it is drawn in
  PixelBox image;                // where the scaled picture goes; empty when it cannot be shown
  winbase::BitmapHandle bitmap;  // already at image's size
};

// The picture at the given size, scaled by the system from the checked file.
winbase::BitmapHandle Render(const std::string& file, const BitmapFacts& facts, PixelSize size) {
  winbase::WindowDc screen(nullptr);
  winbase::MemoryDc dc(::CreateCompatibleDC(screen.get()));
  winbase::BitmapHandle image(::CreateCompatibleBitmap(screen.get(), size.width, size.height));
  if (!dc || !image) return {};
  winbase::SelectObjectScope select(dc.get(), image.get());
  ::SetStretchBltMode(dc.get(), HALFTONE);
  ::SetBrushOrgEx(dc.get(), 0, 0, nullptr);
  const int done = ::StretchDIBits(dc.get(), 0, 0, size.width, size.height, 0, 0, facts.width,
                                   facts.height, file.data() + facts.pixelOffset,
                                   reinterpret_cast<const BITMAPINFO*>(facts.info.data()),
                                   DIB_RGB_COLORS, SRCCOPY);
  if (done == 0) return {};
  return image;
}

PixelBox CentredIn(PixelSize size, PixelBox box) {
  return {box.left + (box.width - size.width) / 2, box.top + (box.height - size.height) / 2,
          size.width, size.height};
}

RECT ToRect(PixelBox b) {
  return RECT{b.left, b.top, b.left + b.width, b.top + b.height};
}

}  // namespace

// The pictures, painted through an off-screen bitmap so a repaint never shows a half-drawn
// state; the background is painted with them, never erased on its own.
class PreviewPanel : public ui::Control {
 public:
  PreviewPanel(ui::Form& parent, std::vector<ShownPicture> pictures, std::size_t hidden)
      : ui::Control(parent), pictures_(std::move(pictures)), hidden_(hidden) {
    CreateControl(WC_STATICW, WS_EX_CLIENTEDGE, WS_VISIBLE, L"", 8, 8, kPanelWidth, kPanelHeight);
  }

 protected:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override {
    switch (msg) {
      case WM_ERASEBKGND:
        return 1;
      case WM_PAINT: {
        ui::PaintScope paint(Handle());
        Paint(paint.Dc());
        return 0;
      }
      default:
        return DefaultHandler(msg, wp, lp);
    }
  }

 private:
  void Paint(HDC target) {
    RECT client{};
    ::GetClientRect(Handle(), &client);
    winbase::MemoryDc dc(::CreateCompatibleDC(target));
    winbase::BitmapHandle buffer(::CreateCompatibleBitmap(target, client.right, client.bottom));
    if (!dc || !buffer) return;
    winbase::SelectObjectScope selectBuffer(dc.get(), buffer.get());
    winbase::SelectObjectScope selectFont(dc.get(), Parent().Font());
    winbase::BrushHandle background(::CreateSolidBrush(kPanelColor));
    ::FillRect(dc.get(), &client, background.get());
    ::SetBkMode(dc.get(), TRANSPARENT);
    ::SetTextColor(dc.get(), kCaptionColor);
    winbase::BrushHandle frame(::CreateSolidBrush(kFrameColor));
    winbase::BrushHandle missing(::CreateSolidBrush(kMissingColor));
    winbase::MemoryDc source(::CreateCompatibleDC(target));
    for (const ShownPicture& picture : pictures_) {
      RECT frameRect = ToRect(picture.frame);
      if (picture.bitmap && source) {
        winbase::SelectObjectScope select(source.get(), picture.bitmap.get());
        ::BitBlt(dc.get(), picture.image.left, picture.image.top, picture.image.width,
                 picture.image.height, source.get(), 0, 0, SRCCOPY);
      } else {
        ::FillRect(dc.get(), &frameRect, missing.get());
        DrawCentred(dc.get(), L"?", frameRect);
      }
      ::FrameRect(dc.get(), &frameRect, frame.get());
      RECT caption{frameRect.left - kGap / 2, frameRect.bottom, frameRect.right + kGap / 2,
                   frameRect.bottom + kCaptionHeight};
      DrawCentred(dc.get(), picture.resource, caption);
    }
    if (hidden_) {
      RECT more = ToRect(kThumbnailArea);
      more.top = more.bottom - kCaptionHeight;
      DrawCentred(dc.get(), L"и ещё " + std::to_wstring(hidden_), more);
    }
    ::BitBlt(target, 0, 0, client.right, client.bottom, dc.get(), 0, 0, SRCCOPY);
  }

  static void DrawCentred(HDC dc, const std::wstring& text, RECT box) {
    ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &box,
                DT_CENTER | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
  }

  std::vector<ShownPicture> pictures_;
  std::size_t hidden_;
};

ui::FormStyle TfrmPreview::Style(const std::wstring& caption) {
  ui::FormStyle s;
  s.className = L"TfrmPreview";
  s.caption = caption;
  s.clientWidth = 600;
  s.clientHeight = 400;
  s.systemMenu = true;
  s.color = ui::kButtonFace;
  return s;
}

TfrmPreview::TfrmPreview(const std::wstring& caption, PackageContents contents)
    : ui::Form(Style(caption)) {
  std::vector<PictureEntry> entries;
  std::vector<std::optional<BitmapFacts>> facts;
  for (const PreviewBitmap& bitmap : contents.bitmaps) {
    facts.push_back(ReadBitmapHeader(bitmap.bytes));
    entries.push_back({bitmap.resource, facts.back()
                                            ? PixelSize{facts.back()->width, facts.back()->height}
                                            : PixelSize{}});
  }
  const std::vector<std::size_t> order = ShowingOrder(entries);
  const ThumbnailGrid grid =
      LayOutThumbnails(order.size() > 1 ? order.size() - 1 : 0, kThumbnailArea, kCaptionHeight,
                       kGap, kMinThumbnail, kMaxThumbnail);
  std::vector<ShownPicture> shown;
  for (std::size_t place = 0; place < order.size() && place <= grid.shown; ++place) {
    const std::size_t index = order[place];
    ShownPicture picture;
    picture.resource = PrintableName(entries[index].resource);
    picture.frame = place == 0 ? kMainBox : grid.cells[place - 1];
    const PixelSize fit =
        FitInside(entries[index].size, {picture.frame.width, picture.frame.height});
    if (facts[index] && fit.width > 0) {
      picture.image = CentredIn(fit, picture.frame);
      picture.bitmap = Render(contents.bitmaps[index].bytes, *facts[index], fit);
    }
    shown.push_back(std::move(picture));
  }
  const std::size_t notDrawn =
      (order.size() > 1 ? order.size() - 1 - grid.shown : 0) + contents.listedOnly.size();
  pnlPictures = std::make_unique<PreviewPanel>(*this, std::move(shown), notDrawn);

  std::vector<std::wstring> resources;
  for (const PictureEntry& entry : entries) resources.push_back(entry.resource);
  resources.insert(resources.end(), contents.listedOnly.begin(), contents.listedOnly.end());
  std::sort(resources.begin(), resources.end(), ResourceBefore);
  for (std::wstring& resource : resources) resource = PrintableName(resource);
  labPictures.SetText(PictureListText(resources, [this](const std::wstring& text) {
    return TextFits(text, labPictures);
  }));
  labUiFile.SetText(contents.hasUiFile ? L"Описание интерфейса uifile.txt: есть"
                                       : L"Описание интерфейса uifile.txt: нет");
  labSize.SetText(L"Размер пакета: " + ByteCountText(contents.packageSize));

  btnClose.SetDefault(true);
  btnClose.SetModalResult(ui::ModalResult::Ok);
  SetDefaultButton(&btnClose);
  SetCancelButton(&btnClose);
  FinishCreate();
}

TfrmPreview::~TfrmPreview() = default;

bool TfrmPreview::TextFits(const std::wstring& text, const ui::Label& label) const {
  RECT place{};
  ::GetClientRect(label.Handle(), &place);
  winbase::WindowDc screen(nullptr);
  winbase::MemoryDc dc(::CreateCompatibleDC(screen.get()));
  if (!dc) return true;
  winbase::SelectObjectScope font(dc.get(), Font());
  RECT needed{0, 0, place.right, 0};
  ::DrawTextW(dc.get(), text.c_str(), static_cast<int>(text.size()), &needed,
              DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
  return needed.bottom <= place.bottom && needed.right <= place.right;
}

void TfrmPreview::ShowModalOver(HWND owner) {
  RECT outer{}, ownerRect{};
  ::GetWindowRect(Handle(), &outer);
  ::GetWindowRect(owner, &ownerRect);
  RECT work{};
  if (!::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0))
    work = RECT{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
  const PixelBox placed =
      CentreOver({outer.right - outer.left, outer.bottom - outer.top},
                 {ownerRect.left, ownerRect.top, ownerRect.right - ownerRect.left,
                  ownerRect.bottom - ownerRect.top},
                 {work.left, work.top, work.right - work.left, work.bottom - work.top});
  ::SetWindowPos(Handle(), nullptr, placed.left, placed.top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  ShowModal();
}

PreviewRead ReadPackageToPreview(const std::wstring& packagePath,
                                 std::function<void()> pumpMessages) {
  PreviewZipReader reader;
  reader.SetMessagePump(std::move(pumpMessages));
  // The large picture and as many thumbnails as fit at their smallest: what cannot be drawn
  // is not worth unpacking.
  const std::size_t fits = 1 + LayOutThumbnails(kMaxPreviewPictures, kThumbnailArea, kCaptionHeight,
                                                kGap, kMinThumbnail, kMaxThumbnail)
                                   .shown;
  return ReadPackageForPreview(reader, packagePath, TemporaryFolder(), fits);
}

void ShowPackagePreview(ui::Form& owner, const std::wstring& packageName,
                        PackageContents contents) {
  const std::wstring caption =
      FormatMessagePattern(ui::LoadStringResource(kMsgPreviewCaption), PrintableName(packageName));
  TfrmPreview preview(caption, std::move(contents));
  preview.ShowModalOver(owner.Handle());
}

}  // namespace korvel
