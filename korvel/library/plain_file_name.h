// Which names a file can really be written under.
#pragma once
#include <string>

namespace korvel {

// Why Windows would not write a file under a name as that very file.
enum class FileNameFault {
  None,
  Empty,
  QuoteOrControl,      // a quote or a control character
  ForbiddenCharacter,  // \ / : * ? < > | (a folder, a stream, a wildcard or a pipe)
  BlankAtEnd,          // dropped, so that another file is written
  DotAtEnd,            // dropped, so that another file is written
  Device,  // CON, PRN, AUX, NUL, COM1-9, LPT1-9 and the console and clock devices, in any case
           // and whatever follows the first dot ("nul.bmp", "COM1 .bmp"): a write to a device
           // "succeeds" and the data is gone
  TooLong,  // more than 255 characters
};

FileNameFault FileNameFaultOf(const std::wstring& name);

inline bool IsPlainFileName(const std::wstring& name) {
  return FileNameFaultOf(name) == FileNameFault::None;
}

// A logon picture's name: ".bmp" at its end in any case, also with the blanks and dots after it
// that Windows drops ("100.bmp ").
bool IsPictureName(const std::wstring& name);

// The name as the file system compares names: "abc.bmp" and "ABC.BMP" name one file.
std::wstring FoldedName(const std::wstring& name);

}  // namespace korvel
