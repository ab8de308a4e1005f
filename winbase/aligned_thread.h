// The entry of a thread the programs start. On 32-bit Windows the system starts a thread, as it
// starts a program, with its stack aligned to 4 bytes; the compiler's code keeps SSE data on
// the stack where it expects 16 (the CRC folding of the one-file setup's unpackers, say), so
// the entry aligns it first. Header only: the one-file setup's stub uses it without the rest.
#pragma once
#include <windows.h>

namespace winbase {

template <void (*Body)(void*)>
__attribute__((force_align_arg_pointer)) DWORD WINAPI AlignedThreadEntry(void* argument) {
  Body(argument);
  return 0;
}

}  // namespace winbase
