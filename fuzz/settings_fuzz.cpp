// Fuzz target of the settings file: a record decoded from any image encodes
// to an image that decodes to the same record.
#include <cstddef>
#include <cstdint>

#include "core/settings/prog_cfg.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TTProgCfg cfg;
  if (!DecodeProgCfg(data, size, cfg)) return 0;
  const std::vector<unsigned char> image = EncodeProgCfg(cfg);
  TTProgCfg again;
  if (!DecodeProgCfg(image.data(), image.size(), again)) __builtin_trap();
  if (again.ResamplePath != cfg.ResamplePath || again.HGTFolder != cfg.HGTFolder ||
      again.BGLFolder != cfg.BGLFolder || again.MaxMemUndo != cfg.MaxMemUndo ||
      again.WarnNoUndo != cfg.WarnNoUndo)
    __builtin_trap();
  return 0;
}
