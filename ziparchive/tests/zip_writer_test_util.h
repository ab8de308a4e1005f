// Scratch folders, files and an independent ZIP parser for the writer's tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ziparchive/records/zip_records.h"
#include "engine_paths.h"
#include "testing/support/scratch_folder.h"

using namespace ziparchive;

using Bytes = std::vector<std::uint8_t>;

// A scratch folder (testing/support) named in the engine's path form.
class EngineScratchFolder {
 public:
  // The folder with "\" appended.
  const std::string& Path() const { return path_; }
  std::string operator/(const std::string& rel) const { return path_ + rel; }

 private:
  testsupport::ScratchFolder folder_{"zwt"};
  std::string path_ = EnginePath(folder_.Path()) + "\\";
};

// Files named in the engine's path form.
void WriteBytes(const std::string& path, const Bytes& bytes);
void WriteText(const std::string& path, const std::string& text);
Bytes ReadBytes(const std::string& path);  // empty when missing
bool Exists(const std::string& path);
// Names of the folder's entries in the order the system lists them.
std::vector<std::string> ListFolder(const std::string& folder);

Bytes RandomBytes(std::size_t n, unsigned seed);
Bytes TextBytes(std::size_t n, unsigned seed);  // compressible
Bytes RawDeflate(const Bytes& in, int level);
Bytes RawInflate(const Bytes& in, std::size_t expectedSize);
std::uint32_t Crc(const Bytes& b);

struct ParsedMember {
  LocalHeader local;
  CentralHeader central;
  std::string localName, centralName;
  std::string extra, comment;
  Bytes data;  // compressed bytes as stored
  std::size_t localSize = 0;  // bytes from the local header to the end of the data
};

struct ParsedZip {
  std::vector<ParsedMember> members;
  EndOfCentralDir end;
  std::string comment;
  const ParsedMember* Find(const std::string& name) const;
};

// Parses a whole archive strictly (no comment search): fails the current test on any
// inconsistency between the records.
ParsedZip ParseZip(const Bytes& zip);
// The member's uncompressed bytes (stored or deflated), checking size and CRC.
Bytes MemberContent(const ParsedMember& m);
