#include "core/zip/zip.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <mutex>
#include <system_error>

#include "core/base/file_util.h"
#include "core/base/progress.h"
#include "core/base/sample_io.h"
#include "core/platform/native_file.h"
#include "core/zip/zip_stream.h"

namespace fs = std::filesystem;

namespace {

constexpr uint32_t kLocalSig = 0x04034b50;
constexpr uint32_t kCentralSig = 0x02014b50;
constexpr uint32_t kEndSig = 0x06054b50;
constexpr uint32_t kEnd64Sig = 0x06064b50;
constexpr uint32_t kEnd64LocatorSig = 0x07064b50;
constexpr uint32_t kDescriptorSig = 0x08074b50;
constexpr size_t kLocalHeaderSize = 30;
constexpr size_t kCentralHeaderSize = 46;
constexpr size_t kEndRecordSize = 22;
constexpr size_t kSearchWindow = 4096;
constexpr auto kBusyTimeout = std::chrono::milliseconds(30000);

uint64_t GetLE64(const uint8_t* p) {
  return uint64_t(GetLE32(p)) | (uint64_t(GetLE32(p + 4)) << 32);
}

bool SeekTo(std::FILE* f, uint64_t offset) {
#if defined(_WIN32)
  return _fseeki64(f, int64_t(offset), SEEK_SET) == 0;
#else
  return fseeko(f, off_t(offset), SEEK_SET) == 0;
#endif
}

bool ReadAt(std::FILE* f, uint64_t offset, void* dst, size_t n) {
  return SeekTo(f, offset) && std::fread(dst, 1, n, f) == n;
}

TZipFile OpenRead(const std::string& path) {
  std::error_code ec;
  if (path.empty() || fs::is_directory(NativePath(path), ec)) return nullptr;
  return TZipFile(OpenFile(path, "rb"));
}

uint64_t FileSize(std::FILE* f) {
#if defined(_WIN32)
  if (_fseeki64(f, 0, SEEK_END) != 0) return 0;
  int64_t n = _ftelli64(f);
#else
  if (fseeko(f, 0, SEEK_END) != 0) return 0;
  int64_t n = ftello(f);
#endif
  return n > 0 ? uint64_t(n) : 0;
}

char Upper(char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; }

bool SameIgnoringCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Upper(a[i]) != Upper(b[i])) return false;
  return true;
}

// Zip64 extra field (id 1): the 64-bit values of those fields whose 32-bit
// version reads all ones, in the order size, compressed size, offset.
void ApplyZip64Extra(const uint8_t* extra, size_t len, uint64_t* size, uint64_t* csize,
                     uint64_t* offset) {
  size_t i = 0;
  while (i + 4 <= len) {
    uint16_t id = GetLE16(extra + i), n = GetLE16(extra + i + 2);
    if (i + 4 + n > len) return;
    if (id == 1) {
      const uint8_t* p = extra + i + 4;
      size_t left = n;
      for (uint64_t* field : {size, csize, offset}) {
        if (!field || *field != 0xFFFFFFFFu) continue;
        if (left < 8) return;
        *field = GetLE64(p);
        p += 8;
        left -= 8;
      }
      return;
    }
    i += 4 + n;
  }
}

// The busy guard: one extraction at a time. A mark whose last activity is
// older than the timeout is stale (a caller that never returned) and ignored.
struct TBusyState {
  std::mutex lock;
  bool active = false;
  std::chrono::steady_clock::time_point last;
};
TBusyState& Busy() {
  static TBusyState state;
  return state;
}

class TBusyGuard {
 public:
  TBusyGuard() {
    TBusyState& b = Busy();
    std::lock_guard<std::mutex> g(b.lock);
    auto now = std::chrono::steady_clock::now();
    if (b.active && now - b.last <= kBusyTimeout) return;
    b.active = true;
    b.last = now;
    owner_ = true;
  }
  ~TBusyGuard() {
    if (!owner_) return;
    TBusyState& b = Busy();
    std::lock_guard<std::mutex> g(b.lock);
    b.active = false;
  }
  bool Acquired() const { return owner_; }

