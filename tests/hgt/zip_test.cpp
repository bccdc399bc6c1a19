#include "hgt/zip.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "hgt/zip_stream.h"
#include "settings/progress.h"
#include "support/test_paths.h"

namespace fs = std::filesystem;

namespace {

using TBytes = std::vector<uint8_t>;

// Bit-at-a-time CRC-32: the plain reference for the table-driven one.
uint32_t ReferenceCrc(const TBytes& data) {
  uint32_t c = 0xFFFFFFFFu;
  for (uint8_t b : data) {
    c ^= b;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
  }
  return ~c;
}

TBytes ReadAll(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return TBytes(std::istreambuf_iterator<char>(f), {});
}

[[maybe_unused]] void WriteAll(const std::string& path, const TBytes& data) {
  std::ofstream f(path, std::ios::binary);
  f.write(reinterpret_cast<const char*>(data.data()), std::streamsize(data.size()));
}

// Files left in a folder, recursively, as paths relative to it.
std::vector<std::string> Listing(const std::string& dir) {
  std::vector<std::string> out;
  for (auto& e : fs::recursive_directory_iterator(dir))
    if (e.is_regular_file()) out.push_back(fs::relative(e.path(), dir).string());
  return out;
}

// A small archive writer for the failure cases: members with chosen method,
// flags, CRC and sizes.
struct TMember {
  std::string name;
  TBytes data;  // the member's compressed bytes
  uint16_t method = 0;
  uint16_t flags = 0;
  uint32_t crc = 0;
  uint32_t size = 0;   // declared uncompressed size
  uint32_t csize = 0;  // declared compressed size
  uint32_t local_sig = 0x04034b50;
};

TMember Stored(const std::string& name, const std::string& text) {
  TMember m;
  m.name = name;
  m.data.assign(text.begin(), text.end());
  m.crc = ReferenceCrc(m.data);
  m.size = m.csize = uint32_t(m.data.size());
  return m;
}

// A raw deflate stream of one stored block holding `text`.
[[maybe_unused]] TMember DeflatedStoredBlock(const std::string& name, const std::string& text) {
  TMember m = Stored(name, text);
  uint16_t n = uint16_t(text.size());
  m.data = {0x01, uint8_t(n), uint8_t(n >> 8), uint8_t(~n), uint8_t(~n >> 8)};
  m.data.insert(m.data.end(), text.begin(), text.end());
  m.method = 8;
  m.csize = uint32_t(m.data.size());
  return m;
}

void Put16(TBytes& b, uint32_t v) {
  b.push_back(uint8_t(v));
  b.push_back(uint8_t(v >> 8));
}
void Put32(TBytes& b, uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}

[[maybe_unused]] TBytes MakeArchive(const std::vector<TMember>& members,
                                    const std::string& comment = "") {
  TBytes zip, dir;
  for (const TMember& m : members) {
    uint32_t offset = uint32_t(zip.size());
    Put32(zip, m.local_sig);
    Put16(zip, 20);
    Put16(zip, m.flags);
    Put16(zip, m.method);
    Put32(zip, 0x21000000);  // 1996-08-01 00:00
    Put32(zip, m.crc);
    Put32(zip, m.csize);
    Put32(zip, m.size);
    Put16(zip, uint32_t(m.name.size()));
    Put16(zip, 0);
    zip.insert(zip.end(), m.name.begin(), m.name.end());
    zip.insert(zip.end(), m.data.begin(), m.data.end());
    Put32(dir, 0x02014b50);
    Put16(dir, 20);
    Put16(dir, 20);
    Put16(dir, m.flags);
    Put16(dir, m.method);
    Put32(dir, 0x21000000);
    Put32(dir, m.crc);
    Put32(dir, m.csize);
    Put32(dir, m.size);
    Put16(dir, uint32_t(m.name.size()));
    Put32(dir, 0);  // extra and comment lengths
    Put32(dir, 0);  // disk, internal attributes
    Put32(dir, 0);  // external attributes
    Put32(dir, offset);
    dir.insert(dir.end(), m.name.begin(), m.name.end());
  }
  uint32_t dir_offset = uint32_t(zip.size());
  zip.insert(zip.end(), dir.begin(), dir.end());
  Put32(zip, 0x06054b50);
  Put32(zip, 0);
  Put16(zip, uint32_t(members.size()));
  Put16(zip, uint32_t(members.size()));
  Put32(zip, uint32_t(dir.size()));
  Put32(zip, dir_offset);
  Put16(zip, uint32_t(comment.size()));
  zip.insert(zip.end(), comment.begin(), comment.end());
  return zip;
}

struct TExpected {
  std::string name;
  uint64_t size;
  uint32_t crc;
};

struct TFixture {
  std::string archive;
  int count;  // what UnzipFiles returns
  std::vector<TExpected> members;
};

}  // namespace

