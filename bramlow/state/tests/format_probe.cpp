// Formats its first argument with its second the way language texts are formatted and
// prints the result; a bad pattern takes the program's fatal-error road, printed instead of
// shown in a box.
#include <windows.h>

#include <cstdio>
#include <string>

#include "bramlow/state/runtime_error.h"
#include "winbase/text.h"

namespace {

void Print(const std::wstring& text) {
  const std::string bytes = winbase::ToUtf8(text);
  std::fwrite(bytes.data(), 1, bytes.size(), stdout);
  std::fflush(stdout);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) return 2;
  bramlow::SetRuntimeErrorReporter([](const std::wstring& message) { Print(L"ERROR:" + message); });
  Print(L"OK:" + bramlow::FormatOrStop(argv[1], argv[2]));
  return 0;
}
