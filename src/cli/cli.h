#pragma once

#include <map>
#include <string>
#include <vector>

// The delvacli framework. A command lives in its own file and registers
// itself with one line:
//
//   static TCliRegistration reg({"info", "delvacli info IN [--raster GEOMETRY]",
//                                {"--raster"}, {}, 1, 1, RunInfo});
//
// Its Run function gets the parsed arguments and returns the exit status
// (0 success); failures are thrown with CliFail / CliUsage and become exactly
// one stderr line "delvacli: MESSAGE" with status 1 or 2.

// A failure that ends the run: status 1 (operation failed) or 2 (bad usage).
struct TCliError {
  int Status = 1;
  std::string Message;
};
[[noreturn]] void CliFail(const std::string& message);   // status 1
[[noreturn]] void CliUsage(const std::string& message);  // status 2

class TCliArgs {
 public:
  const std::vector<std::string>& Positional() const { return positional_; }
  const std::string& Arg(size_t i) const { return positional_.at(i); }
  bool Has(const std::string& option) const { return values_.count(option) != 0; }
  // The last value given for an option, or `fallback`.
  std::string Value(const std::string& option, const std::string& fallback = "") const;
  // Every value given for a repeatable option, in order.
  std::vector<std::string> Values(const std::string& option) const;

 private:
  friend TCliArgs ParseCliArgs(const std::vector<std::string>&, const struct TCliCommand&);
  std::vector<std::string> positional_;
  std::map<std::string, std::vector<std::string>> values_;  // flags hold one empty value
};

struct TCliCommand {
  std::string Name;
  std::string Usage;                      // printed by --help and on usage errors
  std::vector<std::string> ValueOptions;  // "--rect": takes the next argument (or --rect=V)
  std::vector<std::string> Flags;         // "--missing": takes none
  size_t MinPositional = 0;
  size_t MaxPositional = 0;
  int (*Run)(const TCliArgs& args) = nullptr;
};

// Every command accepts --progress (percentages on stderr) and --help.
TCliArgs ParseCliArgs(const std::vector<std::string>& args, const TCliCommand& command);

struct TCliRegistration {
  explicit TCliRegistration(TCliCommand command);
};
const std::vector<TCliCommand>& CliCommands();

// Strict number parsing for arguments; a malformed or out-of-range text is
// a usage error naming `what`.
long long CliInt(const std::string& text, long long lo, long long hi, const std::string& what);
double CliNumber(const std::string& text, const std::string& what);
// "A,B,C" split at commas (empty parts kept).
std::vector<std::string> CliSplit(const std::string& text, char separator = ',');
