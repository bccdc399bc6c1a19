#include "core/zip/zip.h"
#include "core/tiles/load_hgt.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "core/base/progress.h"
#include "core/base/sample_io.h"
#include "core/mesh/mesh.h"
#include "core/tiles/single_hgt.h"
#include "core/zip/zip_stream.h"
#include "support/mesh_helpers.h"
#include "support/test_paths.h"
#include "support/zip_fixture.h"

namespace fs = std::filesystem;

namespace {

using TBytes = std::vector<uint8_t>;

// Files left in a folder, recursively, as paths relative to it.
std::vector<std::string> Listing(const std::string& dir) {
  std::vector<std::string> out;
  for (auto& e : fs::recursive_directory_iterator(dir))
    if (e.is_regular_file()) out.push_back(fs::relative(e.path(), dir).generic_string());
  return out;
}

// A real archive: what UnzipFiles returns (each member counted has passed its CRC) and one member's
// size and CRC as other readers found them (no name: nothing may be extracted).
struct TFixture {
  const char* archive;
  int count;
  const char* name;
  uint64_t size;
  uint32_t crc;
};

}  // namespace

// Real archives from other programs, every method.
TEST(ZipFixtures, EveryMethodExtractsExactBytes) {
  DELVA_REQUIRE_SHARED(root, "zip");
  const TFixture fixtures[] = {
      {"commons-compress/SHRUNK.ZIP", 2, "TEST1.XML", 76, 0x393a497a},
      {"commons-compress/imploding-4Kdict-2trees.zip", 1, "HEADER.TXT", 818, 0x3222d8c7},
      {"commons-compress/imploding-8Kdict-3trees.zip", 1, "LICENSE.TXT", 11560, 0x495fc599},
      {"commons-compress/lorem-ipsum-implode.zip", 1, "LOREM.TXT", 144060, 0xb9034f7e},
      {"commons-compress/moby-imploded.zip", 135, "README", 9601, 0xe2a6f19e},
      {"commons-compress/mixed.zip", 2, "inflated.txt", 48891, 0x406039a3},
      {"commons-compress/archive_with_trailer.zip", 2, "test1.xml", 610, 0x0f54eacb},
      {"commons-compress/archive_with_bytes_after_data.zip", 2, "test1.xml", 610, 0x0f54eacb},
      {"sharpcompress/Zip.shrink.zip", 3, "TECT.TXT", 15498, 0x9bd160fa},
      {"sharpcompress/Zip.implode.zip", 3, "EXE/TEST.EXE", 45056, 0xcfb109c8},
      {"sharpcompress/Zip.deflate.dd.zip", 3, "exe/test.exe", 45056, 0xcfb109c8},
      {"sharpcompress/Zip.none.datadescriptors.zip", 2, "first.txt", 199, 0x03f00687},
      {"sharpcompress/Zip.zip64.zip", 3, "exe/test.exe", 45056, 0xcfb109c8},
      {"sharpcompress/Zip.zip64.compressedonly.zip", 1, "test/test.txt", 15, 0xc6c3c95d},
      {"zip-rs/shrink.zip", 1, "FIRST.TXT", 1092, 0x22957a6e},
      {"zip-rs/implode.zip", 1, "first.txt", 1092, 0x22957a6e},
      {"zip-rs/data_descriptor.zip", 1, "hello.txt", 12, 0xb095e5e3},
      // Leading junk before the first local header: not taken for an archive.
      {"zip-rs/zip64_demo.zip", kZipNotZip, nullptr, 0, 0},
      {"commons-compress/test-winzip.zip", 5, "doc.txt.gz", 31, 0xf3e87736},
      // Method 9 first: unsupported, the walk ends with nothing extracted.
      {"commons-compress/COMPRESS-380-dd.zip", 0, nullptr, 0, 0},
      // Shrunk, then method 2: the shrunk one counts, the walk ends there.
      {"sharpcompress/Zip.reduce1.zip", 1, "TECT.TXT", 15498, 0x9bd160fa},
      {"commons-compress/moby.zip", 0, nullptr, 0, 0},
      // Zipped SRTM tiles, one of them 3601 x 3601.
      {"../srtm/graphhopper/N43E007.hgt.zip", 1, "N43E007.hgt", 2884802, 0x44e90a4e},
      {"../srtm/graphhopper/N48W125.hgt.zip", 1, "N48W125.hgt", 25934402, 0x1acaf3e3},
  };
  for (const TFixture& fx : fixtures) {
    SCOPED_TRACE(fx.archive);
    TTempDir dir;
    EXPECT_EQ(UnzipFiles(root + "/" + fx.archive, dir.Path(), ""), fx.count);
    EXPECT_TRUE(fx.name || Listing(dir.Path()).empty());  // none named: nothing extracted
    if (!fx.name) continue;
    const TBytes data = ReadFileBytes(dir.File(fx.name));
    TBytes mem(data.size());  // and into memory
    const int got = UnzipMemberToMemory(root + "/" + fx.archive, fx.name, mem.data(), mem.size());
    EXPECT_EQ(std::tuple(data.size(), ReferenceCrc32(data), got, mem == data),
              std::tuple(fx.size, fx.crc, 1, true));
  }
  // The ZIP64 archive with its directory found through the ZIP64 record alone.
  TBytes z64 = ReadFileBytes(root + "/sharpcompress/Zip.zip64.zip");
  const std::string bytes(z64.begin(), z64.end());
  const size_t eocd = bytes.rfind(std::string("PK\x05\x06", 4));
  ASSERT_NE(eocd, std::string::npos);
  std::fill_n(z64.begin() + std::ptrdiff_t(eocd + 16), 4, uint8_t(0xFF));
  TTempDir dir;
  WriteFileBytes(dir.File("z.zip"), z64);
  EXPECT_EQ(UnzipFiles(dir.File("z.zip"), dir.File("out"), ""), 3);
  EXPECT_EQ(ReferenceCrc32(ReadFileBytes(dir.File("out/exe/test.exe"))), 0xcfb109c8u);
  z64[bytes.rfind("exe/test.exe") + 12 + 8] = 1;  // its directory's ZIP64 size: 4 GB more
  WriteFileBytes(dir.File("z.zip"), z64);
  EXPECT_EQ(ZipEntrySize(dir.File("z.zip"), "exe/test.exe"), 45056 + (int64_t(1) << 32));
  // Declared nine bytes short, the imploded member ends inside a match: cut there.
  TBytes imp = ReadFileBytes(root + "/zip-rs/implode.zip"), cut;
  EXPECT_EQ(UnzipFiles(root + "/zip-rs/implode.zip", dir.File("whole"), ""), 1);
  cut = ReadFileBytes(dir.File("whole/first.txt")), cut.resize(cut.size() - 9);
  const size_t c = std::string(imp.begin(), imp.end()).find("PK\x01\x02");
  const uint32_t crc = ReferenceCrc32(cut), size = uint32_t(cut.size());
  for (auto [at, v] : {std::pair(size_t(14), crc), {22, size}, {c + 16, crc}, {c + 24, size}})
    PutLE32(&imp[at], v);
  WriteFileBytes(dir.File("cut.zip"), imp);
  EXPECT_EQ(UnzipFiles(dir.File("cut.zip"), dir.File("cut"), ""), 1);
  EXPECT_EQ(ReadFileBytes(dir.File("cut/first.txt")), cut);
}

