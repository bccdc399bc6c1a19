#include "cli/cli.h"

#include <algorithm>
#include <charconv>

void CliFail(const std::string& message) { throw TCliError{1, message}; }
void CliUsage(const std::string& message) { throw TCliError{2, message}; }

std::string TCliArgs::Value(const std::string& option, const std::string& fallback) const {
  auto it = values_.find(option);
  return it == values_.end() || it->second.empty() ? fallback : it->second.back();
}

std::vector<std::string> TCliArgs::Values(const std::string& option) const {
  auto it = values_.find(option);
  return it == values_.end() ? std::vector<std::string>() : it->second;
}

namespace {
std::vector<TCliCommand>& Registry() {
  static std::vector<TCliCommand> commands;
  return commands;
}
bool Contains(const std::vector<std::string>& v, const std::string& s) {
  return std::find(v.begin(), v.end(), s) != v.end();
}
}  // namespace

TCliRegistration::TCliRegistration(TCliCommand command) {
  Registry().push_back(std::move(command));
}

const std::vector<TCliCommand>& CliCommands() { return Registry(); }

TCliArgs ParseCliArgs(const std::vector<std::string>& args, const TCliCommand& command) {
  TCliArgs out;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a.size() < 3 || a.compare(0, 2, "--") != 0) {
      out.positional_.push_back(a);
      continue;
    }
    std::string name = a, value;
    size_t eq = a.find('=');
    bool inlineValue = eq != std::string::npos;
    if (inlineValue) {
      name = a.substr(0, eq);
      value = a.substr(eq + 1);
    }
    if (Contains(command.ValueOptions, name)) {
      if (!inlineValue) {
        if (i + 1 >= args.size()) CliUsage("option " + name + " needs a value");
        value = args[++i];
      }
      out.values_[name].push_back(value);
    } else if (Contains(command.Flags, name) || name == "--progress" || name == "--help") {
      if (inlineValue) CliUsage("option " + name + " takes no value");
      out.values_[name].push_back(std::string());
    } else {
      CliUsage("unknown option " + name + " for " + command.Name);
    }
  }
  if (out.Has("--help")) return out;
  if (out.positional_.size() < command.MinPositional)
    CliUsage("missing argument; usage: " + command.Usage);
  if (out.positional_.size() > command.MaxPositional)
    CliUsage("unexpected argument " + out.positional_[command.MaxPositional] +
             "; usage: " + command.Usage);
  return out;
}

long long CliInt(const std::string& text, long long lo, long long hi, const std::string& what) {
  long long v = 0;
  const char* first = text.data();
  const char* last = text.data() + text.size();
  if (!text.empty() && text[0] == '+') ++first;
  auto res = std::from_chars(first, last, v);
  if (text.empty() || res.ec != std::errc() || res.ptr != last || v < lo || v > hi)
    CliUsage("invalid " + what + ": \"" + text + "\" (expected a whole number from " +
             std::to_string(lo) + " to " + std::to_string(hi) + ")");
  return v;
}

double CliNumber(const std::string& text, const std::string& what) {
  double v = 0;
  const char* first = text.data();
  const char* last = text.data() + text.size();
  if (!text.empty() && text[0] == '+') ++first;
  auto res = std::from_chars(first, last, v);
  if (text.empty() || res.ec != std::errc() || res.ptr != last || !(v == v))
    CliUsage("invalid " + what + ": \"" + text + "\" (expected a number)");
  return v;
}

std::vector<std::string> CliSplit(const std::string& text, char separator) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (;;) {
    size_t p = text.find(separator, start);
    parts.push_back(text.substr(start, p == std::string::npos ? std::string::npos : p - start));
    if (p == std::string::npos) break;
    start = p + 1;
  }
  return parts;
}
