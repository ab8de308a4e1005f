// The resource-editing script that Korvel hands to reshacker.exe, as plain data.
// Text stays in the bytes of the file (the ANSI code page, or UTF-8 after a byte-order mark);
// the Windows side converts it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace resedit {

// A resource type or name: a number 1..65535 or a text as written in the script.
struct ResourceId {
  bool isNumber = false;
  std::uint16_t number = 0;
  std::string text;

  static ResourceId Number(std::uint16_t n) { return ResourceId{true, n, {}}; }
  static ResourceId Text(std::string t) { return ResourceId{false, 0, std::move(t)}; }
  bool operator==(const ResourceId&) const = default;
};

inline constexpr std::uint16_t kBitmapType = 2;  // RT_BITMAP

// What the command's file holds and how it becomes the resource's bytes.
enum class PayloadKind {
  BitmapFile,  // a .bmp file: stored without its file header
  RawBytes,    // stored as it is
};

// One "-addoverwrite file,type,name,language" line.
struct AddOverwriteCommand {
  std::string file;
  PayloadKind payload = PayloadKind::RawBytes;
  ResourceId type;
  ResourceId name;
  // 0 means every language the resource already exists in, or neutral when it exists in none.
  std::uint16_t language = 0;
  int line = 0;
};

struct EditScript {
  std::string exe;     // file to start from
  std::string saveAs;  // file to write
  std::vector<AddOverwriteCommand> commands;
  bool utf8 = false;   // the text began with a UTF-8 byte-order mark
};

struct ScriptParseResult {
  bool ok = false;
  EditScript script;
  std::string error;  // English, for the log; names the line
  int errorLine = 0;
};

ScriptParseResult ParseEditScript(std::string_view text);

// "100" -> number 100, "#100" -> number 100, "Logo" -> text; empty and 0 are refused.
// Returns false with a reason when the field cannot be a resource id.
bool ParseResourceId(std::string_view field, ResourceId& id, std::string& error);

}  // namespace resedit
