// Scratch folders, files and an independent ZIP parser for the writer's tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ziparchive/records/zip_records.h"
#include "engine_paths.h"
#include "testing/support/scratch_folder.h"

using namespace ziparchive;

using TBytes = std::vector<std::uint8_t>;

// A scratch folder (testing/support) named in the engine's path form.
class TScratchFolder {
 public:
  // The folder with "\" appended.
  const std::string& Path() const { return FPath; }
  std::string operator/(const std::string& rel) const { return FPath + rel; }

 private:
  testsupport::ScratchFolder FFolder{"zwt"};
  std::string FPath = EnginePath(FFolder.Path()) + "\\";
};

// Files named in the engine's path form.
void WriteBytes(const std::string& path, const TBytes& bytes);
void WriteText(const std::string& path, const std::string& text);
TBytes ReadBytes(const std::string& path);  // empty when missing
bool Exists(const std::string& path);
// Names of the folder's entries in the order the system lists them.
std::vector<std::string> ListFolder(const std::string& folder);

TBytes RandomBytes(std::size_t n, unsigned seed);
TBytes TextBytes(std::size_t n, unsigned seed);  // compressible
TBytes RawDeflate(const TBytes& in, int level);
TBytes RawInflate(const TBytes& in, std::size_t expectedSize);
std::uint32_t Crc(const TBytes& b);

struct TParsedMember {
  TLocalHeader Local;
  TCentralHeader Central;
  std::string LocalName, CentralName;
  std::string Extra, Comment;
  TBytes Data;  // compressed bytes as stored
  std::size_t LocalSize = 0;  // bytes from the local header to the end of the data
};

struct TParsedZip {
  std::vector<TParsedMember> Members;
  TEndOfCentralDir End;
  std::string Comment;
  const TParsedMember* Find(const std::string& name) const;
};

// Parses a whole archive strictly (no comment search): fails the current test on any
// inconsistency between the records.
TParsedZip ParseZip(const TBytes& zip);
// The member's uncompressed bytes (stored or deflated), checking size and CRC.
TBytes MemberContent(const TParsedMember& m);
