#include "core/scenery/tool_path.h"

#include <cctype>
#include <filesystem>
#include <system_error>

namespace {

bool HasDriveLetter(const std::string& p) {
  return p.size() >= 2 && std::isalpha(static_cast<unsigned char>(p[0])) && p[1] == ':';
}

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

}  // namespace

bool NeedsWine(const std::string& programPath) {
#ifdef _WIN32
  (void)programPath;
  return false;
#else
  if (programPath.size() < 4) return false;
  std::string ext = programPath.substr(programPath.size() - 4);
  for (char& c : ext) c = char(std::tolower(static_cast<unsigned char>(c)));
  return ext == ".exe";
#endif
}

std::string WinePath(const std::string& hostPath) {
  if (hostPath.empty() || HasDriveLetter(hostPath)) return hostPath;
  std::error_code ec;
  std::filesystem::path p = std::filesystem::absolute(std::filesystem::path(hostPath), ec);
  if (ec) p = std::filesystem::path(hostPath);
  std::string s = p.lexically_normal().generic_string();
  for (char& c : s)
    if (c == '/') c = '\\';
  if (s.empty() || s[0] != '\\') s.insert(s.begin(), '\\');
  s.insert(0, "Z:");
  return s;
}

std::string ToolPath(const std::string& hostPath, TToolPathForm form) {
  return form == TToolPathForm::Wine ? WinePath(hostPath) : hostPath;
}

std::string FolderWithSeparator(const std::string& path) {
  for (size_t i = path.size(); i > 0; --i)
    if (IsSeparator(path[i - 1])) return path.substr(0, i);
  return std::string();
}

std::string NameOfPath(const std::string& path) {
  return path.substr(FolderWithSeparator(path).size());
}

std::string Quoted(const std::string& s) { return '"' + s + '"'; }
