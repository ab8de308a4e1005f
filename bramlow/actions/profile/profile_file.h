#pragma once
// Access to one INI ("profile") file through the system's profile functions. Reads and
// immediate writes keep nothing in memory: every call reads or writes the file, so a value
// written through one object is seen at once by any other object on the same file. A writer
// made with ProfileWrites::Batched keeps its values and writes the file whole, at the latest a
// second after the first value it keeps (also when no further value comes: a timer of the
// thread writes it while the program waits for a started program or for the user), when
// flushed and when released: for a file only its writer uses while it is being written, such
// as a list of thousands of entries. So a program that is killed or crashes loses at most the
// last second's values (and those of a write still under way: the writes that fall due go to a
// thread of their own, so that the window does not wait for the disk; a flush and the release
// wait). The timer runs where the thread handles its messages, which the
// installation does between its copies and during a large file's copy. The files
// themselves stay in the ANSI code page (the wide functions convert), as every file the
// engine reads and writes is.
#include <cstdint>
#include <memory>
#include <string>

#include "bramlow/actions/profile/batched_profile_writes.h"
#include "bramlow/text/script_keys.h"

namespace bramlow {

enum class ProfileMode { Read, Write };
enum class ProfileWrites { Immediate, Batched };

class ProfileFile {
 public:
  // Longest value a read returns (the rest of a longer value is cut off).
  static constexpr size_t kMaxValueLength = kMaxProfileValueLength;
  // How long a batched writer keeps values at most while it is being written to.
  static constexpr unsigned long kBatchMilliseconds = 1000;

  explicit ProfileFile(std::wstring fileName, std::wstring section = {},
                       ProfileMode mode = ProfileMode::Read,
                       ProfileWrites writes = ProfileWrites::Immediate);
  ~ProfileFile();
  ProfileFile(const ProfileFile&) = delete;
  ProfileFile& operator=(const ProfileFile&) = delete;

  // Plain fields: setting them touches no file. A batched writer stays on the file it was
  // made for.
  std::wstring FileName;
  std::wstring Section;
  ProfileMode Mode = ProfileMode::Read;

  // Read mode: the value of key in the current section, or value when the key is missing.
  // Write mode: writes value under key and returns it.
  std::wstring ProfileText(const std::wstring& key, const std::wstring& value);
  // Read mode: the value read as the system reads profile integers, or value when missing.
  // Write mode: writes value in decimal.
  int ProfileInteger(const std::wstring& key, int value);
  // Read mode: true when the value read as an integer (default value as 0 or 1) is not 0.
  // Write mode: writes "1" or "0".
  bool ProfileBoolean(const std::wstring& key, bool value);

  // Write mode: takes key out of the current section.
  void DeleteKey(const std::wstring& key);

  // Writes what a batched writer keeps and returns when it is on the disk; nothing to do for
  // any other object.
  void Flush();
  // Starts writing what a batched writer keeps, on a thread of its own, unless an earlier
  // write is still under way (then the values wait for the next call or the timer).
  void FlushSoon();
  // Returns when no write of a batched writer is under way (the file on the disk is then the
  // last one written).
  void FinishWriting();

 private:
  void Write(const std::wstring& key, const std::wstring& text);
  // After a change to a batched writer: the file is due a second after the first change kept.
  void Kept();
  void StopTimer();

  std::unique_ptr<BatchedProfileWrites> batch_;
  unsigned long batchStarted_ = 0;
  uintptr_t timer_ = 0;
};

}  // namespace bramlow
