#include "ziparchive/records/wildcard.h"

#include <vector>

namespace ziparchive {

char AnsiUpperChar(char c) {
  unsigned char u = static_cast<unsigned char>(c);
  if (u >= 'a' && u <= 'z') return char(u - 32);
  if (u >= 0xE0) return char(u - 32);  // а..я
  if (u == 0xB8) return char(0xA8);    // ё
  return c;
}

bool SameTextAnsi(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (AnsiUpperChar(a[i]) != AnsiUpperChar(b[i])) return false;
  return true;
}

namespace {
// Greedy matching with one back-track point: linear in practice and never exponential,
// whatever a stored name or mask holds.
bool Match(std::string_view mask, std::string_view name) {
  size_t m = 0, n = 0, starM = std::string_view::npos, starN = 0;
  while (n < name.size()) {
    if (m < mask.size() && mask[m] == '*') {
      while (m < mask.size() && mask[m] == '*') ++m;
      if (m < mask.size() && mask[m] == '?') ++m;  // "*?" is "*"
      while (m < mask.size() && mask[m] == '*') ++m;
      starM = m;
      starN = n;
      continue;
    }
    if (m < mask.size() && (mask[m] == '?' || AnsiUpperChar(mask[m]) == AnsiUpperChar(name[n]))) {
      ++m;
      ++n;
      continue;
    }
    if (starM == std::string_view::npos) return false;
    m = starM;
    n = ++starN;
  }
  while (m < mask.size() && mask[m] == '*') {
    ++m;
    if (m < mask.size() && mask[m] == '?') ++m;
  }
  return m == mask.size();
}
}  // namespace

bool WildcardMatch(std::string_view mask, std::string_view name) {
  if (!mask.empty() && mask.back() == '.' && name.find('.') == std::string_view::npos) {
    std::string dotted(name);
    dotted += '.';
    return Match(mask, dotted);
  }
  return Match(mask, name);
}

namespace {
size_t FolderSplit(std::string_view name) {
  size_t sep = name.find_last_of("\\/");
  size_t colon = name.find_last_of(':');
  if (colon != std::string_view::npos && (sep == std::string_view::npos || colon > sep))
    return colon + 1;  // keeps the ":"
  return sep == std::string_view::npos ? 0 : sep;
}
}  // namespace

std::string NameFolderPart(std::string_view name) {
  size_t cut = FolderSplit(name);
  std::string folder(name.substr(0, cut));
  if (!folder.empty() && folder.back() != '\\') folder += '\\';
  return folder;
}

std::string NameFilePart(std::string_view name) {
  size_t sep = name.find_last_of("\\/");
  size_t colon = name.find_last_of(':');
  size_t cut = std::string_view::npos;
  if (sep != std::string_view::npos) cut = sep;
  if (colon != std::string_view::npos && (cut == std::string_view::npos || colon > cut)) cut = colon;
  return std::string(cut == std::string_view::npos ? name : name.substr(cut + 1));
}

}  // namespace ziparchive
