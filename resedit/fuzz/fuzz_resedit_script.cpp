// Any bytes as an edit script: the parser must answer, never crash, and keep its promises.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "edit_script.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto r = resedit::ParseEditScript(std::string_view(reinterpret_cast<const char*>(data), size));
  if (r.ok) {
    if (r.script.exe.empty() || r.script.saveAs.empty()) std::abort();
    for (const auto& c : r.script.commands) {
      if (c.file.empty()) std::abort();
      if (c.name.isNumber ? c.name.number == 0 : c.name.text.empty()) std::abort();
      if (c.file.find(',') != std::string::npos) std::abort();
    }
  } else if (r.error.empty()) {
    std::abort();
  }
  return 0;
}
