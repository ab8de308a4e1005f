#pragma once
#include <string>

namespace bramlow {

enum class RunWay { Process, Shell };

// The window show command (SW_ value) for a script's RunType word. The two ways of running
// differ for "NORMAL" and for unknown words: a process then starts hidden, a shell-opened
// document shown normally.
int ShowCommandFor(RunWay way, const std::wstring& runType);

}  // namespace bramlow
