#pragma once
// The values a batched ProfileFile writer keeps, and the file they go to. Before the first
// value is kept, the file's present content (if any) is read through the system's profile
// functions; each write then writes the whole file at once: every section and key it held,
// with the kept values set as single profile writes would have set them. The system's own
// writes rewrite the file on every call, so a list of thousands of entries written one by one
// costs time that grows with the square of its length; this costs one file write each time.
// The new content is written beside the file, flushed to the disk and renamed into place: a
// crash, a power failure or a full disk during a write leaves the file as it was before, never
// truncated. The flush waits for the disk (on a busy disk, a tenth of a second and more), so
// a write that is due while the program works goes to a thread of its own; the thread that
// keeps the values only waits for it when it asks for the file to be written now.
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "winbase/handles.h"

namespace bramlow {

// Where a file's new content is written before it replaces the file; the uninstaller writes
// its list the same way and removes what an interrupted writer left there.
inline std::wstring PendingFileNameOf(const std::wstring& file) { return file + L".new"; }

class BatchedProfileWrites {
 public:
  explicit BatchedProfileWrites(std::wstring fileName) : fileName_(std::move(fileName)) {}

  // Keeps key := value in section. Names compare as the system compares them (without case,
  // spaces around them ignored); leading spaces of the value go, as they do when written.
  void Set(const std::wstring& section, const std::wstring& key, const std::wstring& value);
  // Takes key out of section, as a profile write without a value does.
  void Remove(const std::wstring& section, const std::wstring& key);
  // Something is kept that no write has taken yet.
  bool HasChanges() const { return changed_; }
  // A write is under way on its own thread (its end is seen by the next call below).
  bool Writing() const { return writing_; }
  // Writes the file when anything changed since the last time, and returns when it is on the
  // disk. A failed write (a missing folder, a read-only medium) is not reported; the values
  // stay kept for the next try.
  void WriteChanged();
  // The same without waiting: the write goes to a thread of its own. While an earlier one is
  // still under way this does nothing (the values wait for the next call).
  void StartWritingChanged();
  // Returns when no write is under way.
  void FinishWriting();
  ~BatchedProfileWrites();
  BatchedProfileWrites(const BatchedProfileWrites&) = delete;
  BatchedProfileWrites& operator=(const BatchedProfileWrites&) = delete;

  // Where the new content is written before it replaces the file.
  std::wstring PendingFileName() const { return PendingFileNameOf(fileName_); }

 private:
  struct Section {
    std::wstring name;
    std::vector<std::pair<std::wstring, std::wstring>> entries;
    std::unordered_map<std::wstring, size_t> index;  // folded key -> position in entries
    std::wstring text;  // the lines of entries[0, written) as the last write put them together
    size_t written = 0;
    bool stale = false;  // a line in text changed or went since: put together anew
  };

  // What one write puts on the disk, and whether it got there.
  struct WriteJob {
    std::string bytes;
    std::wstring pending, target;
    bool done = false;
  };
  static void Write(WriteJob& job);
  static void WriteOnThread(void* job);
  // The bytes of everything kept; the changes count as written from here on.
  std::string TakeContent();
  // Collects the write under way, when it has ended (or waiting for it): a failed one leaves
  // the values to write again.
  void Collect(bool wait);
  // Puts everything kept into the job, and writes it on this thread.
  void PrepareJob();
  void WriteHere();

  void LoadFile();
  Section& FindOrAdd(const std::wstring& name);
  static void Put(Section& section, const std::wstring& key, const std::wstring& value);

  std::wstring fileName_;
  bool loaded_ = false;
  bool changed_ = false;
  bool unicode_ = false;  // the file was UTF-16 and stays so
  std::vector<Section> sections_;
  std::unordered_map<std::wstring, size_t> sectionIndex_;  // folded name -> position
  bool writing_ = false;  // a write is under way on the thread below
  winbase::KernelHandle thread_;
  WriteJob job_;  // the write under way: the thread uses it until it ends
};

}  // namespace bramlow
