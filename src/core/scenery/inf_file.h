#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "core/scenery/tool_path.h"

// The INF files that drive the terrain compiler: a [Source] section that
// describes a raw big-endian 16-bit raster, a [Destination] section that names
// the BGL. Key names, fixed lines and their order are what the compiler reads;
// every line ends in CR LF, numbers always use "." as decimal separator.

// Geographic edges of a raster in degrees (single precision, like the mesh).
struct TInfBounds {
  float South = 0, North = 0, West = 0, East = 0;
};

// Writes the text and CR LF; false when a write falls short.
bool WriteInfLine(std::FILE* file, const std::string& text);

// The source INF at infPath for a raster of the given size written beside
// it (rows north to south, samples big-endian). Folders inside the file are
// given in `form`. False when the file cannot be created, a write falls short
// or a number is meaningless (zero or non-finite density).
bool WriteMeshSourceInf(int32_t columns, int32_t rows, const TInfBounds& bounds, int32_t baseValue,
                        const std::string& rasterPath, const std::string& infPath,
                        int16_t nullValue, double rowsPerDeg, double colsPerDeg,
                        TToolPathForm form = TToolPathForm::Host);

// The destination INF at infPath naming the BGL at bglPath (LOD 0 to 15).
bool WriteMeshDestInf(int lod, int32_t baseValue, const std::string& infPath,
                      const std::string& bglPath, TToolPathForm form = TToolPathForm::Host);

// The "SourceDir=" / "DestDir=" text for a folder part with its separator:
// blank becomes "."; one trailing separator is removed unless it ends a drive
// root ("C:\") or is the whole path ("/").
std::string InfFolderText(const std::string& folderWithSeparator);
// The "DestBaseFileName=" text: the name part without its extension.
std::string InfBaseName(const std::string& path);
