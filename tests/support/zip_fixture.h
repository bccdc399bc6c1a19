#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A ZIP writer for the tests: members with chosen method, flags, CRC and
// sizes, so that damaged archives are made as easily as good ones.
using TZipBytes = std::vector<unsigned char>;

uint32_t ReferenceCrc32(const TZipBytes& data);  // bit at a time, the plain definition

struct TZipMember {
  std::string name{};
  TZipBytes data{};  // the member's compressed bytes
  uint16_t method = 0, flags = 0;
  uint32_t crc = 0;
  uint32_t size = 0;   // declared uncompressed size
  uint32_t csize = 0;  // declared compressed size
  uint32_t local_sig = 0x04034b50;
  // With flag 8 the local header has zeros and a data descriptor follows the
  // data, with or without its signature.
  bool descriptor_sig = true;
  // Local sizes 0xFFFFFFFF, the real ones only in the directory entry.
  bool local_sizes_unknown = false;
  TZipBytes local_extra{};         // the local header's extra field
  uint32_t dos_time = 0x21000000;  // date high, time low: 1996-08-01 00:00
  std::string comment{};           // the directory entry's
  uint8_t dos_attr = 0;            // its MS-DOS attributes (1: read-only)
};

TZipMember StoredMember(const std::string& name, const std::string& text);
// A raw deflate stream of one stored block holding `text` (at most 65535 bytes).
TZipMember DeflatedStoredBlock(const std::string& name, const std::string& text);
TZipBytes MakeZipArchive(const std::vector<TZipMember>& members, const std::string& comment = "");

// Writes an archive holding one member stored without compression.
void WriteStoredZip(const std::string& path, const std::string& memberName, const TZipBytes& data);
