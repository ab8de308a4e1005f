// Renaming a finished output over the file it replaces.
#pragma once

#include "ZipPlatform.h"

// Renames from to to, replacing an existing to in one step so that to never goes missing.
// Fails (false) when both are not on the same volume; the caller then copies instead.
bool OsReplaceFile(const TOsPath& from, const TOsPath& to);
