// Base of the child controls placed on a form. The form routes its WM_COMMAND, WM_NOTIFY,
// WM_CTLCOLOR* and WM_DRAWITEM messages to the control they concern.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include "ui/window.h"

namespace ui {

class Form;

class Control : public Window {
public:
  explicit Control(Form& parent);
  ~Control() override;

  Form& Parent() const noexcept { return parent_; }
  int Id() const noexcept { return id_; }

  // Hooks called by the parent form.
  virtual void OnCommand(WORD notifyCode) {}
  virtual LRESULT OnNotify(NMHDR& hdr) { return 0; }
  // Colours of a static-like control; null gives the form's background.
  virtual HBRUSH OnCtlColor(HDC dc);
  virtual bool OnDrawItem(const DRAWITEMSTRUCT& item) { return false; }

protected:
  void CreateControl(const wchar_t* className, DWORD exStyle, DWORD style, std::wstring_view text,
                     int x, int y, int width, int height);

private:
  Form& parent_;
  int id_;
};

}  // namespace ui
