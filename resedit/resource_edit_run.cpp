#include "resource_edit_run.h"

#include <windows.h>

#include <cstdint>
#include <vector>

#include "bitmap_file.h"
#include "data_file_module.h"
#include "file_bytes.h"
#include "scratch_file.h"
#include "scratch_suffix.h"
#include "wide_resource_id.h"
#include "winbase/handles.h"
#include "winbase/text.h"

namespace resedit {
namespace {

// No logon bitmap or interface description comes near this; it bounds what a bad script
// can make us hold in memory.
constexpr std::size_t kMaxResourceFile = 64u * 1024 * 1024;

struct Payload {
  WideResourceId type;
  WideResourceId name;
  WORD language = 0;
  std::vector<std::uint8_t> data;
  std::wstring what;  // for the log
};

struct Update {
  const Payload* payload;
  WORD language;
};

std::wstring FullPath(const std::wstring& path) {
  std::wstring out(MAX_PATH, L'\0');
  for (int tries = 0; tries < 3; ++tries) {
    const DWORD n = GetFullPathNameW(path.c_str(), static_cast<DWORD>(out.size()), out.data(), nullptr);
    if (n == 0) return path;
    if (n < out.size()) {
      out.resize(n);
      return out;
    }
    out.resize(n + 1);
  }
  return path;
}

std::wstring LanguageText(WORD language) {
  static const wchar_t digits[] = L"0123456789abcdef";
  std::wstring s = L"0x";
  for (int shift = 12; shift >= 0; shift -= 4) s += digits[(language >> shift) & 0xF];
  return s;
}

// Only a file that is not there at all: one that exists but cannot be read is a failure.
bool SourceIsMissing(const std::wstring& file) {
  if (GetFileAttributesW(file.c_str()) != INVALID_FILE_ATTRIBUTES) return false;
  const DWORD error = GetLastError();
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// A command whose file is missing is skipped: Korvel always names uifile.txt, and a package
// without one keeps the system's user interface.
bool LoadPayloads(const EditScript& script, UINT codePage, std::vector<Payload>& payloads, EditLog& log) {
  for (const auto& cmd : script.commands) {
    Payload p;
    p.type = WideResourceId::From(cmd.type, codePage);
    p.name = WideResourceId::From(cmd.name, codePage);
    p.language = cmd.language;
    const std::wstring file = FullPath(winbase::Widen(cmd.file, codePage));
    p.what = (cmd.payload == PayloadKind::BitmapFile ? L"bitmap " : L"type " + p.type.Describe() + L" ") +
             p.name.Describe() + L" from " + file;
    if (SourceIsMissing(file)) {
      log.Info(L"line " + std::to_wstring(cmd.line) + L": skipped, " + file + L" does not exist");
      continue;
    }
    FileBytes bytes = ReadFileBytes(file, kMaxResourceFile);
    if (!bytes.ok) {
      log.Error(L"line " + std::to_wstring(cmd.line) + L": " + bytes.error);
      return false;
    }
    if (cmd.payload == PayloadKind::BitmapFile) {
      PackedDibResult dib = PackedDibFromBitmapFile(bytes.bytes.data(), bytes.bytes.size());
      if (!dib.ok) {
        log.Error(L"line " + std::to_wstring(cmd.line) + L": " + file + L": " +
                  winbase::Widen(dib.error, CP_ACP));
        return false;
      }
      p.data = std::move(dib.dib);
    } else {
      p.data = std::move(bytes.bytes);
    }
    payloads.push_back(std::move(p));
  }
  // Writing the target unchanged would pass off a package that applies nothing as applied.
  if (!script.commands.empty() && payloads.empty()) {
    log.Error(L"every command was skipped: none of the files the script names exists");
    return false;
  }
  return true;
}

// Language 0 stands for every language the resource already has, so the logon host finds the
// new data whichever language it asks for; a resource that is not there yet is added neutral.
bool PlanUpdates(const std::wstring& exe, const std::vector<Payload>& payloads, std::vector<Update>& updates,
                 EditLog& log) {
  DataFileModule module;
  if (std::wstring error = module.Open(exe); !error.empty()) {
    log.Error(error);
    return false;
  }
  std::vector<WORD> languages;
  for (const auto& p : payloads) {
    if (p.language != 0) {
      updates.push_back({&p, p.language});
      continue;
    }
    if (!module.Languages(p.type.get(), p.name.get(), languages)) {
      log.Error(L"cannot list the languages of " + p.what + L" in " + exe);
      return false;
    }
    if (languages.empty()) languages.push_back(0);
    for (WORD language : languages) updates.push_back({&p, language});
  }
  return true;
}

bool WriteUpdates(const std::wstring& file, const std::vector<Update>& updates, EditLog& log) {
  winbase::ResourceUpdate session(BeginUpdateResourceW(file.c_str(), FALSE));
  if (!session) {
    log.Error(L"cannot start updating " + file + L" (" + ErrorCodeText(GetLastError()) + L")");
    return false;
  }
  for (const auto& u : updates) {
    auto* data = const_cast<std::uint8_t*>(u.payload->data.data());
    if (!UpdateResourceW(session.get(), u.payload->type.get(), u.payload->name.get(), u.language, data,
                         static_cast<DWORD>(u.payload->data.size()))) {
      log.Error(L"cannot update " + u.payload->what + L" (" + ErrorCodeText(GetLastError()) + L")");
      return false;
    }
  }
  if (!winbase::CommitResourceUpdate(session)) {
    log.Error(L"cannot write the resources of " + file + L" (" + ErrorCodeText(GetLastError()) +
              L")");
    return false;
  }
  return true;
}

// Reads the written copy back: a copy the loader cannot read, or one without our data, must
// never replace the target.
// Two commands for one resource (100.bmp and 0100.bmp both name bitmap 100) each update it;
// the copy holds the later one's data.
bool SupersededLater(const std::vector<Update>& updates, std::size_t index) {
  const Update& u = updates[index];
  for (std::size_t later = index + 1; later < updates.size(); ++later) {
    const Update& v = updates[later];
    if (v.language == u.language && v.payload->type == u.payload->type && v.payload->name == u.payload->name)
      return true;
  }
  return false;
}

bool VerifyUpdates(const std::wstring& file, const std::vector<Update>& updates, EditLog& log) {
  DataFileModule module;
  if (std::wstring error = module.Open(file); !error.empty()) {
    log.Error(L"the written copy cannot be read back: " + error);
    return false;
  }
  for (std::size_t i = 0; i < updates.size(); ++i) {
    if (SupersededLater(updates, i)) continue;
    const Update& u = updates[i];
    auto bytes = module.Bytes(u.payload->type.get(), u.payload->name.get(), u.language);
    if (!bytes || *bytes != u.payload->data) {
      log.Error(L"the written copy lacks " + u.payload->what + L" in language " + LanguageText(u.language));
      return false;
    }
  }
  return true;
}

}  // namespace

std::wstring ScratchPathFor(const std::wstring& saveAs) { return saveAs + kScratchSuffix; }

bool ApplyEditScript(const EditScript& script, EditLog& log) {
  const UINT codePage = script.utf8 ? CP_UTF8 : CP_ACP;
  const std::wstring exe = FullPath(winbase::Widen(script.exe, codePage));
  const std::wstring saveAs = FullPath(winbase::Widen(script.saveAs, codePage));
  log.Info(L"Exe=" + exe + L" SaveAs=" + saveAs);

  // Windows refuses to rename over a read-only file and some systems do not; asking first
  // gives the same answer everywhere.
  const DWORD targetAttributes = GetFileAttributesW(saveAs.c_str());
  if (targetAttributes != INVALID_FILE_ATTRIBUTES && (targetAttributes & FILE_ATTRIBUTE_READONLY)) {
    log.Error(saveAs + L" is read-only");
    return false;
  }

  std::vector<Payload> payloads;
  payloads.reserve(script.commands.size());
  if (!LoadPayloads(script, codePage, payloads, log)) return false;

  std::vector<Update> updates;
  if (!PlanUpdates(exe, payloads, updates, log)) return false;

  // One fixed name beside the target (the rename must stay on its volume): a run that was
  // killed leaves at most this file, and the next run clears it first.
  const std::wstring scratchName = ScratchPathFor(saveAs);
  SetFileAttributesW(scratchName.c_str(), FILE_ATTRIBUTE_NORMAL);
  if (!DeleteFileW(scratchName.c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND) {
    log.Error(L"cannot remove the scratch file " + scratchName + L" (" +
              ErrorCodeText(GetLastError()) + L")");
    return false;
  }
  ScratchFile scratch(scratchName);
  if (!CopyFileW(exe.c_str(), scratch.path().c_str(), FALSE)) {
    log.Error(L"cannot copy " + exe + L" (" + ErrorCodeText(GetLastError()) + L")");
    return false;
  }
  // A read-only source passes its attribute to the copy, which then cannot be updated.
  SetFileAttributesW(scratch.path().c_str(), FILE_ATTRIBUTE_NORMAL);

  if (!updates.empty()) {
    if (!WriteUpdates(scratch.path(), updates, log)) return false;
    if (!VerifyUpdates(scratch.path(), updates, log)) return false;
  }

  if (!MoveFileExW(scratch.path().c_str(), saveAs.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    log.Error(L"cannot replace " + saveAs + L" (" + ErrorCodeText(GetLastError()) + L")");
    return false;
  }
  scratch.Release();
  for (const auto& u : updates)
    log.Info(L"set " + u.payload->what + L" in language " + LanguageText(u.language));
  log.Info(L"wrote " + saveAs);
  return true;
}

}  // namespace resedit
