#include "bramlow/kit/output_place.h"

#include "bramlow/kit/kit_folder.h"
#include "ziparchive/platform/device_name.h"
#include "ziparchive/platform/zip_platform.h"

#ifdef _WIN32
#include <windows.h>

#include "bramlow/kit/ansi_text.h"
#else
#include <sys/stat.h>
#endif

namespace bramlow {
namespace {


std::string FolderOf(const std::string& path) {
  const size_t cut = path.find_last_of("\\/");
  if (cut == std::string::npos) return ".";
  return cut == 0 ? path.substr(0, 1) : path.substr(0, cut);
}

// Empty when nothing is there or a regular file is.
std::string KindFault(const std::string& output) {
  const std::string refused = output + " is not a regular file";
  const std::string tail = ": only a file is replaced";
#ifdef _WIN32
  const size_t cut = output.find_last_of("\\/");
  const std::string name = cut == std::string::npos ? output : output.substr(cut + 1);
  if (output.rfind("\\\\.\\", 0) == 0 || ziparchive::IsDeviceName(name)) {
    return refused + " (a device)" + tail;
  }
  const std::u16string wide = Utf8ToUtf16(output);
  const DWORD attributes =
      GetFileAttributesW(reinterpret_cast<const wchar_t*>(wide.c_str()));
  if (attributes == INVALID_FILE_ATTRIBUTES) return std::string();
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return refused + " (a folder)" + tail;
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return refused + " (a link)" + tail;
  return std::string();
#else
  struct stat st {};
  if (lstat(output.c_str(), &st) != 0) return std::string();
  if (S_ISREG(st.st_mode)) return std::string();
  const char* kind = S_ISDIR(st.st_mode)    ? " (a folder)"
                     : S_ISLNK(st.st_mode)  ? " (a link)"
                     : S_ISFIFO(st.st_mode) ? " (a pipe)"
                     : S_ISSOCK(st.st_mode) ? " (a socket)"
                                            : " (a device)";
  return refused + kind + tail;
#endif
}

}  // namespace

std::string OutputPlaceFault(const std::string& output, const std::string& kitFolder) {
  if (std::string fault = KindFault(output); !fault.empty()) return fault;
  // The folders the program would lie in, from its own up to the root, compared with the
  // kit by identity: "..", links and another spelling of the same folder all lead here.
  const ziparchive::OsFileId kit = ziparchive::OsIdentityOf(SystemPath(kitFolder));
  if (!kit.known) return std::string();
  std::string folder = FolderOf(output);
  ziparchive::OsFileId previous;
  for (int depth = 0; depth < 1024; ++depth) {
    const ziparchive::OsFileId id = ziparchive::OsIdentityOf(SystemPath(folder));
    if (!id.known || id.SameAs(previous)) break;
    if (id.SameAs(kit))
      return "the program to write lies inside the kit, which it would then contain";
    previous = id;
    folder += "\\..";
  }
  return std::string();
}

}  // namespace bramlow
