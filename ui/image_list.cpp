#include "ui/image_list.h"

#include "winbase/handles.h"

namespace ui {

ImageList::ImageList(int width, int height)
    : list_(::ImageList_Create(width, height, ILC_COLOR24 | ILC_MASK, 8, 8)) {}

int ImageList::AddMasked(HBITMAP strip, COLORREF maskColor) {
  if (list_ && strip) ::ImageList_AddMasked(list_.get(), strip, maskColor);
  return Count();
}

int ImageList::AddMaskedResource(const wchar_t* name, COLORREF maskColor) {
  winbase::BitmapHandle strip(static_cast<HBITMAP>(
      ::LoadImageW(::GetModuleHandleW(nullptr), name, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
  return AddMasked(strip.get(), maskColor);  // the list keeps its own copy
}

int ImageList::Count() const { return list_ ? ::ImageList_GetImageCount(list_.get()) : 0; }

}  // namespace ui
