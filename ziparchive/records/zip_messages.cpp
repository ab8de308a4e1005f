#include "ziparchive/records/zip_messages.h"

namespace ziparchive {

namespace {
struct TMessage {
  int Code;
  const char* Text;
};

// Kept in step with the string table of the programs that use the engine.
constexpr TMessage kMessages[] = {
    {zipmsg::BadFileHeader, "Bad file header"},
    {zipmsg::BadBlock, "Bad block"},
    {zipmsg::ErrorWritingFile, "Error writing to file"},
    {zipmsg::ErrorClosingFile, "Error closing file"},
    {zipmsg::FileFailsCrc, "File fails CRC check"},
    {zipmsg::InvalidDirectory, "Invalid directory"},
    {zipmsg::DiskFull, "Disk full"},
    {zipmsg::FileNotFound, "File not found"},
    {zipmsg::ErrorOpeningFile, "Error opening file"},
    {zipmsg::NothingToDo, "Nothing to do"},
    {zipmsg::RequiredEventNotAssigned, "Required event not assigned"},
    {zipmsg::StackOverflow, "Stack overflow"},
    {zipmsg::UnsupportedMethod, "Unsupported compression method"},
    {zipmsg::UserCanceled, "User canceled"},
    {zipmsg::UnsafeStoredPath, "Stored path leads outside the extraction folder"},
    {zipmsg::OutOfMemory, "Out of memory"},
    {zipmsg::EventHandlerFailed, "An event handler failed"},
    {zipmsg::NotScanned, "Left out of the folder scan"},
    {zipmsg::NothingToDelete, "Nothing to do"},
};
}  // namespace

const char* ZipMessageText(int code) {
  for (const TMessage& m : kMessages)
    if (m.Code == code) return m.Text;
  return "";
}

}  // namespace ziparchive
