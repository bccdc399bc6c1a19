#pragma once

// Runs the delvacli binary for the CLI tests (DELVACLI_PATH is set for them).
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "support/mesh_helpers.h"

struct TCliRun {
  int status = -1;
  std::string out, err;
};

// Runs delvacli with the arguments (each single-quoted for the shell) after the
// shell assignments `env`; stdout and stderr pass through files in `scratch`,
// removed again, so the folder holds only what delvacli left there.
inline TCliRun RunCli(const std::string& scratch, const std::vector<std::string>& args,
                      const std::string& env = "") {
  const std::string out = scratch + "/stdout", err = scratch + "/stderr";
  std::string cmd = env + " '" DELVACLI_PATH "'";
  for (const auto& a : args) cmd += " '" + a + "'";
  cmd += " >'" + out + "' 2>'" + err + "'";
  const int rc = std::system(cmd.c_str());
  const TCliRun r{WIFEXITED(rc) ? WEXITSTATUS(rc) : -1, ReadFileText(out), ReadFileText(err)};
  std::filesystem::remove(out), std::filesystem::remove(err);
  return r;
}

// One "delvacli: ..." line on stderr, as every failure ends.
inline bool OneErrorLine(const std::string& err) {
  return err.rfind("delvacli: ", 0) == 0 && err.find('\n') == err.size() - 1;
}

// A call that must fail: its exit status and message ("" = any single line), nothing on stdout.
struct TCliFailure {
  std::vector<std::string> args;
  int status;
  std::string err;
  bool Matches(const TCliRun& r) const {
    return r.status == status && r.out.empty() &&
           (err.empty() ? OneErrorLine(r.err) : r.err == "delvacli: " + err + "\n");
  }
};
