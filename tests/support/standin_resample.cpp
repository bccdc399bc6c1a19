// A stand-in for the terrain compiler, started the way the editor starts the real one (INF files as
// arguments, its own folder as working folder): it reads the INF files strictly, prints progress
// lines for a while and writes a BGL of 64 header bytes plus one byte per 32 bytes of every source
// raster. Environment: STANDIN_MODE ok (default) | crash | flood | emptybgl | fail | sleep (waits
// STANDIN_DURATION_MS first); STANDIN_DURATION_MS, the time of the progress lines (1200);
// STANDIN_FLOOD_MB, megabytes printed in flood mode (3); STANDIN_LOG, a file that receives the
// working folder, the arguments and every key read. Wine's "Z:\dir\file" paths are mapped back, so
// a fake "wine" can hand its arguments on; lines end in CR LF as on Windows.
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace {

using TSection = std::map<std::string, std::string>;

std::FILE* logFile = nullptr;

void Log(const std::string& line) {
  if (logFile) std::fprintf(logFile, "%s\n", line.c_str());
}

[[noreturn]] void Fail(const std::string& why) {
  std::printf("ERROR: %s\r\n", why.c_str()), std::fflush(stdout), Log("error " + why);
  if (logFile) std::fclose(logFile);
  std::exit(1);
}

std::string HostPath(std::string p) {
#ifndef _WIN32
  if (p.size() >= 2 && (p[0] == 'Z' || p[0] == 'z') && p[1] == ':') {
    p.erase(0, 2);
    for (char& c : p)
      if (c == '\\') c = '/';
  }
#endif
  return p;
}

std::string Unquote(const std::string& key, const std::string& v) {
  if (v.size() < 2 || v.front() != '"' || v.back() != '"') Fail(key + " is not quoted: " + v);
  return v.substr(1, v.size() - 2);
}

long long Integer(const std::string& key, const std::string& v, long long lo, long long hi) {
  static const std::regex form(R"(-?(0|[1-9][0-9]*))");
  const long long n = std::regex_match(v, form) ? std::strtoll(v.c_str(), nullptr, 10) : lo - 1;
  if (n < lo || n > hi) Fail(key + " is not a valid integer: " + v);
  return n;
}

// Fixed-point with exactly 10 decimals, or d.dddddddddddE[+-]n, read regardless of the C locale.
double Real(const std::string& key, const std::string& v, bool exponentForm) {
  static const std::regex fixed(R"(-?[0-9]+\.[0-9]{10})"),
      exponent(R"(-?[0-9]\.[0-9]{11}E[+-][0-9]+)");
  if (!std::regex_match(v, exponentForm ? exponent : fixed))
    Fail(key + " is not in the INF number form: " + v);
  std::istringstream in(v);
  in.imbue(std::locale::classic());
  double d = 0;
  in >> d;
  return d;
}

// CR LF after every line, no blank line, no byte order mark, "[Section]"
// headers and Key=Value lines.
std::vector<std::pair<std::string, TSection>> ReadInf(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) Fail("cannot open INF file " + path);
  std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (all.size() < 2 || all.compare(all.size() - 2, 2, "\r\n") != 0)
    Fail("INF file does not end in CR LF: " + path);
  std::vector<std::pair<std::string, TSection>> sections;
  for (size_t pos = 0, end; pos < all.size(); pos = end + 2) {
    end = all.find("\r\n", pos);
    const std::string line = all.substr(pos, end - pos);
    if (line.empty()) Fail("blank line in " + path);
    if (line.find_first_of("\r\n") != std::string::npos) Fail("line without CR LF in " + path);
    const size_t eq = line.find('=');
    if (line.front() == '[') {
      if (line.back() != ']') Fail("bad section header " + line);
      sections.emplace_back(line.substr(1, line.size() - 2), TSection{});
    } else if (sections.empty() || eq == std::string::npos || eq == 0) {
      Fail("bad line: " + line);
    } else {
      sections.back().second[line.substr(0, eq)] = line.substr(eq + 1);
      Log("key " + sections.back().first + "." + line);
    }
  }
  return sections;
}

const std::string& Need(const TSection& s, const std::string& key) {
  auto it = s.find(key);
  if (it == s.end()) Fail("missing key " + key);
  return it->second;
}

