#include "core/zip/zip_stream.h"

#include <algorithm>
#include <utility>

#include "core/zip/zip_crc.h"
#include "core/zip/zip_types.h"

TZipInput::TZipInput(std::FILE* file, uint64_t size, TZipActivity* activity)
    : file_(file),
      activity_(activity),
      size_(size),
      remaining_(size),
      buf_(new uint8_t[kChunk + 64]) {
  start_ = next = end = buf_.get();
}

TZipInput::TZipInput(const uint8_t* data, size_t size)
    : size_(size), remaining_(0), buf_(new uint8_t[kChunk + 64]) {
  start_ = next = data;
  end = data + size;
}

int TZipInput::Refill() {
  if (remaining_ == 0 && padded_) return kZipDamaged;
  // Keep the unread bytes (at most a few, decoders refill when nearly empty).
  size_t keep = size_t(end - next);
  if (keep > 64) return 0;  // still plenty: nothing to do
  dropped_ += uint64_t(next - start_);
  uint8_t* buf = buf_.get();
  std::memmove(buf, next, keep);
  start_ = next = buf;
  size_t have = keep;
  if (remaining_ > 0) {
    size_t want = size_t(std::min<uint64_t>(remaining_, kChunk));
    if (activity_) {
      int rc = activity_->Tick();
      if (rc) return rc;
    }
    size_t got = std::fread(buf + have, 1, want, file_);
    if (got != want) return kZipReadError;
    remaining_ -= want;
    have += want;
  } else {
    std::memset(buf + have, 0, kPad);
    have += kPad;
    padded_ = true;
  }
  end = buf + have;
  return 0;
}

TZipOutput::TZipOutput(std::FILE* file, uint64_t limit, TZipActivity* activity)
    : file_(file), activity_(activity), limit_(limit), buf_(new uint8_t[kWindow + kBlock]) {
  base = pos = pending_ = buf_.get();
  end = base + kWindow + kBlock;
}

TZipOutput::TZipOutput(TSink sink, uint64_t limit, TZipActivity* activity)
    : sink_(std::move(sink)),
      activity_(activity),
      limit_(limit),
      buf_(new uint8_t[kWindow + kBlock]) {
  base = pos = pending_ = buf_.get();
  end = base + kWindow + kBlock;
}

TZipOutput::TZipOutput(uint8_t* dst, size_t capacity) : limit_(capacity) {
  base = pos = pending_ = dst;
  end = last_ = dst + capacity;
}

TZipOutput::TZipOutput(uint8_t* dst, size_t capacity, TZipActivity* activity)
    : activity_(activity), limit_(capacity) {
  base = pos = pending_ = dst;
  last_ = dst + capacity;
  end = dst + std::min(capacity, kBlock);
}

int TZipOutput::WritePending() {
  size_t n = size_t(pos - pending_);
  if (n == 0) return 0;
  if (written_ + n > limit_) return kZipDamaged;  // bounded: never past the declared size
  crc_ = ZipCrc32(crc_, pending_, n);
  if (file_ && std::fwrite(pending_, 1, n, file_) != n) return kZipWriteError;
  if (sink_ && !sink_(pending_, n)) return kZipWriteError;
  written_ += n;
  pending_ = pos;
  return 0;
}

int TZipOutput::Flush() {
  if (Flat()) return kZipDamaged;  // the caller's buffer is full
  int rc = WritePending();
  if (rc) return rc;
  if (activity_) {
    rc = activity_->Tick();
    if (rc) return rc;
  }
  if (!file_ && !sink_) {
    // Stepped: the history is the buffer itself, the next step follows on.
    end += std::min(size_t(last_ - end), kBlock);
    return 0;
  }
  size_t keep = std::min<size_t>(size_t(pos - base), kWindow);
  uint8_t* buf = buf_.get();
  std::memmove(buf, pos - keep, keep);
  base = buf;
  pos = pending_ = buf + keep;
  return 0;
}

int TZipOutput::Finish() { return WritePending(); }

int ZipCopyStored(TZipInput& in, TZipOutput& out, uint64_t size) {
  uint64_t left = size;
  while (left > 0) {
    if (in.next == in.end) {
      int rc = in.Refill();
      if (rc) return rc;
    }
    if (out.pos == out.end) {
      int rc = out.Flush();
      if (rc) return rc;
    }
    size_t n = size_t(std::min<uint64_t>(left, uint64_t(in.end - in.next)));
    n = std::min(n, size_t(out.end - out.pos));
    std::memcpy(out.pos, in.next, n);
    out.pos += n;
    in.next += n;
    left -= n;
  }
  return in.Overrun(0) ? kZipDamaged : 0;
}

int64_t ZipDecodeBuffer(uint16_t method, uint16_t flags, const uint8_t* src, size_t src_size,
                        uint8_t* dst, size_t dst_capacity) {
  TZipInput in(src, src_size);
  TZipOutput out(dst, dst_capacity);
  int rc;
  switch (method) {
    case kZipStored:
      if (src_size > dst_capacity) return kZipDamaged;
      rc = ZipCopyStored(in, out, src_size);
      break;
    case kZipShrunk:
      rc = ZipUnshrink(in, out, dst_capacity);
      break;
    case kZipImploded:
      rc = ZipExplode(in, out, flags, dst_capacity);
      break;
    case kZipDeflated:
      rc = ZipInflate(in, out, nullptr);
      break;
    default:
      return kZipUnsupported;
  }
  return rc ? rc : int64_t(out.pos - out.base);
}
