#pragma once

#include <cstdio>
#include <string>

// The few file-system calls the core needs beyond std::filesystem. One
// implementation per platform (file_system_posix.cpp, ...).

enum class TFileKind { None, Regular, Folder, CharDevice, Fifo, BlockDevice, Socket, Other };

// What the path names, symbolic links followed; None when nothing is there.
TFileKind FileKindOf(const std::string& path);

// True for a name of a file the program already has open (/dev/stdout,
// /proc/self/fd/1): such a file is written in place, never replaced.
bool NamesOpenFile(const std::string& path);

// Gives the open file the permission bits of the file at `from` (and its
// owner and group when we may). False when `from` cannot be read.
bool CopyFileMode(const std::string& from, std::FILE* to);

// Pushes the open file's data to the disk (after fflush).
bool SyncFile(std::FILE* file);
// Makes a rename or a new name in the folder last across a power cut.
bool SyncFolder(const std::string& folder);

// True while a process of that id runs on this host.
bool ProcessRunning(long pid);
// The name of this host ("" when unknown).
std::string HostName();

// A new folder only this user can enter, named PREFIX followed by random
// characters, inside `parent`; "" when it cannot be made.
std::string MakePrivateFolder(const std::string& parent, const std::string& prefix);
