// Building a kit into one program: the stub, then a ZIP of the whole kit made with the
// engine's writer (members in name order, the files' own times: the same kit gives the same
// bytes), then the trailer the stub checks it by. The caller checks the kit first.
#pragma once
#include <cstdint>
#include <string>

namespace bramlow {

struct BuildOptions {
  std::string kit;        // the kit's folder (UTF-8 on Windows)
  std::string output;     // the program to write; not inside the kit
  std::string stub;       // the stub program's bytes
  std::string stubPath;   // where they were read (never written over); may be empty
  unsigned codePage = 0;  // of the kit's texts (see AnsiToUtf16)
};

struct BuildResult {
  bool ok = false;
  std::string problem;  // why the program was not written
  uint64_t bytes = 0;
  int files = 0;
};

// Writes the program beside its place and renames it there, so a failure leaves no half
// program; tests what it wrote with the reader before it reports success.
BuildResult BuildSetup(const BuildOptions& options);

}  // namespace bramlow
