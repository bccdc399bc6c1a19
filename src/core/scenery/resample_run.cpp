#include "core/scenery/resample_run.h"

#include "core/platform/process.h"
#include "core/scenery/resample_tool.h"

namespace {

// A Windows tool under Wine prints in its ANSI code page, taken as Latin-1.
std::string Latin1ToUtf8(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (const unsigned char c : text) {
    if (c < 0x80) {
      out += char(c);
    } else {
      out += char(0xC0 | (c >> 6));
      out += char(0x80 | (c & 0x3F));
    }
  }
  return out;
}

}  // namespace

TResampleRunResult RunResample(const std::string& resamplePath,
                               const std::vector<std::string>& infPaths,
                               const TResampleOutputSink& output, const TResampleIdle& idle) {
  const TResampleCommand cmd = BuildResampleCommand(resamplePath, infPaths);
  if (cmd.Program.empty()) return TResampleRunResult::NotStarted;

  TTProcessSpec job;
  job.Program = cmd.Program;
  job.Arguments = cmd.Arguments;
  job.WorkingDir = cmd.WorkingDir;
  const bool wine = cmd.PathForm == TToolPathForm::Wine;
  if (wine) job.EnvDefaults.emplace_back("WINEDEBUG", "-all");  // Wine's own chatter

  TTProcess proc;
  if (!proc.Start(job)) return TResampleRunResult::NotStarted;

  bool pendingCR = false;
  auto deliver = [&](const std::string& bytes) {
    if (bytes.empty()) return;
    std::string text = NormalizeNewlines(bytes, pendingCR);
    if (wine) text = Latin1ToUtf8(text);
    if (!text.empty() && output) output(text);
  };
  constexpr int kPollMs = 100;
  while (!proc.Finished()) {
    if (idle) {
      if (!idle(kPollMs)) {
        proc.Kill();
        break;
      }
      deliver(proc.Read(0));
    } else {
      deliver(proc.Read(kPollMs));
    }
  }
  // Whatever the tool wrote before it ended (a grandchild may hold the pipe
  // open, so this read does not wait for the end of the stream).
  while (!proc.Finished()) proc.Read(10);
  deliver(proc.Read(0));
  // Wine hands a crash of the Windows program on as its own exit status
  // (abort() and a fatal signal end the C runtime with 3): through Wine a
  // non-zero status is the only sign of an abnormal end.
  const bool abnormal = proc.Crashed() || (wine && proc.ExitCode() != 0);
  return abnormal ? TResampleRunResult::Crashed : TResampleRunResult::Finished;
}
