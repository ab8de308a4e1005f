// The names of the kit's own files and folders: a setup unpacks and copies them on Windows,
// so each must be a name Windows can create, and no two may be one name there.
#pragma once
#include <vector>

#include "bramlow/kit/kit_check.h"
#include "bramlow/kit/kit_folder.h"

namespace bramlow {

// One error per name Windows cannot create, with the name's path in the kit as its file:
// characters it refuses, control characters, bytes that are no characters of the kit's code
// page (codePage as for AnsiToUtf16; names that are UTF-8 already must be valid UTF-8), a
// device name, a trailing dot or space, and a name that differs from another in the same
// folder only by case. Entries the builder cannot pack (KitFolder::Unpackable) are errors too,
// so that check and build agree.
void CheckKitNames(const KitFolder& kit, unsigned codePage, std::vector<Finding>& findings);

}  // namespace bramlow
