#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/scenery/file_version.h"
#include "core/scenery/tool_path.h"

// How the terrain compiler ("Resample") is started: program, arguments and
// working folder. The compiler gets the INF files in list order and runs in
// its own folder.
struct TResampleCommand {
  std::string Program;                 // what the process runner starts
  std::vector<std::string> Arguments;  // one entry per argument, unquoted
  std::string WorkingDir;              // host folder of the compiler, with separator
  std::string CommandLine;             // the Windows command line the compiler sees (for display)
  TToolPathForm PathForm = TToolPathForm::Host;  // form of every path handed over
};

// Empty resamplePath or INF list: an empty Program. On a host that is not
// Windows an ".exe" runs as "wine <exe> <infs...>" with every path in Wine's
// "Z:\" form; otherwise the program runs directly with the paths as given.
TResampleCommand BuildResampleCommand(const std::string& resamplePath,
                                      const std::vector<std::string>& infPaths);

std::string VersionText(const TFileVersion& v);  // "1.0.0.4"

// What the program does with a compiler of a given version.
enum class TVersionVerdict {
  Accepted,  // tested: taken silently
  Refused,   // known not to work: error message
  Ask,       // untested: the user decides
};
TVersionVerdict ClassifyResampleVersion(const TFileVersion& v);
// The error text for a refused version, the question for an untested one.
std::string RefusedVersionText(const TFileVersion& v, const std::string& appName);
std::string UntestedVersionText(const TFileVersion& v, const std::string& appName);

// Compiler output as the output window shows it: CR LF and lone CR become
// LF. `pendingCR` carries a CR that ended the previous chunk.
std::string NormalizeNewlines(const std::string& chunk, bool& pendingCR);

// The compiler's status after a run: "Resample has finished." and what was
// found at the BGL path (existence and size only).
std::string ResampleFinishedText(const std::string& bglPath);
std::string ResampleFinishedText(bool bglExists, int64_t bglSize);
// After a crash of the compiler the same facts under "Resample stopped
// abnormally." (a BGL left by a crashed run is not a finished BGL).
std::string ResampleCrashedText(const std::string& bglPath);
