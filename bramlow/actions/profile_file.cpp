#include "bramlow/actions/profile_file.h"

#include <windows.h>

namespace bramlow {

ProfileFile::ProfileFile(std::wstring fileName, std::wstring section, ProfileMode mode,
                         ProfileWrites writes)
    : FileName(std::move(fileName)), Section(std::move(section)), Mode(mode) {
  if (writes == ProfileWrites::Batched) batch_ = std::make_unique<BatchedProfileWrites>(FileName);
}

ProfileFile::~ProfileFile() {
  try {
    Flush();
  } catch (...) {
    // Out of memory while assembling the file: what was kept is lost, as a failed write is.
  }
}

void ProfileFile::Flush() {
  if (batch_) batch_->WriteChanged();
}

void ProfileFile::Write(const std::wstring& key, const std::wstring& text) {
  if (batch_) {
    // The second counts from the first value kept since the last write to the file.
    if (!batch_->HasChanges()) batchStarted_ = GetTickCount();
    batch_->Set(Section, key, text);
    if (GetTickCount() - batchStarted_ >= kBatchMilliseconds) Flush();
    return;
  }
  // A failed write (missing folder, read-only medium) is not reported to anyone.
  WritePrivateProfileStringW(Section.c_str(), key.c_str(), text.c_str(), FileName.c_str());
}

std::wstring ProfileFile::ProfileText(const std::wstring& key, const std::wstring& value) {
  if (Mode == ProfileMode::Write) {
    Write(key, value);
    return value;
  }
  wchar_t buffer[kMaxValueLength + 1] = {};
  DWORD length = GetPrivateProfileStringW(Section.c_str(), key.c_str(), value.c_str(), buffer,
                                          static_cast<DWORD>(kMaxValueLength + 1),
                                          FileName.c_str());
  if (length > kMaxValueLength) length = kMaxValueLength;
  return std::wstring(buffer, length);
}

int ProfileFile::ProfileInteger(const std::wstring& key, int value) {
  if (Mode == ProfileMode::Write) {
    Write(key, std::to_wstring(value));
    return value;
  }
  return static_cast<int>(
      GetPrivateProfileIntW(Section.c_str(), key.c_str(), value, FileName.c_str()));
}

bool ProfileFile::ProfileBoolean(const std::wstring& key, bool value) {
  if (Mode == ProfileMode::Write) {
    Write(key, value ? L"1" : L"0");
    return value;
  }
  return ProfileInteger(key, value ? 1 : 0) != 0;
}

}  // namespace bramlow
