#include "core/document/fill_voids_command.h"

#include <gtest/gtest.h>

#include "core/document/document.h"
#include "core/view/mesh_image.h"
#include "support/mesh_helpers.h"

TEST(FillVoidsCommand, RecordsFillsRecoloursAndUndoes) {
  auto m = std::make_unique<TTMesh>();
  std::vector<int16_t> s(size_t(20) * 10);
  for (size_t i = 0; i < s.size(); ++i) s[i] = i % 20 == 7 ? int16_t(-32768) : int16_t(i % 20);
  MakeMesh(*m, 20, 10, s), m->VoidValue = -32768;
  TTDocument d;
  ASSERT_EQ(d.Attach(std::move(m), 1), TTDocument::TAttach::Ok);
  TTFillRequest q{.Method = TFillMethod::Spline};
  TTFillRun run;
  d.Image();  // shown once: every row coloured before the fill
  const TTEditOutcome out = FillVoidsCommand(d, q, nullptr, &run);
  EXPECT_TRUE(out.Recorded && d.Modified() && run.Filled == 10 && out.Changed == d.Mesh->GridRect);
  const uint8_t pixel = d.Image().Bits[4 * d.Image().Stride + 7];  // recoloured
  EXPECT_TRUE(d.Mesh->GetCell(7, 4) == 7 && pixel == ColorIndex(7, 0, 19, -32768, false));
  bool more = true;
  UndoCommand(d, more);
  q.Method = TFillMethod::Dem;  // without its second model: a fill that fails says so
  EXPECT_TRUE(CopySamples(*d.Mesh) == s && FillVoidsCommand(d, q, nullptr, nullptr).OutOfMemory);
}
