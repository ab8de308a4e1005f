// Any pattern either formats or raises one of the two runtime errors; the result is checked
// against an independent reading of the pattern.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "bramlow/text/format_pattern.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // First byte splits the input into pattern and argument; wide characters are built from
  // byte pairs so that every value reaches the formatter.
  if (size == 0) return 0;
  size_t split = data[0] % (size);
  std::wstring pattern, arg;
  for (size_t i = 1; i + 1 < size; i += 2) {
    wchar_t c = static_cast<wchar_t>(data[i] | (data[i + 1] << 8));
    (i < split ? arg : pattern).push_back(c);
  }
  const std::wstring invalid = bramlow::InvalidFormatMessage(pattern);
  const std::wstring noArgument = bramlow::NoArgumentMessage(pattern);
  try {
    std::wstring out = bramlow::FormatPattern(pattern, arg);
    // Each "%%" shrinks by one character and at most one "%s" becomes arg.
    size_t percents = 0, placeholders = 0;
    for (size_t i = 0; i < pattern.size(); ++i) {
      if (pattern[i] != L'%') continue;
      if (pattern[i + 1] == L'%') ++percents;
      else ++placeholders;
      ++i;
    }
    if (placeholders > 1) abort();
    if (out.size() != pattern.size() - percents - 2 * placeholders + placeholders * arg.size())
      abort();
  } catch (const bramlow::FormatError& e) {
    if (e.Message() != invalid && e.Message() != noArgument) abort();
  }
  return 0;
}
