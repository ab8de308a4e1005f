// The engine's numbered messages. The numbers are those of the program's string table, so
// callers (and Korvel's resource file) can address the same texts by number.
#pragma once

namespace ziparchive {

namespace zipmsg {
constexpr int BadFileHeader = 25114;
constexpr int BadBlock = 25116;
constexpr int ErrorWritingFile = 25136;
constexpr int ErrorClosingFile = 25138;
constexpr int FileFailsCrc = 25151;
constexpr int InvalidDirectory = 25158;
constexpr int DiskFull = 25160;
constexpr int FileNotFound = 25192;
constexpr int ErrorOpeningFile = 25235;
constexpr int NothingToDo = 25268;
constexpr int RequiredEventNotAssigned = 25270;
constexpr int StackOverflow = 25299;
constexpr int UnsupportedMethod = 25326;
constexpr int UserCanceled = 25443;
// Our own: a stored name that would put the file outside the extraction folder (or let
// Windows write another file than the one named: a device, a trailing dot or space).
constexpr int UnsafeStoredPath = 25450;
// Our own: memory ran out; the operation ends.
constexpr int OutOfMemory = 25451;
// Our own: an event handler raised an exception; the operation ends. ExtendedMsg: its text.
constexpr int EventHandlerFailed = 25452;
// Our own: the writer's folder scan left something out. ExtendedMsg: why.
constexpr int NotScanned = 25453;
constexpr int NothingToDelete = 26859;
}  // namespace zipmsg

// The text of a message number; an unknown number gives an empty text.
const char* ZipMessageText(int code);

}  // namespace ziparchive
