#include "ui/rich_edit.h"

#include <richedit.h>

#include <climits>

#include "winbase/error.h"
#include "winbase/handles.h"

namespace ui {
namespace {
struct StreamState {
  std::string_view bytes;
  size_t offset = 0;
};

DWORD CALLBACK ReadChunk(DWORD_PTR cookie, LPBYTE buffer, LONG size, LONG* read) {
  auto* s = reinterpret_cast<StreamState*>(cookie);
  size_t left = s->bytes.size() - s->offset;
  size_t n = left < static_cast<size_t>(size) ? left : static_cast<size_t>(size);
  memcpy(buffer, s->bytes.data() + s->offset, n);
  s->offset += n;
  *read = static_cast<LONG>(n);
  return 0;
}
}  // namespace

void RichEditViewer::EnsureLibrary() {
  // Loaded once for the life of the program: the window class lives in it.
  static HMODULE library = ::LoadLibraryW(L"riched20.dll");
  if (!library) throw winbase::Error(L"Cannot load riched20.dll");
}

RichEditViewer::RichEditViewer(Form& parent, int x, int y, int width, int height) : Control(parent) {
  EnsureLibrary();
  CreateControl(RICHEDIT_CLASSW, WS_EX_CLIENTEDGE,
                WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL,
                L"", x, y, width, height);
}

bool RichEditViewer::LoadRtf(std::string_view bytes) {
  StreamState state{bytes, 0};
  EDITSTREAM stream{};
  stream.dwCookie = reinterpret_cast<DWORD_PTR>(&state);
  stream.pfnCallback = &ReadChunk;
  bool rtf = bytes.substr(0, 5) == "{\\rtf";
  ::SendMessageW(Handle(), EM_STREAMIN, rtf ? SF_RTF : SF_TEXT, reinterpret_cast<LPARAM>(&stream));
  return stream.dwError == 0;
}

bool RichEditViewer::LoadFile(const std::wstring& path) {
  winbase::FileHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                         OPEN_EXISTING, 0, nullptr));
  if (!file) return false;
  std::string bytes;
  char chunk[65536];
  DWORD n = 0;
  while (::ReadFile(file.get(), chunk, sizeof chunk, &n, nullptr) && n > 0) {
    if (bytes.size() > static_cast<size_t>(INT_MAX) - n) return false;
    bytes.append(chunk, n);
  }
  return LoadRtf(bytes);
}

std::wstring RichEditViewer::PlainText() const { return Text(); }

}  // namespace ui
