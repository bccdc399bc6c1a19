#pragma once

// The ZIP archive reader: recognises an archive, lists its members, tells a
// member's size and extracts members into a folder. It shows no message;
// every operation returns a result code (zip_types.h).

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/zip/zip_types.h"

class TTProgress;

// True for an existing file (not a folder, name with a "." and without
// ".exe") whose first four bytes are a local header signature.
bool IsZipFile(const std::string& path);

// 0 with the first member loaded into `rec`, else a result code.
int ZipFindFirst(const std::string& archive, TZipSearchRec& rec);
// 0 with the next member loaded; -10 at the end.
int ZipFindNext(TZipSearchRec& rec);
void ZipFindClose(TZipSearchRec& rec);

// Clears `names` and appends every member name in directory order; false when
// the archive's directory cannot be read.
bool ZipEntryNames(const std::string& archive, std::vector<std::string>& names);

// Uncompressed size of the member whose whole stored name equals `name`
// ignoring ASCII case; -1 when there is none or the archive cannot be read.
int64_t ZipEntrySize(const std::string& archive, const std::string& name);

// Extracts every member matching `pattern` ("" or "*.*" for all; "*" and "?"
// wildcards, ASCII case ignored) below `target`. Returns the number of members
// extracted or a negative result code. A member whose stored path is absolute,
// climbs out of `target` or runs through a symbolic link there is refused and ends the walk like a
// member whose output cannot be created.
int UnzipFiles(const std::string& archive, const std::string& target, const std::string& pattern,
               TTProgress* progress = nullptr);

// Extracts the member whose local header is at `header_offset` to
// `out_path`. `central`, when given, is the member's directory entry: it
// supplies sizes and CRC that follow the data (general-purpose bit 3). The
// output appears only when the member decoded completely with the right CRC.
int UnzipEntry(const std::string& archive, const std::string& out_path, uint64_t header_offset,
               TTProgress* progress = nullptr, const TZipSearchRec* central = nullptr);

// Decodes the first member whose whole stored name equals `name` (ASCII case
// ignored) into `dst`, which must be exactly the member's size. Returns 1, 0
// when there is no such member, or a negative result code (a member of
// another size is damaged data); `dst` holds nothing usable then. Unlike the
// extractions to files it takes no busy guard, so that two threads may each
// decode a member; a worker thread passes no progress.
int UnzipMemberToMemory(const std::string& archive, const std::string& name, uint8_t* dst,
                        uint64_t size, TTProgress* progress = nullptr);

// As UnzipMemberToMemory, handing the decoded bytes in order to `sink`, at
// most 1 MB at a time, instead (false from it ends the decoding as a write
// error). The member's CRC is known only at the end: a caller keeps nothing
// of a decoding that fails.
int UnzipMemberToSink(const std::string& archive, const std::string& name, uint64_t size,
                      const std::function<bool(const uint8_t*, size_t)>& sink,
                      TTProgress* progress = nullptr);

// True when `name` matches `pattern` as UnzipFiles matches member names.
bool ZipNameMatches(const std::string& name, const std::string& pattern);
