#include "core/base/file_util.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <random>
#include <system_error>

#include "core/platform/file_system.h"
#include "core/platform/interrupt_cleanup.h"
#include "core/platform/native_file.h"
#include "core/platform/process.h"

namespace fs = std::filesystem;

namespace {

bool IsSeparator(char c) { return c == '/' || c == '\\' || c == ':'; }

// Among the entries of `folder`, the one whose name equals `name` ignoring
// case; with several, the smallest name, so the choice never depends on the
// order the file system lists them in.
std::string MatchInFolder(const fs::path& folder, const std::string& name, bool filesOnly) {
  const std::string dir = folder.empty() ? std::string(".") : Utf8Path(folder);
  std::string best;
  for (const std::string& n : FolderNames(dir)) {
    if (!EqualsNoCase(n, name)) continue;
    if (filesOnly && !FileExists(JoinPath(dir, n))) continue;
    if (best.empty() || n < best) best = n;
  }
  if (best.empty()) return std::string();
  return Utf8Path(folder / NativePath(best));
}

std::string RandomSuffix() {
  static std::atomic<uint64_t> counter{0};
  std::random_device rd;
  uint64_t v = (uint64_t(rd()) << 32) ^ rd() ^
               uint64_t(std::chrono::steady_clock::now().time_since_epoch().count()) ^
               (counter.fetch_add(1) * 0x9E3779B97F4A7C15ull);
  char buf[17];
  std::snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(v));
  return buf;
}

}  // namespace

int64_t FileSizeOf(const std::string& path) {
  std::string found = FindFileNoCase(path);
  if (found.empty()) return 0;
  TTInputFile f(found);
  if (!f.IsOpen()) return 0;
  int64_t size = f.Size();
  return size < 0 ? 0 : size;
}

bool FileExists(const std::string& path) {
  std::error_code ec;
  return !path.empty() && fs::is_regular_file(NativePath(path), ec);
}

bool FolderExists(const std::string& path) {
  std::error_code ec;
  return !path.empty() && fs::is_directory(NativePath(path), ec);
}

std::string FindFileNoCase(const std::string& path) {
  if (path.empty()) return std::string();
  if (FileExists(path)) return path;
  fs::path p = NativePath(path);
  std::string name = Utf8Path(p.filename());
  if (name.empty()) return std::string();
  return MatchInFolder(p.parent_path(), name, true);
}

std::string FindPathNoCase(const std::string& path) {
  if (path.empty()) return std::string();
  std::error_code ec;
  if (fs::exists(NativePath(path), ec)) return path;
  fs::path p = NativePath(path);
  fs::path current = p.root_path();
  for (const fs::path& part : p.relative_path()) {
    std::string name = Utf8Path(part);
    if (name.empty() || name == ".") continue;
    fs::path next = current / part;
    if (name != ".." && !fs::exists(next, ec)) {
      std::string m = MatchInFolder(current, name, false);
      if (m.empty()) return std::string();
      next = NativePath(m);
    }
    current = next;
  }
  return Utf8Path(current);
}

std::string FileNamePart(const std::string& path) {
  size_t i = path.size();
  while (i > 0 && !IsSeparator(path[i - 1])) --i;
  return path.substr(i);
}

std::string FileExtension(const std::string& path) {
  std::string name = FileNamePart(path);
  size_t dot = name.rfind('.');
  return dot == std::string::npos ? std::string() : name.substr(dot);
}

std::string UpperAscii(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

bool EqualsNoCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
    if (x != y) return false;
  }
  return true;
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  char last = folder.back();
  if (last == '/' || last == '\\') return folder + name;
  return folder + static_cast<char>(fs::path::preferred_separator) + name;
}

size_t ReadBlock(std::FILE* file, void* buffer, size_t size) {
  size_t done = 0;
  auto* p = static_cast<unsigned char*>(buffer);
  while (done < size) {
    size_t n = std::fread(p + done, 1, size - done, file);
    if (n == 0) break;
    done += n;
  }
  return done;
}

bool TTInputFile::Open(const std::string& path) {
  Close();
  if (path.empty()) return false;
  std::error_code ec;
  // A folder can be opened for reading on some systems; it is never a file.
  if (fs::is_directory(NativePath(path), ec)) return false;
  file_ = OpenFile(path, "rb");
  if (file_) std::setvbuf(file_, nullptr, _IONBF, 0);  // we read in large blocks
  return file_ != nullptr;
}

void TTInputFile::Close() {
  if (file_) std::fclose(file_);
  file_ = nullptr;
}

int64_t TTInputFile::Size() const {
  if (!file_) return -1;
  long pos = std::ftell(file_);
  if (std::fseek(file_, 0, SEEK_END) != 0) return -1;
#if defined(_WIN32)
  int64_t size = _ftelli64(file_);
#else
  int64_t size = ftello(file_);
#endif
  std::fseek(file_, pos < 0 ? 0 : pos, SEEK_SET);
  return size;
}

