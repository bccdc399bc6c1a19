#include <cstdio>

#include "cli/cli.h"
#include "cli/cli_io.h"
#include "core/base/file_util.h"
#include "core/zip/zip.h"

namespace {

// Extracts with the editor's own reader and prints its result: the number of
// members extracted or the negative result code.
int RunUnzip(const TCliArgs& args) {
  TCliSession session(args);
  const std::string& archive = args.Arg(0);
  const std::string pattern = args.Positional().size() > 2 ? args.Arg(2) : std::string();
  const int result = UnzipFiles(archive, args.Arg(1), pattern, session.Progress());
  std::printf("%d\n", result);
  if (result < 1) CliFail("Could not decompress file " + FileNamePart(archive));
  return 0;
}

TCliRegistration reg({"unzip", "delvacli unzip ARCHIVE DIR [PATTERN]", {}, {}, 2, 3, RunUnzip});

}  // namespace