 private:
  bool owner_ = false;
};

int ParseEntry(TZipSearchRec& rec) {
  const std::vector<uint8_t>& d = rec.Directory;
  size_t at = rec.Position;
  if (at > d.size() || d.size() - at < kCentralHeaderSize) return kZipNoMoreEntries;
  const uint8_t* p = d.data() + at;
  if (GetLE32(p) != kCentralSig) return kZipNoMoreEntries;
  size_t name_len = GetLE16(p + 28), extra_len = GetLE16(p + 30), comment_len = GetLE16(p + 32);
  size_t total = kCentralHeaderSize + name_len + extra_len + comment_len;
  if (d.size() - at < total) return kZipNoMoreEntries;
  uint8_t host = p[5];
  rec.Flags = GetLE16(p + 8);
  rec.Method = GetLE16(p + 10);
  rec.Time = GetLE16(p + 12);
  rec.Date = GetLE16(p + 14);
  rec.Crc = GetLE32(p + 16);
  rec.CompressedSize = GetLE32(p + 20);
  rec.Size = GetLE32(p + 24);
  rec.Attr = host == 0 ? p[38] : 0;
  rec.HeaderOffset = GetLE32(p + 42);
  ApplyZip64Extra(p + kCentralHeaderSize + name_len, extra_len, &rec.Size, &rec.CompressedSize,
                  &rec.HeaderOffset);
  rec.Name.assign(reinterpret_cast<const char*>(p + kCentralHeaderSize), name_len);
  std::replace(rec.Name.begin(), rec.Name.end(), '\\', '/');
  rec.Position = at + total;
  return 0;
}

// Finds the end-of-central-directory record, searching backwards from 22
// bytes before the end through any trailing comment.
bool FindEndRecord(std::FILE* f, uint64_t size, uint64_t* found) {
  if (size < kEndRecordSize) return false;
  std::vector<uint8_t> buf(kSearchWindow);
  uint64_t candidate = size - kEndRecordSize;  // highest position not yet checked
  for (;;) {
    uint64_t win_end = candidate + 4;
    uint64_t win_start = win_end > kSearchWindow ? win_end - kSearchWindow : 0;
    if (!ReadAt(f, win_start, buf.data(), size_t(win_end - win_start))) return false;
    for (uint64_t pos = candidate + 1; pos-- > win_start;) {
      if (GetLE32(buf.data() + (pos - win_start)) == kEndSig) {
        *found = pos;
        return true;
      }
    }
    if (win_start == 0) return false;
    candidate = win_start - 1;
  }
}

// Splits a stored member path into the parts below the target folder;
// false for a path that is absolute, names a drive or climbs out ("..").
bool SafeParts(const std::string& name, std::vector<std::string>& parts) {
  parts.clear();
  if (name.empty() || name.find('\0') != std::string::npos) return false;
  if (name[0] == '/' || name[0] == '\\') return false;
  if (name.size() >= 2 && name[1] == ':') return false;
  size_t i = 0;
  while (i <= name.size()) {
    size_t j = name.find_first_of("/\\", i);
    if (j == std::string::npos) j = name.size();
    std::string part = name.substr(i, j - i);
    if (part == "..") return false;
    if (!part.empty() && part != ".") parts.push_back(part);
    i = j + 1;
  }
  return true;
}

// True when a part of the output path below `target` is a symbolic link: a
// member is never written through one (an archive could aim it anywhere).
bool LinkOnTheWay(const std::string& target, const std::vector<std::string>& parts) {
  fs::path p = NativePath(target);
  for (const std::string& part : parts) {
    p /= NativePath(part);
    std::error_code ec;
    const fs::file_status st = fs::symlink_status(p, ec);
    if (st.type() == fs::file_type::not_found) return false;
    if (fs::is_symlink(st)) return true;
  }
  return false;
}

