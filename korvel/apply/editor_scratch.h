// The file the resource editor builds logonkv.exe in, beside it, before renaming it into place.
#pragma once
#include <string>

#include "resedit/scratch_suffix.h"

namespace korvel {

// An editor stopped part way leaves target + ".rhtmp" in the system folder, a full-size copy
// of the logon host. Deletes it, read-only or not, when it is there; failing to is nobody's
// error (the next apply, restore or removal tries again), so nothing is reported.
void RemoveEditorScratch(const std::wstring& target);

}  // namespace korvel
