#include "ziparchive/records/archive_name.h"

#include "ziparchive/records/wildcard.h"

namespace ziparchive {

std::string PathExtension(std::string_view path) {
  std::size_t dot = path.find_last_of(".\\/:");
  if (dot == std::string_view::npos || path[dot] != '.') return std::string();
  return std::string(path.substr(dot));
}

std::string NormalizeArchiveFile(std::string_view name, std::string_view defaultExt) {
  std::string s(name);
  for (char& c : s)
    if (c == '/') c = '\\';
  if (!s.empty() && PathExtension(s).empty()) s += defaultExt;
  return s;
}

std::string NormalizeDefaultExt(std::string_view text) {
  if (text.empty() || text == ".") return ".ZIP";
  std::string s(text);
  if (s[0] != '.') s.insert(s.begin(), '.');
  if (s.size() > 4) s.resize(4);
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  return s;
}

std::string ApplyDefaultExtChange(std::string_view archiveFile, std::string_view oldExt,
                                  std::string_view newExt) {
  std::string s(archiveFile);
  if (s.empty()) return s;
  std::string ext = PathExtension(s);
  if (ext.empty()) return s + std::string(newExt);
  if (SameTextAnsi(ext, oldExt)) s.replace(s.size() - ext.size(), ext.size(), newExt);
  return s;
}

}  // namespace ziparchive
