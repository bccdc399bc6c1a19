#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

// Writes a file beside its target and renames it over the target only when
// everything was written: a failed export never damages what was there, and
// no temporary file is left behind on any path.
class TTReplaceFile {
 public:
  TTReplaceFile() = default;
  TTReplaceFile(const TTReplaceFile&) = delete;
  TTReplaceFile& operator=(const TTReplaceFile&) = delete;
  ~TTReplaceFile();  // discards an uncommitted temporary file

  // Creates the temporary file in the target's folder; false if it cannot.
  bool Open(const std::string& target);
  bool Write(const void* data, size_t size);
  // The open temporary file, for writers that take a FILE*.
  std::FILE* Handle() const { return file_; }
  // Flushes, closes and renames over the target; false (and the temporary
  // file removed) on any failure.
  bool Commit();
  // Closes and removes the temporary file.
  void Discard();

 private:
  std::FILE* file_ = nullptr;
  std::string target_;
  std::string temp_;
  bool failed_ = false;
};
