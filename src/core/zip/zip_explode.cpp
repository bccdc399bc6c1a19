// Decoder of "imploded" members: a sliding dictionary of 4 KB or 8 KB
// (general-purpose bit 1) with Shannon-Fano coded lengths and distances, and
// literals either coded by a third tree or stored as plain bytes (bit 2).

#include <algorithm>
#include <memory>
#include <vector>

#include "core/zip/zip_stream.h"
#include "core/zip/zip_types.h"

namespace {

constexpr unsigned kMaxBits = 16;

// One tree as a direct lookup table over kMaxBits-bit (or shorter) peeks.
struct TTree {
  unsigned bits = 0;            // table index width = longest code
  std::vector<uint32_t> table;  // (symbol << 8) | length, 0 = unused
};

// Reads a tree description: a byte giving the number of following bytes
// minus one, each byte holding (count - 1) << 4 | (length - 1).
int ReadLengths(TZipBits& in, unsigned symbols, std::vector<uint8_t>& lens) {
  lens.clear();
  int rc = in.Need(8);
  if (rc) return rc;
  unsigned n = in.Take(8) + 1;
  for (unsigned i = 0; i < n; ++i) {
    if ((rc = in.Need(8))) return rc;
    unsigned b = in.Take(8);
    unsigned count = (b >> 4) + 1, len = (b & 15) + 1;
    if (lens.size() + count > symbols) return kZipDamaged;
    lens.insert(lens.end(), count, uint8_t(len));
  }
  return lens.size() == symbols ? 0 : kZipDamaged;
}

// Shannon-Fano codes: symbols in order of ascending length (ties by symbol),
// codes handed out from the longest end upwards as 16-bit left-aligned
// values, then read bit-reversed from the stream.
int BuildTree(const std::vector<uint8_t>& lens, TTree& tree) {
  const unsigned n = unsigned(lens.size());
  std::vector<unsigned> order(n);
  for (unsigned i = 0; i < n; ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(),
                   [&](unsigned a, unsigned b) { return lens[a] < lens[b]; });
  tree.bits = lens[order[n - 1]];
  tree.table.assign(size_t(1) << tree.bits, 0);
  uint32_t code = 0, increment = 0;
  unsigned last_len = 0;
  for (unsigned k = n; k-- > 0;) {
    unsigned sym = order[k], len = lens[sym];
    code += increment;
    if (code > 0xFFFF) return kZipDamaged;
    if (len != last_len) {
      last_len = len;
      increment = 1u << (kMaxBits - len);
    }
    // Reverse the whole 16-bit code: its top `len` bits become the low ones.
    uint32_t r = 0;
    for (unsigned i = 0; i < kMaxBits; ++i) r |= ((code >> i) & 1) << (kMaxBits - 1 - i);
    for (uint32_t i = r; i < tree.table.size(); i += 1u << len) {
      if (tree.table[i]) return kZipDamaged;  // over-subscribed
      tree.table[i] = (sym << 8) | len;
    }
  }
  return 0;
}

int Decode(TZipBits& in, const TTree& tree, unsigned* sym) {
  int rc = in.Need(tree.bits);
  if (rc) return rc;
  uint32_t e = tree.table[in.Peek(tree.bits)];
  if (!e) return kZipDamaged;
  in.Drop(e & 0xFF);
  *sym = e >> 8;
  return 0;
}

}  // namespace

int ZipExplode(TZipInput& input, TZipOutput& out, uint16_t flags, uint64_t size) {
  const bool big_dict = (flags & 2) != 0;
  const bool lit_tree = (flags & 4) != 0;
  const unsigned low_bits = big_dict ? 7 : 6;
  const unsigned min_match = lit_tree ? 3 : 2;
  TZipBits in(input);
  TTree lit, len, dist;
  std::vector<uint8_t> lens;
  int rc;
  if (lit_tree) {
    if ((rc = ReadLengths(in, 256, lens)) || (rc = BuildTree(lens, lit))) return rc;
  }
  if ((rc = ReadLengths(in, 64, lens)) || (rc = BuildTree(lens, len))) return rc;
  if ((rc = ReadLengths(in, 64, lens)) || (rc = BuildTree(lens, dist))) return rc;

  uint64_t produced = 0;
  while (produced < size) {
    if (size_t(out.end - out.pos) < 64 + 255 + 3 && !out.Flat()) {
      if ((rc = out.Flush())) return rc;
    }
    if ((rc = in.Need(1))) return rc;
    if (in.Take(1)) {
      unsigned c;
      if (lit_tree) {
        if ((rc = Decode(in, lit, &c))) return rc;
      } else {
        if ((rc = in.Need(8))) return rc;
        c = in.Take(8);
      }
      if (out.pos == out.end) return kZipDamaged;
      *out.pos++ = uint8_t(c);
      ++produced;
      continue;
    }
    if ((rc = in.Need(low_bits))) return rc;
    unsigned low = in.Take(low_bits), high, length;
    if ((rc = Decode(in, dist, &high))) return rc;
    uint64_t d = ((uint64_t(high) << low_bits) | low) + 1;
    if ((rc = Decode(in, len, &length))) return rc;
    if (length == 63) {
      if ((rc = in.Need(8))) return rc;
      length += in.Take(8);
    }
    length += min_match;
    // The last match may reach past the member's end; what lies beyond is
    // never written.
    length = unsigned(std::min<uint64_t>(length, size - produced));
    if (size_t(out.end - out.pos) < length) return kZipDamaged;
    // Bytes before the start of the member read as zeros.
    uint8_t* p = out.pos;
    for (unsigned i = 0; i < length; ++i, ++p) {
      uint64_t back = d;
      *p = (produced + i >= back) ? *(p - back) : 0;
    }
    out.pos = p;
    produced += length;
  }
  return input.Overrun(in.Held()) ? kZipDamaged : 0;
}
