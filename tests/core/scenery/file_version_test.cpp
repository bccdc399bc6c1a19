#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "core/scenery/file_version.h"
#include "support/pe_image.h"
#include "support/test_paths.h"

namespace {

using pe_test::BuildPe;
using pe_test::TPeOptions;

bool Version(const std::vector<uint8_t>& image, TFileVersion& v) {
  return GetFileVersionFromImage(image.data(), image.size(), v);
}

}  // namespace

TEST(FileVersion, ReadsTheFixedFileInformationOrRefuses) {
  TTempDir dir;
  const std::string path = dir.File("resample.exe");
  ASSERT_TRUE(pe_test::WritePe(path, 1, 1, 0, 5105));
  TFileVersion v;
  ASSERT_TRUE(GetFileVersion(path, v) && v == (TFileVersion{1, 1, 0, 5105}));
  TPeOptions o{true, true, false, 52, 65535, 2, 3, 4};  // PE32+
  EXPECT_TRUE(Version(BuildPe(o), v) && v == (TFileVersion{65535, 2, 3, 4}));

  v = TFileVersion{7, 7, 7, 7};
  EXPECT_FALSE(GetFileVersion(dir.File("missing.exe"), v) || GetFileVersion(dir.Path(), v));

  // No RT_VERSION, a damaged signature, no value.
  for (const TPeOptions& o : {TPeOptions{.withVersion = false}, TPeOptions{.badSignature = true},
                              TPeOptions{.valueLength = 0}})
    EXPECT_FALSE(Version(BuildPe(o), v));
  EXPECT_EQ(v, (TFileVersion{7, 7, 7, 7}));  // untouched by failures

  // Every truncation of a good image, even to nothing, fails cleanly (no read past the end)
  // until it holds the whole version block, which ends at 0x4BC.
  const std::vector<uint8_t> good = BuildPe(TPeOptions{});
  for (size_t n = 0; n < good.size(); n += 3) {
    std::vector<uint8_t> cut(good.begin(), good.begin() + std::ptrdiff_t(n));
    TFileVersion w;
    EXPECT_EQ(Version(cut, w) + (w == TFileVersion{1, 0, 0, 4}), n >= 0x4BC ? 2 : 0) << n;
  }
  // The section's raw data ending with the resource, or a byte before it.
  for (const uint8_t raw : {0xBC, 0xBB}) {
    std::vector<uint8_t> cut = good;
    cut[0x148] = raw, cut[0x149] = 0;
    EXPECT_EQ(Version(cut, v), raw == 0xBC);
  }
  std::vector<uint8_t> shortOpt(good.begin(), good.begin() + 0x98 + 90);  // ends the file
  shortOpt[0x94] = 90, shortOpt[0x95] = 0;  // an optional header too short for its directory count
  EXPECT_FALSE(Version(shortOpt, v));
  std::vector<uint8_t> named = good;  // counts added, either may list it; entries end the file
  named.resize(0x410 + (good.size() - 0x410 + 7) / 8 * 8);
  named[0x40C] = uint8_t((named.size() - 0x410) / 8), named[0x40E] = 0;
  EXPECT_TRUE(Version(named, v));
  // Damaged: the PE header's offset, a subdirectory's offset (beyond the file), the optional
  // header's kind, the resource directory's size (8 bytes) and place (in no section), the
  // version block's key.
  for (const auto& [at, value] : {std::pair{0x3F, 0x7F},
                                  {0x416, 0xFF},
                                  {0x98, 0x0C},
                                  {0x10C, 8},
                                  {0x109, 0x70},
                                  {0x466, 'X'}}) {
    std::vector<uint8_t> bad = good;
    bad[size_t(at)] = uint8_t(value);
    EXPECT_FALSE(Version(bad, v)) << at;
  }
}
