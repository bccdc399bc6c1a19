#include <gtest/gtest.h>

#include <filesystem>

#include "core/document/document.h"
#include "core/tiles/multi_hgt.h"
#include "support/mesh_helpers.h"
#include "support/test_paths.h"

TEST(MissingTileHatch, TheLoadsFillIsHatchedUntilEdited) {
  TTempDir dir;
  WriteFileBytes(dir.File("N45W122.hgt"), {});  // the eastern tile, all 0; the western is missing
  std::filesystem::resize_file(dir.File("N45W122.hgt"), 2884802);
  TTMultiHGTRequest request{dir.Path(), {46, 45, -123, -121}, {}, 0, dir.Path()};
  auto mesh = std::make_unique<TTMesh>();
  TTMissingTiles missing;
  ASSERT_EQ(LoadMultiHGT(*mesh, request, nullptr, &missing.Rects), "");
  // The western tile's own cells: the shared column is the eastern tile's.
  EXPECT_EQ(missing.Rects, (std::vector<TCellRect>{{0, 1199, 0, 1200}}));
  mesh->SetCell(2400, 1200, 100);  // a range, so that 0 is not the top gray
  mesh->StatsFromLoad = false;     // the load's statistics no longer hold
  TTDocument doc;
  doc.SeaAsBlue = true;
  ASSERT_EQ(doc.Attach(std::move(mesh), 0, nullptr, missing), TTDocument::TAttach::Ok);
  auto at = [&](int x, int y) { return doc.Image().Bits[y * doc.Image().Stride + x]; };
  // Every fifth cell of a diagonal, over the sea blue, in the missing tile only.
  EXPECT_EQ(std::vector<int>({at(0, 0), at(7, 2), at(1, 0), at(1205, 5)}),
            std::vector<int>({kMissingInkLight, kMissingInkLight, kSeaIndex, kSeaIndex}));
  // An edit ends the hatch of what it changed; its recolour leaves the rest.
  doc.Mesh->SetCell(5, 0, 100), doc.Mesh->SetCell(0, 0, 100);
  doc.Recolor(TCellRect{5, 5, 0, 0});
  EXPECT_TRUE(at(5, 0) == ColorIndex(100, 0, 100, -32768, true) && at(0, 0) == kMissingInkLight);
  doc.Mesh->SetCell(0, 0, 300);  // on light grays, up to the top one, the lines are dark
  doc.MissingTiles.Value = 300, doc.Recolor(doc.Mesh->GridRect);
  EXPECT_EQ(at(0, 0), kMissingInkDark);
}

// A tile and a rectangle reaching past the grid hatch its cells only, also
// where an image row is exactly as wide as a grid row.
TEST(MissingTileHatch, ReachingPastTheGridHatchesOnlyItsCells) {
  TTMesh m;
  MakeMesh(m, 5, 5, 0, -32768), m.Rows = 4;  // a fifth row of samples and of pixels beyond it
  std::vector<uint8_t> image(25, 7), want = image;
  HatchMissingTiles(m, TTMissingTiles{{{2, 9, -3, 9}}, 0}, TCellRect{0, 9, 0, 9}, image.data(), 5);
  want[12] = want[18] = kMissingInkLight;  // (2, 2) and (3, 3)
  EXPECT_EQ(image, want);
}
