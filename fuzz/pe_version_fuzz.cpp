// Fuzz target of the PE version reader: the input is the executable image.
#include <cstddef>
#include <cstdint>

#include "core/scenery/file_version.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TFileVersion version;
  GetFileVersionFromImage(data, size, version);
  return 0;
}
