#ifdef _WIN32

#include <io.h>
#include <windows.h>

#include <random>

#include "core/platform/file_system.h"
#include "core/platform/native_file.h"

TFileKind FileKindOf(const std::string& path) {
  if (path.empty()) return TFileKind::None;
  const DWORD attributes = GetFileAttributesW(NativePath(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    // Device names (NUL, CON) have no attributes but open as character devices.
    const std::wstring wide = WideFromUtf8(path);
    HANDLE h = CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return TFileKind::None;
    const DWORD type = GetFileType(h);
    CloseHandle(h);
    return type == FILE_TYPE_CHAR ? TFileKind::CharDevice
           : type == FILE_TYPE_PIPE ? TFileKind::Fifo
                                    : TFileKind::Other;
  }
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? TFileKind::Folder : TFileKind::Regular;
}

// Windows has no names for the program's own open files.
bool NamesOpenFile(const std::string&) { return false; }

// Windows files carry no permission bits to keep; their access lists come
// from the folder.
bool CopyFileMode(const std::string&, std::FILE*) { return true; }

bool SyncFile(std::FILE* file) {
  HANDLE h = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
  return h != INVALID_HANDLE_VALUE && FlushFileBuffers(h) != 0;
}

// The rename is written through (MOVEFILE_WRITE_THROUGH): nothing to flush.
bool SyncFolder(const std::string&) { return true; }

bool ProcessRunning(long pid) {
  HANDLE h = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, DWORD(pid));
  if (!h) return GetLastError() == ERROR_ACCESS_DENIED;  // exists, but not ours to ask
  DWORD code = 0;
  const bool running = GetExitCodeProcess(h, &code) && code == STILL_ACTIVE;
  CloseHandle(h);
  return running;
}

std::string HostName() {
  wchar_t name[MAX_COMPUTERNAME_LENGTH + 1];
  DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
  return GetComputerNameW(name, &size) ? Utf8FromWide(std::wstring(name, size)) : std::string();
}

std::string MakePrivateFolder(const std::string& parent, const std::string& prefix) {
  static const char kChars[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::random_device rd;
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = prefix;
    for (int i = 0; i < 6; ++i) name += kChars[rd() % (sizeof kChars - 1)];
    std::string path = parent;
    if (!path.empty() && path.back() != '/' && path.back() != '\\') path += '\\';
    path += name;
    // The folder inherits the user's own access list of the temporary folder.
    if (CreateDirectoryW(NativePath(path).c_str(), nullptr)) return path;
    if (GetLastError() != ERROR_ALREADY_EXISTS) break;
  }
  return std::string();
}

#endif
