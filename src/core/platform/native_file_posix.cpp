#ifndef _WIN32

#include <dirent.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/platform/native_file.h"

std::filesystem::path NativePath(const std::string& utf8Path) { return utf8Path; }

std::string Utf8Path(const std::filesystem::path& path) { return path.string(); }

std::FILE* OpenFile(const std::string& utf8Path, const char* mode) {
  return std::fopen(utf8Path.c_str(), mode);
}

bool ReadFileAt(std::FILE* file, void* buffer, size_t size, int64_t offset) {
  auto* p = static_cast<unsigned char*>(buffer);
  while (size > 0) {
    const ssize_t n = pread(fileno(file), p, size, off_t(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    size -= size_t(n);
    offset += n;
  }
  return true;
}

std::FILE* CreateNewFile(const std::string& utf8Path) {
  return std::fopen(utf8Path.c_str(), "wbx");
}

bool ReplaceFileWith(const std::string& from, const std::string& to) {
  return std::rename(from.c_str(), to.c_str()) == 0;
}

std::vector<std::string> FolderNames(const std::string& utf8Folder) {
  std::vector<std::string> names;
  DIR* d = opendir(utf8Folder.empty() ? "." : utf8Folder.c_str());
  if (!d) return names;
  while (const dirent* e = readdir(d))
    if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0)
      names.emplace_back(e->d_name);
  closedir(d);
  return names;
}

bool EnvironmentValue(const std::string& name, std::string& value) {
  const char* v = std::getenv(name.c_str());
  if (!v) return false;
  value = v;
  return true;
}

std::vector<std::string> ProgramArguments(int argc, char* argv[]) {
  return std::vector<std::string>(argv, argv + argc);
}

void UseBinaryStandardStreams() {}

#endif
