#pragma once

// Small PE images for the tests of the version reader and of the dialogs
// that use it, built in memory (no executable from elsewhere is needed).

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace pe_test {

// Builds a small PE image the way a linker lays one out: DOS header, PE
// header, one ".rsrc" section with a three-level resource tree holding one
// RT_VERSION resource (VS_VERSIONINFO with its VS_FIXEDFILEINFO).
struct TPeOptions {
  bool pe32Plus = false;
  bool withVersion = true;    // false: the tree holds an RT_ICON instead
  bool badSignature = false;  // VS_FIXEDFILEINFO signature damaged
  uint32_t valueLength = 52;
  uint16_t major = 1, minor = 0, release = 0, build = 4;
};

// Little-endian fields at given offsets, the image growing as needed.
struct TBytes : std::vector<uint8_t> {
  void Put(size_t at, uint32_t v, size_t n) {
    if (size() < at + n) resize(at + n, 0);
    for (size_t i = 0; i < n; ++i) (*this)[at + i] = uint8_t(v >> (8 * i));
  }
  void Put16(size_t at, uint16_t v) { Put(at, v, 2); }
  void Put32(size_t at, uint32_t v) { Put(at, v, 4); }
  void PutText(size_t at, const char* s) {
    for (size_t i = 0; s[i]; ++i) Put(at + i, uint8_t(s[i]), 1);
  }
};

inline std::vector<uint8_t> BuildPe(const TPeOptions& o) {
  TBytes p;
  const uint32_t peAt = 0x80;
  p.PutText(0, "MZ"), p.Put32(0x3C, peAt);  // the DOS header points to the PE header
  p.PutText(peAt, "PE"), p.Put16(peAt + 4, o.pe32Plus ? 0x8664 : 0x14C);  // signature, machine
  p.Put16(peAt + 6, 2);  // sections: .text and .rsrc
  const uint16_t optSize = o.pe32Plus ? 240 : 120;
  p.Put16(peAt + 20, optSize);
  const uint32_t opt = peAt + 24;
  p.Put16(opt, o.pe32Plus ? 0x20B : 0x10B);
  const uint32_t dirs = opt + (o.pe32Plus ? 112 : 96);
  p.Put32(opt + (o.pe32Plus ? 108 : 92), o.pe32Plus ? 16 : 3);  // 3: ends with the resources' entry
  const uint32_t rsrcRva = 0x2000, rsrcRaw = 0x400, table = opt + optSize;
  // .text: some code bytes nobody reads.
  p.PutText(table, ".text");  // virtual size and address, raw size and offset
  for (auto [at, v] : {std::pair{8u, 0x100u}, {12u, 0x1000u}, {16u, 0x200u}, {20u, 0x200u}})
    p.Put32(table + at, v);
  const uint32_t s = table + 40;  // .rsrc
  p.PutText(s, ".rsrc"), p.Put32(s + 12, rsrcRva), p.Put32(s + 20, rsrcRaw);

  // Resource tree at rsrcRaw: root -> type -> name -> language -> data entry.
  const uint32_t r = rsrcRaw;
  p.Put16(r + 14, 1);                       // one id entry
  p.Put32(r + 16, o.withVersion ? 16 : 3);  // RT_VERSION or RT_ICON
  p.Put32(r + 20, 0x80000000u | 0x18);      // -> name directory
  p.Put16(r + 0x18 + 14, 1);
  p.Put32(r + 0x18 + 16, 1);                   // name id 1
  p.Put32(r + 0x18 + 20, 0x80000000u | 0x30);  // -> language directory
  p.Put16(r + 0x30 + 14, 1);
  p.Put32(r + 0x30 + 16, 0x409);  // language en-US
  p.Put32(r + 0x30 + 20, 0x48);   // -> data entry
  const uint32_t dataAt = 0x60;
  const uint32_t keyBytes = 16 * 2;  // L"VS_VERSION_INFO" with its zero
  const uint32_t valueAt = (6 + keyBytes + 3) & ~3u, length = valueAt + 52;
  p.Put32(r + 0x48, rsrcRva + dataAt), p.Put32(r + 0x48 + 4, length);
  const uint32_t v = r + dataAt;
  p.Put16(v, uint16_t(length)), p.Put16(v + 2, uint16_t(o.valueLength));
  const char* key = "VS_VERSION_INFO";
  for (uint32_t i = 0; key[i]; ++i) p.Put16(v + 6 + 2 * i, uint16_t(key[i]));
  p.Put16(v + 6 + 30, 0), p.Put32(v + valueAt, o.badSignature ? 0xFEEF0000u : 0xFEEF04BDu);
  p.Put32(v + valueAt + 4, 0x10000), p.Put32(v + valueAt + 8, (uint32_t(o.major) << 16) | o.minor);
  p.Put32(v + valueAt + 12, (uint32_t(o.release) << 16) | o.build);
  // Product version differs on purpose: the file version is what counts.
  p.Put32(v + valueAt + 16, 0x00090009), p.Put32(v + valueAt + 20, 0x00090009);
  const uint32_t rsrcSize = dataAt + length;
  p.resize(std::max(p.size(), size_t(rsrcRaw + ((rsrcSize + 0x1FF) & ~0x1FFu))));
  p.Put32(s + 8, rsrcSize), p.Put32(s + 16, (rsrcSize + 0x1FF) & ~0x1FFu);
  p.Put32(dirs + 2 * 8, rsrcRva), p.Put32(dirs + 2 * 8 + 4, rsrcSize);  // the resources' entry
  return p;
}

// Writes an image of the given version to `path`; false when that fails.
inline bool WritePe(const std::string& path, uint16_t major, uint16_t minor, uint16_t release,
                    uint16_t build) {
  const std::vector<uint8_t> image =
      BuildPe({.major = major, .minor = minor, .release = release, .build = build});
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(image.data()), std::streamsize(image.size()));
  return bool(out);
}

}  // namespace pe_test