namespace {

// Writes `members` as an archive into `dir` and returns its path.
std::string Archive(const TTempDir& dir, const std::vector<TZipMember>& members,
                    const std::string& name = "a.zip") {
  std::string path = dir.File(name);
  WriteFileBytes(path, MakeZipArchive(members));
  return path;
}

// Bits in deflate order: fields low bit first, Huffman codes high bit first.
struct TBits {
  TBytes bytes;
  int used = 8;
  void Put(uint32_t v, int n) {
    for (int k = 0; k < n; ++k, ++used) {
      if (used == 8) bytes.push_back(0), used = 0;
      bytes.back() |= uint8_t(((v >> k) & 1) << used);
    }
  }
  void Code(uint32_t code, int n) {
    for (int k = n - 1; k >= 0; --k) Put(code >> k, 1);
  }
};

// One dynamic-Huffman block holding "A": 257 literal codes ('A' and the end
// of block one bit each), 4 distance codes; the code lengths end with a run
// of `tail` zeros (code 17), and 3 fills the 261 lengths exactly.
TBytes DynamicBlock(unsigned tail, bool overSubscribed = false) {
  TBits b;
  b.Put(1 | 2 << 1, 3);              // final, dynamic
  b.Put(0 | 3 << 5 | 14 << 10, 14);  // 257 + 0, 1 + 3, 4 + 14 code-length lengths
  for (int i = 0; i < 18; ++i) b.Put(i == 1 || i == 2 ? 2 : i == 17 ? 1 : 0, 3);  // 17, 18, 1
  auto zeros = [&](unsigned n) { b.Code(3, 2), b.Put(n - 11, 7); };               // 18: "11"
  zeros(overSubscribed ? 64 : 65);
  if (overSubscribed) b.Code(0, 1);  // '@': three codes of one bit
  b.Code(0, 1);                      // 'A' (1: "0")
  zeros(138), zeros(52);
  b.Code(0, 1);  // end of block
  b.Code(0, 1);  // distance 0
  b.Code(2, 2);  // 17: "10"
  b.Put(tail - 3, 3);
  b.Code(0, 1);  // "A"
  b.Code(1, 1);  // end
  return b.bytes;
}

// A dynamic block's header: every code length written with a five-bit code
// (all nineteen code-length codes five bits long).
void DynamicHeader(TBits& b, bool last, const std::vector<int>& lit, const std::vector<int>& dist) {
  b.Put(uint32_t(last | 2 << 1 | (lit.size() - 257) << 3 | (dist.size() - 1) << 8 | 15 << 13), 17);
  for (int i = 0; i < 19; ++i) b.Put(5, 3);
  for (int len : lit) b.Code(uint32_t(len), 5);
  for (int len : dist) b.Code(uint32_t(len), 5);
}

}  // namespace

