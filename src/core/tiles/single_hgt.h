#pragma once

#include <string>

class TTMesh;
class TTProgress;

// Loads one tile file as a new mesh, the way "Load Single HGT..." does: a
// plain tile, or a ZIP archive (name ending in ".zip") holding the tile named
// as the archive without ".zip", extracted into tempDir while it is read.
// The size decides the kind; the bounds come from the tile name (0..1 where
// the name does not give them). Returns "" on success, else the message for
// the user; the mesh then holds no samples and no extracted file is left.
std::string LoadSingleHGT(TTMesh& mesh, const std::string& path, const std::string& tempDir,
                          TTProgress* progress);
