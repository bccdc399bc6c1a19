#include "core/document/command_endings.h"

#include <gtest/gtest.h>

#include "core/base/number_text.h"
#include "core/edit/interpol.h"

TEST(CommandEndings, FillAndCommandLines) {
  TTInterpolRun run{0, 7652, 7652, false, 100};
  EXPECT_EQ(FillEndText(run, 0.42), "Filled 7,652 of 7,652 voids in 0.4 s");
  run = TTInterpolRun{0, 7652, 2100, true, 37};
  EXPECT_EQ(FillEndText(run, 3), "Stopped at 37 %: 2,100 of 7,652 voids filled");
  EXPECT_EQ(CommandEndText("Loaded x", TEnding::Done, 1.25), "Loaded x in 1.3 s");
  EXPECT_EQ(CommandEndText("Save", TEnding::Failed, 1), "Save failed");
  EXPECT_EQ(FormatGrouped(-1234567), "-1,234,567");
  EXPECT_EQ(FormatGrouped(999), "999");
}
