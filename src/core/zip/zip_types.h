#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

// Result codes of the ZIP reader. Non-negative results are counts.
enum : int {
  kZipCrcMismatch = -1,
  kZipWriteError = -2,  // output cannot be created or written
  kZipReadError = -3,
  kZipDamaged = -4,  // damaged archive data
  kZipAborted = -5,  // the user pressed Esc
  kZipUnsupported = -6,
  kZipEncrypted = -7,
  kZipBusy = -8,
  kZipBadDirectory = -9,
  kZipNoMoreEntries = -10,
  kZipCannotOpen = -11,  // cannot be opened or is empty
  kZipNotZip = -12,
  kZipCannotOpenForExtract = -14,
  kZipNoArgument = -500,  // archive or target folder not given
};

// Compression methods the reader decodes: stored, shrunk, imploded, deflated.
enum : uint16_t { kZipStored = 0, kZipShrunk = 1, kZipImploded = 6, kZipDeflated = 8 };
constexpr uint32_t kZipMethodMask = 0x143;

inline bool ZipMethodSupported(uint16_t method) {
  return method < 32 && ((kZipMethodMask >> method) & 1) != 0;
}

struct TZipFileCloser {
  void operator()(std::FILE* f) const {
    if (f) std::fclose(f);
  }
};
using TZipFile = std::unique_ptr<std::FILE, TZipFileCloser>;

// A walk through the central directory and the member it stands on.
struct TZipSearchRec {
  std::vector<uint8_t> Directory;  // the loaded central directory
  size_t Position = 0;             // of the next entry in Directory
  uint16_t Time = 0, Date = 0;     // DOS time and date
  uint64_t Size = 0;               // uncompressed
  uint64_t CompressedSize = 0;
  uint64_t HeaderOffset = 0;  // of the local header
  uint32_t Crc = 0;
  uint16_t Flags = 0;  // general-purpose bits
  uint16_t Method = 0;
  uint8_t Attr = 0;  // DOS attributes when made on MS-DOS, else 0
  // The stored name as it is in the archive, "\" written as "/".
  std::string Name;
  TZipFile Archive;
};
