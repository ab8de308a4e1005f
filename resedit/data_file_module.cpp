#include "data_file_module.h"

#include "edit_log.h"

namespace resedit {
namespace {

struct LanguageList {
  std::vector<WORD>* languages;
  bool failed = false;
};

// Called by the system: nothing may escape from it.
BOOL CALLBACK CollectLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR param) {
  auto* list = reinterpret_cast<LanguageList*>(param);
  try {
    list->languages->push_back(language);
    return TRUE;
  } catch (...) {
    list->failed = true;
    return FALSE;
  }
}

}  // namespace

std::wstring DataFileModule::Open(const std::wstring& path) {
  module_.reset();
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
    return L"cannot find " + path;
  module_.reset(LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
  if (!module_)
    return L"cannot open " + path + L" as a program file (" + ErrorCodeText(GetLastError()) + L")";
  return {};
}

bool DataFileModule::Languages(LPCWSTR type, LPCWSTR name, std::vector<WORD>& languages) const {
  languages.clear();
  LanguageList list{&languages};
  SetLastError(ERROR_SUCCESS);
  if (EnumResourceLanguagesW(module_.get(), type, name, CollectLanguage,
                             reinterpret_cast<LONG_PTR>(&list)))
    return !list.failed;
  if (list.failed) return false;
  switch (GetLastError()) {
    case ERROR_SUCCESS:
    case ERROR_RESOURCE_DATA_NOT_FOUND:  // the file has no resources at all
    case ERROR_RESOURCE_TYPE_NOT_FOUND:
    case ERROR_RESOURCE_NAME_NOT_FOUND:
    case ERROR_RESOURCE_LANG_NOT_FOUND:
      languages.clear();
      return true;
    default:
      return false;
  }
}

std::optional<std::vector<std::uint8_t>> DataFileModule::Bytes(LPCWSTR type, LPCWSTR name,
                                                               WORD language) const {
  HRSRC info = FindResourceExW(module_.get(), type, name, language);
  if (!info) return std::nullopt;
  const DWORD size = SizeofResource(module_.get(), info);
  HGLOBAL loaded = LoadResource(module_.get(), info);
  const void* data = loaded ? LockResource(loaded) : nullptr;
  if (!data && size) return std::nullopt;
  const auto* p = static_cast<const std::uint8_t*>(data);
  return std::vector<std::uint8_t>(p, p + size);
}

}  // namespace resedit
