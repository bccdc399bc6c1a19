#include <cstdio>
#include <cstring>
#include <exception>
#include <new>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "core/platform/interrupt_cleanup.h"
#include "core/platform/native_file.h"
#include "version.h"

namespace {

void PrintUsage(std::FILE* to) {
  std::fprintf(to,
               "usage: delvacli COMMAND [ARGS...]\n       delvacli COMMAND --help\n"
               "       delvacli --version\ncommands:\n");
  for (const TCliCommand& c : CliCommands()) std::fprintf(to, "  %s\n", c.Usage.c_str());
}

int Run(const std::vector<std::string>& argv) {
  if (argv.size() < 2) CliUsage("missing command; try delvacli --help");
  const std::string name = argv[1];
  if (name == "--version") {
    std::printf("delvacli %s\n", DELVA_VERSION_STRING);
    return 0;
  }
  if (name == "--help" || name == "-h") {
    PrintUsage(stdout);
    return 0;
  }
  for (const TCliCommand& c : CliCommands()) {
    if (c.Name != name) continue;
    TCliArgs args = ParseCliArgs(std::vector<std::string>(argv.begin() + 2, argv.end()), c);
    if (args.Has("--help")) {
      std::printf("usage: %s\n", c.Usage.c_str());
      return 0;
    }
    return c.Run(args);
  }
  CliUsage("unknown command " + name + "; try delvacli --help");
}

}  // namespace

int main(int argc, char* argv[]) {
  // Output must be the same bytes on every system (no "\r" added on Windows).
  UseBinaryStandardStreams();
  int status = 1;
  std::string message;
  InstallInterruptCleanup();
  try {
    status = Run(ProgramArguments(argc, argv));
  } catch (const TCliError& e) {
    status = e.Status;
    message = e.Message;
  } catch (const std::bad_alloc&) {
    message = "Not enough memory available.";
  } catch (const std::exception& e) {
    message = e.what();
  }
  std::fflush(stdout);
  if (status != 0) {
    if (message.empty()) message = "failed";
    // Exactly one line: a message never carries its own line breaks.
    for (char& c : message)
      if (c == '\n' || c == '\r') c = ' ';
    std::fprintf(stderr, "delvacli: %s\n", message.c_str());
  }
  return status;
}
