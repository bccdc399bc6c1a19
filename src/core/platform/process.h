#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

// A child process with its standard output and standard error merged into
// one pipe that the caller drains while it runs. Standard input is the null
// device, so a tool that asks a question gets end-of-file instead of waiting
// forever. One implementation per platform (process_posix.cpp, ...).
struct TTProcessSpec {
  std::string Program;  // a path, or a name looked up in PATH
  std::vector<std::string> Arguments;
  std::string WorkingDir;  // empty: the caller's
  // Variables set for the child only when the environment lacks them.
  std::vector<std::pair<std::string, std::string>> EnvDefaults;
};

class TTProcess {
 public:
  TTProcess();
  ~TTProcess();  // a process still running is killed and reaped
  TTProcess(const TTProcess&) = delete;
  TTProcess& operator=(const TTProcess&) = delete;

  // False when the program could not be started (not found, not executable).
  bool Start(const TTProcessSpec& command);
  // Waits up to `ms` milliseconds for output or the end of the process and
  // returns what arrived (possibly nothing). Never blocks longer.
  std::string Read(int ms);
  // True once the process has ended (reaped; its output may still be read).
  bool Finished();
  // Ends the process at once (SIGKILL, TerminateProcess).
  void Kill();
  // After Finished(): the exit code, or true when a signal or crash ended it.
  int ExitCode() const;
  bool Crashed() const;

 private:
  struct TImpl;
  std::unique_ptr<TImpl> impl_;
};

// The folder of the running program, without a trailing separator.
std::string ExecutableFolder();
// The user's configuration folder of the application (~/.config/NAME on
// Linux, %APPDATA%\NAME on Windows), without a trailing separator.
std::string UserConfigFolder(const std::string& appName);
long ProcessId();

// A shared library opened at run time (dlopen / LoadLibrary), for parts whose
// dependencies are too costly to load at every start. Null on failure, with
// the system's reason in `error`. Modules stay loaded until the program ends.
void* OpenModule(const std::string& path, std::string* error);
void* ModuleSymbol(void* module, const char* name);
