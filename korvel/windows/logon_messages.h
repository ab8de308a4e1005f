// Keys of the main window's texts in Korvel's string table.
#pragma once
#include <cstddef>

namespace korvel {

inline constexpr unsigned kMsgOverwriteQuestion = 65216;
inline constexpr unsigned kMsgRestored = 65217;
inline constexpr unsigned kMsgApplied = 65218;
inline constexpr unsigned kMsgAbout = 65219;
// Apply and import failures.
inline constexpr unsigned kMsgApplyUnreadable = 65240;
inline constexpr unsigned kMsgApplyEmpty = 65241;
inline constexpr unsigned kMsgToolNotStarted = 65242;
inline constexpr unsigned kMsgToolFailed = 65243;
inline constexpr unsigned kMsgTargetUnchanged = 65244;
inline constexpr unsigned kMsgWorkFolderFailed = 65245;  // "%s" for the system's error text
inline constexpr unsigned kMsgConversionFailed = 65246;
// Restore ("%s" for the system's error text), delete and library write failures.
inline constexpr unsigned kMsgRestoreFailed = 65247;
inline constexpr unsigned kMsgDeleteFailed = 65248;
inline constexpr unsigned kMsgLibraryWriteFailed = 65249;
inline constexpr unsigned kMsgImportSourceUnreadable = 65251;
inline constexpr unsigned kMsgTargetReadOnly = 65252;
inline constexpr unsigned kMsgSystemRootNotAnsi = 65253;
// The package preview's caption, "%s" for the package's name.
inline constexpr unsigned kMsgPreviewCaption = 65254;
// The preview could not make its scratch folder in the temporary folder.
inline constexpr unsigned kMsgPreviewTempUnusable = 65255;
// An apply that left pictures out, "%s" for the list of them (kMsgLeftOut... each, in the
// package's order).
inline constexpr unsigned kMsgAppliedPartly = 65256;
inline constexpr unsigned kMsgNothingCarried = 65257;
// The preview could not read the package.
inline constexpr unsigned kMsgPreviewUnreadable = 65258;
// The selected row is a folder, "%s" for its name.
inline constexpr unsigned kMsgDeleteFolder = 65259;
// One left-out picture, "%s" for its file name; then the line after the first kMaxLeftOutListed
// ones, "%s" for how many more.
inline constexpr unsigned kMsgLeftOutNotInCodePage = 65260;
inline constexpr unsigned kMsgLeftOutBlankAtEnd = 65261;
inline constexpr unsigned kMsgLeftOutSeparator = 65262;
inline constexpr unsigned kMsgLeftOutNoName = 65263;
inline constexpr unsigned kMsgLeftOutBadNumber = 65264;
inline constexpr unsigned kMsgLeftOutTooLong = 65265;
inline constexpr unsigned kMsgLeftOutMore = 65266;
inline constexpr std::size_t kMaxLeftOutListed = 20;
inline constexpr unsigned kMsgLeftOutDotAtEnd = 65267;
inline constexpr unsigned kMsgLeftOutDevice = 65268;
inline constexpr unsigned kMsgLeftOutForbiddenCharacter = 65269;
// Two "%s": the file's name, then the engine's reason (its own words).
inline constexpr unsigned kMsgLeftOutRefused = 65270;
// Two "%s": the file's name, then the picture applied for that resource.
inline constexpr unsigned kMsgLeftOutSameResource = 65271;
inline constexpr unsigned kMsgLeftOutNotABitmap = 65272;
// Applied with "uifile.txt" alone, every picture left out; "%s" for the list of them.
inline constexpr unsigned kMsgAppliedWithoutPictures = 65273;
// The package to apply or preview is a folder ("%s" for its name), or cannot be opened ("%s" for
// the system's error text).
inline constexpr unsigned kMsgApplyFolder = 65274;
inline constexpr unsigned kMsgApplyInUse = 65275;
inline constexpr unsigned kMsgPreviewFolder = 65276;
inline constexpr unsigned kMsgPreviewInUse = 65277;
// A picture the preview does not unpack, "%s" for its name.
inline constexpr unsigned kMsgPreviewPictureTooLarge = 65278;
// An import whose package name is a folder's in the library, "%s" for the name.
inline constexpr unsigned kMsgImportTargetFolder = 65279;
// The conversion's work or staging folder failed, "%s" for the system's error text.
inline constexpr unsigned kMsgConversionFolderFailed = 65280;
// The package to convert is no archive or is damaged (its directory cut short...).
inline constexpr unsigned kMsgConversionUnreadable = 65281;
// The chosen package is a folder, "%s" for its name.
inline constexpr unsigned kMsgImportSourceFolder = 65282;

}  // namespace korvel
