#pragma once

#include <functional>
#include <string>
#include <vector>

// Runs the terrain compiler as a hidden child process on a list of INF files
// (see BuildResampleCommand for the command line, the working folder and
// Wine). Its merged output is read every 100 ms and handed to `output` as
// UTF-8 with newlines normalised. Between reads `idle` is called: the editor
// keeps its windows live there; returning false stops the compiler. The exit
// code is not judged here: the caller looks for the BGL.
enum class TResampleRunResult {
  NotStarted,  // empty list, or the program could not be started
  Finished,    // the process ended by itself
  Crashed,     // the process was killed by a signal or crashed
};

using TResampleOutputSink = std::function<void(const std::string& text)>;
// Waits about `ms` milliseconds; false asks for the compiler to be stopped.
using TResampleIdle = std::function<bool(int ms)>;

TResampleRunResult RunResample(const std::string& resamplePath,
                               const std::vector<std::string>& infPaths,
                               const TResampleOutputSink& output,
                               const TResampleIdle& idle = TResampleIdle());
