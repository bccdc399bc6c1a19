#ifdef _WIN32

#include <windows.h>

#include <algorithm>
#include <cwchar>

#include "core/platform/native_file.h"
#include "core/platform/process.h"

// GCC 12 warns falsely about string appends inlined at -O3 (its bug 105329).
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wrestrict"
#endif

namespace {

// One argument quoted the way CommandLineToArgvW and the C runtime split a
// command line: backslashes are literal except before a quote.
std::wstring QuoteArgument(const std::wstring& arg) {
  if (!arg.empty() && arg.find_first_of(L" \t\n\v\"") == std::wstring::npos) return arg;
  std::wstring out = L"\"";
  size_t backslashes = 0;
  for (wchar_t c : arg) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    if (c == L'"')
      out.append(backslashes * 2 + 1, L'\\');
    else
      out.append(backslashes, L'\\');
    backslashes = 0;
    out += c;
  }
  out.append(backslashes * 2, L'\\');  // the closing quote must stay a quote
  out += L'"';
  return out;
}

// The caller's environment plus the defaults it lacks, as a CreateProcessW
// block (sorted, as Windows expects).
std::wstring EnvironmentBlock(const std::vector<std::pair<std::string, std::string>>& defaults) {
  std::vector<std::wstring> vars;
  if (wchar_t* env = GetEnvironmentStringsW()) {
    for (const wchar_t* p = env; *p; p += std::wcslen(p) + 1) vars.emplace_back(p);
    FreeEnvironmentStringsW(env);
  }
  for (const auto& [name, value] : defaults) {
    std::string current;
    if (EnvironmentValue(name, current)) continue;
    std::wstring var = WideFromUtf8(name);
    var += L'=';
    var += WideFromUtf8(value);
    vars.push_back(var);
  }
  std::sort(vars.begin(), vars.end(), [](const std::wstring& a, const std::wstring& b) {
    return _wcsicmp(a.c_str(), b.c_str()) < 0;
  });
  std::wstring block;
  for (const std::wstring& v : vars) {
    block += v;
    block += L'\0';
  }
  block += L'\0';
  return block;
}

// Exception codes (access violation 0xC0000005, ...) end a crashed process.
bool IsExceptionStatus(DWORD code) { return (code & 0xF0000000u) == 0xC0000000u; }

}  // namespace

struct TTProcess::TImpl {
  HANDLE Process = nullptr;
  HANDLE OutRead = nullptr;
  bool Reaped = false;
  bool Killed = false;
  DWORD Code = 0;

  void CloseOut() {
    if (OutRead) CloseHandle(OutRead);
    OutRead = nullptr;
  }
  bool Reap(DWORD waitMs) {
    if (Reaped || !Process) return Reaped;
    if (WaitForSingleObject(Process, waitMs) != WAIT_OBJECT_0) return false;
    GetExitCodeProcess(Process, &Code);
    Reaped = true;
    return true;
  }
};

TTProcess::TTProcess() : impl_(std::make_unique<TImpl>()) {}

TTProcess::~TTProcess() {
  if (impl_->Process && !impl_->Reaped) {
    TerminateProcess(impl_->Process, 1);
    impl_->Reap(INFINITE);
  }
  impl_->CloseOut();
  if (impl_->Process) CloseHandle(impl_->Process);
}

