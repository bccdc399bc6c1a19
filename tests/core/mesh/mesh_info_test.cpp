#include "core/mesh/mesh_info.h"

#include <gtest/gtest.h>

#include <clocale>
#include <tuple>

#include "core/mesh/mesh.h"
#include "support/mesh_helpers.h"

namespace {
std::string Text(const std::vector<TTReportLine>& lines) {
  std::string s;
  for (const auto& l : lines) s += l.Label + l.Value + "\n";
  return s;
}
}  // namespace

TEST(MeshInfo, ReportLinesAsShown) {
  TTMesh m;
  m.FileName = "C:\\DEM\\N45W122.hgt", m.SetGridSize(1201, 1201);
  m.MinLat = 45, m.MaxLat = 46, m.MinLon = -122, m.MaxLon = -121;
  m.VoidCount = 12, m.MaxElev = 1234, m.MinElev = 12;
  EXPECT_EQ(Text(MeshInfoReport(m)),
            "File name: N45W122.hgt\n\n"
            "Maximum latitude: 46.0000\nMinimum latitude: 45.0000\n"
            "Minimum longitude: -122.0000\nMaximum longitude: -121.0000\n\n"
            "Dimensions: 1201 rows  x  1201 columns\n\n"
            "Number of samples: 1442401\nNumber of voids: 12 (0.0008%)\n\n"
            "Highest elevation: 1234 m (4049 ft)\nLowest elevation: 12 m (39 ft)\n");
  auto lines = MeshInfoReport(m);
  EXPECT_TRUE(lines[0].Label == "File name: " && lines[1].IsBlank() &&
              lines[7].Label == "Dimensions:");

  // A multi-tile, all-void mesh in a locale with a decimal comma.
  const char* old = std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
  TTMesh v;
  MakeMesh(v, 2, 1, {-32768, -32768});
  v.VoidValue = -32768, v.MinLat = -12.5f, v.UpdateStats(), lines = MeshInfoReport(v);
  EXPECT_EQ(
      std::tuple(lines[0].Label, lines[1].Value, lines[8].Value, lines[10].Value, lines[11].Value),
      std::tuple("Maximum latitude: ", "-12.5000", "2 (100.0000%)", "-32768 m (-107507 ft)",
                 "-32768 m (-107507 ft)"));
  if (old) std::setlocale(LC_NUMERIC, "C");

  EXPECT_EQ(MeshInfoReport(TTMesh())[8].Value, "0 (0.0000%)");  // no samples: no share
  // Seven significant digits first, as a single-precision value was shown.
  EXPECT_EQ(FormatFixed7(123.45678901, 4) + " " + FormatFixed7(1.000049949, 4), "123.4568 1.0001");
}
