// Texts of the program's string table.
#pragma once
#include <windows.h>
#include <string>

namespace ui {

// The text of the given key; empty when the table has none.
std::wstring LoadStringResource(UINT id, HINSTANCE module = nullptr);

}  // namespace ui
