#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

// File names, arguments and environment values are UTF-8 throughout the
// program. These functions hand them to the system and back: unchanged on
// POSIX, as UTF-16 on Windows (where the narrow C library functions would
// take them in the ANSI code page and lose every other character). On
// Windows, "/" is accepted as a separator and long absolute paths get the
// "\\?\" form, so MAX_PATH does not apply.

std::filesystem::path NativePath(const std::string& utf8Path);
std::string Utf8Path(const std::filesystem::path& path);

// fopen with a UTF-8 name; `mode` as for fopen (always give "b").
std::FILE* OpenFile(const std::string& utf8Path, const char* mode);
// Creates a file that must not exist yet, opened for binary writing;
// nullptr with errno EEXIST when the name is taken.
std::FILE* CreateNewFile(const std::string& utf8Path);
// Reads exactly `size` bytes at `offset` without moving the file's position
// (one system call where the system has one); false on a short read. Only
// for a file read this way alone: the stream's own buffer is bypassed.
bool ReadFileAt(std::FILE* file, void* buffer, size_t size, int64_t offset);
// Renames `from` over `to`, replacing a file there in one step.
bool ReplaceFileWith(const std::string& from, const std::string& to);

// The names in a folder, "." and ".." left out; empty when it cannot be read.
std::vector<std::string> FolderNames(const std::string& utf8Folder);

// The value of an environment variable; false when it is not set.
bool EnvironmentValue(const std::string& name, std::string& value);

// The program's arguments in UTF-8 (on Windows from the UTF-16 command line,
// whatever the code page; elsewhere argv as given).
std::vector<std::string> ProgramArguments(int argc, char* argv[]);
// Standard output and error pass bytes unchanged: "\n" stays one byte on
// Windows too, and a console shows UTF-8.
void UseBinaryStandardStreams();

#ifdef _WIN32
std::wstring WideFromUtf8(const std::string& text);
std::string Utf8FromWide(const std::wstring& text);
#endif
