// Keys of the main window's texts in Korvel's string table.
#pragma once

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
inline constexpr unsigned kMsgWorkFolderFailed = 65245;
inline constexpr unsigned kMsgConversionFailed = 65246;
// Restore, delete and library write failures.
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

}  // namespace korvel
