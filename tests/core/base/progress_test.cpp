#include "core/base/progress.h"

#include <gtest/gtest.h>

namespace {
class Recorder : public TTProgress {
 public:
  int bar = -1;
  std::string label = "?";
  bool visible = false;

 protected:
  void BarPositionChanged(int p) override { bar = p; }
  void LabelTextChanged(const std::string& t) override { label = t; }
  void VisibilityChanged(bool v) override { visible = v; }
};
}  // namespace

TEST(Progress, ScaleAndLabel) {
  Recorder r;
  r.SetRange(0, 0);
  r.SetPositionPercent(5);
  EXPECT_EQ(r.bar, 0);
  EXPECT_EQ(r.label, "0 %");

  r.SetRange(0, 200);
  r.SetPosition(199);
  EXPECT_EQ(r.bar, 99);  // 99.5 truncated

  r.SetRange(0, 100);
  r.SetPositionPercent(42);
  EXPECT_EQ(r.label, "42 %");

  r.Show();
  r.SetText("N45W123.hgt");
  r.Hide();
  EXPECT_FALSE(r.visible);
  EXPECT_EQ(r.label, "");
}
