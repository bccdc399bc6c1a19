#pragma once

// The input of a fuzz target as a file: loaders read paths, not memory.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

// One file per process, removed at exit.
inline const std::string& FuzzInputFile(const uint8_t* data, size_t size) {
  static char path[512];
  static const std::string name = [] {
    // Memory-backed where there is one: a disk file per input is slow.
    const char* tmp = std::getenv("TMPDIR");
    const char* folder = tmp && *tmp ? tmp : access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    std::snprintf(path, sizeof path, "%s/delva-fuzz-%ld.bin", folder, long(getpid()));
    std::atexit([] { std::remove(path); });
    return std::string(path);
  }();
  std::FILE* f = std::fopen(name.c_str(), "wb");
  if (f) {
    if (size) std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
  return name;
}
