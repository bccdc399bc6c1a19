// Which tiles of a multiple-tile request exist, plain or zipped.
#include <string>

#include "core/base/file_util.h"
#include "core/tiles/multi_hgt.h"
#include "core/tiles/tile_names.h"

namespace {

TileRect ToTileRect(const TTDegreeRect& r) {
  TileRect t;
  t.MinLat = int16_t(r.MinLat);
  t.MaxLat = int16_t(r.MaxLat);
  t.MinLon = int16_t(r.MinLon);
  t.MaxLon = int16_t(r.MaxLon);
  NormalizeTileRect(t);
  return t;
}

}  // namespace

std::vector<std::string> RequestTilePaths(const TTMultiHGTRequest& request) {
  std::vector<std::string> names;
  ListTileNames(ToTileRect(ExtendByBands(request.Rect, request.Bands)), names);
  for (auto& n : names) n = JoinPath(request.Folder, n);
  return names;
}

std::vector<std::string> MissingTileNames(const std::vector<std::string>& paths) {
  std::vector<std::string> missing;
  for (const auto& p : paths)
    if (FindFileNoCase(p).empty() && FindFileNoCase(p + ".zip").empty())
      missing.push_back(FileNamePart(p));
  return missing;
}
