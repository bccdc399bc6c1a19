#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

// Conversion between 16-bit samples in memory and their bytes in a file.
// Written as plain loops over whole blocks so the compiler vectorises them.

// Files move through a buffer of about this many bytes: large enough that
// the system call cost vanishes, small enough to stay in the cache while the
// samples are converted.
inline constexpr int64_t kSampleBlockBytes = 256 * 1024;
inline int64_t RowsPerBlock(int64_t rowBytes) {
  return rowBytes >= kSampleBlockBytes ? 1 : kSampleBlockBytes / rowBytes;
}

inline bool HostIsLittleEndian() {
  const uint16_t one = 1;
  unsigned char first;
  std::memcpy(&first, &one, 1);
  return first == 1;
}

// n samples from `src` (2 bytes each, high byte first when bigEndian) into dst.
inline void DecodeSamples(const unsigned char* src, int16_t* dst, size_t n, bool bigEndian) {
  if (bigEndian == !HostIsLittleEndian()) {
    std::memcpy(dst, src, n * 2);
    return;
  }
  for (size_t i = 0; i < n; ++i) {
    uint16_t v;
    std::memcpy(&v, src + 2 * i, 2);
    v = static_cast<uint16_t>((v >> 8) | (v << 8));
    std::memcpy(dst + i, &v, 2);
  }
}

// Converts n samples read as raw bytes in place (same order rules as above).
inline void DecodeSamplesInPlace(int16_t* p, size_t n, bool bigEndian) {
  if (bigEndian == !HostIsLittleEndian()) return;
  auto* u = reinterpret_cast<uint16_t*>(p);
  for (size_t i = 0; i < n; ++i) u[i] = static_cast<uint16_t>((u[i] >> 8) | (u[i] << 8));
}

// n samples into 2n bytes; a sample equal to voidFrom is written as voidTo
// when the two differ.
inline void EncodeSamples(const int16_t* src, unsigned char* dst, size_t n, bool bigEndian,
                          int16_t voidFrom, int16_t voidTo) {
  const bool swap = bigEndian == HostIsLittleEndian();
  const bool replace = voidFrom != voidTo;
  for (size_t i = 0; i < n; ++i) {
    int16_t s = src[i];
    if (replace) s = (s == voidFrom) ? voidTo : s;
    uint16_t v = static_cast<uint16_t>(s);
    if (swap) v = static_cast<uint16_t>((v >> 8) | (v << 8));
    std::memcpy(dst + 2 * i, &v, 2);
  }
}

// Little-endian header fields.
inline void PutLE16(unsigned char* p, uint16_t v) {
  p[0] = static_cast<unsigned char>(v);
  p[1] = static_cast<unsigned char>(v >> 8);
}
inline void PutLE32(unsigned char* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}
inline uint16_t GetLE16(const unsigned char* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
inline uint32_t GetLE32(const unsigned char* p) {
  return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
inline void PutLEFloat(unsigned char* p, float f) {
  uint32_t v;
  std::memcpy(&v, &f, 4);
  PutLE32(p, v);
}
inline float GetLEFloat(const unsigned char* p) {
  uint32_t v = GetLE32(p);
  float f;
  std::memcpy(&f, &v, 4);
  return f;
}
