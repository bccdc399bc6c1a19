// Deflate decoder (RFC 1951) for the ZIP reader.
//
// Speed matters here: a 3601 x 3601 tile is 26 MB of output. The decoder
// keeps its bit buffer in a 64-bit register refilled eight bytes at a time,
// decodes with two-level lookup tables (10 root bits for literals/lengths,
// 8 for distances), copies matches in 8-byte words and writes into the
// 1 MB output block of TZipOutput, which is flushed in one piece.

#include <algorithm>
#include <cstring>
#include <memory>

#include "core/zip/zip_stream.h"
#include "core/zip/zip_types.h"

namespace {

// Table entry: bits 0-4 code bits to drop, 5-7 kind, 8-15 extra bits (or the
// width of a subtable), 16-31 value (literal, base, or subtable index).
enum : uint32_t { kLiteral = 0, kBase = 1, kSub = 2, kEnd = 3, kBad = 4 };
constexpr uint32_t Entry(uint32_t len, uint32_t kind, uint32_t extra, uint32_t value) {
  return len | (kind << 5) | (extra << 8) | (value << 16);
}
inline uint32_t ELen(uint32_t e) { return e & 31; }
inline uint32_t EKind(uint32_t e) { return (e >> 5) & 7; }
inline uint32_t EExtra(uint32_t e) { return (e >> 8) & 0xFF; }
inline uint32_t EValue(uint32_t e) { return e >> 16; }

constexpr unsigned kLitRoot = 10;
constexpr unsigned kDistRoot = 8;
constexpr unsigned kLenRoot = 7;
// Root table plus one subtable per long-code prefix (at most one per symbol).
constexpr size_t kLitTableSize = (1u << kLitRoot) + 288 * (1u << (15 - kLitRoot));
constexpr size_t kDistTableSize = (1u << kDistRoot) + 32 * (1u << (15 - kDistRoot));
constexpr size_t kLenTableSize = 1u << kLenRoot;

constexpr uint16_t kLengthBase[29] = {3,  4,  5,  6,   7,   8,   9,   10,  11, 13,
                                      15, 17, 19, 23,  27,  31,  35,  43,  51, 59,
                                      67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr uint8_t kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                      2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr uint16_t kDistBase[30] = {1,    2,    3,    4,    5,    7,    9,    13,    17,    25,
                                    33,   49,   65,   97,   129,  193,  257,  385,   513,   769,
                                    1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr uint8_t kDistExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                    6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

enum class TAlphabet { kLitLen, kDist, kCodeLen };

uint32_t SymbolEntry(TAlphabet a, unsigned sym, unsigned len) {
  switch (a) {
    case TAlphabet::kLitLen:
      if (sym < 256) return Entry(len, kLiteral, 0, sym);
      if (sym == 256) return Entry(len, kEnd, 0, 0);
      if (sym < 286) return Entry(len, kBase, kLengthExtra[sym - 257], kLengthBase[sym - 257]);
      return Entry(len, kBad, 0, 0);
    case TAlphabet::kDist:
      if (sym < 30) return Entry(len, kBase, kDistExtra[sym], kDistBase[sym]);
      return Entry(len, kBad, 0, 0);
    case TAlphabet::kCodeLen:
      return Entry(len, kLiteral, 0, sym);
  }
  return Entry(len, kBad, 0, 0);
}

unsigned Reverse(unsigned code, unsigned len) {
  unsigned r = 0;
  for (unsigned i = 0; i < len; ++i, code >>= 1) r = (r << 1) | (code & 1);
  return r;
}

// Builds the lookup table of a canonical Huffman code. Incomplete codes are
// accepted (their unused entries decode as damaged data); over-subscribed
// ones are not.
bool BuildTable(const uint8_t* lens, unsigned n, TAlphabet alphabet, unsigned root,
                uint32_t* table) {
  unsigned count[16] = {0};
  for (unsigned s = 0; s < n; ++s) count[lens[s]]++;
  count[0] = 0;
  int left = 1;
  unsigned max_len = 0;
  for (unsigned l = 1; l < 16; ++l) {
    left = left * 2 - int(count[l]);
    if (left < 0) return false;
    if (count[l]) max_len = l;
  }
  unsigned next_code[16];
  unsigned code = 0;
  for (unsigned l = 1; l < 16; ++l) {
    code = (code + count[l - 1]) << 1;
    next_code[l] = code;
  }
  const uint32_t bad = Entry(0, kBad, 0, 0);
  const unsigned root_size = 1u << root;
  std::fill(table, table + root_size, bad);
  const unsigned sub_bits = max_len > root ? max_len - root : 0;
  unsigned next_sub = root_size;
  for (unsigned s = 0; s < n; ++s) {
    unsigned len = lens[s];
    if (!len) continue;
    unsigned r = Reverse(next_code[len]++, len);
    if (len <= root) {
      uint32_t e = SymbolEntry(alphabet, s, len);
      for (unsigned i = r; i < root_size; i += 1u << len) table[i] = e;
      continue;
    }
    unsigned prefix = r & (root_size - 1);
    if (EKind(table[prefix]) != kSub) {
      std::fill(table + next_sub, table + next_sub + (1u << sub_bits), bad);
      table[prefix] = Entry(root, kSub, sub_bits, next_sub);
      next_sub += 1u << sub_bits;
    }
    uint32_t* sub = table + EValue(table[prefix]);
    uint32_t e = SymbolEntry(alphabet, s, len - root);
    for (unsigned i = r >> root; i < (1u << sub_bits); i += 1u << (len - root)) sub[i] = e;
  }
  return true;
}

struct TTables {
  uint32_t lit[kLitTableSize];
  uint32_t dist[kDistTableSize];
  uint32_t codelen[kLenTableSize];
};

struct TFixed {
  uint32_t lit[kLitTableSize];
  uint32_t dist[kDistTableSize];
  TFixed() {
    uint8_t lens[288];
    std::fill(lens, lens + 144, 8);
    std::fill(lens + 144, lens + 256, 9);
    std::fill(lens + 256, lens + 280, 7);
    std::fill(lens + 280, lens + 288, 8);
    BuildTable(lens, 288, TAlphabet::kLitLen, kLitRoot, lit);
    std::fill(lens, lens + 30, 5);
    BuildTable(lens, 30, TAlphabet::kDist, kDistRoot, dist);
  }
};

const TFixed& Fixed() {
  static const TFixed fixed;
  return fixed;
}

struct TFill {
  uint64_t bits;
  unsigned count;
  int rc;
};

// Slow refill near the end of the input window: byte by byte, asking the
// input for more when the window runs dry.
TFill SlowFill(TZipInput& in, uint64_t bits, unsigned count) {
  while (count <= 56) {
    if (in.next == in.end) {
      int rc = in.Refill();
      if (rc) return {bits, count, rc};
      if (in.end - in.next >= 8) break;
      continue;
    }
    bits |= uint64_t(*in.next++) << count;
    count += 8;
  }
  if (count <= 56 && in.end - in.next >= 8) {
    bits |= ZipLoad64(in.next) << count;
    in.next += (63 - count) >> 3;
    count |= 56;
  }
  return {bits, count, 0};
}

const uint8_t kCodeLenOrder[19] = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                   11, 4,  12, 3, 13, 2, 14, 1, 15};

}  // namespace

int ZipInflate(TZipInput& in, TZipOutput& out, unsigned* held_bits) {
  std::unique_ptr<TTables> tables(new (std::nothrow) TTables);
  if (!tables) return kZipWriteError;

  uint64_t bits = 0;
  unsigned count = 0;
  const uint8_t* inext = in.next;
  const uint8_t* iend = in.end;
  uint8_t* op = out.pos;
  uint8_t* oend = out.end;
  uint8_t* obase = out.base;
  bool flat = out.Flat();
  int rc = 0;
  bool last = false;

  // Keeps at least 57 bits in the buffer (or fails).
#define REFILL()                              \
  do {                                        \
    if (count <= 56) {                        \
      if (iend - inext >= 8) {                \
        bits |= ZipLoad64(inext) << count;    \
        inext += (63 - count) >> 3;           \
        count |= 56;                          \
      } else {                                \
        in.next = inext;                      \
        TFill f_ = SlowFill(in, bits, count); \
        bits = f_.bits;                       \
        count = f_.count;                     \
        inext = in.next;                      \
        iend = in.end;                        \
        if (f_.rc) {                          \
          rc = f_.rc;                         \
          goto done;                          \
        }                                     \
      }                                       \
    }                                         \
  } while (0)

#define FLUSH()        \
  do {                 \
    out.pos = op;      \
    rc = out.Flush();  \
    op = out.pos;      \
    oend = out.end;    \
    obase = out.base;  \
    flat = out.Flat(); \
    if (rc) goto done; \
  } while (0)

#define DROP(n)   \
  do {            \
    bits >>= (n); \
    count -= (n); \
  } while (0)

  do {
    const uint32_t* lit = nullptr;
    const uint32_t* dist = nullptr;
    unsigned lit_mask = (1u << kLitRoot) - 1, dist_mask = (1u << kDistRoot) - 1;
    REFILL();
    last = bits & 1;
    {
      unsigned type = unsigned(bits >> 1) & 3;
      DROP(3);
      if (type == 0) {
        // Stored block: byte-aligned LEN, NLEN, then LEN raw bytes.
        // The refill at the block's start left 56 bits or more; the header
        // and the alignment take at most 10, so LEN and NLEN are held already.
        DROP(count & 7);
        unsigned len = unsigned(bits & 0xFFFF), nlen = unsigned((bits >> 16) & 0xFFFF);
        DROP(32);
        if (len != (~nlen & 0xFFFF)) {
          rc = kZipDamaged;
          goto done;
        }
        while (len && count >= 8) {
          if (op == oend) FLUSH();
          *op++ = uint8_t(bits);
          DROP(8);
          --len;
        }
        if (count == 0) bits = 0;
        while (len) {
          if (inext == iend) {
            in.next = inext;
            rc = in.Refill();
            inext = in.next;
            iend = in.end;
            if (rc) goto done;
          }
          if (op == oend) FLUSH();
          size_t n = std::min<size_t>({len, size_t(iend - inext), size_t(oend - op)});
          std::memcpy(op, inext, n);
          op += n;
          inext += n;
          len -= unsigned(n);
        }
        continue;
      }
      if (type == 1) {
        lit = Fixed().lit;
        dist = Fixed().dist;
      } else if (type == 2) {
        // Dynamic block: the code lengths, themselves Huffman coded.
        unsigned nlit = unsigned(bits & 31) + 257;
        unsigned ndist = unsigned((bits >> 5) & 31) + 1;
        unsigned nclen = unsigned((bits >> 10) & 15) + 4;
        DROP(14);
        if (nlit > 286 || ndist > 30) {
          rc = kZipDamaged;
          goto done;
        }
        uint8_t lens[288 + 32] = {0};
        REFILL();  // 19 x 3 bits fits after one more refill
        for (unsigned i = 0; i < nclen; ++i) {
          if (i == 16) REFILL();
          lens[kCodeLenOrder[i]] = uint8_t(bits & 7);
          DROP(3);
        }
        if (!BuildTable(lens, 19, TAlphabet::kCodeLen, kLenRoot, tables->codelen)) {
          rc = kZipDamaged;
          goto done;
        }
        unsigned total = nlit + ndist;
        uint8_t all[288 + 32] = {0};
        unsigned i = 0;
        while (i < total) {
          REFILL();
          uint32_t e = tables->codelen[bits & ((1u << kLenRoot) - 1)];
          if (EKind(e) == kBad) {
            rc = kZipDamaged;
            goto done;
          }
          DROP(ELen(e));
          unsigned sym = EValue(e);
          if (sym < 16) {
            all[i++] = uint8_t(sym);
            continue;
          }
          unsigned repeat;
          uint8_t value = 0;
          if (sym == 16) {
            if (i == 0) {
              rc = kZipDamaged;
              goto done;
            }
            value = all[i - 1];
            repeat = 3 + unsigned(bits & 3);
            DROP(2);
          } else if (sym == 17) {
            repeat = 3 + unsigned(bits & 7);
            DROP(3);
          } else {
            repeat = 11 + unsigned(bits & 127);
            DROP(7);
          }
          if (i + repeat > total) {
            rc = kZipDamaged;
            goto done;
          }
          std::memset(all + i, value, repeat);
          i += repeat;
        }
        if (all[256] == 0 || !BuildTable(all, nlit, TAlphabet::kLitLen, kLitRoot, tables->lit) ||
            !BuildTable(all + nlit, ndist, TAlphabet::kDist, kDistRoot, tables->dist)) {
          rc = kZipDamaged;
          goto done;
        }
        lit = tables->lit;
        dist = tables->dist;
      } else {
        rc = kZipDamaged;
        goto done;
      }
    }

    // The symbols of one Huffman block.
    for (;;) {
      REFILL();
      if (oend - op < 258 + 8 && !flat) FLUSH();
      uint32_t e = lit[bits & lit_mask];
      if (EKind(e) == kSub) {
        DROP(kLitRoot);
        e = lit[EValue(e) + (bits & ((1u << EExtra(e)) - 1))];
      }
      DROP(ELen(e));
      if (EKind(e) == kLiteral) {
        if (op == oend) {
          rc = kZipDamaged;  // only a full flat buffer gets here
          goto done;
        }
        *op++ = uint8_t(EValue(e));
        // A second literal often fits in the bits at hand.
        if (count >= 15) {
          e = lit[bits & lit_mask];
          if (EKind(e) == kLiteral && op != oend) {
            DROP(ELen(e));
            *op++ = uint8_t(EValue(e));
          }
        }
        continue;
      }
      if (EKind(e) != kBase) {
        if (EKind(e) == kEnd) break;
        rc = kZipDamaged;
        goto done;
      }
      size_t length = EValue(e) + size_t(bits & ((1u << EExtra(e)) - 1));
      DROP(EExtra(e));
      // At most 20 bits were used since the refill: a distance (up to 28
      // bits) is still in the buffer.
      e = dist[bits & dist_mask];
      if (EKind(e) == kSub) {
        DROP(kDistRoot);
        e = dist[EValue(e) + (bits & ((1u << EExtra(e)) - 1))];
      }
      DROP(ELen(e));
      if (EKind(e) != kBase) {
        rc = kZipDamaged;
        goto done;
      }
      size_t d = EValue(e) + size_t(bits & ((1u << EExtra(e)) - 1));
      DROP(EExtra(e));
      if (d > size_t(op - obase)) {
        rc = kZipDamaged;
        goto done;
      }
      const uint8_t* src = op - d;
      size_t room = size_t(oend - op);
      if (room >= length + 8) {
        uint8_t* stop = op + length;
        if (d >= 8) {
          do {
            std::memcpy(op, src, 8);
            op += 8;
            src += 8;
          } while (op < stop);
        } else if (d == 1) {
          std::memset(op, *src, length);
        } else {
          // Period below 8: lay down one period-aligned head, then copy
          // words from a whole number of periods back.
          size_t step = d * ((8 + d - 1) / d);
          size_t head = std::min(length, step);
          for (size_t k = 0; k < head; ++k) op[k] = src[k];
          for (uint8_t* p = op + head; p < stop; p += 8) {
            uint64_t w;
            std::memcpy(&w, p - step, 8);
            std::memcpy(p, &w, 8);
          }
        }
        op = stop;
      } else if (room >= length) {
        for (size_t k = 0; k < length; ++k) op[k] = src[k];
        op += length;
      } else {
        rc = kZipDamaged;  // a flat buffer too small for the output
        goto done;
      }
    }
  } while (!last);

done:
  in.next = inext;
  out.pos = op;
  if (held_bits) *held_bits = count;
  if (rc == 0 && in.Overrun(count)) rc = kZipDamaged;
  return rc;
#undef REFILL
#undef FLUSH
#undef DROP
}

int64_t ZipInflateBuffer(const uint8_t* src, size_t src_size, uint8_t* dst, size_t dst_capacity) {
  TZipInput in(src, src_size);
  TZipOutput out(dst, dst_capacity);
  int rc = ZipInflate(in, out, nullptr);
  return rc ? rc : int64_t(out.pos - out.base);
}
