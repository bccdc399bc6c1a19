#include "support/zip_fixture.h"

#include "support/mesh_helpers.h"

namespace {
void Put16(TZipBytes& b, uint32_t v) { b.push_back(uint8_t(v)), b.push_back(uint8_t(v >> 8)); }
void Put32(TZipBytes& b, uint32_t v) { Put16(b, v & 0xFFFF), Put16(b, v >> 16); }
}  // namespace

uint32_t ReferenceCrc32(const TZipBytes& data) {
  uint32_t c = 0xFFFFFFFFu;
  for (uint8_t b : data) {
    c ^= b;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
  }
  return ~c;
}

TZipMember StoredMember(const std::string& name, const std::string& text) {
  TZipMember m{.name = name};
  m.data.assign(text.begin(), text.end());
  m.crc = ReferenceCrc32(m.data), m.size = m.csize = uint32_t(m.data.size());
  return m;
}

TZipMember DeflatedStoredBlock(const std::string& name, const std::string& text) {
  TZipMember m = StoredMember(name, text);
  const uint16_t n = uint16_t(text.size());
  m.data = {0x01, uint8_t(n), uint8_t(n >> 8), uint8_t(~n), uint8_t(~n >> 8)};
  m.data.insert(m.data.end(), text.begin(), text.end());
  m.method = 8, m.csize = uint32_t(m.data.size());
  return m;
}

TZipBytes MakeZipArchive(const std::vector<TZipMember>& members, const std::string& comment) {
  TZipBytes zip, dir;
  for (const TZipMember& m : members) {
    const uint32_t offset = uint32_t(zip.size());
    // The local header, then the same fields again in the directory entry.
    Put32(zip, m.local_sig), Put16(zip, 20);
    Put32(dir, 0x02014b50), Put16(dir, 20), Put16(dir, 20);  // made by, needed
    const bool descriptor = (m.flags & 8) != 0;
    for (TZipBytes* b : {&zip, &dir}) {
      const bool blank = descriptor && b == &zip;
      Put16(*b, m.flags), Put16(*b, m.method), Put32(*b, m.dos_time), Put32(*b, blank ? 0 : m.crc);
      const bool unknown = m.local_sizes_unknown && b == &zip;
      Put32(*b, blank ? 0 : unknown ? 0xFFFFFFFFu : m.csize);
      Put32(*b, blank ? 0 : unknown ? 0xFFFFFFFFu : m.size), Put16(*b, uint32_t(m.name.size()));
    }
    Put16(zip, uint32_t(m.local_extra.size())), zip.insert(zip.end(), m.name.begin(), m.name.end());
    zip.insert(zip.end(), m.local_extra.begin(), m.local_extra.end());
    zip.insert(zip.end(), m.data.begin(), m.data.end());
    if (descriptor) {
      if (m.descriptor_sig) Put32(zip, 0x08074b50);
      Put32(zip, m.crc), Put32(zip, m.csize), Put32(zip, m.size);
    }
    Put16(dir, 0), Put16(dir, uint32_t(m.comment.size()));  // extra and comment lengths
    dir.insert(dir.end(), 4, 0);                            // disk, internal attributes
    Put32(dir, m.dos_attr), Put32(dir, offset), dir.insert(dir.end(), m.name.begin(), m.name.end());
    dir.insert(dir.end(), m.comment.begin(), m.comment.end());
  }
  const uint32_t dirOffset = uint32_t(zip.size());
  zip.insert(zip.end(), dir.begin(), dir.end()), Put32(zip, 0x06054b50), Put32(zip, 0);
  Put16(zip, uint32_t(members.size())), Put16(zip, uint32_t(members.size()));
  Put32(zip, uint32_t(dir.size())), Put32(zip, dirOffset), Put16(zip, uint32_t(comment.size()));
  zip.insert(zip.end(), comment.begin(), comment.end());
  return zip;
}

void WriteStoredZip(const std::string& path, const std::string& memberName, const TZipBytes& data) {
  WriteFileBytes(path, MakeZipArchive({StoredMember(memberName, {data.begin(), data.end()})}));
}
