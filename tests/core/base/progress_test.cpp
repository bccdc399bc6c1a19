#include "core/base/progress.h"

#include <gtest/gtest.h>

#include "support/mesh_helpers.h"

TEST(Progress, ScaleAndLabel) {
  TProgressRecorder r;
  r.SetRange(0, 0), r.SetPositionPercent(5);
  EXPECT_EQ(std::pair(r.bars.back(), r.texts.back()), std::pair(0, std::string("0 %")));

  r.SetRange(0, 200), r.SetPosition(199);
  EXPECT_EQ(r.bars.back(), 99);  // 99.5 truncated

  r.SetRange(0, 100), r.SetPositionPercent(41.5);  // halves away from zero
  EXPECT_EQ(r.texts.back(), "42 %");

  r.Show(), r.SetText("N45W123.hgt"), r.Hide();
  EXPECT_TRUE(!r.visible && r.texts.back().empty());
}

TEST(Progress, SubRangesMapOntoTheParentAndKeepItsLabel) {
  TProgressRecorder parent;
  parent.SetRange(0, 100), parent.SetText("2 of 4");
  TTSubProgress part(&parent, 25, 50);
  part.SetRange(0, 9);  // ten rows
  part.SetPosition(0), part.SetPosition(9), part.Hide(), part.Pump();
  EXPECT_EQ(parent.bars, (std::vector<int>{25, 50}));
  EXPECT_EQ(parent.texts, (std::vector<std::string>{"2 of 4"}));  // the part's end clears nothing
  EXPECT_TRUE(parent.pumps == 1 && !part.AbortRequested());
  parent.abort = true;
  EXPECT_TRUE(part.AbortRequested());
}
