#pragma once

#include <string>

class TTMesh;
class TTProgress;

// Loads one tile file as a new mesh, the way "Load Single HGT..." does: a
// plain tile, or a ZIP archive (name ending in ".zip") holding the tile named
// as the archive without ".zip", inflated in memory (`tempDir` receives nothing).
// The size decides the kind (a zipped member's size is checked before it is
// unpacked); the bounds come from the tile name. Returns "" on success, else
// the message for the user; the mesh then holds no samples and no extracted
// file is left. A name that gives no position places the tile at N00 E000
// and sets `warning` to the text that tells the user so.
std::string LoadSingleHGT(TTMesh& mesh, const std::string& path, const std::string& tempDir,
                          TTProgress* progress, std::string* warning = nullptr);
