// The entry of a thread the stub starts. The system starts a thread, as it starts the program,
// with its stack aligned to 4 bytes; the compiler's code keeps SSE data on the stack where it
// expects 16 (the CRC folding of the unpackers), so the entry aligns it first, as StubEntry
// does for the program's own thread.
#pragma once
#include <windows.h>

namespace bramlow {

template <void (*Body)(void*)>
__attribute__((force_align_arg_pointer)) DWORD WINAPI AlignedThreadEntry(void* argument) {
  Body(argument);
  return 0;
}

}  // namespace bramlow
