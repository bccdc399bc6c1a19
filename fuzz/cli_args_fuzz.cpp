// Fuzz target of delvacli's option parsers. The first byte picks the parser,
// the rest is the option's text (for the selection: two lines, the --rect
// and the --polygon text, the grid size from the second byte; for the
// command line: arguments separated by newlines). A parser either returns or
// throws a usage error; nothing else may happen.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "cli/cli_parse.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const std::string text(reinterpret_cast<const char*>(data) + 2, size - 2);
  try {
    switch (data[0] % 7) {
      case 0:
        ParseRasterGeometry(text);
        break;
      case 1:
        ParseDegreeRect(text);
        break;
      case 2:
        ParseBands(text);
        break;
      case 3:
        ParseOverlap(text);
        break;
      case 4:
      case 5: {
        const size_t nl = text.find('\n');
        const int32_t side = 1 + data[1] * 16;
        TCellSelection s;
        ParseCellSelection(text.substr(0, nl), nl == std::string::npos ? "" : text.substr(nl + 1),
                           side, side + data[0] % 3, s);
        if (s.rect.IsEmpty() || s.rect.Right >= side || s.rect.Bottom >= side + data[0] % 3)
          __builtin_trap();
        break;
      }
      default: {
        TCliCommand command{
            "x", "x", {"--rect", "--polygon", "--raster", "--bands"}, {"--keep"}, 0, 2, nullptr};
        const std::vector<std::string> args = CliSplit(text, '\n');
        ParseCliArgs(args, command);
        CliNumber(args.front(), "number");
        break;
      }
    }
  } catch (const TCliError& e) {
    if (e.Status != 2 || e.Message.empty()) __builtin_trap();
  }
  return 0;
}