void SetDosTime(const fs::path& path, uint16_t date, uint16_t time) {
  std::tm tm{};
  tm.tm_year = ((date >> 9) & 0x7F) + 80;
  tm.tm_mon = std::max(((date >> 5) & 0x0F) - 1, 0);
  tm.tm_mday = std::max(date & 0x1F, 1);
  tm.tm_hour = (time >> 11) & 0x1F;
  tm.tm_min = (time >> 5) & 0x3F;
  tm.tm_sec = (time & 0x1F) * 2;
  tm.tm_isdst = -1;
  std::time_t t = std::mktime(&tm);
  if (t == std::time_t(-1)) return;
  std::error_code ec;
  auto sys = std::chrono::system_clock::from_time_t(t);
  fs::last_write_time(path, std::chrono::file_clock::from_sys(sys), ec);
}

void SetDosAttributes(const fs::path& path, uint8_t attr) {
  if (!(attr & 0x01)) return;  // only "read-only" has a counterpart here
  std::error_code ec;
  fs::permissions(path, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove, ec);
}

}  // namespace

int TZipActivity::Tick() {
  PumpMessages(progress_);
  {
    TBusyState& b = Busy();
    std::lock_guard<std::mutex> g(b.lock);
    b.last = std::chrono::steady_clock::now();
  }
  return AbortPending(progress_) ? kZipAborted : 0;
}

bool IsZipFile(const std::string& path) {
  if (path.find('.') == std::string::npos || path.find(".exe") != std::string::npos) return false;
  std::string p = path;
  while (p.size() > 1 && (p.back() == '\\' || p.back() == '/')) p.pop_back();
  TZipFile f = OpenRead(p);
  uint8_t sig[4];
  return f && std::fread(sig, 1, 4, f.get()) == 4 && GetLE32(sig) == kLocalSig;
}

int ZipFindFirst(const std::string& archive, TZipSearchRec& rec) {
  ZipFindClose(rec);
  TZipFile f = OpenRead(archive);
  if (!f) return kZipCannotOpen;
  uint64_t size = FileSize(f.get());
  if (size == 0) return kZipCannotOpen;
  uint64_t end_pos = 0;
  if (!FindEndRecord(f.get(), size, &end_pos)) return kZipCannotOpen;
  uint8_t end[kEndRecordSize];
  if (!ReadAt(f.get(), end_pos, end, sizeof end)) return kZipCannotOpen;
  uint64_t dir_offset = GetLE32(end + 16);
  if (end_pos >= 20) {
    // Zip64: a locator just before the end record leads to the 64-bit
    // record, whose offset is the one to trust (some writers leave the
    // 32-bit one stale even when it is not all ones).
    uint8_t loc[20], end64[56];
    if (ReadAt(f.get(), end_pos - 20, loc, sizeof loc) && GetLE32(loc) == kEnd64LocatorSig &&
        GetLE64(loc + 8) < end_pos && ReadAt(f.get(), GetLE64(loc + 8), end64, sizeof end64) &&
        GetLE32(end64) == kEnd64Sig && GetLE64(end64 + 48) <= end_pos)
      dir_offset = GetLE64(end64 + 48);
  }
  if (dir_offset > end_pos || end_pos - dir_offset < kCentralHeaderSize) return kZipBadDirectory;
  try {
    rec.Directory.resize(size_t(end_pos + 4 - dir_offset));
  } catch (const std::bad_alloc&) {
    return kZipBadDirectory;
  }
  if (!ReadAt(f.get(), dir_offset, rec.Directory.data(), rec.Directory.size())) {
    rec.Directory.clear();
    return kZipCannotOpen;
  }
  rec.Archive = std::move(f);
  rec.Position = 0;
  return ParseEntry(rec);
}

int ZipFindNext(TZipSearchRec& rec) { return ParseEntry(rec); }

