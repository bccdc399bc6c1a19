// Fuzz target of the ZIP reader. An input starting with "PK" is an archive:
// it is recognised, listed, sized and extracted into a private temporary
// folder. Any other input feeds one member decoder directly: the first byte
// picks the method and flags, the next two give the output size, the rest is
// the member's data.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

#include "core/zip/zip.h"
#include "core/zip/zip_stream.h"
#include "core/zip/zip_types.h"

namespace fs = std::filesystem;

namespace {

// Kept in a plain array so that the clean-up at exit never meets a
// destroyed object.
char g_work_dir[1024];

const fs::path& WorkDir() {
  static const fs::path dir = [] {
    fs::path p = fs::temp_directory_path() / ("delva-zip-fuzz-" + std::to_string(getpid()));
    fs::create_directories(p);
    std::snprintf(g_work_dir, sizeof g_work_dir, "%s", p.string().c_str());
    std::atexit([] {
      std::error_code ec;
      fs::remove_all(fs::path(g_work_dir), ec);
    });
    return p;
  }();
  return dir;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size >= 2 && data[0] == 'P' && data[1] == 'K') {
    const fs::path archive = WorkDir() / "input.zip";
    const fs::path out = WorkDir() / "out";
    std::FILE* f = std::fopen(archive.string().c_str(), "wb");
    if (!f) return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    IsZipFile(archive.string());
    std::vector<std::string> names;
    if (ZipEntryNames(archive.string(), names) && !names.empty())
      ZipEntrySize(archive.string(), names.front());
    std::error_code ec;
    fs::create_directories(out, ec);
    UnzipFiles(archive.string(), out.string(), "");
    // Everything written must stay inside the target folder.
    for (auto it = fs::directory_iterator(WorkDir(), ec); !ec && it != fs::directory_iterator();
         it.increment(ec)) {
      const std::string name = it->path().filename().string();
      if (name != "input.zip" && name != "out") __builtin_trap();
    }
    fs::remove_all(out, ec);
    return 0;
  }
  // Decoder input: selector byte, 16-bit output size, member data.
  if (size < 3) return 0;
  static const uint16_t kMethods[4] = {kZipStored, kZipShrunk, kZipImploded, kZipDeflated};
  const uint16_t method = kMethods[data[0] & 3];
  const uint16_t flags = uint16_t((data[0] >> 2) & 6);
  const size_t out_size = size_t(data[1] | (data[2] << 8));
  std::vector<uint8_t> out(out_size);
  ZipDecodeBuffer(method, flags, data + 3, size - 3, out.data(), out.size());
  return 0;
}
