#include "bramlow/stub/own_folder.h"

#include <aclapi.h>

#include <vector>

// The system's random source (advapi32's RtlGenRandom); every Windows since XP has it.
extern "C" BOOLEAN WINAPI SystemFunction036(PVOID buffer, ULONG length);

namespace bramlow {
namespace {

constexpr wchar_t kRunOnceKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";

std::wstring LeafOf(const std::wstring& folder) {
  const size_t cut = folder.find_last_of(L'\\');
  return cut == std::wstring::npos ? folder : folder.substr(cut + 1);
}

// A descriptor that gives full control to the user, the administrators and the system, to
// the folder and everything made in it, and inherits nothing from the parent.
class OwnerOnlySecurity {
 public:
  OwnerOnlySecurity() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return;
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    user_.resize(size ? size : 1);
    const bool haveUser = GetTokenInformation(token, TokenUser, user_.data(), size, &size);
    CloseHandle(token);
    if (!haveUser) return;
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    if (!AllocateAndInitializeSid(&nt, 1, SECURITY_LOCAL_SYSTEM_RID, 0, 0, 0, 0, 0, 0, 0, &system_))
      return;
    if (!AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0,
                                  0, 0, 0, 0, 0, &admins_)) {
      return;
    }
    PSID sids[3] = {reinterpret_cast<TOKEN_USER*>(user_.data())->User.Sid, system_, admins_};
    DWORD aclSize = sizeof(ACL);
    for (PSID sid : sids) aclSize += sizeof(ACCESS_ALLOWED_ACE) + GetLengthSid(sid);
    acl_.resize(aclSize);
    auto* acl = reinterpret_cast<ACL*>(acl_.data());
    if (!InitializeAcl(acl, aclSize, ACL_REVISION)) return;
    for (PSID sid : sids) {
      if (!AddAccessAllowedAceEx(acl, ACL_REVISION, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE,
                                 FILE_ALL_ACCESS, sid)) {
        return;
      }
    }
    if (!InitializeSecurityDescriptor(&descriptor_, SECURITY_DESCRIPTOR_REVISION) ||
        !SetSecurityDescriptorDacl(&descriptor_, TRUE, acl, FALSE) ||
        !SetSecurityDescriptorControl(&descriptor_, SE_DACL_PROTECTED, SE_DACL_PROTECTED)) {
      return;
    }
    attributes_.nLength = sizeof attributes_;
    attributes_.lpSecurityDescriptor = &descriptor_;
    attributes_.bInheritHandle = FALSE;
    ready_ = true;
  }
  ~OwnerOnlySecurity() {
    if (system_) FreeSid(system_);
    if (admins_) FreeSid(admins_);
  }
  OwnerOnlySecurity(const OwnerOnlySecurity&) = delete;
  OwnerOnlySecurity& operator=(const OwnerOnlySecurity&) = delete;

  SECURITY_ATTRIBUTES* Attributes() { return ready_ ? &attributes_ : nullptr; }

 private:
  std::vector<BYTE> user_;
  PSID system_ = nullptr;
  PSID admins_ = nullptr;
  std::vector<BYTE> acl_;
  SECURITY_DESCRIPTOR descriptor_{};
  SECURITY_ATTRIBUTES attributes_{};
  bool ready_ = false;
};

// A file or an empty folder gone; its read-only attribute is cleared only when that is what
// keeps it (one system call per file, where most of the time goes).
bool RemoveOne(const std::wstring& path, bool folder) {
  auto remove = [&] { return folder ? RemoveDirectoryW(path.c_str()) : DeleteFileW(path.c_str()); };
  if (remove()) return true;
  SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  return remove() != 0;
}

bool RemoveTreeOnce(const std::wstring& folder) {
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = data.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring path = folder + L"\\" + name;
      // A link to a folder is removed as a link, never followed.
      const bool isFolder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
      if (isFolder && !(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
        RemoveTreeOnce(path);
      else
        RemoveOne(path, isFolder);
    } while (FindNextFileW(find, &data));
    FindClose(find);
  }
  RemoveOne(folder, true);
  return GetFileAttributesW(folder.c_str()) == INVALID_FILE_ATTRIBUTES;
}

void ScheduleTree(const std::wstring& folder) {
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = data.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring path = folder + L"\\" + name;
      if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
          !(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        ScheduleTree(path);
      } else {
        MoveFileExW(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
      }
    } while (FindNextFileW(find, &data));
    FindClose(find);
  }
  // Folders after what they hold: the system works through the list in order.
  MoveFileExW(folder.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
}

}  // namespace

std::wstring MakeOwnFolder(const std::wstring& parent, DWORD& error) {
  std::wstring base = parent;
  if (!base.empty() && base.back() != L'\\') base += L'\\';
  OwnerOnlySecurity security;
  static const wchar_t kDigits[] = L"0123456789abcdef";
  error = ERROR_GEN_FAILURE;
  for (int attempt = 0; attempt < 16; ++attempt) {
    unsigned char random[8] = {};
    if (!SystemFunction036(random, sizeof random)) {
      error = GetLastError();
      return {};
    }
    std::wstring folder = base + L"bramlow-setup-";
    for (unsigned char b : random) {
      folder += kDigits[b >> 4];
      folder += kDigits[b & 0xF];
    }
    if (CreateDirectoryW(folder.c_str(), security.Attributes())) return folder;
    error = GetLastError();
    if (error != ERROR_ALREADY_EXISTS) return {};
  }
  return {};
}

bool RemoveFolderTree(const std::wstring& folder) {
  // The folder swapped for a link meanwhile: the link goes, what it leads to stays.
  const DWORD attributes = GetFileAttributesW(folder.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    RemoveOne(folder, (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0);
    return GetFileAttributesW(folder.c_str()) == INVALID_FILE_ATTRIBUTES;
  }
  // The setup's process has just ended: its files may be let go of a moment later.
  for (int attempt = 0; attempt < 20; ++attempt) {
    if (RemoveTreeOnce(folder)) return true;
    Sleep(150);
  }
  return false;
}

bool ScheduleRemovalAtLogon(const std::wstring& folder) {
  wchar_t system[MAX_PATH] = {};
  const UINT length = GetSystemDirectoryW(system, MAX_PATH);
  if (!length || length >= MAX_PATH) return false;
  const std::wstring command =
      L"\"" + std::wstring(system) + L"\\cmd.exe\" /c rd /s /q \"" + folder + L"\"";
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, kRunOnceKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                      nullptr) != ERROR_SUCCESS) {
    return false;
  }
  const LONG result = RegSetValueExW(key, LeafOf(folder).c_str(), 0, REG_SZ,
                                     reinterpret_cast<const BYTE*>(command.c_str()),
                                     static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(key);
  return result == ERROR_SUCCESS;
}

void CancelRemovalAtLogon(const std::wstring& folder) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, kRunOnceKey, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
    return;
  RegDeleteValueW(key, LeafOf(folder).c_str());
  RegCloseKey(key);
}

void RemoveAtRestart(const std::wstring& folder) {
  ScheduleTree(folder);
}

}  // namespace bramlow