// Real archives from other programs, every method: each member must come out
// with the size and CRC that other readers found.
TEST(ZipFixtures, EveryMethodExtractsExactBytes) {
  DELVA_REQUIRE_SHARED(root, "zip");
  const std::vector<TFixture> fixtures = {
      {"commons-compress/SHRUNK.ZIP",
       2,
       {{"TEST1.XML", 76, 0x393a497a}, {"TEST2.XML", 81, 0xd19abf92}}},
      {"commons-compress/imploding-4Kdict-2trees.zip", 1, {{"HEADER.TXT", 818, 0x3222d8c7}}},
      {"commons-compress/imploding-8Kdict-3trees.zip", 1, {{"LICENSE.TXT", 11560, 0x495fc599}}},
      {"commons-compress/lorem-ipsum-implode.zip", 1, {{"LOREM.TXT", 144060, 0xb9034f7e}}},
      {"commons-compress/moby-imploded.zip",
       135,
       {{"README", 9601, 0xe2a6f19e},
        {"moby.0", 2511, 0x3d0dc15c},
        {"moby.1", 12426, 0x907cd761},
        {"moby.10", 8853, 0x61aefe5f}}},
      {"commons-compress/mixed.zip",
       2,
       {{"inflated.txt", 48891, 0x406039a3}, {"stored.txt", 48891, 0x406039a3}}},
      {"commons-compress/archive_with_trailer.zip",
       2,
       {{"test1.xml", 610, 0x0f54eacb}, {"test2.xml", 82, 0xce356c1c}}},
      {"commons-compress/archive_with_bytes_after_data.zip",
       2,
       {{"test1.xml", 610, 0x0f54eacb}, {"test2.xml", 82, 0xce356c1c}}},
      {"sharpcompress/Zip.shrink.zip",
       3,
       {{"TECT.TXT", 15498, 0x9bd160fa},
        {"TEST.EXE", 45056, 0xcfb109c8},
        {"TEST.JPG", 40372, 0x088814e3}}},
      {"sharpcompress/Zip.implode.zip",
       3,
       {{"EXE/TEST.EXE", 45056, 0xcfb109c8}, {"JPG/TEST.JPG", 40372, 0x088814e3}}},
      {"sharpcompress/Zip.deflate.dd.zip",
       3,
       {{"exe/test.exe", 45056, 0xcfb109c8}, {"jpg/test.jpg", 40372, 0x088814e3}}},
      {"sharpcompress/Zip.none.datadescriptors.zip",
       2,
       {{"first.txt", 199, 0x03f00687}, {"second.txt", 197, 0xd55fc7eb}}},
      {"sharpcompress/Zip.zip64.zip",
       3,
       {{"exe/test.exe", 45056, 0xcfb109c8}, {"jpg/test.jpg", 40372, 0x088814e3}}},
      {"sharpcompress/Zip.zip64.compressedonly.zip", 1, {{"test/test.txt", 15, 0xc6c3c95d}}},
      {"zip-rs/shrink.zip", 1, {{"FIRST.TXT", 1092, 0x22957a6e}}},
      {"zip-rs/implode.zip", 1, {{"first.txt", 1092, 0x22957a6e}}},
      {"zip-rs/data_descriptor.zip", 1, {{"hello.txt", 12, 0xb095e5e3}}},
      // Leading junk before the first local header: not taken for an archive.
      {"zip-rs/zip64_demo.zip", kZipNotZip, {}},
      {"commons-compress/test-winzip.zip", 5, {{"doc.txt.gz", 31, 0xf3e87736}}},
      // Method 9 first: unsupported, the walk ends with nothing extracted.
      {"commons-compress/COMPRESS-380-dd.zip", 0, {}},
      // Shrunk, then method 2: the shrunk one counts, the walk ends there.
      {"sharpcompress/Zip.reduce1.zip", 1, {{"TECT.TXT", 15498, 0x9bd160fa}}},
      {"commons-compress/moby.zip", 0, {}},
  };
  for (const TFixture& fx : fixtures) {
    SCOPED_TRACE(fx.archive);
    TTempDir dir;
    EXPECT_EQ(UnzipFiles(root + "/" + fx.archive, dir.Path(), ""), fx.count);
    for (const TExpected& m : fx.members) {
      SCOPED_TRACE(m.name);
      TBytes data = ReadAll(dir.File(m.name));
      EXPECT_EQ(data.size(), m.size);
      EXPECT_EQ(ReferenceCrc(data), m.crc);
    }
    if (fx.count <= 0) {
      EXPECT_TRUE(Listing(dir.Path()).empty());
    }
  }
}
