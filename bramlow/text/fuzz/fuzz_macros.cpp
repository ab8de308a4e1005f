// Script values of any shape go through the macro passes without reading outside the text,
// and the passes keep their promises: nothing is lost but what the rows replace.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "bramlow/text/macro_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::wstring text;
  for (size_t i = 0; i < size; ++i) text.push_back(static_cast<wchar_t>(data[i]));

  // Values that bring in macros and backslashes of their own.
  std::wstring expanded = bramlow::ExpandMacroRows(text, [](const bramlow::MacroRow& row) -> std::wstring {
    switch (row.source) {
      case bramlow::MacroSource::Installer: return L"C:\\kit\\";
      case bramlow::MacroSource::Language: return L"%Dest%";
      case bramlow::MacroSource::Destination: return L"\\\\server\\%Temp%\\";
      case bramlow::MacroSource::TempFolder: return L"C:\\TEMP\\";
      default: return row.csidl % 2 ? L"" : L"C:\\Folder";
    }
  });
  (void)expanded;

  std::wstring folded = bramlow::FoldDoubledBackslashes(text);
  if (folded.size() > text.size()) abort();
  // Only backslashes go.
  size_t textOther = 0, foldedOther = 0;
  for (wchar_t c : text) textOther += c != L'\\';
  for (wchar_t c : folded) foldedOther += c != L'\\';
  if (textOther != foldedOther) abort();
  std::wstring once = bramlow::ReplaceAllNoCase(text, L"%dest%", L"");
  if (once.size() > text.size()) abort();
  bramlow::LastPathComponent(text);
  bramlow::FolderPart(text);
  return 0;
}
