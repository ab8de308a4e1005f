#include "ui/rich_edit.h"

#include <richedit.h>

#include <climits>
#include <cstring>

#include "winbase/error.h"
#include "winbase/handles.h"

namespace ui {
namespace {

struct StreamState {
  std::string_view bytes;
  size_t offset = 0;
};

// Called by the control while it reads; hands out the next piece of the bytes.
DWORD CALLBACK ReadChunk(DWORD_PTR cookie, LPBYTE buffer, LONG wanted, LONG* given) noexcept {
  auto* s = reinterpret_cast<StreamState*>(cookie);
  size_t left = s->bytes.size() - s->offset;
  size_t n = wanted > 0 ? static_cast<size_t>(wanted) : 0;
  if (n > left) n = left;
  if (n) std::memcpy(buffer, s->bytes.data() + s->offset, n);
  s->offset += n;
  *given = static_cast<LONG>(n);
  return 0;
}

}  // namespace

void RichEditViewer::EnsureLibrary() {
  // Loaded once for the life of the program: the window class lives in it and must outlive
  // every viewer.
  static winbase::ModuleHandle library(::LoadLibraryW(L"riched20.dll"));
  if (!library) throw winbase::Error(L"Cannot load riched20.dll");
}

RichEditViewer::RichEditViewer(Form& parent, int x, int y, int width, int height, EditLook look)
    : Control(parent), look_(look) {
  EnsureLibrary();
  CreateControl(RICHEDIT_CLASSW, EditLookExStyle(look),
                WS_VISIBLE | WS_TABSTOP | EditLookStyle(look) | WS_VSCROLL | ES_MULTILINE |
                    ES_READONLY | ES_AUTOVSCROLL,
                L"", x, y, width, height);
}

bool RichEditViewer::LoadRtf(std::string_view bytes) {
  StreamState state{bytes, 0};
  EDITSTREAM stream{};
  stream.dwCookie = reinterpret_cast<DWORD_PTR>(&state);
  stream.pfnCallback = &ReadChunk;
  bool rtf = bytes.substr(0, 5) == "{\\rtf";
  ::SendMessageW(Handle(), EM_STREAMIN, rtf ? SF_RTF : SF_TEXT, reinterpret_cast<LPARAM>(&stream));
  ::SendMessageW(Handle(), EM_SETSEL, 0, 0);
  ::SendMessageW(Handle(), WM_VSCROLL, SB_TOP, 0);
  return stream.dwError == 0;
}

bool RichEditViewer::LoadFile(const std::wstring& path, size_t maxBytes) {
  winbase::FileHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    LoadRtf({});
    return false;
  }
  std::string bytes;
  char chunk[65536];
  DWORD n = 0;
  while (bytes.size() < maxBytes && ::ReadFile(file.get(), chunk, sizeof chunk, &n, nullptr) &&
         n > 0) {
    if (bytes.size() > static_cast<size_t>(INT_MAX) - n) return false;
    bytes.append(chunk, n);
  }
  if (bytes.size() > maxBytes) bytes.resize(maxBytes);
  return LoadRtf(bytes);
}

std::wstring RichEditViewer::PlainText() const { return Text(); }

HBRUSH RichEditViewer::OnCtlColor(HDC dc) {
  return look_ == EditLook::Page ? Control::OnCtlColor(dc) : nullptr;
}

}  // namespace ui
