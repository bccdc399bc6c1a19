#pragma once

#include <QString>
#include <functional>
#include <string>
#include <vector>

// Runs the terrain compiler as a hidden child process on a list of INF files
// (see BuildResampleCommand for the command line, the working folder and
// Wine). Its merged output is read every 100 ms and handed to `output`
// (newlines normalised); pending events are processed meanwhile, so the
// windows stay responsive. The exit code is not judged here: the caller
// looks for the BGL.
enum class TResampleRunResult {
  NotStarted,  // empty list, or the program could not be started
  Finished,    // the process ended by itself
  Crashed,     // the process was killed by a signal or crashed
};

using TResampleOutputSink = std::function<void(const QString& text)>;

TResampleRunResult RunResample(const std::string& resamplePath,
                               const std::vector<std::string>& infPaths,
                               const TResampleOutputSink& output);
