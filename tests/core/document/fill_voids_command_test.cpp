#include "core/document/fill_voids_command.h"

#include <gtest/gtest.h>

#include "core/document/document.h"
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
  const TTEditOutcome out = FillVoidsCommand(d, q, nullptr, &run);
  EXPECT_TRUE(out.Recorded && d.Modified() && run.Filled == 10 && out.Changed == d.Mesh->GridRect);
  EXPECT_EQ(d.Mesh->GetCell(7, 4), 7);  // the column between 6 and 8
  bool more = true;
  UndoCommand(d, more);
  q.Method = TFillMethod::Dem;  // without its second model: a fill that fails says so
  EXPECT_TRUE(CopySamples(*d.Mesh) == s && FillVoidsCommand(d, q, nullptr, nullptr).OutOfMemory);
}
