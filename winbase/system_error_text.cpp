#include "winbase/system_error_text.h"

#include "winbase/handles.h"

namespace winbase {

std::wstring SystemErrorText(DWORD code) {
  LocalMemory<wchar_t> buffer;
  const DWORD length = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(buffer.put()), 0, nullptr);
  std::wstring text;
  if (length && buffer) text.assign(buffer.get(), length);
  while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' '))
    text.pop_back();
  return text;
}

}  // namespace winbase
