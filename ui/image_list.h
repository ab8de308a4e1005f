// Owner of a system image list: pictures of one size, drawn transparently through a mask.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include "winbase/handles.h"

namespace ui {

class ImageList {
public:
  ImageList(int width, int height);

  // Adds every picture of a strip (pictures side by side); pixels of maskColor are transparent.
  // Returns the number of pictures now held.
  int AddMasked(HBITMAP strip, COLORREF maskColor);
  // Loads a bitmap resource of the program and adds it as a strip.
  int AddMaskedResource(const wchar_t* name, COLORREF maskColor);

  HIMAGELIST get() const noexcept { return list_.get(); }
  int Count() const;

private:
  winbase::ImageListHandle list_;
};

}  // namespace ui
