// Where a built program may be written: onto a free name or over a regular file only (a
// rename over a device, pipe, folder or link would destroy it), and never anywhere inside the
// kit it is built from, however either path is spelt.
#pragma once
#include <string>

namespace bramlow {

// Empty when output may be written; otherwise why not. Both paths in the system's form
// (UTF-8 on Windows), full or relative to the current folder.
std::string OutputPlaceFault(const std::string& output, const std::string& kitFolder);

}  // namespace bramlow
