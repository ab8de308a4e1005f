#include "edit_script.h"

#include <cstddef>

namespace resedit {
namespace {

// Text names longer than this are surely not what a script meant; they also keep the
// resource directory small.
constexpr std::size_t kMaxTextIdLength = 255;

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  return true;
}

bool AllDigits(std::string_view s) {
  if (s.empty()) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

// Parses decimal digits into a 16-bit value; false on overflow.
bool ParseU16Decimal(std::string_view s, std::uint16_t& out) {
  std::uint32_t v = 0;
  for (char c : s) {
    v = v * 10 + static_cast<std::uint32_t>(c - '0');
    if (v > 0xFFFF) return false;
  }
  out = static_cast<std::uint16_t>(v);
  return true;
}

bool ParseLanguage(std::string_view field, std::uint16_t& out, std::string& error) {
  if (field.empty()) {  // Korvel's fixed last line leaves the language empty
    out = 0;
    return true;
  }
  if (field.size() > 2 && field[0] == '0' && (field[1] == 'x' || field[1] == 'X')) {
    std::string_view hex = field.substr(2);
    if (hex.size() > 4) {
      error = "language out of range";
      return false;
    }
    std::uint32_t v = 0;
    for (char c : hex) {
      int d;
      if (c >= '0' && c <= '9') d = c - '0';
      else if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
      else if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
      else {
        error = "language is not a number";
        return false;
      }
      v = v * 16 + static_cast<std::uint32_t>(d);
    }
    out = static_cast<std::uint16_t>(v);
    return true;
  }
  if (!AllDigits(field)) {
    error = "language is not a number";
    return false;
  }
  if (!ParseU16Decimal(field, out)) {
    error = "language out of range";
    return false;
  }
  return true;
}

std::string_view StripQuotes(std::string_view s) {
  if (s.size() >= 2 && s.front() == '"' && s.back() == '"') return Trim(s.substr(1, s.size() - 2));
  return s;
}

enum class Section { kNone, kFileNames, kCommands };

class Parser {
 public:
  explicit Parser(std::string_view text) : text_(text) {}

  ScriptParseResult Run() {
    if (text_.size() >= 3 && text_.substr(0, 3) == "\xEF\xBB\xBF") {
      result_.script.utf8 = true;
      text_.remove_prefix(3);
    }
    int number = 0;
    while (!text_.empty()) {
      std::size_t end = text_.find('\n');
      std::string_view line = text_.substr(0, end);
      text_ = end == std::string_view::npos ? std::string_view{} : text_.substr(end + 1);
      if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
      ++number;
      if (!Line(line, number)) return result_;
    }
    if (result_.script.exe.empty()) return Fail(number, "no Exe= in [FILENAMES]");
    if (result_.script.saveAs.empty()) return Fail(number, "no SaveAs= in [FILENAMES]");
    result_.ok = true;
    return result_;
  }

 private:
  bool Error(int line, std::string message) {
    result_.ok = false;
    result_.errorLine = line;
    result_.error = "line " + std::to_string(line) + ": " + message;
    return false;
  }

  ScriptParseResult& Fail(int line, std::string message) {
    Error(line, std::move(message));
    return result_;
  }

  bool Line(std::string_view raw, int number) {
    if (raw.find('\0') != std::string_view::npos) return Error(number, "NUL byte in the line");
    if (raw.find('\r') != std::string_view::npos) return Error(number, "stray carriage return");
    std::string_view line = Trim(raw);
    if (line.empty() || line.front() == ';') return true;
    if (line.front() == '[') return SectionHeader(line, number);
    switch (section_) {
      case Section::kNone: return Error(number, "text before the first section");
      case Section::kFileNames: return FileName(line, number);
      case Section::kCommands: return Command(line, number);
    }
    return false;
  }

  bool SectionHeader(std::string_view line, int number) {
    if (line.back() != ']') return Error(number, "unclosed section header");
    std::string_view name = Trim(line.substr(1, line.size() - 2));
    if (EqualsNoCase(name, "FILENAMES")) section_ = Section::kFileNames;
    else if (EqualsNoCase(name, "COMMANDS")) section_ = Section::kCommands;
    else return Error(number, "unknown section [" + std::string(name) + "]");
    return true;
  }

  bool FileName(std::string_view line, int number) {
    std::size_t eq = line.find('=');
    if (eq == std::string_view::npos) return Error(number, "expected Key=value");
    std::string_view key = Trim(line.substr(0, eq));
    std::string_view value = StripQuotes(Trim(line.substr(eq + 1)));
    std::string* target = nullptr;
    if (EqualsNoCase(key, "Exe")) target = &result_.script.exe;
    else if (EqualsNoCase(key, "SaveAs")) target = &result_.script.saveAs;
    else return Error(number, "unknown key " + std::string(key));
    if (!target->empty()) return Error(number, std::string(key) + " given twice");
    if (value.empty()) return Error(number, std::string(key) + " is empty");
    *target = std::string(value);
    return true;
  }

  bool Command(std::string_view line, int number) {
    std::size_t space = line.find_first_of(" \t");
    std::string_view verb = line.substr(0, space);
    if (!EqualsNoCase(verb, "-addoverwrite"))
      return Error(number, "unknown command " + std::string(verb));
    if (space == std::string_view::npos) return Error(number, "command without arguments");
    std::string_view args = line.substr(space + 1);

    std::string_view fields[4];
    std::size_t count = 0;
    while (true) {
      std::size_t comma = args.find(',');
      if (count == 4) return Error(number, "more than four arguments");
      fields[count++] = Trim(args.substr(0, comma));
      if (comma == std::string_view::npos) break;
      args = args.substr(comma + 1);
    }
    if (count != 4) return Error(number, "expected file,type,name,language");

    AddOverwriteCommand cmd;
    cmd.line = number;
    cmd.file = std::string(StripQuotes(fields[0]));
    if (cmd.file.empty()) return Error(number, "no file named");

    std::string error;
    if (EqualsNoCase(fields[1], "Bitmap")) {
      cmd.payload = PayloadKind::BitmapFile;
      cmd.type = ResourceId::Number(kBitmapType);
    } else {
      cmd.payload = PayloadKind::RawBytes;
      if (!ParseResourceId(fields[1], cmd.type, error)) return Error(number, "type: " + error);
    }
    if (!ParseResourceId(fields[2], cmd.name, error)) return Error(number, "name: " + error);
    if (!ParseLanguage(fields[3], cmd.language, error)) return Error(number, error);
    result_.script.commands.push_back(std::move(cmd));
    return true;
  }

  std::string_view text_;
  Section section_ = Section::kNone;
  ScriptParseResult result_;
};

}  // namespace

bool ParseResourceId(std::string_view field, ResourceId& id, std::string& error) {
  if (field.empty()) {
    error = "empty";
    return false;
  }
  std::string_view digits = field.front() == '#' ? field.substr(1) : field;
  if (AllDigits(digits)) {
    std::uint16_t n = 0;
    if (!ParseU16Decimal(digits, n) || n == 0) {
      error = "number must lie between 1 and 65535";
      return false;
    }
    id = ResourceId::Number(n);
    return true;
  }
  if (field.front() == '#') {
    error = "'#' must be followed by a number";
    return false;
  }
  if (field.size() > kMaxTextIdLength) {
    error = "text longer than 255 characters";
    return false;
  }
  id = ResourceId::Text(std::string(field));
  return true;
}

ScriptParseResult ParseEditScript(std::string_view text) { return Parser(text).Run(); }

}  // namespace resedit
