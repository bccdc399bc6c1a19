#include <gtest/gtest.h>

#include <filesystem>

#include "core/document/document.h"
#include "core/tiles/load_hgt.h"
#include "support/mesh_helpers.h"
#include "support/test_paths.h"

TEST(MissingTileHatch, LoadReportsTheFilledCells) {
  TTempDir dir;
  WriteFileBytes(dir.File("N45W122.hgt"), {});
  std::filesystem::resize_file(dir.File("N45W122.hgt"), 2884802);
  TTMesh m;
  std::vector<TCellRect> missing{TCellRect{1, 1, 1, 1}};
  ASSERT_TRUE(LoadHGT(m, {dir.File("N45W123.hgt"), dir.File("N45W122.hgt")}, 2, 2, 1, 7, nullptr,
                      dir.Path(), &missing));
  // The western tile's own cells: the shared column is the eastern tile's.
  EXPECT_EQ(missing, (std::vector<TCellRect>{{0, 1199, 0, 1200}}));
  EXPECT_EQ(m.GetCell(1199, 1200), 7);
  EXPECT_EQ(m.GetCell(1200, 0), 0);
}

TEST(MissingTileHatch, DrawnWhileTheCellHoldsTheFill) {
  auto mesh = std::make_unique<TTMesh>();
  MakeMesh(*mesh, 20, 10, 0, -32768);
  mesh->SetCell(19, 9, 100);  // a range, so that 0 is not the top gray
  TTDocument doc;
  doc.SeaAsBlue = true;
  ASSERT_EQ(doc.Attach(std::move(mesh), 0, nullptr, {{TCellRect{0, 9, 0, 9}}, 0}),
            TTDocument::TAttach::Ok);
  auto at = [&](int x, int y) { return doc.Image().Bits[y * doc.Image().Stride + x]; };
  // Lines every fifth cell of a diagonal, inside the tile only.
  EXPECT_EQ(at(0, 0), kMissingInkLight);
  EXPECT_EQ(at(7, 2), kMissingInkLight);
  EXPECT_EQ(at(1, 0), kSeaIndex);
  EXPECT_EQ(at(10, 0), kSeaIndex);
  // An edit ends the hatch of what it changed; its recolour leaves the rest.
  doc.Mesh->SetCell(5, 0, 100);
  doc.Mesh->SetCell(0, 0, 100);
  doc.Recolor(TCellRect{5, 5, 0, 0});
  EXPECT_EQ(at(5, 0), ColorIndex(100, 0, 100, -32768, true));
  EXPECT_EQ(at(0, 0), kMissingInkLight);
  doc.Mesh->SetCell(5, 0, 0);  // undone: the fill is back, and its hatch
  doc.Recolor(doc.Mesh->GridRect);
  EXPECT_EQ(at(5, 0), kMissingInkLight);
  doc.MissingTiles.Value = 100;  // on a light gray the lines are dark
  doc.Recolor(doc.Mesh->GridRect);
  EXPECT_EQ(at(0, 0), kMissingInkDark);
  doc.Close();
  EXPECT_TRUE(doc.MissingTiles.Rects.empty());
}