// Each damaged or unsupported member gives its own code from UnzipEntry and
// no output file; UnzipFiles then reports nothing extracted.
TEST(ZipFailures, EachFailureReturnsItsCodeAndLeavesNoFile) {
  const std::string text(300, 'x');
  struct TCase {
    const char* what;
    TZipMember member;
    int code;      // UnzipEntry
    int files_rc;  // UnzipFiles
  };
  const TZipMember hello = StoredMember("m.txt", "hello"),
                   deflated = DeflatedStoredBlock("m.txt", text);
  auto with = [](TZipMember m, auto change) { return change(m), m; };
  const TCase cases[] = {
      {"crc mismatch", with(hello, [](TZipMember& m) { m.crc ^= 1; }), kZipCrcMismatch, 0},
      {"method 2 (reduced)", with(hello, [](TZipMember& m) { m.method = 2; }), kZipUnsupported, 0},
      {"encrypted", with(hello, [](TZipMember& m) { m.flags = 1; }), kZipEncrypted, 0},
      {"shrunk with data descriptor", with(hello, [](TZipMember& m) { m.method = 1, m.flags = 8; }),
       kZipUnsupported, 0},
      // The archive no longer starts with a local header either.
      {"bad local signature", with(hello, [](TZipMember& m) { m.local_sig = 0x04034b51; }),
       kZipDamaged, kZipNotZip},
      {"truncated deflate data (stops inside its block)",
       with(deflated, [](TZipMember& m) { m.data.resize(100), m.csize = 100; }), kZipDamaged,
       kZipDamaged},
      {"declared size past the end of the archive",
       with(StoredMember("m.txt", text), [](TZipMember& m) { m.csize = m.size = 1u << 30; }),
       kZipDamaged, kZipDamaged},
      {"inflates past its size (300)", with(deflated, [](TZipMember& m) { m.size = 100; }),
       kZipDamaged, kZipDamaged},
      {"inflates short of its size", with(deflated, [](TZipMember& m) { m.size = 1000; }),
       kZipDamaged, kZipDamaged},
      {"stored block whose NLEN is not the complement of LEN",
       with(deflated, [](TZipMember& m) { m.data[3] ^= 1; }), kZipDamaged, kZipDamaged},
      {"final block of the reserved type 3",
       with(deflated, [](TZipMember& m) { m.data[0] = 0x07; }), kZipDamaged, kZipDamaged},
      {"code-length run one past the table",
       with(StoredMember("m.txt", "A"),
            [](TZipMember& m) {
              m.data = DynamicBlock(4), m.method = 8, m.csize = uint32_t(m.data.size());
            }),
       kZipDamaged, kZipDamaged},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.what);
    TTempDir dir;
    std::string zip = Archive(dir, {c.member});
    fs::create_directory(dir.File("out"));
    EXPECT_EQ(UnzipEntry(zip, dir.File("out/m.txt"), 0), c.code);
    EXPECT_EQ(UnzipFiles(zip, dir.File("out"), ""), c.files_rc);
    EXPECT_TRUE(Listing(dir.File("out")).empty());
  }
  TTempDir dir;  // into memory, a member that inflates past its size writes nothing beyond it
  std::vector<uint8_t> mem(400, 0xEE);
  const std::string zip = Archive(dir, {cases[7].member});
  EXPECT_EQ(UnzipMemberToMemory(zip, "m.txt", mem.data(), 100), kZipDamaged);
  EXPECT_EQ(std::count(mem.begin() + 100, mem.end(), 0xEE), 300);
}

// A later member with a bad local header ends the walk with -4, an output that cannot be created is
// -2 (and ends the walk with the count so far), a missing archive -14 / -11.
TEST(ZipFailures, WalkAndFileCodes) {
  TTempDir dir;
  TZipMember bad = StoredMember("b.txt", "b");
  bad.local_sig = 0x04034b51;
  std::string zip = Archive(dir, {StoredMember("a.txt", "a"), bad});
  EXPECT_EQ(UnzipFiles(zip, dir.File("out"), ""), kZipDamaged);
  EXPECT_TRUE(fs::exists(dir.File("out/a.txt")));

  WriteFileBytes(dir.File("file"), {'f'});
  EXPECT_EQ(UnzipEntry(zip, dir.File("file/a.txt"), 0), kZipWriteError);
  std::string two =
      Archive(dir, {StoredMember("a.txt", "a"), StoredMember("file/b.txt", "b")}, "two.zip");
  EXPECT_EQ(UnzipFiles(two, dir.Path(), ""), 1);

  TZipSearchRec rec;
  for (const std::string& absent : {dir.File("missing.zip"), dir.Path()})  // a folder too
    EXPECT_EQ(std::tuple(UnzipEntry(absent, dir.File("x"), 0), ZipFindFirst(absent, rec)),
              std::tuple(kZipCannotOpenForExtract, kZipCannotOpen));
}

