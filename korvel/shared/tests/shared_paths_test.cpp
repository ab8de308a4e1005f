// The program-wide paths come from the environment as it is at start-up.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "korvel/shared/shared_paths.h"

namespace korvel {
namespace {

// Sets or clears an environment variable for a scope.
class EnvScope {
 public:
  EnvScope(const wchar_t* name, const wchar_t* value) : name_(name) {
    wchar_t buf[32768];
    DWORD n = ::GetEnvironmentVariableW(name, buf, 32768);
    had_ = n > 0;
    if (had_) old_.assign(buf, n);
    ::SetEnvironmentVariableW(name, value);
  }
  ~EnvScope() { ::SetEnvironmentVariableW(name_, had_ ? old_.c_str() : nullptr); }

 private:
  const wchar_t* name_;
  bool had_;
  std::wstring old_;
};

TEST(SharedPaths, ComeFromTempSystemRootAndTheProgramFolder) {
  EnvScope temp(L"TEMP", L"C:\\Temp");
  EnvScope root(L"SystemRoot", L"C:\\WINDOWS");
  SharedPaths p = ComputeSharedPaths(L"C:\\Program Files\\Korvel\\korvel.exe");
  EXPECT_EQ(p.workFolder, L"C:\\Temp\\_kv");
  EXPECT_EQ(p.programFolder, L"C:\\Program Files\\Korvel\\");
  EXPECT_EQ(p.systemRoot, L"C:\\WINDOWS\\");
}

TEST(SharedPaths, UnsetVariablesReadAsEmpty) {
  EnvScope temp(L"TEMP", nullptr);
  EnvScope root(L"SystemRoot", nullptr);
  SharedPaths p = ComputeSharedPaths(L"D:\\korvel.exe");
  EXPECT_EQ(p.workFolder, L"\\_kv");
  EXPECT_EQ(p.programFolder, L"D:\\");
  EXPECT_EQ(p.systemRoot, L"\\");
}

}  // namespace
}  // namespace korvel
