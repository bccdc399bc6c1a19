#include "core/mesh/mesh_info.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <initializer_list>

#include "core/base/file_util.h"
#include "core/mesh/mesh.h"

namespace {

constexpr double kFeetPerMetre = 3.2808399;

// Appending piece by piece (GCC 12 warns falsely on chains of operator+).
std::string Concat(std::initializer_list<std::string> parts) {
  std::string s;
  for (const std::string& p : parts) s.append(p);
  return s;
}

std::string Elevation(int16_t metres) {
  return Concat({std::to_string(metres), " m (",
                 std::to_string(std::llround(metres * kFeetPerMetre)), " ft)"});
}

}  // namespace

std::string FormatFixed(double value, int decimals) {
  if (!std::isfinite(value)) return std::isnan(value) ? "NAN" : (value > 0 ? "INF" : "-INF");
  char buf[400];
  auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
  std::string s(buf, res.ptr);
  if (!s.empty() && s[0] == '-' && s.find_first_not_of("-0.") == std::string::npos) s.erase(0, 1);
  return s;
}

std::string FormatFixed7(double value, int decimals) {
  if (!std::isfinite(value)) return FormatFixed(value, decimals);
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, 6);
  double rounded = value;
  std::from_chars(buf, res.ptr, rounded);
  return FormatFixed(rounded, decimals);
}

std::vector<TTReportLine> MeshInfoReport(const TTMesh& m) {
  std::vector<TTReportLine> r;
  if (!m.FileName.empty()) {
    r.push_back({"File name: ", FileNamePart(m.FileName)});
    r.push_back({});
  }
  r.push_back({"Maximum latitude: ", FormatFixed7(m.MaxLat, 4)});
  r.push_back({"Minimum latitude: ", FormatFixed7(m.MinLat, 4)});
  r.push_back({"Minimum longitude: ", FormatFixed7(m.MinLon, 4)});
  r.push_back({"Maximum longitude: ", FormatFixed7(m.MaxLon, 4)});
  r.push_back({});
  r.push_back({"Dimensions:", Concat({" ", std::to_string(m.Rows), " rows  x  ",
                                      std::to_string(m.Cols), " columns"})});
  r.push_back({});
  const int64_t samples = int64_t(m.Rows) * m.Cols;
  r.push_back({"Number of samples: ", std::to_string(samples)});
  const double share = samples > 0 ? double(m.VoidCount) / double(samples) * 100.0 : 0.0;
  r.push_back({"Number of voids: ",
               Concat({std::to_string(m.VoidCount), " (", FormatFixed(share, 4), "%)"})});
  r.push_back({});
  r.push_back({"Highest elevation: ", Elevation(m.MaxElev)});
  r.push_back({"Lowest elevation: ", Elevation(m.MinElev)});
  return r;
}
