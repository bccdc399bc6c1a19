#include "core/tiles/single_hgt.h"

#include <algorithm>
#include <vector>

#include "core/base/file_util.h"
#include "core/mesh/mesh.h"
#include "core/tiles/load_hgt.h"
#include "core/tiles/tile_names.h"
#include "core/zip/zip.h"

namespace {

// Finds the member of `archive` named as the archive's name without its last
// four characters. Returns "" with `member` set to its stored name and
// `kind` to its kind, or the message for the user.
std::string FindSingleTile(const std::string& archive, std::string& member, int& kind) {
  const std::string z = FileNamePart(archive);
  if (!IsZipFile(archive)) return "The file " + z + " has an unknown zip file format.";
  std::vector<std::string> names;
  if (!ZipEntryNames(archive, names)) return "Could not get file names from zip file.";
  const std::string m = z.substr(0, z.size() >= 4 ? z.size() - 4 : 0);
  auto found = std::find_if(names.begin(), names.end(),
                            [&](const std::string& n) { return EqualsNoCase(n, m); });
  if (found == names.end()) return m + " not found in " + z;
  member = *found;
  // A member that cannot be a tile is refused before gigabytes are unpacked.
  kind = TileSizeKind(ZipEntrySize(archive, m));
  if (kind == 0) return "HGT file size is invalid.";
  return std::string();
}

}  // namespace

std::string LoadSingleHGT(TTMesh& mesh, const std::string& path, const std::string& /*tempDir*/,
                          TTProgress* progress, std::string* warning) {
  const bool zipped = UpperAscii(FileExtension(path)) == ".ZIP";
  // The tile is named as the command names it: a zipped one by the archive
  // without ".zip", whatever the case of the stored member.
  const std::string tileName = zipped ? path.substr(0, path.size() - 4) : path;
  TTTileSource source;
  int kind = 0;
  if (zipped) {
    std::string message = FindSingleTile(path, source.Member, kind);
    if (!message.empty()) return message;
    source.Archive = path;
  } else {
    source.Plain = FindFileNoCase(path);
    kind = TileSizeKind(FileSizeOf(path));
    if (kind == 0) return "HGT file size is invalid.";
  }
  switch (LoadHGTSources(mesh, {source}, {tileName}, uint16_t(kind), 1, 1, 0, progress)) {
    case THgtLoad::Ok:
      break;
    case THgtLoad::InflateFailed:
      return "Could not decompress file " + FileNamePart(path);
    case THgtLoad::Failed:
      return "Could not load mesh.";
  }
  // The loader has named the mesh; a name that is no position leaves N00 E000.
  int16_t lat = 0, lon = 0;
  if (!ParseTileName(tileName, lat, lon) && warning)
    *warning = "The position of " + FileNamePart(tileName) +
               " cannot be read from its name; it is placed at N00 E000.";
  mesh.MinLat = lat;
  mesh.MaxLat = float(lat + 1);
  mesh.MinLon = lon;
  mesh.MaxLon = float(lon + 1);
  return std::string();
}
