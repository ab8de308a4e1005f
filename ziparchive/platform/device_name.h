// Names Windows takes for devices whatever folder they are in: checked by the Windows file
// services and by the reader's test of stored names, so that every platform refuses them alike.
#pragma once

#include <string_view>

namespace ziparchive {

// A name Windows takes for a device whatever follows its first "." and whatever spaces end
// it: "con", "Nul.txt", "COM1 .bmp". COM and LPT also take the superscript digits 1-3 (UTF-8
// or code page 1252).
bool IsDeviceName(std::string_view part);

}  // namespace ziparchive
