// A running program cannot delete its own file: a hidden batch file in the temporary folder
// waits until the program has ended, deletes it, removes its folder when empty and then itself.
#pragma once

#include <string>

namespace uninstall {

// How often the batch tries to delete the program, a second apart: the program has ended
// long before, unless something else holds its file.
inline constexpr int kSelfDeleteTries = 60;

// The batch text (OEM code page, CR LF) that removes `program` and then `folder` if empty;
// an empty `folder` is left alone.
// Short (8.3) forms are used where they exist: the command interpreter reads the batch in
// the OEM code page, in which a name in another script cannot be written.
std::string SelfDeleteBatch(const std::wstring& program, const std::wstring& folder, const std::wstring& batchPath);

// Writes the batch into the temporary folder and starts it hidden. False when it could not.
bool ScheduleSelfDelete(const std::wstring& program, const std::wstring& folder);

}  // namespace uninstall
