#pragma once
// Whole sections and section lists of a profile file, and its numbered entries: the keys (or
// the section names after a prefix, "Reg3") that are a decimal number. The uninstall list is
// read by the numbered entries it holds, whatever its counts say, and an installation into a
// folder that already has a list numbers its own records above the ones there.
#include <string>
#include <string_view>
#include <vector>

namespace bramlow {

// The section names of a file, in file order; empty when there is no file.
std::vector<std::wstring> ProfileSectionNames(const std::wstring& file);
// The lines ("key=value") of one section, in file order.
std::vector<std::wstring> ProfileSectionLines(const std::wstring& file, const std::wstring& section);

// The largest number an entry may carry: nine digits, so a number and a count above it
// still fit a 32-bit integer.
inline constexpr int kMaxEntryNumber = 999999999;

// The number in name after prefix (compared without regard to case): decimal digits without a
// leading zero, at most kMaxEntryNumber; 0 when name is not of that form.
int EntryNumber(std::wstring_view name, std::wstring_view prefix = {});

// The numbers of the keys prefix<number> of a section, ascending, each once.
std::vector<int> NumberedKeys(const std::wstring& file, const std::wstring& section,
                              std::wstring_view prefix = {});
// The numbers of the sections prefix<number> of a file, ascending, each once.
std::vector<int> NumberedSections(const std::wstring& file, std::wstring_view prefix);

}  // namespace bramlow
