// Fuzz target of the HGX loader: the input is the file. A load that fails
// must leave the mesh empty; one that succeeds is reported as the editor
// reports it.
#include <cstddef>
#include <cstdint>

#include "core/formats/hgx_format.h"
#include "core/mesh/mesh.h"
#include "core/mesh/mesh_info.h"
#include "fuzz_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TTMesh mesh;
  if (!LoadHGX(mesh, FuzzInputFile(data, size), nullptr)) {
    if (!mesh.Samples.Empty()) __builtin_trap();
    return 0;
  }
  mesh.UpdateStats(nullptr);
  MeshInfoReport(mesh);
  return 0;
}
