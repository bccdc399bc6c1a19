#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <tuple>
#include <vector>

#include "core/mesh/mesh.h"
#include "core/scenery/bgl_build.h"
#include "core/scenery/resample_tool.h"
#include "support/mesh_helpers.h"
#include "support/test_paths.h"

namespace {

// An HGT mosaic's geometry, with or without bands all round as the multiple-tile
// loader makes them (n + 1 north and east, n south and west, in the bounds).
void HgtGeometry(TTMesh& m, int n, int lat, int lon, int across, int down, bool bands) {
  const int b = bands ? 1 : 0;
  m.SetGridSize((across + 2 * b) * n + 1, (down + 2 * b) * n + 1);
  m.RowsPerDeg = m.ColsPerDeg = n, m.MinLat = float(lat - b), m.MaxLat = float(lat + down + b);
  m.MinLon = float(lon - b), m.MaxLon = float(lon + across + b);
  m.AdjoNorth = m.AdjoEast = b * (n + 1), m.AdjoSouth = m.AdjoWest = b * n, m.VoidValue = -32768;
}

}  // namespace

TEST(BglBuild, ProposalsAndCutTrimmingBandsToTheOverlap) {
  TTMesh m;
  HgtGeometry(m, 1200, 45, -122, 1, 1, false);
  EXPECT_EQ(DefaultBglName(m), "N46W122_N45W121");
  EXPECT_EQ(DefaultBglPath("/fs9/Addon Scenery/scenery", m),
            JoinPath("/fs9/Addon Scenery/scenery", "N46W122_N45W121.bgl"));
  EXPECT_EQ(DefaultBglPath("C:\\", m), "C:\\N46W122_N45W121.bgl");
  EXPECT_EQ(DefaultBglPath("", m).substr(1), "N46W122_N45W121.bgl");  // root of the drive
  EXPECT_EQ(DefaultLod(m), 9);
  const TBandChoices none = BandChoices(m, 9);
  EXPECT_FALSE(none.North.Enabled || none.South.Enabled || none.West.Enabled || none.East.Enabled);

  TTMesh b;  // bands are left out of the name; southern and eastern hemispheres
  HgtGeometry(b, 3600, -10, 8, 2, 1, true);
  EXPECT_EQ(std::tuple(DefaultBglName(b), DefaultLod(b)), std::tuple("S09E008_S10E010", 10));
  const TBandChoices c = BandChoices(b, DefaultLod(b));
  EXPECT_TRUE(c.North.Enabled && c.South.Enabled && c.West.Enabled && c.East.Enabled);
  EXPECT_EQ(std::pair(c.North.Maximum, c.East.Proposal), std::pair(3600, 283));
  EXPECT_EQ(BandChoices(b, 9).West.Proposal, 171);

  EXPECT_EQ(std::tuple(LodLabelText(9) + LodLabelText(0), LodCellSize(-1), LodCellSize(16)),
            std::tuple("76.40 m39136.20 m", 0.0, 0.0));  // beyond the table: none

  TBglCut cut;
  ASSERT_TRUE(CutMeshForBgl(m, TBandOverlap{5, 5, 5, 5}, cut));  // no bands: overlaps unused
  EXPECT_EQ(cut.Rect, m.GridRect);
  EXPECT_EQ(std::pair(cut.Cols, cut.Bounds.North), std::pair(1201, 46.0f));

  // One tile with all four bands: 3 x 3 tiles of grid.
  HgtGeometry(m, 1200, 45, -122, 1, 1, true);
  ASSERT_TRUE(CutMeshForBgl(m, TBandOverlap{171, 100, 50, 30}, cut));
  // North band rows 0..1200 (1200 shared with the main area): keep 171 rows.
  EXPECT_EQ(cut.Rect, (TCellRect{1200 - 50, 2400 + 30, 1200 - 171, 2400 + 100}));
  EXPECT_EQ(std::pair(cut.Rows, cut.Cols), std::pair(171 + 1201 + 100, 50 + 1201 + 30));
  EXPECT_EQ(std::tuple(cut.Bounds.North, cut.Bounds.South, cut.Bounds.West, cut.Bounds.East),
            std::tuple(float(46.0 + 171 / 1200.0), float(45.0 - 100 / 1200.0),
                       float(-122.0 - 50 / 1200.0), float(-121.0 + 30 / 1200.0)));

  // Whole bands kept: the whole grid.
  ASSERT_TRUE(CutMeshForBgl(m, TBandOverlap{1200, 1200, 1200, 1200}, cut));
  EXPECT_EQ(cut.Rect, m.GridRect);

  // Overlaps outside the band, and a band narrower than a degree, are refused.
  const TBglCut before = cut;
  for (int32_t bad : {1201, -1})  // on each side
    for (TBandOverlap o :
         {TBandOverlap{bad, 0, 0, 0}, {0, bad, 0, 0}, {0, 0, bad, 0}, {0, 0, 0, bad}})
      EXPECT_FALSE(CutMeshForBgl(m, o, cut)) << bad;
  TTMesh odd;
  odd.MaxLat = -9.6f, odd.MinLat = -10.3f, odd.MinLon = -122.4f, odd.MaxLon = -121.6f;
  EXPECT_EQ(DefaultBglName(odd), "S09W122_S10W121");  // fractional corners: towards zero
  odd.SetGridSize(20, 20), odd.RowsPerDeg = odd.ColsPerDeg = 1200, odd.AdjoSouth = 3;
  EXPECT_TRUE(!CutMeshForBgl(odd, TBandOverlap{0, 2, 0, 0}, cut) && cut.Rect == before.Rect);
}

