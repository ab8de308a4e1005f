#include "test_support.h"

#include <gtest/gtest.h>

#include "winbase/handles.h"

namespace uninstall::testing {

void Touch(const std::wstring& path) { testsupport::WriteBytes(path, "x"); }

void Put(const std::wstring& ini, const std::wstring& section, const std::wstring& key, const std::wstring& value) {
  ASSERT_TRUE(WritePrivateProfileStringW(section.c_str(), key.c_str(), value.c_str(), ini.c_str()));
}

bool ValueExists(HKEY root, const std::wstring& key, const wchar_t* value) {
  winbase::RegKey k;
  if (RegOpenKeyExW(root, key.c_str(), 0, KEY_QUERY_VALUE, k.put()) != ERROR_SUCCESS) return false;
  return RegQueryValueExW(k.get(), value, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

void SetValue(HKEY root, const std::wstring& key, const wchar_t* value, const std::wstring& data) {
  winbase::RegKey k;
  ASSERT_EQ(RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, k.put(), nullptr), ERROR_SUCCESS);
  RegSetValueExW(k.get(), value, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                 static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
}

bool KeyExists(HKEY root, const std::wstring& key) {
  winbase::RegKey k;
  return RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, k.put()) == ERROR_SUCCESS;
}

std::wstring BuiltFile(const char* unixPath) {
  std::wstring path = L"Z:";
  for (const char* c = unixPath; *c; ++c) path += *c == '/' ? L'\\' : static_cast<wchar_t>(*c);
  return path;
}

bool ScriptedDialogs::Confirm(const std::wstring& caption, const std::wstring& question) {
  asked.push_back(question);
  this->caption = caption;
  if (answers.empty()) return defaultAnswer;
  bool answer = answers.front();
  answers.pop_front();
  return answer;
}

void ScriptedDialogs::Inform(const std::wstring&, const std::wstring& text, bool isError) {
  told.push_back(text);
  lastWasError = isError;
}

}  // namespace uninstall::testing