// A failed member never destroys a file of the same name that was there.
TEST(ZipFailures, ExistingFileSurvivesFailedMember) {
  TTempDir dir;
  TZipMember m = StoredMember("m.txt", "new content");
  m.crc ^= 1;
  std::string zip = Archive(dir, {m});
  WriteFileBytes(dir.File("m.txt"), {'o', 'l', 'd'});
  EXPECT_EQ(UnzipFiles(zip, dir.Path(), ""), 0);
  EXPECT_EQ(ReadFileBytes(dir.File("m.txt")), (TBytes{'o', 'l', 'd'}));
  EXPECT_EQ(Listing(dir.Path()).size(), 2u);  // the archive and m.txt
  // A good member replaces it, even when it is read-only.
  fs::permissions(dir.File("m.txt"), fs::perms::owner_write, fs::perm_options::remove);
  TZipMember good = StoredMember("m.txt", "new");
  good.dos_time = 0x2311528F;  // 1997-08-17 10:20:30, the file's new time
  TZipMember ro = StoredMember("r.txt", "r");
  ro.dos_attr = 1;  // read-only where it was made (MS-DOS)
#ifndef _WIN32      // in a zone with summer time, which August is in, the hour stays
  setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1), tzset();
#endif
  EXPECT_EQ(
      UnzipFiles(Archive(dir, {good, ro, StoredMember("w.txt", "w")}, "b.zip"), dir.Path(), ""), 3);
  EXPECT_EQ(ReadFileBytes(dir.File("m.txt")), (TBytes{'n', 'e', 'w'}));
  const std::time_t t = std::chrono::system_clock::to_time_t(
      std::chrono::file_clock::to_sys(fs::last_write_time(dir.File("m.txt"))));
  const std::tm tm = *std::localtime(&t);
#ifndef _WIN32
  unsetenv("TZ"), tzset();
#endif
  EXPECT_EQ(std::vector<int>({tm.tm_year, tm.tm_mon, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec}),
            std::vector<int>({97, 7, 17, 10, 20, 30}));
  auto writable = [&](const char* f) {
    return (fs::status(dir.File(f)).permissions() & fs::perms::owner_write) != fs::perms::none;
  };
  EXPECT_TRUE(writable("w.txt") && !writable("r.txt"));  // only the read-only member is made so
  fs::permissions(dir.File("r.txt"), fs::perms::owner_write, fs::perm_options::add);  // to go
}

// Member paths that are absolute or climb out of the target are refused and
// end the walk; nothing is written outside the target.
TEST(ZipFailures, PathsOutsideTargetAreRefused) {
  // A NUL inside a name would cut the written name short.
  for (const std::string& bad : std::vector<std::string>{
           "../evil.txt", "a/../../evil.txt", "/evil.txt", "\\evil.txt", "..\\evil.txt",
           "C:evil.txt", "C:", "a/..\\..\\evil.txt", std::string("a\0evil.txt", 10)}) {
    SCOPED_TRACE(bad);
    TTempDir dir;
    std::string zip = Archive(dir, {StoredMember("ok.txt", "fine"), StoredMember(bad, "evil"),
                                    StoredMember("later.txt", "never reached")});
    fs::create_directories(dir.File("out/deep"));
    EXPECT_EQ(UnzipFiles(zip, dir.File("out/deep"), ""), 1);
    EXPECT_EQ(UnzipFiles(zip, dir.File("none"), "*evil.txt"), 0);  // nor as the target itself
    std::vector<std::string> files = Listing(dir.Path());
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<std::string>{"a.zip", "out/deep/ok.txt"}));
  }
#ifndef _WIN32  // links need rights Windows users seldom have
  {             // never through a symbolic link inside the target, to a folder or a file
    TTempDir dir;
    fs::create_directories(dir.File("out")), WriteFileBytes(dir.File("victim.txt"), {'v'});
    fs::create_directory_symlink(dir.Path(), dir.File("out/link"));
    fs::create_symlink(dir.File("victim.txt"), dir.File("out/file.txt"));
    for (const char* member : {"link/evil.txt", "file.txt"}) {
      std::string zip = Archive(dir, {StoredMember(member, "evil")});
      EXPECT_EQ(UnzipFiles(zip, dir.File("out"), ""), 0) << member;
    }
    EXPECT_EQ(ReadFileBytes(dir.File("victim.txt")), (TBytes{'v'}));
    EXPECT_FALSE(fs::exists(dir.File("evil.txt")));
  }
#endif
  // Harmless dots and doubled separators stay inside.
  TTempDir dir;
  std::string zip = Archive(dir, {StoredMember("./sub//x.txt", "x"), StoredMember("sub/", "")});
  EXPECT_EQ(UnzipFiles(zip, dir.File("out"), ""), 2);
  EXPECT_EQ(ReadFileBytes(dir.File("out/sub/x.txt")), (TBytes{'x'}));
}

