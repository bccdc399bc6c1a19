#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

// Small file helpers shared by every loader and saver of the core.
//
// Reading goes through large blocks (never a call per sample). Saving goes
// through TTAtomicFileWriter: the data lands in a temporary file beside the
// target, which replaces the target only once everything was written, so a
// failed save leaves the old file as it was and no temporary file behind.

// Size of a regular file in bytes (found as FindFileNoCase finds it); 0 when
// it does not exist or cannot be opened for reading.
int64_t FileSizeOf(const std::string& path);

// True when a regular file exists at the path (exact name only).
bool FileExists(const std::string& path);
// True when a folder exists at the path.
bool FolderExists(const std::string& path);

// Finds a file the way a case-insensitive file system would: the path itself
// when it names a regular file, else a regular file in the same folder whose
// name matches ignoring ASCII letter case. Empty when there is none.
std::string FindFileNoCase(const std::string& path);

// Like FindFileNoCase, but every component of the path may differ in case
// (folders included). Returns the existing path (file or folder) or empty.
std::string FindPathNoCase(const std::string& path);

// The part after the last "/", "\" or ":" of a path.
std::string FileNamePart(const std::string& path);
// The extension from the last "." of the name part, "." included; "" if none.
std::string FileExtension(const std::string& path);
// An ASCII upper case copy.
std::string UpperAscii(std::string s);
bool EqualsNoCase(const std::string& a, const std::string& b);

// Joins a folder and a name with the host's separator (not doubled).
std::string JoinPath(const std::string& folder, const std::string& name);

// Reads exactly `size` bytes (looping over short reads). Returns the number of
// bytes read: less than `size` only at the end of the file or on an error.
size_t ReadBlock(std::FILE* file, void* buffer, size_t size);
inline bool ReadWholeBlock(std::FILE* file, void* buffer, size_t size) {
  return ReadBlock(file, buffer, size) == size;
}

// An open read-only file, closed when the object goes.
class TTInputFile {
 public:
  TTInputFile() = default;
  explicit TTInputFile(const std::string& path) { Open(path); }
  ~TTInputFile() { Close(); }
  TTInputFile(const TTInputFile&) = delete;
  TTInputFile& operator=(const TTInputFile&) = delete;

  bool Open(const std::string& path);
  void Close();
  bool IsOpen() const { return file_ != nullptr; }
  std::FILE* File() const { return file_; }
  // Size of the open file, -1 when unknown.
  int64_t Size() const;

 private:
  std::FILE* file_ = nullptr;
};

// Why `path` cannot be a save target ("NAME is a folder.", "NAME is not a
// regular file."), or "" when it can. Symbolic links are followed.
std::string SaveTargetProblem(const std::string& path);

// Writes a file through a temporary file in the target's folder.
//   TTAtomicFileWriter w(path);
//   if (!w.Open()) fail;  ... fwrite(..., w.File()) or w.Write(...) ...
//   if (!w.Commit()) fail;   // renames over the target
// Destroying the writer without a successful Commit removes the temporary
// file and leaves the target untouched. The details:
// - A symbolic link is written through: the file it points to is replaced,
//   the link stays.
// - A character device or a pipe is written directly (no temporary file); a
//   folder or any other special file is refused (see Error()).
// - The new file gets the replaced file's permission bits (and owner when we
//   may), and reaches the disk before the rename (fsync of file and folder).
// - Temporary names are short and ours: ".delva-tmp-HOST-PID-RANDOM". Open
//   removes those in the folder left by a process of this host that no
//   longer runs (killed in the middle of a save); Ctrl+C and termination
//   requests remove the writer's own (see core/platform/interrupt_cleanup.h).
class TTAtomicFileWriter {
 public:
  explicit TTAtomicFileWriter(std::string target);
  ~TTAtomicFileWriter() { Discard(); }
  TTAtomicFileWriter(const TTAtomicFileWriter&) = delete;
  TTAtomicFileWriter& operator=(const TTAtomicFileWriter&) = delete;

  bool Open();
  std::FILE* File() const { return file_; }
  bool Write(const void* data, size_t size);
  // Flushes, closes and renames the temporary file over the target. On
  // failure the temporary file is removed and the target is unchanged.
  bool Commit();
  // Closes and removes the temporary file (nothing happens to the target).
  void Discard();
  // Why Open failed when the target was the reason, else "".
  const std::string& Error() const { return error_; }

 private:
  std::string target_;
  std::string real_;  // the target, symbolic links followed
  std::string temp_;
  std::string error_;
  std::FILE* file_ = nullptr;
  bool failed_ = false;
  bool direct_ = false;  // a device or pipe, written in place
  int cleanupSlot_ = -1;
};

// True for a name TTAtomicFileWriter gives its temporary files; `pid` and
// `host` (a hash of the host name) are then filled in.
bool ParseTempFileName(const std::string& name, long& pid, uint32_t& host);

// Writes a whole memory block to `path` through a TTAtomicFileWriter.
bool WriteFileAtomically(const std::string& path, const void* data, size_t size);
