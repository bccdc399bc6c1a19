#include "core/document/command_endings.h"

#include <gtest/gtest.h>

#include "core/base/number_text.h"
#include "core/edit/interpol.h"
#include "core/edit/void_regions.h"

TEST(CommandEndings, FillAndCommandLines) {
  TTInterpolRun run{.Voids = 7652, .Filled = 7652};
  EXPECT_EQ(FillEndText(run, 0.42), "Filled 7,652 of 7,652 voids in 0.4 s");
  run.Filled = 2100, run.Aborted = true, run.Percent = 37;
  EXPECT_EQ(FillEndText(run, 3), "Stopped at 37 %: 2,100 of 7,652 voids filled");
  const TTFillRun fill{7, 3, true}, none{0, 0, true};  // the share the fill works out itself
  EXPECT_EQ(FillEndText(fill, 1) + "; " + FillEndText(none, 1),
            "Stopped at 42 %: 3 of 7 voids filled; Stopped at 100 %: 0 of 0 voids filled");
  EXPECT_EQ(CommandEndText("Loaded x", TEnding::Done, 1.25), "Loaded x in 1.3 s");
  EXPECT_EQ(CommandEndText("Save", TEnding::Failed, 1), "Save failed");
  EXPECT_EQ(FormatGrouped(-1234567) + " " + FormatGrouped(999), "-1,234,567 999");
}
