#pragma once

// Buffers shared by the member decoders of the ZIP reader: a bounded input
// over the compressed bytes of one member and an output window that doubles
// as the decoders' history. Both report failure by the reader's result codes.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>

class TTProgress;

// Once per buffer the reader lets the front end process its events, notes the
// time for the busy guard and looks for an abort (Esc).
class TZipActivity {
 public:
  explicit TZipActivity(TTProgress* progress) : progress_(progress) {}
  int Tick();  // 0, or -5 when the user asked to abort

 private:
  TTProgress* progress_;
};

// The compressed bytes of one member. The window [next, end) is what the
// decoder may read; Refill() keeps the unread part and appends more. Past the
// member's end it appends kPad zero bytes once, so that decoders can read
// ahead freely; running out of those as well is damaged data.
class TZipInput {
 public:
  static constexpr size_t kChunk = 65536;
  static constexpr size_t kPad = 16;

  // `size` bytes from the current position of `file`.
  TZipInput(std::FILE* file, uint64_t size, TZipActivity* activity);
  // `size` bytes in memory (no copy until the very end).
  TZipInput(const uint8_t* data, size_t size);

  const uint8_t* next = nullptr;
  const uint8_t* end = nullptr;

  int Refill();  // 0, -3 read error, -4 ran past the end, -5 aborted

  uint64_t Size() const { return size_; }
  // Bytes handed out up to `next`, zero padding included.
  uint64_t Offset() const { return dropped_ + uint64_t(next - start_); }
  // Whole bytes of the member used when `held_bits` bits are still unused
  // in the decoder's bit buffer; more than Size() means the data ended early.
  uint64_t Used(unsigned held_bits) const { return Offset() - held_bits / 8; }
  bool Overrun(unsigned held_bits) const { return Offset() * 8 - held_bits > size_ * 8; }

 private:
  std::FILE* file_ = nullptr;
  TZipActivity* activity_ = nullptr;
  uint64_t size_ = 0;
  uint64_t remaining_ = 0;  // not yet read from the file
  uint64_t dropped_ = 0;    // bytes before start_
  const uint8_t* start_ = nullptr;
  bool padded_ = false;
  std::unique_ptr<uint8_t[]> buf_;
};

// Output with history. Decoders write at `pos` up to `end` and may look back
// to `base`. In file mode Flush() writes what is pending (CRC included) and
// keeps the last kWindow bytes as history; in flat mode the caller's buffer
// is the whole output and Flush() fails when it is full. In stepped mode the
// caller's buffer is handed out kBlock bytes at a time, each checked into the
// CRC while it is still in the cache; the last step is flat. In sink mode
// each block goes to a function instead of a file.
class TZipOutput {
 public:
  static constexpr size_t kWindow = 32768;
  static constexpr size_t kBlock = size_t(1) << 20;

  // Writes to `file`; more than `limit` bytes is damaged data.
  TZipOutput(std::FILE* file, uint64_t limit, TZipActivity* activity);
  // Writes to memory, at most `capacity` bytes.
  TZipOutput(uint8_t* dst, size_t capacity);
  // Writes to memory in steps, at most `capacity` bytes.
  TZipOutput(uint8_t* dst, size_t capacity, TZipActivity* activity);
  // Hands the blocks to `sink` (false from it: write error), at most `limit` bytes.
  using TSink = std::function<bool(const uint8_t* data, size_t size)>;
  TZipOutput(TSink sink, uint64_t limit, TZipActivity* activity);

  uint8_t* base = nullptr;
  uint8_t* pos = nullptr;
  uint8_t* end = nullptr;

  // No Flush() will make room: the caller's buffer ends at `end`.
  bool Flat() const { return !file_ && !sink_ && end == last_; }
  int Flush();   // 0, -2 write error, -4 over the limit or full, -5 aborted
  int Finish();  // writes what is pending
  uint64_t Total() const { return written_ + uint64_t(pos - pending_); }
  uint32_t Crc() const { return crc_; }

 private:
  int WritePending();

  std::FILE* file_ = nullptr;
  TSink sink_;
  TZipActivity* activity_ = nullptr;
  uint64_t limit_ = 0;
  uint64_t written_ = 0;
  uint32_t crc_ = 0;
  uint8_t* pending_ = nullptr;
  uint8_t* last_ = nullptr;  // the end of the caller's buffer
  std::unique_ptr<uint8_t[]> buf_;
};

inline uint64_t ZipLoad64(const uint8_t* p) {
  uint64_t v;
  std::memcpy(&v, p, 8);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
  v = __builtin_bswap64(v);
#endif
  return v;
}

// A plain LSB-first bit reader over TZipInput for the decoders that need no
// speed tricks (shrink, implode, the headers of deflate).
class TZipBits {
 public:
  explicit TZipBits(TZipInput& in) : in_(in) {}
  // Makes at least n (<= 56) bits available.
  int Need(unsigned n) {
    while (count_ < n) {
      if (in_.next == in_.end) {
        int rc = in_.Refill();
        if (rc) return rc;
        continue;
      }
      bits_ |= uint64_t(*in_.next++) << count_;
      count_ += 8;
    }
    return 0;
  }
  uint32_t Peek(unsigned n) const { return uint32_t(bits_ & ((uint64_t(1) << n) - 1)); }
  void Drop(unsigned n) {
    bits_ >>= n;
    count_ -= n;
  }
  uint32_t Take(unsigned n) {
    uint32_t v = Peek(n);
    Drop(n);
    return v;
  }
  unsigned Held() const { return count_; }
  // Bits of the member not yet consumed.
  uint64_t BitsLeft() const {
    uint64_t used = in_.Offset() * 8 - count_;
    return used >= in_.Size() * 8 ? 0 : in_.Size() * 8 - used;
  }

 private:
  TZipInput& in_;
  uint64_t bits_ = 0;
  unsigned count_ = 0;
};

// The member decoders. Each returns 0 or a result code; on return
// `*held_bits` (where asked) tells how many bits of the input were read ahead.
int ZipCopyStored(TZipInput& in, TZipOutput& out, uint64_t size);
int ZipInflate(TZipInput& in, TZipOutput& out, unsigned* held_bits);
int ZipUnshrink(TZipInput& in, TZipOutput& out, uint64_t size);
int ZipExplode(TZipInput& in, TZipOutput& out, uint16_t flags, uint64_t size);

// One member's data decoded from memory into memory by method (0, 1, 6 or 8)
// and general-purpose flags; shrink and implode stop at `dst_capacity` bytes.
// The number of bytes produced, or a negative result code (fuzzing, tests).
int64_t ZipDecodeBuffer(uint16_t method, uint16_t flags, const uint8_t* src, size_t src_size,
                        uint8_t* dst, size_t dst_capacity);

// Raw deflate from memory into memory (benchmarks and tests): the number of
// bytes produced, or a negative result code.
int64_t ZipInflateBuffer(const uint8_t* src, size_t src_size, uint8_t* dst, size_t dst_capacity);
