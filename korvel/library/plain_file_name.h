// Which names a file can really be written under.
#pragma once
#include <string>

namespace korvel {

// False for a name Windows would not write as that file: a device (CON, PRN, AUX, NUL, COM1-9,
// LPT1-9 and the console and clock devices, in any case and whatever follows the first dot,
// "nul.bmp", "COM1 .bmp"), a name ending in a dot or space (dropped, so another file is
// written), a stream or path separator, or nothing at all. A write to a device "succeeds"
// and the data is gone.
bool IsPlainFileName(const std::wstring& name);

}  // namespace korvel
