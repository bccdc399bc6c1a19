#include "core/formats/bmp_writer.h"

#include <cstdio>
#include <vector>

#include "core/base/file_util.h"
#include "core/base/progress.h"
#include "core/base/sample_io.h"

namespace {

constexpr uint32_t kFileHeaderSize = 14;
constexpr uint32_t kInfoHeaderSize = 40;
constexpr uint32_t kColourTableSize = 256 * 4;
constexpr uint32_t kPixelOffset = kFileHeaderSize + kInfoHeaderSize + kColourTableSize;

uint64_t RowStride(int32_t width) { return (uint64_t(width) + 3) / 4 * 4; }

}  // namespace

uint64_t Bmp8FileSize(int32_t width, int32_t height) {
  if (width <= 0 || height <= 0) return 0;
  const uint64_t size = kPixelOffset + RowStride(width) * uint64_t(height);
  return size > 0xFFFFFFFFull ? 0 : size;
}

bool WriteBmp8(const std::string& path, int32_t width, int32_t height, const TTBmpPalette& palette,
               const TRowSource& rows, TTProgress* progress) {
  const uint64_t fileSize = Bmp8FileSize(width, height);
  if (fileSize == 0 || !rows) return false;
  const uint64_t stride = RowStride(width);

  TTAtomicFileWriter out(path);
  if (!out.Open()) return false;

  std::vector<uint8_t> head(kPixelOffset, 0);
  uint8_t* h = head.data();
  h[0] = 'B';
  h[1] = 'M';
  PutLE32(h + 2, uint32_t(fileSize));
  PutLE32(h + 10, kPixelOffset);
  uint8_t* info = h + kFileHeaderSize;
  PutLE32(info + 0, kInfoHeaderSize);
  PutLE32(info + 4, uint32_t(width));
  PutLE32(info + 8, uint32_t(height));  // positive height: rows stored bottom-up
  PutLE16(info + 12, 1);                // planes
  PutLE16(info + 14, 8);                // bits per pixel
  PutLE32(info + 16, 0);                // no compression
  PutLE32(info + 20, uint32_t(stride * uint64_t(height)));
  PutLE32(info + 32, 256);  // colours used
  uint8_t* table = info + kInfoHeaderSize;
  for (int i = 0; i < 256; ++i) {
    table[4 * i + 0] = uint8_t(palette[i]);
    table[4 * i + 1] = uint8_t(palette[i] >> 8);
    table[4 * i + 2] = uint8_t(palette[i] >> 16);
    table[4 * i + 3] = 0;
  }
  if (!out.Write(head.data(), head.size())) return false;

  if (progress) {
    progress->SetRange(0, height - 1);
    progress->SetPosition(0);
    progress->Show();
  }
  std::vector<uint8_t> line(stride, 0);
  bool ok = true;
  for (int32_t k = 0; k < height && ok; ++k) {
    const int32_t y = height - 1 - k;
    const uint8_t* src = rows(y);
    if (!src) {
      ok = false;
      break;
    }
    std::copy(src, src + width, line.begin());
    ok = out.Write(line.data(), line.size());
    if (progress && (k & 63) == 0) {
      progress->SetPosition(k);
      progress->Pump();
    }
  }
  if (progress) progress->Hide();
  return ok && out.Commit();
}