// The raster of an ElevS16MSB source, checked against its keys; a source of
// another kind is taken as it is.
std::string ReadSource(const TSection& s) {
  const std::string dir = HostPath(Unquote("SourceDir", Need(s, "SourceDir")));
  const std::string file = Unquote("SourceFile", Need(s, "SourceFile"));
  if (Need(s, "Type") != "ElevS16MSB") return {};
  Integer("NullCellValue", Need(s, "NullCellValue"), -32768, 32767);
  if (Need(s, "CellType") != "S16MSB") Fail("CellType must be S16MSB");
  const double lat = Real("Lat", Need(s, "Lat"), false), lon = Real("Lon", Need(s, "Lon"), false);
  if (lat < -90 || lat > 90 || lon < -180 || lon > 180) Fail("corner outside the globe");
  const long long cols = Integer("NumOfCellsPerLine", Need(s, "NumOfCellsPerLine"), 1, 1 << 20);
  const long long rows = Integer("NumOfLines", Need(s, "NumOfLines"), 1, 1 << 20);
  if (!(Real("CellXdimensionDeg", Need(s, "CellXdimensionDeg"), true) > 0 &&
        Real("CellYdimensionDeg", Need(s, "CellYdimensionDeg"), true) > 0))
    Fail("cell size not positive");
  if (Need(s, "ScaleInMeters") != "1") Fail("ScaleInMeters must be 1");
  Integer("BaseValue", Need(s, "BaseValue"), -2147483648LL, 2147483647LL);
  const std::string raster = (std::filesystem::path(dir) / file).string();
  std::ifstream in(raster, std::ios::binary);
  if (!in) Fail("cannot open raster " + raster);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (bytes.size() != size_t(cols * rows * 2))
    Fail("raster " + raster + " has " + std::to_string(bytes.size()) + " bytes, expected " +
         std::to_string(cols * rows * 2));
  return bytes;
}

}  // namespace

int main(int argc, char* argv[]) {
#ifdef _WIN32
  _setmode(_fileno(stdout), _O_BINARY);
#endif
  std::setvbuf(stdout, nullptr, _IOFBF, 1 << 16);
  const std::string m = std::getenv("STANDIN_MODE") ? std::getenv("STANDIN_MODE") : "ok";
  const char* dur = std::getenv("STANDIN_DURATION_MS");
  const int durationMs = dur ? std::atoi(dur) : 1200;
  if (const char* log = std::getenv("STANDIN_LOG")) logFile = std::fopen(log, "wb");
  Log("cwd " + std::filesystem::current_path().string());
  for (int i = 1; i < argc; ++i) Log(std::string("arg ") + argv[i]);

  std::printf("Stand-in terrain compiler 1.0\r\n"), std::fflush(stdout);
  if (m == "sleep") std::this_thread::sleep_for(std::chrono::milliseconds(durationMs));
  if (argc < 2) Fail("no INF file given");
  if (m == "fail") Fail("asked to fail");

  std::vector<std::string> sources;
  TSection dest;
  bool haveDest = false;
  for (int i = 1; i < argc; ++i) {
    std::printf("Reading %s\r\n", argv[i]);
    for (auto& [name, keys] : ReadInf(HostPath(argv[i]))) {
      if (name == "Source") sources.push_back(ReadSource(keys));
      if (name != "Destination") continue;
      if (i != argc - 1) Fail("the destination INF must come last");
      dest = keys, haveDest = true;
    }
  }
  if (!haveDest) Fail("no [Destination] section");
  const long long lod = Integer("LOD", Need(dest, "LOD"), 0, 15);
  const std::string destDir = HostPath(Unquote("DestDir", Need(dest, "DestDir")));
  const std::string base = Unquote("DestBaseFileName", Need(dest, "DestBaseFileName"));
  Integer("BaseValue", Need(dest, "BaseValue"), -2147483648LL, 2147483647LL);
  if (Need(dest, "UseSourceDimensions") != "1") Fail("UseSourceDimensions must be 1");
  if (base.empty()) Fail("empty DestBaseFileName");

  for (int k = 1; k <= 10; ++k) {
    std::this_thread::sleep_for(std::chrono::milliseconds(durationMs / 10));
    std::printf("Processing LOD %lld: %d%%\r\n", lod, k * 10), std::fflush(stdout);
    if (m == "crash" && k == 5) {
      Log("crash");
      if (logFile) std::fclose(logFile);
      std::raise(SIGSEGV);
      std::abort();
    }
    if (m == "flood" && k == 1) {
      const char* mb = std::getenv("STANDIN_FLOOD_MB");
      const std::string line = std::string(99, 'x') + '\n';
      for (long long n = (mb ? std::atoll(mb) : 3) << 20; n > 0; n -= 100)
        std::fwrite(line.data(), 1, line.size(), stdout);
      std::fflush(stdout);
    }
  }
  const std::string bgl = (std::filesystem::path(destDir) / (base + ".bgl")).string();
  std::ofstream out(bgl, std::ios::binary | std::ios::trunc);
  if (!out) Fail("cannot write " + bgl);
  if (m != "emptybgl") {
    std::string header = "STANDIN-BGL LOD=" + std::to_string(lod);
    header.resize(64, ' ');
    out << header;
    for (const std::string& r : sources) {
      uint8_t acc = 0;
      for (size_t i = 0; i < r.size(); ++i) {
        acc = uint8_t(acc * 31 + uint8_t(r[i]));
        if (i % 32 == 31) out.put(char(acc));
      }
    }
  }
  if (!out) Fail("write failed " + bgl);
  std::printf("Done: %s\r\n", bgl.c_str());
  Log("bgl " + bgl);
  if (logFile) std::fclose(logFile);
  return 0;
}
