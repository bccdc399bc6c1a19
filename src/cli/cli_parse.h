#pragma once

#include <string>

#include "core/formats/raster_rules.h"
#include "core/mesh/cell_mask.h"
#include "core/mesh/cell_rect.h"
#include "core/scenery/bgl_build.h"
#include "core/tiles/multi_hgt.h"

// The parsers of the commands' option values. Each checks its text fully
// and ends the run with a usage error (CliUsage) on anything else.

// --raster ROWS,COLS,MINLAT,MAXLAT,MINLON,MAXLON[,msb|lsb[,VOID]] (no path).
TTRasterImport ParseRasterGeometry(const std::string& text);
// mosaic --rect MINLAT,MAXLAT,MINLON,MAXLON
TTDegreeRect ParseDegreeRect(const std::string& text);
// mosaic --bands: each of N, S, W, E at most once, either case.
TTBandFlags ParseBands(const std::string& text);
// bgl --overlap N,S,W,E
TBandOverlap ParseOverlap(const std::string& text);

// edit / fill-voids --rect LEFT,TOP,RIGHT,BOTTOM or --polygon C1,R1;C2,R2;...
// against a grid of cols x rows; neither given selects the whole grid.
struct TCellSelection {
  TCellRect rect;
  bool hasMask = false;
  TTCellMask mask;
};
void ParseCellSelection(const std::string& rectText, const std::string& polygonText, int32_t cols,
                        int32_t rows, TCellSelection& out);
