// Names Windows takes for devices whatever folder they are in: checked by the Windows file
// services and by the reader's test of stored names, so that every platform refuses them alike.
#pragma once

#include <string_view>

namespace ziparchive {

// A name Windows takes for a device whatever follows its first "." and whatever spaces end
// it: "con", "Nul.txt", "COM1 .bmp". COM and LPT take the digits 1-9 and the superscript
// digits 1-3 (in UTF-8, or as bytes of an ANSI code page that has them); "LPT№" is a name.
bool IsDeviceName(std::string_view part);

}  // namespace ziparchive
