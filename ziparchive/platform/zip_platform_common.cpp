// What both halves of the system services share, built on the primitives each provides.
#include "ziparchive/platform/zip_platform.h"

namespace ziparchive {

size_t OsReadFull(OsFile& file, void* buffer, size_t count, bool* failed) {
  if (failed) *failed = false;
  auto* p = static_cast<uint8_t*>(buffer);
  size_t done = 0;
  while (done < count) {
    int64_t n = file.Read(p + done, count - done);
    if (n <= 0) {
      if (failed) *failed = n < 0;
      break;
    }
    done += size_t(n);
  }
  return done;
}

bool OsFileExists(const OsPath& path) {
  uint32_t a = OsGetAttributes(path);
  return a != fattr::kInvalid && !(a & fattr::kDirectory);
}

bool OsFolderExists(const OsPath& path) {
  uint32_t a = OsGetAttributes(path);
  return a != fattr::kInvalid && (a & fattr::kDirectory);
}

}  // namespace ziparchive
