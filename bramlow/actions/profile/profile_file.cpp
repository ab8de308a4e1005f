#include "bramlow/actions/profile/profile_file.h"

#include <windows.h>

#include <algorithm>
#include <utility>
#include <vector>

namespace bramlow {

namespace {

// The batched writers with a pending write, by their timer. The engine has one thread, so
// the timers' messages arrive on the thread that made them. Never destroyed: the program's
// state record, made before it, releases its writer after every other static is gone.
std::vector<std::pair<UINT_PTR, ProfileFile*>>& Timers() {
  static auto* timers = new std::vector<std::pair<UINT_PTR, ProfileFile*>>;
  return *timers;
}

void CALLBACK TimerElapsed(HWND, UINT, UINT_PTR id, DWORD) {
  try {
    auto& timers = Timers();
    auto found = std::find_if(timers.begin(), timers.end(), [id](const auto& t) { return t.first == id; });
    if (found != timers.end()) found->second->FlushSoon();
  } catch (...) {
    // Out of memory while assembling the file: the next write or the release tries again.
  }
}

}  // namespace

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
  StopTimer();
}

void ProfileFile::Flush() {
  if (!batch_) return;
  batch_->WriteChanged();
  // A failed write keeps the timer: it tries again a second later.
  if (!batch_->HasChanges()) StopTimer();
}

void ProfileFile::FlushSoon() {
  if (!batch_) return;
  batch_->StartWritingChanged();
  // The timer stays while a write is under way: the next tick sees how it ended.
  if (!batch_->HasChanges() && !batch_->Writing()) StopTimer();
}

void ProfileFile::FinishWriting() {
  if (batch_) batch_->FinishWriting();
}

void ProfileFile::StopTimer() {
  if (!timer_) return;
  KillTimer(nullptr, timer_);
  auto& timers = Timers();
  timers.erase(std::remove_if(timers.begin(), timers.end(), [this](const auto& t) { return t.second == this; }),
               timers.end());
  timer_ = 0;
}

void ProfileFile::Kept() {
  if (GetTickCount() - batchStarted_ >= kBatchMilliseconds) {
    FlushSoon();
    return;
  }
  if (timer_) return;
  timer_ = SetTimer(nullptr, 0, kBatchMilliseconds - (GetTickCount() - batchStarted_), &TimerElapsed);
  // Without a timer the values still go out with the next value after the second, or at the
  // release.
  if (timer_) Timers().emplace_back(timer_, this);
}

void ProfileFile::DeleteKey(const std::wstring& key) {
  if (Mode != ProfileMode::Write) return;
  if (batch_) {
    if (!batch_->HasChanges()) batchStarted_ = GetTickCount();
    batch_->Remove(Section, key);
    if (batch_->HasChanges()) Kept();
    return;
  }
  WritePrivateProfileStringW(Section.c_str(), key.c_str(), nullptr, FileName.c_str());
}

void ProfileFile::Write(const std::wstring& key, const std::wstring& text) {
  if (batch_) {
    // The second counts from the first value kept since the last write to the file.
    if (!batch_->HasChanges()) batchStarted_ = GetTickCount();
    batch_->Set(Section, key, text);
    Kept();
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