void ZipFindClose(TZipSearchRec& rec) {
  rec.Archive.reset();
  rec.Directory.clear();
  rec.Directory.shrink_to_fit();
  rec.Position = 0;
}

bool ZipEntryNames(const std::string& archive, std::vector<std::string>& names) {
  names.clear();
  TZipSearchRec rec;
  if (ZipFindFirst(archive, rec) != 0) return false;
  do names.push_back(rec.Name);
  while (ZipFindNext(rec) == 0);
  return true;
}

int64_t ZipEntrySize(const std::string& archive, const std::string& name) {
  if (!IsZipFile(archive)) return -1;
  TZipSearchRec rec;
  if (ZipFindFirst(archive, rec) != 0) return -1;
  do {
    if (SameIgnoringCase(rec.Name, name)) return int64_t(rec.Size);
  } while (ZipFindNext(rec) == 0);
  return -1;
}

bool ZipNameMatches(const std::string& name, const std::string& pattern) {
  if (pattern.empty() || pattern == "*.*") return true;
  // Greedy wildcard match with one backtrack point for the last "*".
  size_t n = 0, p = 0, star = std::string::npos, mark = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || Upper(pattern[p]) == Upper(name[n]))) {
      ++n;
      ++p;
    } else if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      mark = n;
    } else if (star != std::string::npos) {
      p = star + 1;
      n = ++mark;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

int UnzipFiles(const std::string& archive, const std::string& target, const std::string& pattern,
               TTProgress* progress) {
  if (archive.empty() || target.empty()) return kZipNoArgument;
  if (!IsZipFile(archive)) return kZipNotZip;
  TZipSearchRec rec;
  if (ZipFindFirst(archive, rec) != 0) return kZipBadDirectory;
  int count = 0;
  std::vector<std::string> parts;
  do {
    if (!ZipNameMatches(rec.Name, pattern)) continue;
    // A path that would leave the target folder is never written.
    if (!SafeParts(rec.Name, parts) || LinkOnTheWay(target, parts)) break;
    fs::path out = NativePath(target);
    for (const std::string& part : parts) out /= NativePath(part);
    std::string out_path = Utf8Path(out);
    bool folder = rec.Name.back() == '/';
    if (folder) out_path += '/';
    int rc = UnzipEntry(archive, out_path, rec.HeaderOffset, progress, &rec);
    if (rc == 0) {
      if (!folder) SetDosAttributes(out, rec.Attr);
      ++count;
      continue;
    }
    if (rc == kZipCrcMismatch || rc == kZipWriteError || rc == kZipUnsupported ||
        rc == kZipEncrypted)
      break;
    return rc;
  } while (ZipFindNext(rec) == 0);
  return count;
}

namespace {

struct TLocalInfo {
  uint16_t flags = 0, method = 0, time = 0, date = 0;
  uint32_t crc = 0;
  bool crc_known = true;
  bool size_known = true;
  uint64_t csize = 0, size = 0;
  uint64_t data_start = 0;
};

// Checks the declared sizes against what the archive can hold: a member
// cannot extend past the end of the file, stored data does not change size,
// and the other methods cannot expand beyond their best possible ratio.
bool SizesPossible(const TLocalInfo& h, uint64_t archive_size) {
  if (h.data_start > archive_size || h.csize > archive_size - h.data_start) return false;
  if (!h.size_known) return true;
  switch (h.method) {
    case kZipStored:
      return h.size == h.csize;
    case kZipDeflated:  // at most 258 bytes per two bits
      return h.size / 1032 <= h.csize + 1;
    case kZipImploded:  // at most 321 bytes per nine bits
      return h.size / 286 <= h.csize + 2;
    default:
      return true;
  }
}

int DecodeMember(std::FILE* archive, const TLocalInfo& h, TZipOutput& out, TZipActivity* activity,
                 uint32_t* crc, uint64_t* used) {
  TZipInput in(archive, h.csize, activity);
  int rc = 0;
  unsigned held = 0;
  switch (h.method) {
    case kZipStored:
      rc = ZipCopyStored(in, out, h.size);
      break;
    case kZipShrunk:
      rc = ZipUnshrink(in, out, h.size);
      break;
    case kZipImploded:
      rc = ZipExplode(in, out, h.flags, h.size);
      break;
    case kZipDeflated:
      rc = ZipInflate(in, out, &held);
      break;
    default:
      rc = kZipUnsupported;
  }
  if (rc == 0) rc = out.Finish();
  if (rc == 0 && h.size_known && out.Total() != h.size) rc = kZipDamaged;
  *crc = out.Crc();
  *used = in.Used(held);
  return rc;
}

// Opens the archive on the member whose local header is at `header_offset`
// and reads what the header (or `central`) declares about its data.
int ReadLocalHeader(const std::string& archive, uint64_t header_offset,
                    const TZipSearchRec* central, TZipFile& f, TLocalInfo& h,
                    uint64_t& archive_size) {
  f = OpenRead(archive);
  if (!f) return kZipCannotOpenForExtract;
  archive_size = FileSize(f.get());
  if (!SeekTo(f.get(), header_offset)) return kZipReadError;
  uint8_t lh[kLocalHeaderSize];
  if (header_offset > archive_size || archive_size - header_offset < kLocalHeaderSize ||
      std::fread(lh, 1, sizeof lh, f.get()) != sizeof lh || GetLE32(lh) != kLocalSig)
    return kZipDamaged;

  h.flags = GetLE16(lh + 6);
  h.method = GetLE16(lh + 8);
  h.time = GetLE16(lh + 10);
  h.date = GetLE16(lh + 12);
  h.crc = GetLE32(lh + 14);
  h.csize = GetLE32(lh + 18);
  h.size = GetLE32(lh + 22);
  size_t name_len = GetLE16(lh + 26), extra_len = GetLE16(lh + 28);
  h.data_start = header_offset + kLocalHeaderSize + name_len + extra_len;
  std::vector<uint8_t> extra(extra_len);
  if (extra_len &&
      !ReadAt(f.get(), header_offset + kLocalHeaderSize + name_len, extra.data(), extra_len))
    return kZipDamaged;
  ApplyZip64Extra(extra.data(), extra_len, &h.size, &h.csize, nullptr);
  if (central && (h.csize == 0xFFFFFFFFu || h.size == 0xFFFFFFFFu)) {
    h.csize = central->CompressedSize;
    h.size = central->Size;
  }
  const bool descriptor = (h.flags & 0x08) != 0;
  if (descriptor) {
    // Sizes and CRC follow the data; the directory entry has them too.
    if (central) {
      h.csize = central->CompressedSize;
      h.size = central->Size;
      h.crc = central->Crc;
    } else {
      h.csize = archive_size > h.data_start ? archive_size - h.data_start : 0;
      h.size_known = false;
      h.crc_known = false;
    }
  }
  if (!ZipMethodSupported(h.method) || (descriptor && h.method == kZipShrunk))
    return kZipUnsupported;
  if (h.flags & 0x01) return kZipEncrypted;
  // Without a directory entry only deflate finds its own end.
  if (!h.size_known && h.method != kZipDeflated) return kZipUnsupported;
  return 0;
}

// The member's data decoded into `out`, its CRC compared with the declared one.
int DecodeChecked(std::FILE* f, TLocalInfo& h, TZipOutput& out, TZipActivity* activity) {
  uint32_t crc = 0;
  uint64_t used = 0;
  int rc = DecodeMember(f, h, out, activity, &crc, &used);
  if (rc == 0 && !h.crc_known) {
    // The CRC is the first value after the data, after the optional signature.
    uint8_t dd[8];
    if (!ReadAt(f, h.data_start + used, dd, sizeof dd)) {
      rc = kZipDamaged;
    } else {
      h.crc = GetLE32(dd) == kDescriptorSig ? GetLE32(dd + 4) : GetLE32(dd);
    }
  }
  if (rc == 0 && crc != h.crc) rc = kZipCrcMismatch;
  return rc;
}

}  // namespace

int UnzipEntry(const std::string& archive, const std::string& out_path, uint64_t header_offset,
               TTProgress* progress, const TZipSearchRec* central) {
  TBusyGuard busy;
  if (!busy.Acquired()) return kZipBusy;
  TZipActivity activity(progress);

  TZipFile f;
  TLocalInfo h;
  uint64_t archive_size = 0;
  int rc = ReadLocalHeader(archive, header_offset, central, f, h, archive_size);
  if (rc != 0) return rc;

  // A folder entry only makes the folders.
  std::error_code ec;
  if (!out_path.empty() && (out_path.back() == '/' || out_path.back() == '\\')) {
    fs::create_directories(NativePath(out_path), ec);
    return fs::is_directory(NativePath(out_path), ec) ? 0 : kZipWriteError;
  }
  if (!SizesPossible(h, archive_size)) return kZipDamaged;
  if (!SeekTo(f.get(), h.data_start)) return kZipReadError;

  fs::path out = NativePath(out_path);
  if (out.has_parent_path()) fs::create_directories(out.parent_path(), ec);
  TTAtomicFileWriter of(out_path);
  if (!of.Open()) return kZipWriteError;

  TZipOutput sink(of.File(), h.size_known ? h.size : UINT64_MAX, &activity);
  rc = DecodeChecked(f.get(), h, sink, &activity);
  if (rc == 0) {
    // An existing read-only file is replaced all the same (Windows refuses
    // to rename over it otherwise).
    if (fs::exists(out, ec))
      fs::permissions(out, fs::perms::owner_write, fs::perm_options::add, ec);
    if (!of.Commit()) rc = kZipWriteError;
  }
  if (rc != 0) return rc;  // the writer removes its temporary file
  SetDosTime(out, h.date, h.time);
  return 0;
}

namespace {

// Finds the member and decodes it into the output `make` gives for it.
template <class TMakeOutput>
int DecodeNamedMember(const std::string& archive, const std::string& name, uint64_t size,
                      TTProgress* progress, const TMakeOutput& make) {
  if (archive.empty()) return kZipNoArgument;
  if (!IsZipFile(archive)) return kZipNotZip;
  TZipSearchRec rec;
  if (ZipFindFirst(archive, rec) != 0) return kZipBadDirectory;
  do {
    if (!SameIgnoringCase(rec.Name, name)) continue;
    if (rec.Name.back() == '/') return kZipWriteError;
    TZipActivity activity(progress);
    TZipFile f;
    TLocalInfo h;
    uint64_t archive_size = 0;
    int rc = ReadLocalHeader(archive, rec.HeaderOffset, &rec, f, h, archive_size);
    if (rc != 0) return rc;
    if (h.size != size || !SizesPossible(h, archive_size) || size > SIZE_MAX) return kZipDamaged;
    if (!SeekTo(f.get(), h.data_start)) return kZipReadError;
    TZipOutput sink = make(&activity);
    rc = DecodeChecked(f.get(), h, sink, &activity);
    return rc != 0 ? rc : 1;
  } while (ZipFindNext(rec) == 0);
  return 0;
}

}  // namespace

int UnzipMemberToMemory(const std::string& archive, const std::string& name, uint8_t* dst,
                        uint64_t size, TTProgress* progress) {
  if (!dst) return kZipNoArgument;
  return DecodeNamedMember(archive, name, size, progress, [&](TZipActivity* activity) {
    return TZipOutput(dst, size_t(size), activity);
  });
}

int UnzipMemberToSink(const std::string& archive, const std::string& name, uint64_t size,
                      const std::function<bool(const uint8_t*, size_t)>& sink,
                      TTProgress* progress) {
  return DecodeNamedMember(archive, name, size, progress, [&](TZipActivity* activity) {
    return TZipOutput(sink, size, activity);
  });
}