namespace {

constexpr const char* kTempPrefix = ".delva-tmp-";

// FNV-1a: the host part of temporary names only tells hosts apart.
uint32_t HostHash() {
  static const uint32_t hash = [] {
    uint32_t h = 2166136261u;
    for (unsigned char c : HostName()) h = (h ^ c) * 16777619u;
    return h;
  }();
  return hash;
}

bool HexDigits(const std::string& s, size_t from, size_t count) {
  if (s.size() < from + count) return false;
  for (size_t i = from; i < from + count; ++i)
    if (!std::isxdigit(static_cast<unsigned char>(s[i]))) return false;
  return true;
}

std::string ResolveLinks(const std::string& path) {
  fs::path p = NativePath(path);
  for (int depth = 0; depth < 40; ++depth) {
    std::error_code ec;
    if (!fs::is_symlink(p, ec)) break;
    const fs::path to = fs::read_symlink(p, ec);
    if (ec) break;
    p = to.is_absolute() ? to : p.parent_path() / to;
  }
  return Utf8Path(p);
}

// Temporary files of saves that never finished (the process was killed).
void RemoveStaleTempFiles(const fs::path& folder) {
  const long self = ProcessId();
  const std::string where = folder.empty() ? std::string(".") : Utf8Path(folder);
  for (const std::string& name : FolderNames(where)) {
    long pid = 0;
    uint32_t host = 0;
    if (!ParseTempFileName(name, pid, host)) continue;
    if (host != HostHash() || pid == self || ProcessRunning(pid)) continue;
    const fs::path entry = NativePath(where) / NativePath(name);
    std::error_code ec;
    if (fs::is_symlink(entry, ec) || !fs::is_regular_file(entry, ec)) continue;
    fs::remove(entry, ec);
  }
}

}  // namespace

bool ParseTempFileName(const std::string& name, long& pid, uint32_t& host) {
  const size_t p = std::strlen(kTempPrefix);
  if (name.compare(0, p, kTempPrefix) != 0 || !HexDigits(name, p, 8) || name[p + 8] != '-')
    return false;
  size_t i = p + 9, digits = 0;
  long v = 0;
  while (i < name.size() && name[i] >= '0' && name[i] <= '9' && digits < 10) {
    v = v * 10 + (name[i++] - '0');
    ++digits;
  }
  if (digits == 0 || i >= name.size() || name[i] != '-' || name.size() != i + 17 ||
      !HexDigits(name, i + 1, 16))
    return false;
  host = uint32_t(std::strtoul(name.substr(p, 8).c_str(), nullptr, 16));
  pid = v;
  return true;
}

std::string SaveTargetProblem(const std::string& path) {
  switch (FileKindOf(path)) {
    case TFileKind::None:
    case TFileKind::Regular:
    case TFileKind::CharDevice:
    case TFileKind::Fifo:
      return std::string();
    case TFileKind::Folder:
      return path + " is a folder.";
    default:
      return path + " is not a regular file.";
  }
}

TTAtomicFileWriter::TTAtomicFileWriter(std::string target) : target_(std::move(target)) {}

bool TTAtomicFileWriter::Open() {
  Discard();
  failed_ = false;
  direct_ = false;
  error_.clear();
  if (target_.empty()) return false;
  error_ = SaveTargetProblem(target_);
  if (!error_.empty()) return false;
  real_ = ResolveLinks(target_);
  const TFileKind kind = FileKindOf(target_);
  // Nothing to replace: "convert x.hgt /dev/stdout" writes to the pipe, or to
  // the file the shell opened for it.
  if (kind == TFileKind::CharDevice || kind == TFileKind::Fifo || NamesOpenFile(target_)) {
    file_ = OpenFile(target_, "wb");
    direct_ = file_ != nullptr;
    return direct_;
  }
  const fs::path folder = NativePath(real_).parent_path();
  RemoveStaleTempFiles(folder);
  char prefix[48];
  std::snprintf(prefix, sizeof prefix, "%s%08x-%ld-", kTempPrefix, unsigned(HostHash()),
                ProcessId());
  for (int attempt = 0; attempt < 16; ++attempt) {
    fs::path temp = folder / NativePath(prefix + RandomSuffix());
    // Never reuse an existing file of that name.
    file_ = CreateNewFile(Utf8Path(temp));
    if (file_) {
      temp_ = Utf8Path(temp);
      cleanupSlot_ = RemoveOnInterrupt(temp_);
      if (kind == TFileKind::Regular) CopyFileMode(real_, file_);
      return true;
    }
    if (errno != EEXIST) break;
  }
  return false;
}

bool TTAtomicFileWriter::Write(const void* data, size_t size) {
  if (!file_ || failed_) return false;
  if (size != 0 && std::fwrite(data, 1, size, file_) != size) failed_ = true;
  return !failed_;
}

bool TTAtomicFileWriter::Commit() {
  if (!file_) return false;
  bool ok = !failed_ && std::fflush(file_) == 0 && !std::ferror(file_);
  if (ok && !direct_) ok = SyncFile(file_);
  ok = (std::fclose(file_) == 0) && ok;
  file_ = nullptr;
  if (direct_) return ok;
  if (ok) {
    ok = ReplaceFileWith(temp_, real_);
  }
  if (ok) {
    SyncFolder(Utf8Path(NativePath(real_).parent_path()));
  } else {
    std::error_code ec;
    fs::remove(NativePath(temp_), ec);
  }
  ForgetOnInterrupt(cleanupSlot_);
  cleanupSlot_ = -1;
  temp_.clear();
  return ok;
}

void TTAtomicFileWriter::Discard() {
  if (file_) std::fclose(file_);
  file_ = nullptr;
  if (!temp_.empty()) {
    std::error_code ec;
    fs::remove(NativePath(temp_), ec);
    temp_.clear();
  }
  ForgetOnInterrupt(cleanupSlot_);
  cleanupSlot_ = -1;
}

bool WriteFileAtomically(const std::string& path, const void* data, size_t size) {
  TTAtomicFileWriter w(path);
  return w.Open() && w.Write(data, size) && w.Commit();
}
