#include "core/document/command_endings.h"

#include "core/base/number_text.h"
#include "core/edit/interpol.h"

namespace {
std::string Seconds(double s) { return FormatFixed(s < 0 ? 0 : s, 1) + " s"; }
}  // namespace

std::string FillEndText(const TTInterpolRun& run, double seconds) {
  const std::string of = FormatGrouped(run.Filled) + " of " + FormatGrouped(run.Voids) + " voids";
  if (run.Aborted) return "Stopped at " + FormatInt(run.Percent) + " %: " + of + " filled";
  return "Filled " + of + " in " + Seconds(seconds);
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
