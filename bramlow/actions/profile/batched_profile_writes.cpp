#include "bramlow/actions/profile/batched_profile_writes.h"

#include <windows.h>

#include "bramlow/actions/profile/profile_lists.h"
#include "winbase/aligned_thread.h"
#include "winbase/handles.h"
#include "winbase/text.h"

namespace bramlow {

namespace {

constexpr wchar_t kSpaces[] = L" \t\r\n";

std::wstring Trimmed(const std::wstring& text) {
  const size_t first = text.find_first_not_of(kSpaces);
  if (first == std::wstring::npos) return {};
  return text.substr(first, text.find_last_not_of(kSpaces) - first + 1);
}

std::wstring Folded(const std::wstring& name) {
  std::wstring folded = Trimmed(name);
  if (!folded.empty()) ::CharUpperBuffW(folded.data(), static_cast<DWORD>(folded.size()));
  return folded;
}

bool StartsWithUtf16Mark(const std::wstring& fileName) {
  winbase::FileHandle file(::CreateFileW(fileName.c_str(), GENERIC_READ,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                         0, nullptr));
  unsigned char mark[2] = {};
  DWORD read = 0;
  return file && ::ReadFile(file.get(), mark, 2, &read, nullptr) && read == 2 && mark[0] == 0xFF &&
         mark[1] == 0xFE;
}

}  // namespace

void BatchedProfileWrites::LoadFile() {
  loaded_ = true;
  const DWORD attributes = ::GetFileAttributesW(fileName_.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return;
  unicode_ = StartsWithUtf16Mark(fileName_);
  for (const std::wstring& name : ProfileSectionNames(fileName_)) {
    Section& section = FindOrAdd(name);
    const auto lines = ProfileSectionLines(fileName_, name);
    // A line without "=" holds no value a profile read could return: it is not kept.
    for (const std::wstring& line : lines) {
      const size_t equals = line.find(L'=');
      if (equals != std::wstring::npos)
        Put(section, line.substr(0, equals), line.substr(equals + 1));
    }
  }
}

BatchedProfileWrites::Section& BatchedProfileWrites::FindOrAdd(const std::wstring& name) {
  const std::wstring folded = Folded(name);
  auto found = sectionIndex_.find(folded);
  if (found != sectionIndex_.end()) return sections_[found->second];
  sectionIndex_.emplace(folded, sections_.size());
  sections_.push_back(Section{Trimmed(name), {}, {}, {}, 0, false});
  return sections_.back();
}

void BatchedProfileWrites::Put(Section& section, const std::wstring& key,
                               const std::wstring& value) {
  const size_t valueStart = value.find_first_not_of(L" \t");
  std::wstring kept = valueStart == std::wstring::npos ? std::wstring() : value.substr(valueStart);
  const std::wstring folded = Folded(key);
  auto found = section.index.find(folded);
  if (found != section.index.end()) {
    if (found->second < section.written && section.entries[found->second].second != kept)
      section.stale = true;
    section.entries[found->second].second = std::move(kept);
  } else {
    section.index.emplace(folded, section.entries.size());
    section.entries.emplace_back(Trimmed(key), std::move(kept));
  }
}

void BatchedProfileWrites::Set(const std::wstring& section, const std::wstring& key,
                               const std::wstring& value) {
  if (!loaded_) LoadFile();
  Put(FindOrAdd(section), key, value);
  changed_ = true;
}

void BatchedProfileWrites::Remove(const std::wstring& section, const std::wstring& key) {
  if (!loaded_) LoadFile();
  auto foundSection = sectionIndex_.find(Folded(section));
  if (foundSection == sectionIndex_.end()) return;
  Section& from = sections_[foundSection->second];
  auto found = from.index.find(Folded(key));
  if (found == from.index.end()) return;
  from.entries.erase(from.entries.begin() + static_cast<std::ptrdiff_t>(found->second));
  from.stale = true;
  from.index.clear();
  for (size_t i = 0; i < from.entries.size(); ++i)
    from.index.emplace(Folded(from.entries[i].first), i);
  changed_ = true;
}

std::string BatchedProfileWrites::TakeContent() {
  // A list grows by new keys at its end: each section's lines are kept as written last time,
  // and only the lines added since are put together, so a write costs no more than copying the
  // text out (a changed or removed value puts its section together anew).
  size_t length = 0;
  for (Section& section : sections_) {
    if (section.stale) {
      section.text.clear();
      section.written = 0;
      section.stale = false;
    }
    for (; section.written < section.entries.size(); ++section.written) {
      const auto& [key, value] = section.entries[section.written];
      section.text.append(key).append(1, L'=').append(value).append(L"\r\n");
    }
    length += section.name.size() + section.text.size() + 6;
  }
  std::wstring text;
  text.reserve(length);
  for (const Section& section : sections_) {
    if (!text.empty()) text += L"\r\n";
    text.append(1, L'[').append(section.name).append(L"]\r\n").append(section.text);
  }
  changed_ = false;
  if (unicode_) {
    std::string bytes("\xFF\xFE", 2);
    bytes.append(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
    return bytes;
  }
  // Never a look-alike: "cafe.txt" for a "café.txt" would name another file. A character the
  // code page lacks becomes "?", which names no file.
  return winbase::NarrowWithoutBestFit(text);
}

void BatchedProfileWrites::Write(WriteJob& job) {
  job.done = false;
  {
    winbase::FileHandle file(::CreateFileW(job.pending.c_str(), GENERIC_WRITE, 0, nullptr,
                                           CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
      // Something that is not ours holds the usual name (a folder someone made): a name of its
      // own in the same folder, so the list still gets written and that thing stays as it is.
      const size_t slash = job.target.find_last_of(L"\\/");
      const std::wstring folder =
          slash == std::wstring::npos ? std::wstring(L".") : job.target.substr(0, slash);
      wchar_t unique[MAX_PATH] = {};
      if (!::GetTempFileNameW(folder.c_str(), L"Uni", 0, unique)) return;
      job.pending = unique;
      file.reset(::CreateFileW(unique, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
      if (!file) {
        ::DeleteFileW(unique);
        return;
      }
    }
    DWORD written = 0;
    // On the disk before the rename: after a power failure the renamed file is whole.
    job.done = ::WriteFile(file.get(), job.bytes.data(), static_cast<DWORD>(job.bytes.size()),
                           &written, nullptr) &&
               written == job.bytes.size() && ::FlushFileBuffers(file.get());
  }
  if (job.done && ::MoveFileExW(job.pending.c_str(), job.target.c_str(),
                                MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return;
  job.done = false;
  ::DeleteFileW(job.pending.c_str());
}

void BatchedProfileWrites::WriteOnThread(void* job) {
  Write(*static_cast<WriteJob*>(job));
}

void BatchedProfileWrites::Collect(bool wait) {
  if (!writing_) return;
  if (::WaitForSingleObject(thread_.get(), wait ? INFINITE : 0) != WAIT_OBJECT_0) return;
  thread_.reset();
  writing_ = false;
  if (!job_.done) changed_ = true;
  job_.bytes.clear();
  job_.bytes.shrink_to_fit();
}

void BatchedProfileWrites::FinishWriting() {
  Collect(true);
}

BatchedProfileWrites::~BatchedProfileWrites() {
  FinishWriting();
}

void BatchedProfileWrites::PrepareJob() {
  job_.bytes = TakeContent();
  job_.pending = PendingFileName();
  job_.target = fileName_;
}

void BatchedProfileWrites::WriteHere() {
  Write(job_);
  if (!job_.done) changed_ = true;
  job_.bytes.clear();
}

void BatchedProfileWrites::WriteChanged() {
  FinishWriting();
  if (!changed_) return;
  PrepareJob();
  WriteHere();
}

void BatchedProfileWrites::StartWritingChanged() {
  Collect(false);
  if (writing_ || !changed_) return;
  PrepareJob();
  thread_.reset(::CreateThread(nullptr, 0, &winbase::AlignedThreadEntry<&WriteOnThread>, &job_,
                               0, nullptr));
  writing_ = static_cast<bool>(thread_);
  // No thread to be had: written here and now.
  if (!writing_) WriteHere();
}

}  // namespace bramlow