// Recognising archives, listing names, sizes by name, wildcard patterns and
// an end record behind a comment longer than the search window.
TEST(ZipDirectory, NamesSizesPatternsAndLongComment) {
  TTempDir dir;
  std::vector<TZipMember> members = {StoredMember("n45w122.hgt", std::string(1000, 'a')),
                                     StoredMember("readme.txt", "read me"),
                                     StoredMember("docs/notes.TXT", "notes")};
  members[0].comment = "a member's own comment", members[0].dos_time = 0x2100528F;
  members[0].method = 12;  // listed, never extracted
  std::string comment(60000, 'c');
  comment.replace(100, 4, "PK\x05\x07");  // near miss inside the comment
  std::string zip = dir.File("tile.zip");
  WriteFileBytes(zip, MakeZipArchive(members, comment));

  EXPECT_TRUE(IsZipFile(zip) && IsZipFile(zip + "/"));  // a trailing separator is dropped
  WriteFileBytes(dir.File("fake.zip"), {'P', 'K', 5, 6, 0, 0});
  fs::copy_file(zip, dir.File("tool.exe.zip")), fs::create_directory(dir.File("folder.zip"));
  for (const char* no : {"fake.zip", "tool.exe.zip", "folder.zip", "missing.zip"})
    EXPECT_FALSE(IsZipFile(dir.File(no))) << no;

  std::vector<std::string> names = {"stale"};
  ASSERT_TRUE(ZipEntryNames(zip, names));
  EXPECT_EQ(names, (std::vector<std::string>{"n45w122.hgt", "readme.txt", "docs/notes.TXT"}));
  // Any letter case, but the whole stored name.
  EXPECT_EQ(std::tuple(ZipEntrySize(zip, "N45W122.HGT"), ZipEntrySize(zip, "N45W122"),
                       ZipEntrySize(zip, "notes.txt"), ZipEntrySize(dir.File("fake.zip"), "x")),
            std::tuple(1000, -1, -1, -1));
  EXPECT_TRUE(!ZipEntryNames(dir.File("fake.zip"), names) && names.empty());

  TZipSearchRec rec;
  ASSERT_EQ(ZipFindFirst(zip, rec), 0);
  EXPECT_EQ(std::tuple(rec.Name, rec.Size, rec.Date, rec.Time, rec.Method),
            std::tuple("n45w122.hgt", 1000u, 0x2100, 0x528F, 12));
  EXPECT_EQ((std::vector<int>{ZipFindNext(rec), ZipFindNext(rec), ZipFindNext(rec)}),
            (std::vector<int>{0, 0, kZipNoMoreEntries}));
  ZipFindClose(rec);
  // A directory said to begin nearer its end record than one entry is long.
  TBytes z = ReadFileBytes(zip);
  const size_t eocd = z.size() - 22 - comment.size(), off = eocd - 10;
  for (int i = 0; i < 4; ++i) z[eocd + 16 + size_t(i)] = uint8_t(off >> 8 * i);
  WriteFileBytes(dir.File("short.zip"), z);
  EXPECT_EQ(ZipFindFirst(dir.File("short.zip"), rec), kZipBadDirectory);
  z = ReadFileBytes(zip);  // the last entry's comment said to run past the directory
  z[std::string(z.begin(), z.end()).rfind("PK\x01\x02", eocd) + 33] = 1;
  WriteFileBytes(dir.File("long.zip"), z);
  EXPECT_TRUE(ZipEntryNames(dir.File("long.zip"), names) && names.size() == 2);

  EXPECT_TRUE(ZipNameMatches("docs/notes.TXT", "*.txt") &&
              ZipNameMatches("readme.txt", "R?ADME.*") && ZipNameMatches("anything", "*.*") &&
              ZipNameMatches("zone", "Z*"));
  EXPECT_FALSE(ZipNameMatches("readme.txt", "*.hgt") || ZipNameMatches("readme.txt", "readme") ||
               ZipNameMatches("readme", "readme?") || ZipNameMatches("n45.hxgt", "*.hgt"));

  fs::create_directory(dir.File("out"));
  EXPECT_EQ(UnzipFiles(zip, dir.File("out"), "*.TXT"), 2);
  EXPECT_EQ(ReadFileBytes(dir.File("out/docs/notes.TXT")), (TBytes{'n', 'o', 't', 'e', 's'}));
  EXPECT_FALSE(fs::exists(dir.File("out/n45w122.hgt")));

  EXPECT_EQ(UnzipFiles("", dir.File("out"), ""), kZipNoArgument);
  EXPECT_EQ(UnzipFiles(zip, "", ""), kZipNoArgument);
  EXPECT_EQ(UnzipFiles(dir.File("fake.zip"), dir.File("out"), ""), kZipNotZip);
  // A local header but no directory at all.
  WriteFileBytes(dir.File("bare.zip"), {'P', 'K', 3, 4, 0, 0, 0, 0});
  EXPECT_EQ(UnzipFiles(dir.File("bare.zip"), dir.File("out"), ""), kZipBadDirectory);
  EXPECT_EQ(ZipFindFirst(dir.File("bare.zip"), rec), kZipCannotOpen);
}

namespace {

// Esc pressed once `polls` buffers have gone by.
class TAbortingProgress : public TTProgress {
 public:
  int polls = 0;
  bool AbortRequested() override { return polls-- <= 0; }
};

// Starts a second extraction from inside the first one's event pumping.
class TReentrantProgress : public TTProgress {
 public:
  std::string archive, out;
  int inner = 1;
  void Pump() override {
    if (inner == 1) inner = UnzipEntry(archive, out, 0);
  }
};

}  // namespace

