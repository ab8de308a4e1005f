#include "korvel/library/logon_importer.h"

#include <windows.h>

#include <cwctype>

#include "korvel/shared/folder_utils.h"
#include "winbase/handles.h"

namespace korvel {
namespace {

std::wstring FileNamePart(const std::wstring& path) {
  const std::size_t slash = path.find_last_of(L"\\/:");
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

std::wstring UpperExtension(const std::wstring& name) {
  const std::size_t dot = name.rfind(L'.');
  if (dot == std::wstring::npos) return {};
  std::wstring extension = name.substr(dot);
  for (wchar_t& c : extension) c = static_cast<wchar_t>(std::towupper(c));
  return extension;
}

// Asked before anything is written, so that a source held by another program is not taken
// for a library that cannot be written.
bool CanRead(const std::wstring& path) {
  winbase::FileHandle file(CreateFileW(path.c_str(), GENERIC_READ,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
  return static_cast<bool>(file);
}

}  // namespace

LogonImporter::LogonImporter(const LogonLibrary& library, LogonXpConverter& converter,
                             OverwriteQuestion askOverwrite)
    : library_(library), converter_(converter), askOverwrite_(std::move(askOverwrite)) {}

ImportOutcome LogonImporter::Import(const std::wstring& chosenFile) {
  if (chosenFile.empty()) return ImportOutcome::Ignored;
  const std::wstring name = FileNamePart(chosenFile);
  const std::wstring extension = UpperExtension(name);
  const bool package = extension == L".KVL" || extension == L".LOGONXP";
  // Dropped or typed in, a folder named like a package would otherwise be passed over in silence.
  if (package && FolderExists(chosenFile)) {
    lastPackage_ = name;
    return ImportOutcome::SourceIsFolder;
  }
  if (!FileExists(chosenFile)) return ImportOutcome::Ignored;
  if (package && !CanRead(chosenFile))
    return ImportOutcome::SourceUnreadable;

  if (extension == L".KVL") {
    lastPackage_ = name;
    const std::wstring target = library_.PackagePath(name);
    // Asking to replace it would promise what cannot be done.
    if (FolderExists(target)) return ImportOutcome::TargetIsFolder;
    if (FileExists(target) && !(askOverwrite_ && askOverwrite_(target)))
      return ImportOutcome::Declined;
    // A package from read-only media must not stay read-only in the library, where it could
    // then be neither deleted nor replaced.
    return ReplaceWithCopy(chosenFile, target) ? ImportOutcome::Copied : ImportOutcome::WriteFailed;
  }
  if (extension == L".LOGONXP") {
    lastPackage_ = name.substr(0, name.size() - extension.size()) + L".kvl";
    const std::wstring target = library_.PackagePath(lastPackage_);
    if (FolderExists(target)) return ImportOutcome::TargetIsFolder;
    if (FileExists(target) && !(askOverwrite_ && askOverwrite_(target)))
      return ImportOutcome::Declined;
    // The old package stays until the new one is complete (the converter replaces it).
    lastConversion_ = converter_.Convert(chosenFile, target);
    switch (lastConversion_) {
      case ConvertOutcome::Converted:
        return ImportOutcome::Converted;
      case ConvertOutcome::WriteFailed:
        return ImportOutcome::WriteFailed;
      default:
        return ImportOutcome::ConversionFailed;
    }
  }
  return ImportOutcome::Ignored;
}

}  // namespace korvel
