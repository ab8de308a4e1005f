#include "bramlow/wizard/rtf_viewer.h"

#include <richedit.h>

#include <cstring>

#include "winbase/error.h"
#include "winbase/handles.h"

namespace bramlow {
namespace {

// The rich-text library stays loaded for the life of the program: its window class must
// outlive every viewer.
void LoadRichEditLibrary() {
  static winbase::ModuleHandle library(::LoadLibraryW(L"riched20.dll"));
  if (!library) throw winbase::Error(L"Cannot load riched20.dll");
}

std::string ReadFileBytes(const std::wstring& fileName) {
  std::string bytes;
  winbase::FileHandle file(::CreateFileW(fileName.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return bytes;
  char buffer[64 * 1024];
  DWORD got = 0;
  while (bytes.size() < kMaxLicenceBytes &&
         ::ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) && got > 0) {
    bytes.append(buffer, got);
  }
  if (bytes.size() > kMaxLicenceBytes) bytes.resize(kMaxLicenceBytes);
  return bytes;
}

struct StreamSource {
  const std::string* bytes;
  size_t offset;
};

// Called by the control while it reads; hands out the next piece of the buffer.
DWORD CALLBACK ReadPiece(DWORD_PTR cookie, LPBYTE buffer, LONG wanted, LONG* given) noexcept {
  auto* source = reinterpret_cast<StreamSource*>(cookie);
  size_t left = source->bytes->size() - source->offset;
  size_t n = wanted > 0 ? static_cast<size_t>(wanted) : 0;
  if (n > left) n = left;
  if (n) std::memcpy(buffer, source->bytes->data() + source->offset, n);
  source->offset += n;
  *given = static_cast<LONG>(n);
  return 0;
}

}  // namespace

bool LooksLikeRichText(const std::string& bytes) { return bytes.compare(0, 5, "{\\rtf") == 0; }

RtfViewer::RtfViewer(ui::Form& parent, int x, int y, int width, int height) : ui::Control(parent) {
  LoadRichEditLibrary();
  CreateControl(RICHEDIT_CLASSW, 0,
                WS_VISIBLE | WS_TABSTOP | WS_BORDER | WS_VSCROLL | ES_MULTILINE | ES_READONLY |
                    ES_AUTOVSCROLL,
                L"", x, y, width, height);
}

void RtfViewer::LoadFile(const std::wstring& fileName) {
  std::string bytes = ReadFileBytes(fileName);
  StreamSource source{&bytes, 0};
  EDITSTREAM stream{};
  stream.dwCookie = reinterpret_cast<DWORD_PTR>(&source);
  stream.pfnCallback = &ReadPiece;
  WPARAM format = LooksLikeRichText(bytes) ? SF_RTF : SF_TEXT;
  ::SendMessageW(Handle(), EM_STREAMIN, format, reinterpret_cast<LPARAM>(&stream));
  ::SendMessageW(Handle(), EM_SETSEL, 0, 0);
  ::SendMessageW(Handle(), WM_VSCROLL, SB_TOP, 0);
}

}  // namespace bramlow
