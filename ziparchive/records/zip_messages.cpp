#include "ziparchive/records/zip_messages.h"

namespace ziparchive {

namespace {
struct Message {
  int code;
  const char* text;
};

// Kept in step with the string table of the programs that use the engine.
constexpr Message kMessages[] = {
    {zipmsg::kBadFileHeader, "Bad file header"},
    {zipmsg::kBadBlock, "Bad block"},
    {zipmsg::kErrorWritingFile, "Error writing to file"},
    {zipmsg::kErrorClosingFile, "Error closing file"},
    {zipmsg::kFileFailsCrc, "File fails CRC check"},
    {zipmsg::kInvalidDirectory, "Invalid directory"},
    {zipmsg::kDiskFull, "Disk full"},
    {zipmsg::kFileNotFound, "File not found"},
    {zipmsg::kErrorOpeningFile, "Error opening file"},
    {zipmsg::kNothingToDo, "Nothing to do"},
    {zipmsg::kRequiredEventNotAssigned, "Required event not assigned"},
    {zipmsg::kStackOverflow, "Stack overflow"},
    {zipmsg::kUnsupportedMethod, "Unsupported compression method"},
    {zipmsg::kUserCanceled, "User canceled"},
    {zipmsg::kUnsafeStoredPath, "Stored name refused"},
    {zipmsg::kOutOfMemory, "Out of memory"},
    {zipmsg::kEventHandlerFailed, "An event handler failed"},
    {zipmsg::kNotScanned, "Left out of the folder scan"},
    {zipmsg::kNoPasswordFits, "No password fits"},
    {zipmsg::kLeftoverRemoved, "Leftover of an interrupted extraction removed"},
    {zipmsg::kFileChanged, "File changed while it was packed"},
    {zipmsg::kNothingToDelete, "Nothing to do"},
};
}  // namespace

const char* ZipMessageText(int code) {
  for (const Message& m : kMessages)
    if (m.code == code) return m.text;
  return "";
}

}  // namespace ziparchive
