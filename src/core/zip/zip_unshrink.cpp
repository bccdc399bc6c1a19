// Decoder of "shrunk" members: dynamic LZW with codes of 9 to 13 bits, where
// code 256 escapes to a control code: 1 widens the codes by one bit, 2 frees
// every leaf of the string tree (partial clearing). New strings take the
// lowest free code.

#include <memory>

#include "core/zip/zip_stream.h"
#include "core/zip/zip_types.h"

namespace {

constexpr unsigned kCodes = 8192;
constexpr unsigned kControl = 256;
constexpr unsigned kFirstFree = 257;
constexpr uint16_t kFree = 0xFFFF;  // parent of an unused code
constexpr uint16_t kRoot = 0xFFFE;  // parent of a single-byte string

struct TTree {
  uint16_t parent[kCodes];
  uint8_t value[kCodes];
  uint8_t stack[kCodes];
  bool has_child[kCodes];
};

void PartialClear(TTree& t) {
  for (unsigned c = kFirstFree; c < kCodes; ++c) t.has_child[c] = false;
  for (unsigned c = kFirstFree; c < kCodes; ++c) {
    uint16_t p = t.parent[c];
    if (p != kFree && p >= kFirstFree && p < kCodes) t.has_child[p] = true;
  }
  for (unsigned c = kFirstFree; c < kCodes; ++c)
    if (!t.has_child[c]) t.parent[c] = kFree;
}

}  // namespace

int ZipUnshrink(TZipInput& in, TZipOutput& out, uint64_t size) {
  std::unique_ptr<TTree> tree(new (std::nothrow) TTree);
  if (!tree) return kZipWriteError;
  TTree& t = *tree;
  for (unsigned c = 0; c < 256; ++c) {
    t.parent[c] = kRoot;
    t.value[c] = uint8_t(c);
  }
  t.parent[kControl] = kRoot;  // never a string; keeps it off the free list
  for (unsigned c = kFirstFree; c < kCodes; ++c) t.parent[c] = kFree;

  TZipBits bits(in);
  unsigned width = 9;
  unsigned last_free = kFirstFree - 1;  // the search for a free code starts above it
  int old = -1;
  uint64_t produced = 0;
  int rc = 0;

  while (produced < size && bits.BitsLeft() >= width) {
    if ((rc = bits.Need(width))) return rc;
    unsigned code = bits.Take(width);
    if (code == kControl) {
      if (bits.BitsLeft() < width) break;
      if ((rc = bits.Need(width))) return rc;
      unsigned sub = bits.Take(width);
      if (sub == 1 && width < 13) {
        ++width;
      } else if (sub == 2) {
        PartialClear(t);
        last_free = kFirstFree - 1;
      } else {
        return kZipDamaged;
      }
      continue;
    }
    unsigned next_free = last_free + 1;
    while (next_free < kCodes && t.parent[next_free] != kFree) ++next_free;

    // Spell the string backwards onto the stack.
    uint8_t* top = t.stack + kCodes;
    bool repeat_first = false;  // the code being defined right now: old + old's first byte
    unsigned cur = code;
    if (old < 0) {
      if (code >= 256) return kZipDamaged;
    } else if (t.parent[code] == kFree) {
      if (code != next_free) return kZipDamaged;
      repeat_first = true;
      cur = unsigned(old);
    }
    while (cur != kRoot) {
      if (cur >= kCodes || t.parent[cur] == kFree || top == t.stack) return kZipDamaged;
      *--top = t.value[cur];
      cur = t.parent[cur];
    }
    size_t len = size_t(t.stack + kCodes - top);
    uint8_t first = *top;
    const size_t need = len + (repeat_first ? 1 : 0);
    if (size_t(out.end - out.pos) < need) {
      if ((rc = out.Flush())) return rc;
      if (size_t(out.end - out.pos) < need) return kZipDamaged;
    }
    for (size_t i = 0; i < len; ++i) out.pos[i] = top[i];
    out.pos += len;
    if (repeat_first) {
      *out.pos++ = first;
      ++len;
    }
    produced += len;

    if (old >= 0 && next_free < kCodes) {
      t.parent[next_free] = uint16_t(old);
      t.value[next_free] = first;
      last_free = next_free;
    }
    old = int(code);
  }
  return 0;
}
