#ifdef _WIN32

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>
// shellapi.h needs windows.h first.
#include <shellapi.h>

#include <cerrno>
#include <cstdlib>

#include "core/platform/native_file.h"

namespace {

// Below this length a path needs no "\\?\" form (MAX_PATH less room for a
// file name that CreateDirectory keeps free).
constexpr size_t kShortPath = 240;

bool StartsWith(const std::wstring& s, const wchar_t* prefix) {
  return s.compare(0, std::wcslen(prefix), prefix) == 0;
}

// The UTF-16 path the W functions get: "\" separators, and a long absolute
// path in the "\\?\" form (made full and normal first, because that form
// turns off the system's own handling of "." and "..").
std::wstring SystemPath(const std::string& utf8Path) {
  std::wstring w = WideFromUtf8(utf8Path);
  for (wchar_t& c : w)
    if (c == L'/') c = L'\\';
  if (w.size() < kShortPath || StartsWith(w, L"\\\\?\\")) return w;
  const DWORD n = GetFullPathNameW(w.c_str(), 0, nullptr, nullptr);
  if (n == 0) return w;
  std::wstring full(n, L'\0');
  const DWORD m = GetFullPathNameW(w.c_str(), n, full.data(), nullptr);
  if (m == 0 || m >= n) return w;
  full.resize(m);
  if (StartsWith(full, L"\\\\")) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

}  // namespace

std::wstring WideFromUtf8(const std::string& text) {
  if (text.empty()) return std::wstring();
  const int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0);
  std::wstring w(size_t(n > 0 ? n : 0), L'\0');
  if (n > 0) MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), w.data(), n);
  return w;
}

std::string Utf8FromWide(const std::wstring& text) {
  if (text.empty()) return std::string();
  const int n =
      WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0, nullptr, nullptr);
  std::string s(size_t(n > 0 ? n : 0), '\0');
  if (n > 0)
    WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), s.data(), n, nullptr, nullptr);
  return s;
}

std::filesystem::path NativePath(const std::string& utf8Path) {
  return std::filesystem::path(SystemPath(utf8Path));
}

std::string Utf8Path(const std::filesystem::path& path) {
  std::wstring w = path.native();
  if (StartsWith(w, L"\\\\?\\UNC\\"))
    w = L"\\\\" + w.substr(8);
  else if (StartsWith(w, L"\\\\?\\"))
    w = w.substr(4);
  return Utf8FromWide(w);
}

std::FILE* OpenFile(const std::string& utf8Path, const char* mode) {
  return _wfopen(SystemPath(utf8Path).c_str(), WideFromUtf8(mode).c_str());
}

bool ReadFileAt(std::FILE* file, void* buffer, size_t size, int64_t offset) {
  return _fseeki64(file, offset, SEEK_SET) == 0 && std::fread(buffer, 1, size, file) == size;
}

std::FILE* CreateNewFile(const std::string& utf8Path) {
  // The C library here knows no "x" mode; _O_EXCL gives the same guarantee.
  const int fd = _wopen(SystemPath(utf8Path).c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY,
                        _S_IREAD | _S_IWRITE);
  if (fd < 0) return nullptr;
  std::FILE* f = _fdopen(fd, "wb");
  if (!f) _close(fd);
  return f;
}

bool ReplaceFileWith(const std::string& from, const std::string& to) {
  return MoveFileExW(SystemPath(from).c_str(), SystemPath(to).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

std::vector<std::string> FolderNames(const std::string& utf8Folder) {
  // The C library's directory functions know no "\\?\" form.
  std::vector<std::string> names;
  std::wstring pattern = SystemPath(utf8Folder.empty() ? "." : utf8Folder);
  if (pattern.back() != L'\\') pattern += L'\\';
  pattern += L'*';
  WIN32_FIND_DATAW f;
  HANDLE h =
      FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &f, FindExSearchNameMatch, nullptr, 0);
  if (h == INVALID_HANDLE_VALUE) return names;
  do {
    const std::wstring n = f.cFileName;
    if (n != L"." && n != L"..") names.push_back(Utf8FromWide(n));
  } while (FindNextFileW(h, &f));
  FindClose(h);
  return names;
}

bool EnvironmentValue(const std::string& name, std::string& value) {
  const std::wstring w = WideFromUtf8(name);
  const DWORD n = GetEnvironmentVariableW(w.c_str(), nullptr, 0);
  if (n == 0) return false;
  std::wstring v(n, L'\0');
  const DWORD m = GetEnvironmentVariableW(w.c_str(), v.data(), n);
  if (m >= n) return false;
  v.resize(m);
  value = Utf8FromWide(v);
  return true;
}

std::vector<std::string> ProgramArguments(int argc, char* argv[]) {
  int n = 0;
  LPWSTR* w = CommandLineToArgvW(GetCommandLineW(), &n);
  if (!w) return std::vector<std::string>(argv, argv + argc);
  std::vector<std::string> args;
  for (int i = 0; i < n; ++i) args.push_back(Utf8FromWide(w[i]));
  LocalFree(w);
  return args;
}

void UseBinaryStandardStreams() {
  std::fflush(stdout);
  std::fflush(stderr);
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  SetConsoleOutputCP(CP_UTF8);
}

#endif
