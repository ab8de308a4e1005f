// The system's file-open dialog.
#pragma once
#include <windows.h>

#include <string>

namespace ui {

class OpenDialog {
public:
  // Entries "Description|patterns", separated by "|": "Texts (*.txt)|*.txt|All|*.*".
  std::wstring filter;
  std::wstring title;
  // The chosen file after a successful Execute.
  std::wstring fileName;

  // Shows the dialog modally; false when it was cancelled. A typed name need not exist.
  bool Execute(HWND owner);

  // The filter as the system wants it: "|" turned into NULs, ended by two NULs.
  static std::wstring SystemFilter(const std::wstring& filter);
};

}  // namespace ui
