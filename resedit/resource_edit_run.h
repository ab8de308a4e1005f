// Carries out an edit script: reads every named file, works out which languages each command
// replaces, writes the result into a scratch copy beside the target and renames it into place,
// so the target is either the complete new file or left exactly as it was.
#pragma once

#include <string>

#include "edit_log.h"
#include "edit_script.h"

namespace resedit {

// The scratch copy's one name for a target: a run that was stopped leaves nothing else.
std::wstring ScratchPathFor(const std::wstring& saveAs);

// Relative paths are taken from the current folder. True when SaveAs was written.
bool ApplyEditScript(const EditScript& script, EditLog& log);

}  // namespace resedit