// Esc aborts with -5 and leaves nothing; a second extraction started while
// one runs meets the busy guard, and the guard is free again afterwards.
TEST(ZipFailures, AbortAndBusyGuard) {
  TTempDir dir;
  std::string zip = Archive(dir, {StoredMember("m.txt", std::string(5000, 'z'))});
  TReentrantProgress again;
  again.archive = zip, again.out = dir.File("inner.txt");
  auto firstRun = [&] {  // a process's first extraction: no recent activity to go by
    bool ok = UnzipEntry(zip, dir.File("m.txt"), 0, &again) == 0 && again.inner == kZipBusy &&
              !fs::exists(dir.File("inner.txt"));
    return fs::remove_all(dir.Path()), ok;
  };
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(std::exit(firstRun() ? 0 : 1), testing::ExitedWithCode(0), "");
  TAbortingProgress abort;
  EXPECT_EQ(UnzipEntry(zip, dir.File("m.txt"), 0, &abort), kZipAborted);
  EXPECT_EQ(UnzipFiles(zip, dir.File("out"), "", &abort), kZipAborted);
  EXPECT_EQ(Listing(dir.Path()), std::vector<std::string>{"a.zip"});
  // In the middle of a member several buffers long: the partial output goes.
  TTempDir big;
  std::string long_zip = Archive(big, {StoredMember("m.txt", std::string(1200000, 'z'))});
  abort.polls = 2;
  EXPECT_EQ(UnzipEntry(long_zip, big.File("m.txt"), 0, &abort), kZipAborted);
  EXPECT_EQ(Listing(big.Path()), std::vector<std::string>{"a.zip"});

  EXPECT_EQ(UnzipEntry(zip, dir.File("m2.txt"), 0), 0);
  EXPECT_EQ(ReadFileBytes(dir.File("m2.txt")).size(), 5000u);
  // More than the output's buffer holds: written out in pieces.
  EXPECT_EQ(UnzipEntry(long_zip, big.File("m.txt"), 0), 0);
  EXPECT_EQ(ReadFileBytes(big.File("m.txt")), TBytes(1200000, 'z'));
}

