// Fuzz target of the raster loader. The first four bytes give rows and
// columns (1..64 each), the byte order and the void value's low byte; the
// rest is the file. A file of the right size loads as "Load Raster..." does;
// any file is also read into a grid at an offset, as the tile loader does.
#include <cstddef>
#include <cstdint>

#include "core/formats/raster_io.h"
#include "core/formats/raster_rules.h"
#include "core/mesh/mesh.h"
#include "fuzz_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  TTRasterImport in;
  in.Rows = 1 + data[0] % 64;
  in.Cols = 1 + data[1] % 64;
  in.MsbFirst = data[2] & 1;
  in.VoidValue = int16_t(-32768 + data[3]);
  in.Rect = TTDegreeRect{10, 11, 20, 22};
  in.Path = FuzzInputFile(data + 4, size - 4);
  if (RasterSizeMatches(uint64_t(size - 4), in.Rows, in.Cols)) {
    TTMesh mesh;
    if (LoadRasterMesh(mesh, in, nullptr).empty()) mesh.UpdateStats(nullptr);
  }
  TTMesh grid;
  if (!grid.AllocSamples(48, 48)) return 0;
  grid.SetGridSize(48, 48);
  LoadRaster(grid, in.Path, in.Rows, in.Cols, data[2] & 2, data[2] & 4, data[2] & 8, data[2] >> 4,
             data[3] >> 4, nullptr);
  return 0;
}
