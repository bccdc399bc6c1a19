#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "settings/file_version.h"
#include "support/test_paths.h"

namespace {

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

class TBytes {
 public:
  void Put16(size_t at, uint16_t v) {
    Grow(at + 2);
    b_[at] = uint8_t(v);
    b_[at + 1] = uint8_t(v >> 8);
  }
  void Put32(size_t at, uint32_t v) {
    Put16(at, uint16_t(v));
    Put16(at + 2, uint16_t(v >> 16));
  }
  void PutText(size_t at, const char* s) {
    for (size_t i = 0; s[i]; ++i) {
      Grow(at + i + 1);
      b_[at + i] = uint8_t(s[i]);
    }
  }
  void Grow(size_t n) {
    if (b_.size() < n) b_.resize(n, 0);
  }
  std::vector<uint8_t>& Data() { return b_; }

 private:
  std::vector<uint8_t> b_;
};

std::vector<uint8_t> BuildPe(const TPeOptions& o) {
  TBytes p;
  const uint32_t peAt = 0x80;
  p.PutText(0, "MZ");
  p.Put32(0x3C, peAt);
  p.PutText(peAt, "PE");
  p.Put16(peAt + 4, o.pe32Plus ? 0x8664 : 0x14C);
  p.Put16(peAt + 6, 2);  // sections: .text and .rsrc
  const uint16_t optSize = o.pe32Plus ? 240 : 224;
  p.Put16(peAt + 20, optSize);
  const uint32_t opt = peAt + 24;
  p.Put16(opt, o.pe32Plus ? 0x20B : 0x10B);
  const uint32_t dirs = opt + (o.pe32Plus ? 112 : 96);
  p.Put32(opt + (o.pe32Plus ? 108 : 92), 16);
  const uint32_t rsrcRva = 0x2000, rsrcRaw = 0x400;
  const uint32_t table = opt + optSize;
  // .text: some code bytes nobody reads.
  p.PutText(table, ".text");
  p.Put32(table + 8, 0x100);
  p.Put32(table + 12, 0x1000);
  p.Put32(table + 16, 0x200);
  p.Put32(table + 20, 0x200);
  // .rsrc
  const uint32_t s = table + 40;
  p.PutText(s, ".rsrc");
  p.Put32(s + 12, rsrcRva);
  p.Put32(s + 20, rsrcRaw);

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
  const uint32_t valueAt = (6 + keyBytes + 3) & ~3u;
  const uint32_t length = valueAt + 52;
  p.Put32(r + 0x48, rsrcRva + dataAt);
  p.Put32(r + 0x48 + 4, length);
  const uint32_t v = r + dataAt;
  p.Put16(v, uint16_t(length));
  p.Put16(v + 2, uint16_t(o.valueLength));
  const char* key = "VS_VERSION_INFO";
  for (uint32_t i = 0; key[i]; ++i) p.Put16(v + 6 + 2 * i, uint16_t(key[i]));
  p.Put16(v + 6 + 30, 0);
  p.Put32(v + valueAt, o.badSignature ? 0xFEEF0000u : 0xFEEF04BDu);
  p.Put32(v + valueAt + 4, 0x10000);
  p.Put32(v + valueAt + 8, (uint32_t(o.major) << 16) | o.minor);
  p.Put32(v + valueAt + 12, (uint32_t(o.release) << 16) | o.build);
  // Product version differs on purpose: the file version is what counts.
  p.Put32(v + valueAt + 16, 0x00090009);
  p.Put32(v + valueAt + 20, 0x00090009);
  const uint32_t rsrcSize = dataAt + length;
  p.Grow(rsrcRaw + ((rsrcSize + 0x1FF) & ~0x1FFu));
  p.Put32(s + 8, rsrcSize);
  p.Put32(s + 16, (rsrcSize + 0x1FF) & ~0x1FFu);
  p.Put32(dirs + 2 * 8, rsrcRva);
  p.Put32(dirs + 2 * 8 + 4, rsrcSize);
  return p.Data();
}

bool Version(const std::vector<uint8_t>& image, TFileVersion& v) {
  return GetFileVersionFromImage(image.data(), image.size(), v);
}

}  // namespace

TEST(FileVersion, ReadsTheFixedFileInformation) {
  TTempDir dir;
  TPeOptions o;
  o.major = 1;
  o.minor = 1;
  o.release = 0;
  o.build = 5105;
  const std::vector<uint8_t> pe = BuildPe(o);
  const std::string path = dir.File("resample.exe");
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(pe.data()), std::streamsize(pe.size()));
  TFileVersion v;
  ASSERT_TRUE(GetFileVersion(path, v));
  EXPECT_EQ(v, (TFileVersion{1, 1, 0, 5105}));

  o.pe32Plus = true;
  o.major = 65535;
  o.minor = 2;
  o.release = 3;
  o.build = 4;
  ASSERT_TRUE(Version(BuildPe(o), v));
  EXPECT_EQ(v, (TFileVersion{65535, 2, 3, 4}));
}

TEST(FileVersion, RefusesFilesWithoutReadableVersion) {
  TTempDir dir;
  TFileVersion v{7, 7, 7, 7};
  EXPECT_FALSE(GetFileVersion(dir.File("missing.exe"), v));
  EXPECT_FALSE(GetFileVersion(dir.Path(), v));  // a folder
  std::ofstream(dir.File("empty.exe"), std::ios::binary);
  EXPECT_FALSE(GetFileVersion(dir.File("empty.exe"), v));
  std::ofstream(dir.File("script.exe"), std::ios::binary) << "#!/bin/sh\necho hi\n";
  EXPECT_FALSE(GetFileVersion(dir.File("script.exe"), v));

  TPeOptions noVersion;
  noVersion.withVersion = false;
  EXPECT_FALSE(Version(BuildPe(noVersion), v));
  TPeOptions badSig;
  badSig.badSignature = true;
  EXPECT_FALSE(Version(BuildPe(badSig), v));
  TPeOptions noValue;
  noValue.valueLength = 0;
  EXPECT_FALSE(Version(BuildPe(noValue), v));
  EXPECT_EQ(v, (TFileVersion{7, 7, 7, 7}));  // untouched by failures

  // Every truncation of a good image fails cleanly (no read past the end).
  const std::vector<uint8_t> good = BuildPe(TPeOptions{});
  for (size_t n = 0; n < good.size(); n += 7) {
    std::vector<uint8_t> cut(good.begin(), good.begin() + std::ptrdiff_t(n));
    TFileVersion w;
    const bool ok = Version(cut, w);
    if (ok) {
      EXPECT_EQ(w, (TFileVersion{1, 0, 0, 4}));
    }
  }
  // Damaged offsets: the PE header and the resource directory pointing far away.
  std::vector<uint8_t> bad = good;
  bad[0x3C] = 0xFF;
  bad[0x3F] = 0x7F;
  EXPECT_FALSE(Version(bad, v));
  bad = good;
  bad[0x400 + 20] = 0xF0;  // subdirectory offset beyond the file
  bad[0x400 + 22] = 0xFF;
  EXPECT_FALSE(Version(bad, v));
  EXPECT_FALSE(GetFileVersionFromImage(nullptr, 0, v));
}
