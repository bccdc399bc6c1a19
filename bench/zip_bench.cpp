// Extracting a deflated 3601 x 3601 tile (26 MB) with our inflate, against
// zlib's inflate of the same member data in the same run.
//
//   ./build/bench/delva_bench --benchmark_filter=Zip
//
// "Generated" is a synthetic relief compressed here with zlib (level 6);
// "Real" is the member of ../shared/testdata/srtm/graphhopper/N48W125.hgt.zip
// when that file is present.

#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/base/sample_io.h"
#include "core/zip/zip.h"
#include "core/zip/zip_stream.h"

namespace fs = std::filesystem;

namespace {

using TBytes = std::vector<uint8_t>;
constexpr int kSide = 3601;

struct TData {
  TBytes raw;       // the member's deflate stream
  size_t size = 0;  // inflated size
  uint32_t crc = 0;
  std::string archive;  // a ZIP file holding it
  bool ok = false;
};

void Put16(TBytes& b, uint32_t v) {
  b.push_back(uint8_t(v));
  b.push_back(uint8_t(v >> 8));
}
void Put32(TBytes& b, uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}

// One deflated member in a minimal archive.
TBytes MakeZip(const std::string& name, const TData& d) {
  TBytes z, dir;
  auto header = [&](TBytes& b, bool central) {
    Put32(b, central ? 0x02014b50 : 0x04034b50);
    if (central) Put16(b, 20);
    Put16(b, 20);
    Put16(b, 0);
    Put16(b, 8);
    Put32(b, 0x21000000);
    Put32(b, d.crc);
    Put32(b, uint32_t(d.raw.size()));
    Put32(b, uint32_t(d.size));
    Put16(b, uint32_t(name.size()));
    Put16(b, 0);
    if (central) {
      Put16(b, 0);  // comment length
      Put16(b, 0);  // disk
      Put16(b, 0);  // internal attributes
      Put32(b, 0);  // external attributes
      Put32(b, 0);  // local header offset
    }
    b.insert(b.end(), name.begin(), name.end());
  };
  header(z, false);
  z.insert(z.end(), d.raw.begin(), d.raw.end());
  header(dir, true);
  uint32_t dir_offset = uint32_t(z.size());
  z.insert(z.end(), dir.begin(), dir.end());
  Put32(z, 0x06054b50);
  Put32(z, 0);
  Put16(z, 1);
  Put16(z, 1);
  Put32(z, uint32_t(dir.size()));
  Put32(z, dir_offset);
  Put16(z, 0);
  return z;
}

fs::path BenchDir() {
  static const fs::path dir = [] {
    fs::path p = fs::temp_directory_path() / "delva-zip-bench";
    fs::create_directories(p);
    return p;
  }();
  return dir;
}

// A relief of a few octaves of smooth waves plus a little noise, as
// big-endian samples: compresses like real terrain (about 2:1).
TBytes GeneratedTile() {
  TBytes t(size_t(kSide) * kSide * 2);
  uint32_t seed = 12345;
  for (int r = 0; r < kSide; ++r) {
    for (int c = 0; c < kSide; ++c) {
      double x = c / 3600.0, y = r / 3600.0;
      double h = 800 * std::sin(6.1 * x + 1.3) * std::cos(4.7 * y) +
                 300 * std::sin(23.0 * x + 11.0 * y) + 90 * std::cos(71.0 * x - 53.0 * y) +
                 25 * std::sin(211.0 * x) * std::sin(197.0 * y);
      seed = seed * 1664525u + 1013904223u;
      int v = int(h) + int((seed >> 24) & 31);
      if (v < 0) v = 0;  // sea
      size_t i = (size_t(r) * kSide + c) * 2;
      t[i] = uint8_t(v >> 8);
      t[i + 1] = uint8_t(v);
    }
  }
  return t;
}

TData FromPlain(const TBytes& plain, const std::string& zip_name) {
  TData d;
  z_stream s{};
  if (deflateInit2(&s, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) return d;
  d.raw.resize(deflateBound(&s, uLong(plain.size())));
  s.next_in = const_cast<Bytef*>(plain.data());
  s.avail_in = uInt(plain.size());
  s.next_out = d.raw.data();
  s.avail_out = uInt(d.raw.size());
  int rc = deflate(&s, Z_FINISH);
  d.raw.resize(s.total_out);
  deflateEnd(&s);
  if (rc != Z_STREAM_END) return d;
  d.size = plain.size();
  d.crc = uint32_t(crc32(0, plain.data(), uInt(plain.size())));
  d.archive = (BenchDir() / zip_name).string();
  TBytes z = MakeZip("N00E000.hgt", d);
  std::ofstream(d.archive, std::ios::binary)
      .write(reinterpret_cast<const char*>(z.data()), std::streamsize(z.size()));
  d.ok = true;
  return d;
}

const TData& Generated() {
  static const TData d = FromPlain(GeneratedTile(), "generated.zip");
  return d;
}

// The member data of the real archive (one deflated member, no extra field).
const TData& Real() {
  static const TData d = [] {
    TData r;
    std::string path = std::string(DELVA_SHARED_DIR) + "/testdata/srtm/graphhopper/N48W125.hgt.zip";
    std::error_code ec;
    if (!fs::exists(path, ec)) return r;
    std::ifstream f(path, std::ios::binary);
    TBytes zip((std::istreambuf_iterator<char>(f)), {});
    size_t data = 30 + size_t(GetLE16(&zip[26])) + GetLE16(&zip[28]);
    size_t csize = GetLE32(&zip[18]);
    r.raw.assign(zip.begin() + long(data), zip.begin() + long(data + csize));
    r.size = GetLE32(&zip[22]);
    r.crc = GetLE32(&zip[14]);
    r.archive = path;
    r.ok = true;
    return r;
  }();
  return d;
}

const TData& Pick(int which) { return which == 0 ? Generated() : Real(); }

void Label(benchmark::State& state, const TData& d) {
  state.SetLabel(state.range(0) == 0 ? "generated" : "real");
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(d.size));
  state.counters["ratio"] = double(d.size) / double(d.raw.size());
}

void BM_ZipInflateOurs(benchmark::State& state) {
  const TData& d = Pick(int(state.range(0)));
  if (!d.ok) return state.SkipWithError("no data");
  TBytes out(d.size);
  for (auto _ : state) {
    int64_t n = ZipInflateBuffer(d.raw.data(), d.raw.size(), out.data(), out.size());
    if (n != int64_t(d.size)) return state.SkipWithError("inflate failed");
    benchmark::DoNotOptimize(out.data());
  }
  Label(state, d);
}

void BM_ZipInflateZlib(benchmark::State& state) {
  const TData& d = Pick(int(state.range(0)));
  if (!d.ok) return state.SkipWithError("no data");
  TBytes out(d.size);
  for (auto _ : state) {
    z_stream s{};
    inflateInit2(&s, -15);
    s.next_in = const_cast<Bytef*>(d.raw.data());
    s.avail_in = uInt(d.raw.size());
    s.next_out = out.data();
    s.avail_out = uInt(out.size());
    int rc = inflate(&s, Z_FINISH);
    inflateEnd(&s);
    if (rc != Z_STREAM_END) return state.SkipWithError("zlib inflate failed");
    benchmark::DoNotOptimize(out.data());
  }
  Label(state, d);
}

// The whole extraction: read the archive, inflate, CRC, write the file.
void BM_ZipExtractOurs(benchmark::State& state) {
  const TData& d = Pick(int(state.range(0)));
  if (!d.ok) return state.SkipWithError("no data");
  fs::path out = BenchDir() / "out-ours";
  fs::create_directories(out);
  for (auto _ : state) {
    if (UnzipFiles(d.archive, out.string(), "") != 1) return state.SkipWithError("unzip failed");
  }
  fs::remove_all(out);
  Label(state, d);
}

// The same with zlib: reads the member in 64 KB pieces, inflates into a
// 1 MB buffer, CRC and write per buffer.
void BM_ZipExtractZlib(benchmark::State& state) {
  const TData& d = Pick(int(state.range(0)));
  if (!d.ok) return state.SkipWithError("no data");
  fs::path out = BenchDir() / "out-zlib.hgt";
  TBytes in_buf(65536), out_buf(size_t(1) << 20);
  for (auto _ : state) {
    std::FILE* in = std::fopen(d.archive.c_str(), "rb");
    std::FILE* of = std::fopen(out.string().c_str(), "wb");
    uint8_t lh[30];
    if (!in || !of || std::fread(lh, 1, 30, in) != 30) return state.SkipWithError("open failed");
    std::fseek(in, long(30 + GetLE16(lh + 26) + GetLE16(lh + 28)), SEEK_SET);
    z_stream s{};
    inflateInit2(&s, -15);
    size_t left = d.raw.size();
    uLong crc = 0;
    int rc = Z_OK;
    while (rc == Z_OK) {
      if (s.avail_in == 0 && left > 0) {
        size_t n = std::fread(in_buf.data(), 1, std::min(left, in_buf.size()), in);
        left -= n;
        s.next_in = in_buf.data();
        s.avail_in = uInt(n);
      }
      s.next_out = out_buf.data();
      s.avail_out = uInt(out_buf.size());
      rc = inflate(&s, Z_NO_FLUSH);
      size_t produced = out_buf.size() - s.avail_out;
      crc = crc32(crc, out_buf.data(), uInt(produced));
      std::fwrite(out_buf.data(), 1, produced, of);
    }
    inflateEnd(&s);
    std::fclose(in);
    std::fclose(of);
    if (rc != Z_STREAM_END || crc != d.crc) return state.SkipWithError("zlib extract failed");
  }
  fs::remove(out);
  Label(state, d);
}

}  // namespace

BENCHMARK(BM_ZipInflateOurs)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ZipInflateZlib)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ZipExtractOurs)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ZipExtractZlib)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
