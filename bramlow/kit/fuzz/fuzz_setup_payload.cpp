// A setup file of any bytes: the payload check either accepts it, with a trailer that fits
// the file exactly, or says why not; the stub's version resource is found only inside the
// file and filled without writing outside it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "bramlow/kit/setup_payload.h"
#include "bramlow/kit/version_resource.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const auto readAt = [&bytes](uint64_t at, void* buffer, size_t count) {
    if (at > bytes.size() || count > bytes.size() - at) return false;
    std::memcpy(buffer, bytes.data() + at, count);
    return true;
  };
  const bramlow::PayloadCheck check = bramlow::CheckPayload(readAt, bytes.size());
  if (check.ok) {
    const bramlow::PayloadTrailer& t = check.trailer;
    if (t.zipOffset + t.zipLength + t.foldersLength + bramlow::kPayloadTrailerSize != bytes.size())
      std::abort();
  } else if (check.problem.empty()) {
    std::abort();
  }
  if (const auto slot = bramlow::FindVersionResource(bytes)) {
    if (slot->dataOffset + slot->size > bytes.size() || slot->sizeFieldOffset + 4 > bytes.size())
      std::abort();
    std::string program = bytes;
    bramlow::VersionStrings strings;
    strings.productName = u"Fuzz";
    strings.originalFilename = u"fuzz.exe";
    std::string problem;
    if (bramlow::PutVersionResource(program, bramlow::BuildVersionInfo(strings), problem) &&
        program.size() != bytes.size()) {
      std::abort();
    }
  }
  return 0;
}
