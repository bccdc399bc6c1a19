#ifndef _WIN32

#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "core/platform/process.h"

struct TTProcess::TImpl {
  pid_t Pid = -1;
  int OutFd = -1;
  bool Reaped = false;
  int Status = 0;

  void CloseOut() {
    if (OutFd >= 0) close(OutFd);
    OutFd = -1;
  }
  bool Reap(bool block) {
    if (Reaped || Pid < 0) return Reaped;
    int status = 0;
    pid_t r;
    do {
      r = waitpid(Pid, &status, block ? 0 : WNOHANG);
    } while (r < 0 && errno == EINTR);
    if (r == Pid) {
      Reaped = true;
      Status = status;
    }
    return Reaped;
  }
};

TTProcess::TTProcess() : impl_(std::make_unique<TImpl>()) {}

TTProcess::~TTProcess() {
  if (impl_->Pid > 0 && !impl_->Reaped) {
    kill(impl_->Pid, SIGKILL);
    impl_->Reap(true);
  }
  impl_->CloseOut();
}

bool TTProcess::Start(const TTProcessSpec& command) {
  if (impl_->Pid > 0 || command.Program.empty()) return false;
  int out[2], report[2];
  if (pipe2(out, O_CLOEXEC) != 0) return false;
  if (pipe2(report, O_CLOEXEC) != 0) {
    close(out[0]);
    close(out[1]);
    return false;
  }
  // Everything the child needs is prepared before fork: only
  // async-signal-safe calls may follow it.
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(command.Program.c_str()));
  for (const std::string& a : command.Arguments) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  std::vector<std::string> envText;
  for (char** e = environ; *e; ++e) envText.emplace_back(*e);
  for (const auto& [name, value] : command.EnvDefaults)
    if (!std::getenv(name.c_str())) envText.push_back(name + "=" + value);
  std::vector<char*> envp;
  for (std::string& e : envText) envp.push_back(e.data());
  envp.push_back(nullptr);

  const pid_t pid = fork();
  if (pid < 0) {
    close(out[0]);
    close(out[1]);
    close(report[0]);
    close(report[1]);
    return false;
  }
  if (pid == 0) {
    const int nullFd = open("/dev/null", O_RDONLY);
    if (nullFd >= 0) dup2(nullFd, 0);
    dup2(out[1], 1);
    dup2(out[1], 2);
    if (!command.WorkingDir.empty() && chdir(command.WorkingDir.c_str()) != 0) {
      const int err = errno;
      (void)!write(report[1], &err, sizeof err);
      _exit(127);
    }
    execvpe(argv[0], argv.data(), envp.data());
    const int err = errno;
    (void)!write(report[1], &err, sizeof err);
    _exit(127);
  }
  close(out[1]);
  close(report[1]);
  int err = 0;
  ssize_t n;
  do {
    n = read(report[0], &err, sizeof err);
  } while (n < 0 && errno == EINTR);
  close(report[0]);
  impl_->Pid = pid;
  if (n > 0) {  // exec failed: the child has exited already
    close(out[0]);
    impl_->Reap(true);
    impl_->Pid = -1;
    impl_->Reaped = false;
    return false;
  }
  impl_->OutFd = out[0];
  fcntl(impl_->OutFd, F_SETFL, fcntl(impl_->OutFd, F_GETFL) | O_NONBLOCK);
  return true;
}

std::string TTProcess::Read(int ms) {
  std::string text;
  if (impl_->OutFd < 0) {
    // Nothing more can arrive: only wait for the end of the process.
    if (ms > 0 && !Finished()) usleep(useconds_t(ms) * 1000);
    return text;
  }
  pollfd p{impl_->OutFd, POLLIN, 0};
  if (poll(&p, 1, ms) <= 0) return text;
  char buffer[65536];
  for (;;) {
    const ssize_t n = read(impl_->OutFd, buffer, sizeof buffer);
    if (n > 0) {
      text.append(buffer, size_t(n));
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n == 0) impl_->CloseOut();  // every writer has closed its end
    break;
  }
  return text;
}

bool TTProcess::Finished() { return impl_->Reap(false); }

void TTProcess::Kill() {
  if (impl_->Pid > 0 && !impl_->Reaped) kill(impl_->Pid, SIGKILL);
}

int TTProcess::ExitCode() const {
  return impl_->Reaped && WIFEXITED(impl_->Status) ? WEXITSTATUS(impl_->Status) : -1;
}

bool TTProcess::Crashed() const { return impl_->Reaped && !WIFEXITED(impl_->Status); }

std::string ExecutableFolder() {
  char buffer[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return ".";
  std::string path(buffer, size_t(n));
  const size_t slash = path.rfind('/');
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string UserConfigFolder(const std::string& appName) {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  std::string base;
  if (xdg && *xdg == '/') {
    base = xdg;
  } else {
    const char* home = std::getenv("HOME");
    base = std::string(home ? home : "") + "/.config";
  }
  return base + "/" + appName;
}

long ProcessId() { return long(getpid()); }

void* OpenModule(const std::string& path, std::string* error) {
  void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!module && error) {
    const char* why = dlerror();
    *error = why ? why : "cannot be loaded";
  }
  return module;
}

void* ModuleSymbol(void* module, const char* name) {
  return module ? dlsym(module, name) : nullptr;
}

#endif