// Sizes and CRC after the data (data descriptor) or only in the directory
// entry; a deflate stream decodes the same from memory.
TEST(ZipFixtures, DataDescriptorWithoutDirectoryAndMemoryInflate) {
  // With and without the descriptor's signature, read through the directory
  // and without it; a wrong CRC in the descriptor is caught.
  TTempDir dir;
  const std::string text = "descriptor after the data";
  for (const bool sig : {true, false})
    for (const bool goodCrc : {true, false}) {
      SCOPED_TRACE(std::string(sig ? "signature" : "no signature") + (goodCrc ? "" : ", bad crc"));
      TZipMember d = DeflatedStoredBlock("d.txt", text);
      d.flags = 8, d.descriptor_sig = sig;
      if (!goodCrc) d.crc ^= 1;
      const std::string zip = Archive(dir, {d}, "dd.zip");
      EXPECT_EQ(UnzipFiles(zip, dir.File("out"), ""), goodCrc ? 1 : 0);
      EXPECT_EQ(UnzipEntry(zip, dir.File("d.txt"), 0), goodCrc ? 0 : kZipCrcMismatch);
      if (goodCrc) {
        EXPECT_EQ(ReadFileBytes(dir.File("d.txt")), TBytes(text.begin(), text.end()));
        EXPECT_EQ(ReadFileBytes(dir.File("out/d.txt")), TBytes(text.begin(), text.end()));
      }
      fs::remove_all(dir.File("out"));
    }
  // Sizes left 0xFFFFFFFF in the local header: the directory's count.
  TZipMember z = DeflatedStoredBlock("z.txt", text);
  z.local_sizes_unknown = true;
  EXPECT_EQ(UnzipFiles(Archive(dir, {z}, "z.zip"), dir.File("out"), ""), 1);
  EXPECT_EQ(ReadFileBytes(dir.File("out/z.txt")), TBytes(text.begin(), text.end()));
  EXPECT_EQ(UnzipEntry(dir.File("z.zip"), dir.File("z.txt"), 0), kZipDamaged);  // no directory
  // Or in the local header's ZIP64 field, behind a field of another kind.
  z.local_extra = {0x55, 0x54, 1, 0, 7, 1, 0, 16, 0};
  for (uint64_t v : {uint64_t(z.size), uint64_t(z.csize)})
    for (int k = 0; k < 8; ++k) z.local_extra.push_back(uint8_t(v >> 8 * k));
  EXPECT_EQ(UnzipEntry(Archive(dir, {z}, "z.zip"), dir.File("z.txt"), 0), 0);
  // Shrunk zeros, each string one longer (1 + 2 + ... + 1447 bytes), then the longest again, no
  // repeat: it crosses the first 1 MB step of a decode to memory and ends the member exactly.
  TBits lzw;
  lzw.Put(0, 9);
  for (uint32_t code = 257, width = 9; code < 256 + 1447; lzw.Put(code++, int(width)))
    if (code == 1u << width) lzw.Put(256, int(width)), lzw.Put(1, int(width++));
  lzw.Put(256 + 1446, 11);
  TZipMember s{"s", lzw.bytes, 1, 0, 0, 1447 * 1450 / 2, uint32_t(lzw.bytes.size())};
  TBytes zeros(s.size), mem(s.size, 1);
  s.crc = ReferenceCrc32(zeros);
  EXPECT_EQ(UnzipMemberToMemory(Archive(dir, {s}, "s.zip"), "s", mem.data(), s.size), 1);
  EXPECT_EQ(mem, zeros);
  // A full table takes no string until a partial clear frees its leaves for the lowest codes.
  TBits full;
  std::string want = "AB";
  full.Put('A', 9), full.Put('B', 9);
  for (int k = 3; k < 7936; ++k) want += char('a' + k % 26), full.Put('a' + k % 26, 9);
  for (int w = 9; w < 13; ++w) full.Put(256, w), full.Put(1, w);  // widen to 13 bits
  for (uint32_t c : {257u, 8191u, uint32_t('C'), 256u, 2u, uint32_t('D'), 257u}) full.Put(c, 13);
  want += "ABfACDCD";  // 257, the last code 8191 (the last letter, A), C with no room, D, 257 anew
  TZipMember f{"f", full.bytes, 1, 0, 0, uint32_t(want.size()), uint32_t(full.bytes.size())};
  f.crc = ReferenceCrc32(TBytes(want.begin(), want.end())), mem.assign(want.size(), 0);
  EXPECT_EQ(UnzipMemberToMemory(Archive(dir, {f}, "f.zip"), "f", mem.data(), f.size), 1);
  EXPECT_EQ(std::string(mem.begin(), mem.end()), want);
  // Stored blocks across the 64 KB reads of the archive: the copy goes on after each read.
  TBytes big(80000);
  for (size_t i = 0; i < big.size(); ++i) big[i] = uint8_t(i * 7 % 251);
  TZipMember halves = DeflatedStoredBlock("two", std::string(big.begin(), big.begin() + 40000));
  const TZipMember rest = DeflatedStoredBlock("", std::string(big.begin() + 40000, big.end()));
  halves.data[0] = 0, halves.data.insert(halves.data.end(), rest.data.begin(), rest.data.end());
  halves.size = 80000, halves.csize = uint32_t(halves.data.size());
  halves.crc = ReferenceCrc32(big);
  EXPECT_EQ(UnzipFiles(Archive(dir, {halves}, "two.zip"), dir.File("two"), ""), 1);
  EXPECT_EQ(ReadFileBytes(dir.File("two/two")), big);

  TZipMember m = DeflatedStoredBlock("m", "abcdef");
  uint8_t out[32];
  auto inflate = [&](const TBytes& d, size_t room) {
    return ZipInflateBuffer(d.data(), d.size(), out, room);
  };
  auto got = [&](size_t n) { return std::string(reinterpret_cast<char*>(out), n); };
  EXPECT_TRUE(inflate(m.data, sizeof out) == 6 && got(6) == "abcdef");
  EXPECT_EQ(inflate(m.data, 5), kZipDamaged);
  EXPECT_EQ(ZipDecodeBuffer(0, 0, m.data.data() + 5, 6, out, 6), 6);  // stored, an exact fit
  // Two stored blocks: the second's header is already in the bit buffer.
  const TBytes stored2 = {0x00, 0x01, 0x00, 0xFE, 0xFF, 'A', 0x01, 0x01, 0x00, 0xFE, 0xFF, 'B'};
  EXPECT_TRUE(inflate(stored2, sizeof out) == 2 && got(2) == "AB");
  EXPECT_TRUE(inflate(DynamicBlock(3), sizeof out) == 1 && out[0] == 'A');
  EXPECT_EQ(inflate(DynamicBlock(3), 0), kZipDamaged);  // a literal with no room left
  std::vector<TBytes> damaged = {DynamicBlock(3, true), {0x73, 0x1C, 0x03}};  // 'A', then code 286
  // A distance code's unused long pattern is damaged data, not a code of
  // the block before ("A", then "AA" at distance 2 from the stale entry).
  std::vector<int> lit(258, 0);
  lit[65] = 1, lit[256] = lit[257] = 2;  // 'A' "0", end "10", length 3 "11"
  TBits two, over;
  DynamicHeader(two, false, lit, {9, 9, 1, 2, 3, 4, 5, 6, 7, 8}), two.Code(0, 1), two.Code(2, 2);
  DynamicHeader(two, true, lit, {1, 9});  // distance 1 "100000000" alone below "1"
  two.Code(0, 1), two.Code(3, 2), two.Code(0x101, 9), two.Code(2, 2);
  // Nor is an over-subscribed code ('B' as short as 'A') read with the block before's table.
  DynamicHeader(over, false, lit, {1}), over.Code(0, 1), over.Code(2, 2);
  lit[66] = 1, DynamicHeader(over, true, lit, {1}), over.Code(0, 1), over.Code(2, 2);
  // Nor is a block of the reserved type 3 read with the block before's table.
  TBits three;
  three.Put(2, 3), three.Code(0x71, 8), three.Code(0, 7);  // fixed codes: "A", end of block
  three.Put(7, 3), three.Code(0x72, 8), three.Code(0, 7);  // final, type 3: "B", end of block
  // Nor is a match that reaches back before the first byte ("A", then 3 from 2 back).
  TBits back;
  back.Put(3, 3), back.Code(0x71, 8), back.Code(1, 7), back.Code(1, 5), back.Code(0, 7);
  damaged.insert(damaged.end(), {two.bytes, over.bytes, three.bytes, back.bytes});
  for (const auto& [lits, dists] : {std::pair(287, 1), std::pair(258, 31)}) {  // one code too many
    std::vector<int> ls(size_t(lits), 0), ds(size_t(dists), 0);
    ls[65] = ls[256] = ds[0] = 1;
    TBits b;
    DynamicHeader(b, true, ls, ds), b.Code(0, 1), b.Code(1, 1);  // "A", end
    damaged.push_back(b.bytes);
  }
  for (const TBytes& d : damaged) EXPECT_EQ(inflate(d, sizeof out), kZipDamaged) << d.size();
  // A match that ends on the buffer's last byte writes no further: at distance 3, and at distance
  // 10, where a match not so near the end is copied 8 bytes at a time.
  std::fill(std::begin(out), std::end(out), uint8_t(0xEE));
  EXPECT_EQ(inflate({0x4b, 0x4c, 0x4a, 0x4e, 0x84, 0x21, 0x00}, 12), 12);
  EXPECT_EQ(got(13), "abcabcabcabc\xEE");
  EXPECT_EQ(inflate({0x4b, 0x4c, 0x4a, 0x4e, 0x84, 0x21, 0x00}, 11), kZipDamaged);  // one short
  const TBytes far = {0x4b, 0x4c, 0x4a, 0x4e, 0x49, 0x4d, 0x4b, 0xcf,
                      0xc8, 0xcc, 0x4a, 0x44, 0x61, 0x01, 0x00};
  EXPECT_EQ((inflate(far, 24), got(25)), "abcdefghijabcdefghijabcd\xEE");
  EXPECT_EQ(inflate({0x4b, 0x4c, 0x4a, 0x4e, 0x84, 0x21}, 12), kZipDamaged);  // end code cut off
}

