#include "support/zip_fixture.h"

#include <fstream>

#include "hgt/zip_crc.h"

namespace {
void Put16(std::vector<unsigned char>& b, uint32_t v) {
  b.push_back(uint8_t(v));
  b.push_back(uint8_t(v >> 8));
}
void Put32(std::vector<unsigned char>& b, uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}
}  // namespace

void WriteStoredZip(const std::string& path, const std::string& memberName,
                    const std::vector<unsigned char>& data) {
  const uint32_t crc = ZipCrc32(0, data.data(), data.size());
  const uint32_t size = uint32_t(data.size());
  std::vector<unsigned char> z;
  Put32(z, 0x04034b50);
  Put16(z, 20);
  Put16(z, 0);  // flags
  Put16(z, 0);  // stored
  Put32(z, 0x21000000);
  Put32(z, crc);
  Put32(z, size);
  Put32(z, size);
  Put16(z, uint32_t(memberName.size()));
  Put16(z, 0);
  z.insert(z.end(), memberName.begin(), memberName.end());
  z.insert(z.end(), data.begin(), data.end());
  const uint32_t dirOffset = uint32_t(z.size());
  Put32(z, 0x02014b50);
  Put16(z, 20);
  Put16(z, 20);
  Put16(z, 0);
  Put16(z, 0);
  Put32(z, 0x21000000);
  Put32(z, crc);
  Put32(z, size);
  Put32(z, size);
  Put16(z, uint32_t(memberName.size()));
  Put16(z, 0);
  Put16(z, 0);
  Put16(z, 0);
  Put16(z, 0);
  Put32(z, 0);
  Put32(z, 0);  // local header offset
  z.insert(z.end(), memberName.begin(), memberName.end());
  const uint32_t dirSize = uint32_t(z.size()) - dirOffset;
  Put32(z, 0x06054b50);
  Put32(z, 0);
  Put16(z, 1);
  Put16(z, 1);
  Put32(z, dirSize);
  Put32(z, dirOffset);
  Put16(z, 0);
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(z.data()), z.size());
}
