// The script the resource editor runs to rebuild logonkv.exe, and the tool's command line.
#pragma once
#include <string>
#include <vector>

namespace korvel {

inline constexpr wchar_t kApplyScriptName[] = L"logonkv.ini";
inline constexpr wchar_t kResourceToolName[] = L"reshacker.exe";
// The tool reads this line as written, spaces and trailing comma included.
inline constexpr wchar_t kUiFileCommand[] = L"-addoverwrite uifile.txt, UIFILE, 1000,";

// "-addoverwrite 100.bmp,Bitmap,100,0": the resource name is the file name up to its last dot.
std::wstring BitmapCommand(const std::wstring& bitmapFile);

// The whole script, every line ended by CR LF. systemRoot ends with a backslash.
std::wstring ApplyScriptText(const std::wstring& systemRoot,
                             const std::vector<std::wstring>& bitmapFiles);

// True when every character of text has its own form in the ANSI code page: a character
// written as "?" or a look-alike would make the tool open another file.
bool FitsAnsi(const std::wstring& text);

// Why a bitmap line would not reach the tool as this very file and a valid resource name: the
// tool trims blanks around each field, splits at every comma, and takes a name of digits (or
// "#" and digits) as a number from 1 to 65535.
enum class ScriptNameFault {
  None,
  NotInCodePage,  // a character the ANSI code page has no form of its own for
  BlankAtEnd,     // a blank at either end of the file's or the resource's name
  Separator,      // a comma, a quote or a control character
  NoName,         // nothing before the extension
  BadNumber,      // a number outside 1 to 65535, or "#" without a number
  TooLong,        // a resource name longer than 255 characters
};

ScriptNameFault ScriptNameFaultOf(const std::wstring& bitmapFile);

inline bool ScriptCarries(const std::wstring& bitmapFile) {
  return ScriptNameFaultOf(bitmapFile) == ScriptNameFault::None;
}

// What the tool takes a bitmap line's resource for, for a name the script carries: one key for
// two lines means one resource, the later line replacing the earlier ("100", "0100" and "#100"
// are all bitmap 100; other names count in upper case, as the tool writes them).
std::wstring ResourceKeyOf(const std::wstring& bitmapFile);

// Writes the script as ANSI bytes, replacing an existing file. On failure the system's error
// code is left for GetLastError.
bool WriteApplyScript(const std::wstring& path, const std::wstring& text);

// The program path is quoted: unquoted, a folder with spaces could start another program
// (C:\Program.exe for C:\Program Files\...).
std::wstring ResourceToolCommandLine(const std::wstring& programFolder);

}  // namespace korvel
