#pragma once

#include <cstddef>
#include <cstdint>

// CRC-32 of ZIP (reflected polynomial 0xEDB88320, initial value all ones,
// final inversion). Pass the previous result to continue a running CRC; start
// with 0.
uint32_t ZipCrc32(uint32_t crc, const uint8_t* data, size_t size);
