// The check of plain and zipped tiles before anything is allocated, and the
// load of a rectangle of tiles with its bands.
#include <string>

#include "core/base/file_util.h"
#include "core/mesh/mesh.h"
#include "core/tiles/load_hgt.h"
#include "core/tiles/multi_hgt.h"
#include "core/tiles/tile_names.h"
#include "core/zip/zip.h"

TTTileCheck CheckTileFiles(const std::vector<std::string>& paths) {
  TTTileCheck check;
  for (const auto& p : paths) {
    int kind = 0;
    const std::string archive = FindFileNoCase(p + ".zip");
    if (!archive.empty()) {
      // Named as the system builds it (N45W123.HGT.zip), whatever the case
      // of the file found.
      const std::string z = FileNamePart(p + ".zip");
      if (!IsZipFile(archive)) {
        check.Message = "File " + z + " is not a known zip file format.";
        return check;
      }
      const int64_t size = ZipEntrySize(archive, z.substr(0, z.size() - 4));
      if (size < 0) {
        check.Message = "File " + z + " lacks the expected HGT file.";
        return check;
      }
      kind = TileSizeKind(size);
    } else if (!FindFileNoCase(p).empty()) {
      kind = TileSizeKind(FileSizeOf(p));
    } else {
      continue;  // absent: filled with the fill value
    }
    if (kind == 0) {
      check.Message = "At least one HGT file has an invalid size.";
      return check;
    }
    if (check.Kind == 0)
      check.Kind = kind;
    else if (kind != check.Kind) {
      check.Message = "The HGT files have mixed sizes.";
      return check;
    }
  }
  return check;
}

std::string LoadMultiHGT(TTMesh& mesh, const TTMultiHGTRequest& request, TTProgress* progress,
                         std::vector<TCellRect>* missing) {
  TTDegreeRect r = ExtendByBands(request.Rect, request.Bands);
  const std::vector<std::string> paths = RequestTilePaths(request);
  const TTTileCheck check = CheckTileFiles(paths);
  if (!check.Message.empty()) return check.Message;
  SetTileBandWidths(mesh, check.Kind, request.Bands);
  if (!LoadHGT(mesh, paths, uint16_t(check.Kind), r.MaxLon - r.MinLon, r.MaxLat - r.MinLat,
               request.FillValue, progress, request.TempDir, missing)) {
    mesh.Samples.Clear();
    return "Could not open files";
  }
  mesh.MinLat = float(r.MinLat);
  mesh.MaxLat = float(r.MaxLat);
  mesh.MinLon = float(r.MinLon);
  mesh.MaxLon = float(r.MaxLon);
  return std::string();
}
