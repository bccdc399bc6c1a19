#pragma once

#include <cstdint>
#include <string>

class TTMesh;
class TTProgress;

// Cells per degree (1200 or 3600) when the mesh lies on an HGT grid: both
// densities equal to it, whole-degree bounds and one sample more than cells
// each way (samples on the bounds, as tiles hold them); else 0.
int32_t HgtGridDensity(const TTMesh& mesh);

// "Save Mesh as HGT Tiles...": writes one tile per whole degree of a mesh on
// an HGT grid into `folder` (N42E001.hgt, big-endian, 1201 or 3601 samples a
// side, edges shared with the neighbours, voids as -32768). Each tile goes
// through a temporary file. Returns "" and the count in `written`, else the
// message for the user (nothing is written when the mesh or folder is refused).
std::string SaveMeshAsHgtTiles(const TTMesh& mesh, const std::string& folder, int& written,
                               TTProgress* progress);
