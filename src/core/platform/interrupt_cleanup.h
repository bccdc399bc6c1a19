#pragma once

#include <string>

// Temporary files and private folders that must not outlive the program when
// Ctrl+C or a termination request ends it (SIGINT, SIGTERM, SIGHUP on POSIX).
// The handler only removes what is registered at that moment, then ends the
// program as the signal would have. Registering is safe from any thread.

// Installs the handlers (once; a signal the parent set to be ignored stays
// ignored).
void InstallInterruptCleanup();

// Registers a file, or a folder whose files are removed with it. Returns the
// slot to pass to ForgetOnInterrupt, or -1 when the table is full.
int RemoveOnInterrupt(const std::string& path, bool folder = false);
// The entry is done with (renamed, removed or kept): forget it.
void ForgetOnInterrupt(int slot);
