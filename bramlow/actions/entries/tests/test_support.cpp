#include "test_support.h"

#include <memory>

#include "bramlow/actions/profile/profile_file.h"
#include "winbase/module_path.h"

namespace bramlow::testing {

std::wstring ProgramFolder() {
  const std::wstring path = winbase::ProgramPath();
  return path.substr(0, path.find_last_of(L'\\') + 1);
}

void RecordingHost::ProcessPendingMessages() {
  ++pumpCalls;
  if (!dispatchMessages) return;
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

StateWithFiles::StateWithFiles(const ScratchFolder& folder, const std::string& script, const std::string& language) {
  WriteBytes(folder / L"setup.qx1", script);
  WriteBytes(folder / L"English.qxl", language);
  state.InstallerFolder = folder.Path() + L"\\";
  state.LangName = L"English";
  state.ScriptFile = std::make_unique<ProfileFile>(folder / L"setup.qx1", L"setup1");
  state.LangFile = std::make_unique<ProfileFile>(folder / L"English.qxl", L"language");
  uninstallList = folder / L"Uninstall.ini";
  state.UninstallFile = std::make_unique<ProfileFile>(uninstallList, L"uninstall", ProfileMode::Write);
  state.CreateUninst = true;
}

std::wstring StateWithFiles::Record(const std::wstring& section, const std::wstring& key) const {
  const std::wstring value = IniValue(uninstallList, section, key);
  return value == L"<missing>" ? L"" : value;
}

std::wstring IniValue(const std::wstring& file, const std::wstring& section, const std::wstring& key) {
  wchar_t buffer[2048] = {};
  GetPrivateProfileStringW(section.c_str(), key.c_str(), L"<missing>", buffer, 2048, file.c_str());
  return buffer;
}

}  // namespace bramlow::testing
