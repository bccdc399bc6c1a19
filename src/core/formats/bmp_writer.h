#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>

class TTProgress;

// The colour table: 256 entries 0xAARRGGBB (alpha not written), the form of
// the mesh image's palette and of a QImage colour table.
using TTBmpPalette = std::array<uint32_t, 256>;

// Gives the palette indices of image row y (row 0 at the top), width bytes.
using TRowSource = std::function<const uint8_t*(int32_t y)>;

// Size in bytes of an 8-bit BMP file of the given size (headers, colour
// table and rows padded to 4 bytes); 0 when it does not fit the format's
// 32-bit size fields.
uint64_t Bmp8FileSize(int32_t width, int32_t height);

// Writes an 8-bit Windows BMP: file header, 40-byte information header, the
// 256-entry colour table, then the rows bottom-up, each padded to a multiple
// of 4 bytes. The file is written beside the target and renamed over it only
// when complete, so a failure leaves an existing file untouched and no
// temporary file behind. Returns false on any failure.
bool WriteBmp8(const std::string& path, int32_t width, int32_t height, const TTBmpPalette& palette,
               const TRowSource& rows, TTProgress* progress = nullptr);
