// Removes a scratch folder with everything in it (read-only files too), through the engine's
// own system services, for the tests and fuzz targets that make one.
#pragma once

#include <string>
#include <vector>

#include "ziparchive/platform/zip_platform.h"

using namespace ziparchive;

// folder: engine path form, with or without the trailing "\".
inline void RemoveTree(const std::string& folder) {
  std::string f = folder;
  if (!f.empty() && f.back() != '\\') f += '\\';
  // Listed in full before anything goes, so removing entries cannot disturb the listing.
  std::vector<TOsFindData> entries;
  {
    TOsDirSearch s;
    TOsFindData d;
    if (s.Open(f))
      while (s.Next(d)) entries.push_back(d);
  }
  for (const TOsFindData& d : entries) {
    if (d.Attributes & fattr::Directory) {
      RemoveTree(f + d.Name);
    } else {
      OsSetAttributes(f + d.Name, fattr::Archive);
      OsDeleteFile(f + d.Name);
    }
  }
  OsRemoveFolder(f.substr(0, f.size() - 1));
}
