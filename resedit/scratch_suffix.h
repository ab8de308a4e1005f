// The name of the copy the editor builds its output in, beside the target, before renaming it
// into place; Korvel removes what a stopped editor leaves under that name.
#pragma once

namespace resedit {

inline constexpr wchar_t kScratchSuffix[] = L".rhtmp";

}  // namespace resedit