TEST(BglBuild, InfListTempFilesAndStatus) {
  const std::vector<std::string> entries = {"/a/land.inf", GeneratedInfMarker, "/b/water.inf"};
  EXPECT_EQ(ResampleInfList(entries, "S", "D"),
            (std::vector<std::string>{"/a/land.inf", "S", "/b/water.inf", "D"}));
  EXPECT_EQ(ResampleInfList({GeneratedInfMarker}, "S", "D"), (std::vector<std::string>{"S", "D"}));

  TTempDir dir;
  const TBglTempFiles files = BglTempFiles(dir.Path() + "/");
  EXPECT_EQ(files.Raster, dir.File("tempmesh.ras"));
  TTMesh m;
  HgtGeometry(m, 1200, 45, -122, 1, 1, false);
  TBglCut cut;
  ASSERT_TRUE(CutMeshForBgl(m, TBandOverlap{}, cut));
  EXPECT_EQ(WriteBglInfFiles(m, cut, 9, 0, files, dir.File("out.bgl"), TToolPathForm::Host), "");
  EXPECT_EQ(FolderEntries(dir.Path()), (std::vector<std::string>{"tempdst.inf", "tempsrc.inf"}));
  WriteFileBytes(files.Raster, {1}), DeleteBglTempFiles(files);  // the raster goes too
  EXPECT_TRUE(FolderEntries(dir.Path()).empty());

  // A folder that is not there: the source INF fails first. With only the
  // destination's missing, the source INF written goes again.
  TBglTempFiles missing = BglTempFiles(dir.File("gone"));
  for (const std::string failed : {"source", "destination"}) {
    EXPECT_EQ(WriteBglInfFiles(m, cut, 9, 0, missing, "x.bgl", TToolPathForm::Host),
              "Could not create " + failed + " INF file.");
    missing.SourceInf = files.SourceInf;
  }
  EXPECT_TRUE(FolderEntries(dir.Path()).empty());

  EXPECT_EQ(ResampleFinishedText(false, 0), "Resample has finished. No BGL file has been created.");
  EXPECT_EQ(ResampleFinishedText(true, 0), "Resample has finished. Resulting BGL file is empty!");
  EXPECT_EQ(ResampleFinishedText(true, 1264189),
            "Resample has finished.  Resulting BGL has 1234.56 KB");
  std::ofstream(dir.File("x.bgl"), std::ios::binary) << std::string(2048, 'b');
  EXPECT_EQ(ResampleFinishedText(dir.File("x.bgl")),
            "Resample has finished.  Resulting BGL has 2.00 KB");
  EXPECT_EQ(ResampleFinishedText(dir.File("none.bgl")),
            "Resample has finished. No BGL file has been created.");
}

TEST(ResampleTool, CommandLineAndVersionRule) {
  TResampleCommand none = BuildResampleCommand("/sdk/resample", {});
  EXPECT_TRUE(none.Program.empty());

  TResampleCommand native = BuildResampleCommand("/sdk/bin/resample", {"/t/a b.inf", "/t/d.inf"});
  EXPECT_EQ(std::tuple(native.Program, native.WorkingDir, native.CommandLine, native.PathForm),
            std::tuple("/sdk/bin/resample", "/sdk/bin/",
                       "/sdk/bin/resample \"/t/a b.inf\" \"/t/d.inf\"", TToolPathForm::Host));
  EXPECT_EQ(native.Arguments, (std::vector<std::string>{"/t/a b.inf", "/t/d.inf"}));
#ifndef _WIN32
  TResampleCommand wine = BuildResampleCommand("/sdk/bin/Resample.EXE", {"/t/a b.inf"});
  EXPECT_EQ(std::tuple(wine.Program, wine.WorkingDir, wine.CommandLine, wine.PathForm),
            std::tuple("wine", "/sdk/bin/", "Z:\\sdk\\bin\\Resample.EXE \"Z:\\t\\a b.inf\"",
                       TToolPathForm::Wine));
  EXPECT_EQ(wine.Arguments,
            (std::vector<std::string>{"Z:\\sdk\\bin\\Resample.EXE", "Z:\\t\\a b.inf"}));
  EXPECT_EQ(WinePath("/a/./b/../c.inf"), "Z:\\a\\c.inf");
  for (std::string p : {"C:\\x.inf", "C:"}) EXPECT_EQ(WinePath(p), p);  // drives stay
  EXPECT_TRUE(NeedsWine(".exe") && !NeedsWine("exe") && !NeedsWine("/sdk/x.exe2"));
#endif

  EXPECT_EQ(ClassifyResampleVersion({1, 0, 0, 2}), TVersionVerdict::Accepted);
  EXPECT_EQ(ClassifyResampleVersion({1, 0, 0, 4}), TVersionVerdict::Accepted);
  for (TFileVersion v : {TFileVersion{0, 0, 0, 0}, TFileVersion{0, 0, 0, 1},
                         TFileVersion{1, 0, 0, 0}, TFileVersion{1, 0, 0, 1}})
    EXPECT_EQ(ClassifyResampleVersion(v), TVersionVerdict::Refused) << VersionText(v);
  EXPECT_EQ(ClassifyResampleVersion({2, 0, 0, 2}), TVersionVerdict::Ask);
  // Its output in chunks: CR LF and a lone CR become LF, also across chunks.
  bool cr = false;
  EXPECT_EQ(NormalizeNewlines("a\r\nb\rc\r", cr) + NormalizeNewlines("\nd", cr), "a\nb\nc\nd");
}
