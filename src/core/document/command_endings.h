#pragma once

#include <string>

struct TTInterpolRun;
struct TTFillRun;

// The status-bar line a long command leaves behind, so that a user who
// looked away can tell whether it finished, stopped or failed.

// "Filled 7,652 of 7,652 voids in 0.4 s", or after Esc
// "Stopped at 37 %: 2,100 of 7,652 voids filled".
std::string FillEndText(const TTInterpolRun& run, double seconds);
// The same for "Fill Voids...", whose stop is at the share of voids filled.
std::string FillEndText(const TTFillRun& run, double seconds);

// "<what> in 1.2 s", or "<what> stopped" / "<what> failed".
enum class TEnding { Done, Stopped, Failed };
std::string CommandEndText(const std::string& what, TEnding ending, double seconds);