bool TTProcess::Start(const TTProcessSpec& command) {
  if (impl_->Process || command.Program.empty()) return false;
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE outRead = nullptr, outWrite = nullptr;
  if (!CreatePipe(&outRead, &outWrite, &inherit, 0)) return false;
  SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
  HANDLE nullIn = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                              OPEN_EXISTING, 0, nullptr);

  std::wstring commandLine = QuoteArgument(WideFromUtf8(command.Program));
  for (const std::string& a : command.Arguments)
    commandLine += L" " + QuoteArgument(WideFromUtf8(a));
  std::wstring env;
  if (!command.EnvDefaults.empty()) env = EnvironmentBlock(command.EnvDefaults);
  const std::wstring dir = WideFromUtf8(command.WorkingDir);

  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = nullIn != INVALID_HANDLE_VALUE ? nullIn : nullptr;
  si.hStdOutput = outWrite;
  si.hStdError = outWrite;
  PROCESS_INFORMATION pi{};
  // No console window of its own: the output goes to the pipe.
  const BOOL started = CreateProcessW(
      nullptr, commandLine.data(), nullptr, nullptr, TRUE,
      CREATE_NO_WINDOW | (env.empty() ? 0 : CREATE_UNICODE_ENVIRONMENT),
      env.empty() ? nullptr : env.data(), dir.empty() ? nullptr : dir.c_str(), &si, &pi);
  // Only the child keeps the write end: the pipe breaks when it ends.
  CloseHandle(outWrite);
  if (nullIn != INVALID_HANDLE_VALUE) CloseHandle(nullIn);
  if (!started) {
    CloseHandle(outRead);
    return false;
  }
  CloseHandle(pi.hThread);
  impl_->Process = pi.hProcess;
  impl_->OutRead = outRead;
  return true;
}

std::string TTProcess::Read(int ms) {
  std::string text;
  // Anonymous pipes cannot be waited on: look every few milliseconds.
  const ULONGLONG deadline = GetTickCount64() + ULONGLONG(ms > 0 ? ms : 0);
  for (;;) {
    if (!impl_->OutRead) {
      if (ms > 0 && !Finished()) impl_->Reap(DWORD(ms));
      return text;
    }
    DWORD available = 0;
    if (!PeekNamedPipe(impl_->OutRead, nullptr, 0, nullptr, &available, nullptr)) {
      impl_->CloseOut();  // broken: every writer has closed its end
      return text;
    }
    while (available > 0) {
      char buffer[65536];
      DWORD got = 0;
      const DWORD want = std::min<DWORD>(available, sizeof buffer);
      if (!ReadFile(impl_->OutRead, buffer, want, &got, nullptr) || got == 0) break;
      text.append(buffer, got);
      available -= got;
      if (available == 0) PeekNamedPipe(impl_->OutRead, nullptr, 0, nullptr, &available, nullptr);
    }
    const ULONGLONG now = GetTickCount64();
    if (!text.empty() || now >= deadline) return text;
    // Wakes early when the process ends; its last output is then read.
    const DWORD step = DWORD(std::min<ULONGLONG>(deadline - now, 5));
    if (impl_->Reaped)
      Sleep(step);
    else
      impl_->Reap(step);
  }
}

bool TTProcess::Finished() { return impl_->Reap(0); }

void TTProcess::Kill() {
  if (impl_->Process && !impl_->Reaped) {
    impl_->Killed = true;
    TerminateProcess(impl_->Process, 1);
  }
}

int TTProcess::ExitCode() const { return impl_->Reaped && !Crashed() ? int(impl_->Code) : -1; }

bool TTProcess::Crashed() const {
  return impl_->Reaped && (impl_->Killed || IsExceptionStatus(impl_->Code));
}

std::string ExecutableFolder() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), DWORD(path.size()));
    if (n == 0) return ".";
    if (n < path.size()) {
      path.resize(n);
      break;
    }
    path.resize(path.size() * 2);
  }
  const size_t slash = path.find_last_of(L"\\/");
  if (slash == std::wstring::npos) return ".";
  // "C:\" keeps its separator: "C:" alone means the drive's current folder.
  return Utf8Path(path.substr(0, slash == 2 && path[1] == L':' ? 3 : slash));
}

std::string UserConfigFolder(const std::string& appName) {
  std::string base;
  if (!EnvironmentValue("APPDATA", base) || base.empty()) {
    if (!EnvironmentValue("USERPROFILE", base)) base = ".";
    base += "\\AppData\\Roaming";
  }
  base += '\\';
  base += appName;
  return base;
}

long ProcessId() { return long(GetCurrentProcessId()); }

void* OpenModule(const std::string& path, std::string* error) {
  HMODULE module = LoadLibraryW(WideFromUtf8(path).c_str());
  if (!module && error) *error = "cannot be loaded (error " + std::to_string(GetLastError()) + ")";
  return reinterpret_cast<void*>(module);
}

void* ModuleSymbol(void* module, const char* name) {
  return module ? reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), name))
                : nullptr;
}

#endif
