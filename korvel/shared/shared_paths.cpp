#include "korvel/shared/shared_paths.h"

#include "korvel/shared/program_paths.h"

namespace korvel {
namespace {
SharedPaths& Storage() {
  static SharedPaths paths;
  return paths;
}
}  // namespace

SharedPaths ComputeSharedPaths(const std::wstring& programPath) {
  SharedPaths p;
  p.workFolder = EnvironmentValue(L"TEMP") + L"\\_kv";
  p.programFolder = FolderPart(programPath);
  p.systemRoot = EnvironmentValue(L"SystemRoot") + L"\\";
  return p;
}

const SharedPaths& Paths() { return Storage(); }
void SetPaths(SharedPaths paths) { Storage() = std::move(paths); }

}  // namespace korvel
