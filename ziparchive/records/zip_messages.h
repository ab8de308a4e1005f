// The engine's numbered messages. The numbers are those of the program's string table, so
// callers (and Korvel's resource file) can address the same texts by number.
#pragma once

namespace ziparchive {

namespace zipmsg {
constexpr int kBadFileHeader = 25114;
constexpr int kBadBlock = 25116;
constexpr int kErrorWritingFile = 25136;
constexpr int kErrorClosingFile = 25138;
constexpr int kFileFailsCrc = 25151;
constexpr int kInvalidDirectory = 25158;
constexpr int kDiskFull = 25160;
constexpr int kFileNotFound = 25192;
constexpr int kErrorOpeningFile = 25235;
constexpr int kNothingToDo = 25268;
constexpr int kRequiredEventNotAssigned = 25270;
constexpr int kStackOverflow = 25299;
constexpr int kUnsupportedMethod = 25326;
constexpr int kUserCanceled = 25443;
// Our own: a stored name that would put the file outside the extraction folder, or let
// Windows write another file than the one named (a NUL, a device, a trailing dot or space).
// ExtendedMsg: which of these.
constexpr int kUnsafeStoredPath = 25450;
// Our own: memory ran out; the operation ends.
constexpr int kOutOfMemory = 25451;
// Our own: an event handler raised an exception; the operation ends. ExtendedMsg: its text.
constexpr int kEventHandlerFailed = 25452;
// Our own: the writer's folder scan left something out. ExtendedMsg: why.
constexpr int kNotScanned = 25453;
// Our own: an encrypted member is skipped, as neither Passwords nor OnGetPassword gave a
// password that fits it.
constexpr int kNoPasswordFits = 25454;
// Our own, a notice rather than a failure: an extraction removed "NAME.~kv", which a run that
// was killed while replacing NAME left beside it. FileName is the removed file.
constexpr int kLeftoverRemoved = 25455;
// Our own: a file changed its size while it was packed; its member holds what was read.
// ExtendedMsg: the sizes.
constexpr int kFileChanged = 25456;
constexpr int kNothingToDelete = 26859;
}  // namespace zipmsg

// The text of a message number; an unknown number gives an empty text.
const char* ZipMessageText(int code);

}  // namespace ziparchive
