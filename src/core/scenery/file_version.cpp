#include "core/scenery/file_version.h"

#include <cstdio>
#include <vector>

#include "core/base/sample_io.h"
#include "core/platform/native_file.h"

namespace {

// Every read is checked against the image size: a damaged or hostile file
// ends in "no version", never in a read outside the buffer.
class TImage {
 public:
  TImage(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  bool Has(uint64_t offset, uint64_t count) const {
    return offset <= size_ && count <= size_ - offset;
  }
  uint16_t U16(uint64_t o) const { return GetLE16(data_ + o); }
  uint32_t U32(uint64_t o) const { return GetLE32(data_ + o); }

 private:
  const uint8_t* data_;
  size_t size_;
};

constexpr uint32_t kRtVersion = 16;
constexpr uint32_t kSubdirectoryFlag = 0x80000000u;
constexpr uint32_t kFixedInfoSignature = 0xFEEF04BDu;

struct TSection {
  uint32_t VirtualAddress, RawSize, RawOffset;
};

// File offset of `size` bytes at a relative virtual address, or false. Only
// a section's raw part is stored in the file; the rest of its virtual size
// is zeros made at load time, which hold no resource.
bool RvaToOffset(const TImage& img, const std::vector<TSection>& sections, uint32_t rva,
                 uint32_t size, uint64_t& offset) {
  for (const TSection& s : sections)
    if (rva >= s.VirtualAddress && uint64_t(rva) + size <= uint64_t(s.VirtualAddress) + s.RawSize) {
      offset = uint64_t(s.RawOffset) + (rva - s.VirtualAddress);
      return img.Has(offset, size);
    }
  return false;
}

// The first entry of a resource directory at `dir` (offset in the image)
// whose id is `id` (any entry when id is negative). Returns its raw
// OffsetToData field.
bool FindEntry(const TImage& img, uint64_t dir, int64_t id, uint32_t& target) {
  if (!img.Has(dir, 16)) return false;
  const uint32_t named = img.U16(dir + 12), ids = img.U16(dir + 14);
  const uint64_t first = dir + 16;
  const uint64_t count = uint64_t(named) + ids;
  if (!img.Has(first, count * 8)) return false;
  for (uint64_t i = 0; i < count; ++i) {
    const uint64_t e = first + i * 8;
    const uint32_t name = img.U32(e);
    const bool isId = (name & kSubdirectoryFlag) == 0;
    if (id < 0 || (isId && name == uint32_t(id))) {
      target = img.U32(e + 4);
      return true;
    }
  }
  return false;
}

}  // namespace

bool GetFileVersionFromImage(const uint8_t* data, size_t size, TFileVersion& version) {
  if (!data) return false;
  const TImage img(data, size);
  // DOS header, then the PE signature and the COFF file header.
  if (!img.Has(0, 64) || data[0] != 'M' || data[1] != 'Z') return false;
  const uint32_t pe = img.U32(0x3C);
  if (!img.Has(pe, 24) || img.U32(pe) != 0x00004550u) return false;
  const uint16_t sectionCount = img.U16(pe + 6);
  const uint16_t optSize = img.U16(pe + 20);
  const uint64_t opt = uint64_t(pe) + 24;
  if (!img.Has(opt, optSize) || optSize < 2) return false;
  const uint16_t magic = img.U16(opt);
  uint64_t dirCountAt, dirsAt;
  if (magic == 0x10B) {  // PE32
    dirCountAt = 92;
    dirsAt = 96;
  } else if (magic == 0x20B) {  // PE32+
    dirCountAt = 108;
    dirsAt = 112;
  } else {
    return false;
  }
  if (optSize < dirCountAt + 4) return false;
  const uint32_t dirCount = img.U32(opt + dirCountAt);
  if (dirCount < 3 || optSize < dirsAt + 3 * 8) return false;  // no resource directory
  const uint32_t rsrcRva = img.U32(opt + dirsAt + 2 * 8);
  const uint32_t rsrcSize = img.U32(opt + dirsAt + 2 * 8 + 4);
  if (rsrcRva == 0 || rsrcSize < 16) return false;

  std::vector<TSection> sections;
  const uint64_t table = opt + optSize;
  if (!img.Has(table, uint64_t(sectionCount) * 40)) return false;
  for (uint16_t i = 0; i < sectionCount; ++i) {
    const uint64_t s = table + uint64_t(i) * 40;
    sections.push_back(TSection{img.U32(s + 12), img.U32(s + 16), img.U32(s + 20)});
  }
  uint64_t root;
  if (!RvaToOffset(img, sections, rsrcRva, 16, root)) return false;

  // Three levels: type RT_VERSION, then the first name and the first language.
  uint32_t entry = 0;
  if (!FindEntry(img, root, kRtVersion, entry) || !(entry & kSubdirectoryFlag)) return false;
  if (!FindEntry(img, root + (entry & ~kSubdirectoryFlag), -1, entry) ||
      !(entry & kSubdirectoryFlag))
    return false;
  if (!FindEntry(img, root + (entry & ~kSubdirectoryFlag), -1, entry) ||
      (entry & kSubdirectoryFlag))
    return false;
  const uint64_t leaf = root + entry;
  if (!img.Has(leaf, 16)) return false;
  const uint32_t dataRva = img.U32(leaf), dataSize = img.U32(leaf + 4);
  // VS_VERSIONINFO: wLength, wValueLength, wType, L"VS_VERSION_INFO" with its
  // zero, padding to 32 bits, then the 52 bytes of VS_FIXEDFILEINFO.
  static const char kKey[] = "VS_VERSION_INFO";
  constexpr uint32_t kValueAt = 40, kValueSize = 52;
  uint64_t block;
  if (dataSize < kValueAt + kValueSize || !RvaToOffset(img, sections, dataRva, dataSize, block))
    return false;
  const uint16_t length = img.U16(block), valueLength = img.U16(block + 2);
  if (length > dataSize || length < kValueAt + kValueSize || valueLength < kValueSize) return false;
  for (uint64_t i = 0; i < sizeof(kKey); ++i)
    if (img.U16(block + 6 + 2 * i) != uint16_t(kKey[i])) return false;
  const uint64_t value = block + kValueAt;
  if (img.U32(value) != kFixedInfoSignature) return false;
  const uint32_t ms = img.U32(value + 8), ls = img.U32(value + 12);
  version.Major = uint16_t(ms >> 16);
  version.Minor = uint16_t(ms & 0xFFFF);
  version.Release = uint16_t(ls >> 16);
  version.Build = uint16_t(ls & 0xFFFF);
  return true;
}

bool GetFileVersion(const std::string& path, TFileVersion& version) {
  std::FILE* f = OpenFile(path, "rb");
  if (!f) return false;
  // Executables are read whole, up to a limit far above any compiler's size.
  constexpr long kMaxImage = 256L * 1024 * 1024;
  std::vector<uint8_t> data;
  bool ok = std::fseek(f, 0, SEEK_END) == 0;
  long size = ok ? std::ftell(f) : -1;
  ok = ok && size > 0 && size <= kMaxImage && std::fseek(f, 0, SEEK_SET) == 0;
  if (ok) {
    data.resize(size_t(size));
    ok = std::fread(data.data(), 1, data.size(), f) == data.size();
  }
  std::fclose(f);
  return ok && GetFileVersionFromImage(data.data(), data.size(), version);
}
