#include "core/tiles/single_hgt.h"

#include <algorithm>
#include <filesystem>
#include <vector>

#include "core/base/file_util.h"
#include "core/mesh/mesh.h"
#include "core/platform/native_file.h"
#include "core/tiles/load_hgt.h"
#include "core/tiles/tile_names.h"
#include "core/zip/zip.h"

namespace {

// Extracts the member of `archive` named as the archive's name without its
// last four characters into tempDir. Returns "" and sets `extracted` to the
// extracted file, or returns the message for the user.
std::string ExtractSingleTile(const std::string& archive, const std::string& tempDir,
                              std::string& extracted, TTProgress* progress) {
  extracted.clear();
  const std::string z = FileNamePart(archive);
  if (!IsZipFile(archive)) return "The file " + z + " has an unknown zip file format.";
  std::vector<std::string> names;
  if (!ZipEntryNames(archive, names)) return "Could not get file names from zip file.";
  const std::string m = z.substr(0, z.size() >= 4 ? z.size() - 4 : 0);
  if (std::none_of(names.begin(), names.end(),
                   [&](const std::string& n) { return EqualsNoCase(n, m); }))
    return m + " not found in " + z;
  // A member that cannot be a tile is refused before gigabytes are unpacked.
  if (TileSizeKind(ZipEntrySize(archive, m)) == 0) return "HGT file size is invalid.";
  if (UnzipMember(archive, tempDir, m, extracted, progress) < 1)
    return "Could not decompress file " + z;
  return std::string();
}

void RemoveFile(const std::string& path) {
  std::error_code ec;
  std::filesystem::remove(NativePath(path), ec);
}

}  // namespace

std::string LoadSingleHGT(TTMesh& mesh, const std::string& path, const std::string& tempDir,
                          TTProgress* progress, std::string* warning) {
  std::string p = path;
  bool extracted = false;
  if (UpperAscii(FileExtension(path)) == ".ZIP") {
    std::string message = ExtractSingleTile(path, tempDir, p, progress);
    if (!message.empty()) return message;
    extracted = true;
  }
  const int kind = TileSizeKind(FileSizeOf(p));
  if (kind == 0) {
    if (extracted) RemoveFile(p);
    return "HGT file size is invalid.";
  }
  const bool loaded = LoadHGT(mesh, std::vector<std::string>{p}, uint16_t(kind), 1, 1, 0, progress);
  if (extracted) RemoveFile(p);
  if (!loaded) return "Could not load mesh.";
  // The tile is named as the command names it: a zipped one by the archive
  // without ".zip", whatever the case of the stored member.
  const std::string tileName = extracted ? path.substr(0, path.size() - 4) : path;
  mesh.FileName = tileName;
  int16_t lat = 0, lon = 0;
  if (!ParseTileName(tileName, lat, lon)) {
    lat = lon = 0;
    if (warning)
      *warning = "The position of " + FileNamePart(tileName) +
                 " cannot be read from its name; it is placed at N00 E000.";
  }
  mesh.MinLat = lat;
  mesh.MaxLat = float(lat + 1);
  mesh.MinLon = lon;
  mesh.MaxLon = float(lon + 1);
  return std::string();
}
