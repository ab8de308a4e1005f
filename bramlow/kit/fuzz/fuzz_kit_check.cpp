// A kit of any bytes: the script first, then further files, each after a line "@@@ <name>".
// The checker must answer with findings that name a file of the kit and a line within it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "bramlow/kit/kit_check.h"
#include "bramlow/kit/profile_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  bramlow::MemoryKitFolder kit;
  std::string name = "setup.qx1";
  size_t start = 0;
  while (true) {
    const size_t marker = input.find("\n@@@ ", start);
    const size_t end = marker == std::string_view::npos ? input.size() : marker;
    kit.Add(name, std::string(input.substr(start, end - start)));
    if (marker == std::string_view::npos) break;
    const size_t nameEnd = input.find('\n', marker + 5);
    name = std::string(input.substr(
        marker + 5, (nameEnd == std::string_view::npos ? input.size() : nameEnd) - marker - 5));
    if (name.empty()) name = "unnamed";
    start = nameEnd == std::string_view::npos ? input.size() : nameEnd + 1;
  }
  const bramlow::KitReport report = bramlow::CheckKit(kit);
  for (const bramlow::Finding& f : report.findings) {
    if (f.file.empty() || f.text.empty() || f.line < 0) std::abort();
    if (f.line > 0) {
      const auto bytes = kit.Read(f.file);
      if (!bytes) std::abort();
      // A line the file has: an editor can jump to it.
      size_t lines = 1;
      for (char c : *bytes) lines += c == '\n' || c == '\r';
      if (static_cast<size_t>(f.line) > lines) std::abort();
    }
    (void)bramlow::FindingLine("kit", f);
  }
  (void)bramlow::ReportSummary(report);
  (void)bramlow::ReadKitIdentity(kit);
  return 0;
}
