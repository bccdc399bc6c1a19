#include "core/document/command_endings.h"

#include "core/base/number_text.h"
#include "core/edit/interpol.h"
#include "core/edit/void_regions.h"

namespace {
std::string Seconds(double s) { return FormatFixed(s < 0 ? 0 : s, 1) + " s"; }

std::string FillText(int64_t voids, int64_t filled, bool aborted, int percent, double seconds) {
  const std::string of = FormatGrouped(filled) + " of " + FormatGrouped(voids) + " voids";
  if (aborted) return "Stopped at " + FormatInt(percent) + " %: " + of + " filled";
  return "Filled " + of + " in " + Seconds(seconds);
}
}  // namespace

std::string FillEndText(const TTInterpolRun& run, double seconds) {
  return FillText(run.Voids, run.Filled, run.Aborted, run.Percent, seconds);
}

std::string FillEndText(const TTFillRun& run, double seconds) {
  const int percent = run.Voids > 0 ? int(run.Filled * 100 / run.Voids) : 100;
  return FillText(run.Voids, run.Filled, run.Aborted, percent, seconds);
}

std::string CommandEndText(const std::string& what, TEnding ending, double seconds) {
  switch (ending) {
    case TEnding::Done:
      return what + " in " + Seconds(seconds);
    case TEnding::Stopped:
      return what + " stopped";
    case TEnding::Failed:
      break;
  }
  return what + " failed";
}