// A zipped tile through the loader: the extracted copy lives in the temporary folder only while it
// is read, whatever the outcome (mosaics of zipped tiles: the multiple-tile loader's tests).
TEST(ZipTiles, LoadSingleFromArchives) {
  DELVA_REQUIRE_SHARED(folder, "srtm/graphhopper");
  TTempDir temp;
  TTMesh one;
  ASSERT_EQ(LoadSingleHGT(one, folder + "/N43E007.hgt.zip", temp.Path(), nullptr), "");
  one.UpdateStats();  // the file name as the command names it
  EXPECT_EQ(std::tuple(one.FileName, one.Cols, one.Kind, one.MinLat, one.MinLon, one.GetCell(0, 0),
                       one.VoidCount),
            std::tuple(folder + "/N43E007.hgt", 1201, 2, 43.0f, 7.0f, 771, 1595));
  EXPECT_TRUE(Listing(temp.Path()).empty());

  TTempDir own;  // a damaged archive: the message, nothing left behind
  TBytes bytes = ReadFileBytes(folder + "/N41E001.hgt.zip");
  bytes[bytes.size() / 2] ^= 0x55;
  WriteFileBytes(own.File("N41E001.hgt.zip"), bytes);
  TTMesh bad;
  EXPECT_EQ(LoadSingleHGT(bad, own.File("N41E001.hgt.zip"), temp.Path(), nullptr),
            "Could not decompress file N41E001.hgt.zip");
  EXPECT_TRUE(Listing(temp.Path()).empty());
}

TEST(ZipTiles, SingleTileMessages) {
  TTempDir dir, temp;
  auto load = [&](const std::string& name, const std::string& tempDir) {
    TTMesh m;
    return LoadSingleHGT(m, dir.File(name), tempDir, nullptr);
  };
  auto zip = [&](const char* member) { return MakeZipArchive({StoredMember(member, "x")}); };
  WriteFileBytes(dir.File("N45W123.zip"), zip("N45W123.hgt"));
  EXPECT_EQ(load("N45W123.zip", temp.Path()), "N45W123 not found in N45W123.zip");
  WriteFileBytes(dir.File("N45W123.hgt.zip"), {'n', 'o', 'p', 'e', '.'});
  EXPECT_EQ(load("N45W123.hgt.zip", temp.Path()),
            "The file N45W123.hgt.zip has an unknown zip file format.");
  // A member stored in a folder is not the expected bare name.
  WriteFileBytes(dir.File("N45W123.hgt.zip"), zip("tiles/N45W123.hgt"));
  EXPECT_EQ(load("N45W123.hgt.zip", temp.Path()), "N45W123.hgt not found in N45W123.hgt.zip");
  WriteFileBytes(dir.File("N45W123.hgt.zip"), zip("n45w123.HGT"));
  EXPECT_EQ(load("N45W123.hgt.zip", temp.Path()), "HGT file size is invalid.");
  EXPECT_TRUE(Listing(temp.Path()).empty());
  // The size is judged from the directory: nothing is unpacked (here it
  // could not be: the folder is missing).
  EXPECT_EQ(load("N45W123.hgt.zip", temp.File("none")), "HGT file size is invalid.");
  // A plain tile of the wrong size is refused and stays where it was.
  WriteFileBytes(dir.File("N45W123.hgt"), {1, 2, 3});
  EXPECT_EQ(load("N45W123.hgt", temp.Path()), "HGT file size is invalid.");
  EXPECT_EQ(ReadFileBytes(dir.File("N45W123.hgt")), (TBytes{1, 2, 3}));
}
