#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/mesh/band_flags.h"
#include "core/mesh/cell_rect.h"

class TTMesh;
class TTProgress;

// Hemisphere texts beside the side fields: 45 gives "45 N", -9 "09 S";
// -123 gives "123 W".
std::string LatLabelText(int lat);
std::string LonLabelText(int lon);

// The two tile-count labels of the multiple-tile dialog: "2 x 3  tiles" for
// the rectangle and for the rectangle with its bands, or "Invalid" (shown in
// red) while the sides do not form a rectangle.
struct TTTileCounts {
  bool Valid = false;
  std::string Base, Total;
};
TTTileCounts TileCountTexts(const TTDegreeRect& rect, const TTBandFlags& bands);

// The check made when the dialog is confirmed. Message is empty when it may
// close; otherwise "Invalid rectangle." or "Invalid extra band." and, for the
// latter, the band box to untick (the first offending one).
struct TTMultiHGTCloseCheck {
  std::string Message;
  TTBandFlags Untick;
};
TTMultiHGTCloseCheck CheckMultiHGTClose(const TTDegreeRect& rect, const TTBandFlags& bands);

// The tile rectangle with every ticked band added as one more row or column
// of tiles, after putting the sides in order.
TTDegreeRect ExtendByBands(TTDegreeRect rect, const TTBandFlags& bands);

// Band widths of a tile mesh of the given kind (1: 3601-sample tiles, else
// 1201): north and east N + 1, south and west N.
void SetTileBandWidths(TTMesh& mesh, int kind, const TTBandFlags& bands);

// What the dialog hands to the load: folder, sides, bands and fill value.
struct TTMultiHGTRequest {
  std::string Folder{};
  TTDegreeRect Rect{};
  TTBandFlags Bands{};
  int16_t FillValue = 0;
  std::string TempDir{};  // where zipped tiles are extracted while read
};

// The tile paths of the request in load order (folder + tile name).
std::vector<std::string> RequestTilePaths(const TTMultiHGTRequest& request);

// The file names (N45W123.HGT) of the listed tiles that are neither present
// as the file nor as the file with ".zip" appended, in list order. Names are
// matched without regard to letter case.
std::vector<std::string> MissingTileNames(const std::vector<std::string>& paths);

// Checks the present tiles of a load, plain or zipped, before anything is
// allocated. On success Message is empty and Kind is the tiles' kind (0 when
// no tile is present); otherwise Message is the text for the user.
struct TTTileCheck {
  int Kind = 0;
  std::string Message;
};
TTTileCheck CheckTileFiles(const std::vector<std::string>& paths);

// The whole load of a rectangle of tiles into a fresh mesh: the tile check,
// the band widths, the load and the bounds. Returns empty on success,
// otherwise the message for the user; the mesh then holds no samples.
// `missing`, when given, gets the cells of the tiles that were not found.
std::string LoadMultiHGT(TTMesh& mesh, const TTMultiHGTRequest& request, TTProgress* progress,
                         std::vector<TCellRect>* missing = nullptr);
