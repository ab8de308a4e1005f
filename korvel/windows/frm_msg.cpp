#include "korvel/windows/frm_msg.h"

#include "ui/canvas.h"

namespace korvel {

ui::FormStyle TfrmMsg::Style() {
  ui::FormStyle s;
  s.className = L"TfrmMsg";
  s.caption = L"";
  s.clientWidth = 287;
  s.clientHeight = 176;
  s.systemMenu = false;
  s.color = ui::kWhite;
  return s;
}

TfrmMsg::TfrmMsg() : ui::Form(Style()) {
  btnOK.SetGlyph(ui::LoadBitmapResource(L"GLYPH_OK"));
  btnOK.SetDefault(true);
  btnOK.SetModalResult(ui::ModalResult::Ok);
  btnCancel.SetGlyph(ui::LoadBitmapResource(L"GLYPH_CANCEL"));
  btnCancel.SetModalResult(ui::ModalResult::Cancel);
  labInfo.SetFontColor(ui::kBlack);
  OnPaint = [this](ui::Canvas& c) { FormPaint(c); };
  FinishCreate();
}

bool TfrmMsg::AskMessage(const std::wstring& caption, const std::wstring& text, ui::Color color) {
  return Ask(caption, text, color, false);
}

bool TfrmMsg::AskMessageBold(const std::wstring& caption, const std::wstring& text,
                             ui::Color color) {
  return Ask(caption, text, color, true);
}

bool TfrmMsg::Ask(const std::wstring& caption, const std::wstring& text, ui::Color color,
                  bool bold) {
  SetCaption(caption);
  labInfo.SetText(text);
  labInfo.SetFontColor(color);
  if (bold) labInfo.SetBold(true);
  return ShowModal() == ui::ModalResult::Ok;
}

void TfrmMsg::FormPaint(ui::Canvas& canvas) {
  winbase::BitmapHandle picture = ui::LoadBitmapResource(L"MSG");
  canvas.DrawBitmap(8, 8, picture.get());
}

}  // namespace korvel
