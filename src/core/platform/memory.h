#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

// A block for a large grid (samples, an image, a working buffer). Blocks of
// 2 MB or more are aligned to 2 MB and asked to use huge pages where the
// system offers them: one page fault per 2 MB instead of 512 while a grid is
// first written (on some virtual machines each fault costs microseconds, so
// a tile's mesh took 75 ms of faults to a 3 ms read), and fewer TLB misses
// in every pass over it. Null when out of memory. Freed with
// FreeLargeBlock and the same size.
void* AllocateLargeBlock(size_t bytes);

// Such blocks freed up to kKeptLargeBytes in all are kept and handed out
// again for a block of about their size, so that reopening a tile finds its
// pages ready, as the C library does with its own heap; a request that
// fits none of them releases them first.
inline constexpr size_t kKeptLargeBytes = size_t(48) << 20;
void FreeLargeBlock(void* p, size_t bytes);

// Owns a block of AllocateLargeBlock.
struct TLargeBlockFree {
  size_t Bytes = 0;
  void operator()(void* p) const { FreeLargeBlock(p, Bytes); }
};
template <class T>
using TTLargeBlock = std::unique_ptr<T[], TLargeBlockFree>;
template <class T>
TTLargeBlock<T> AllocateLargeArray(size_t count) {
  return TTLargeBlock<T>(static_cast<T*>(AllocateLargeBlock(count * sizeof(T))),
                         TLargeBlockFree{count * sizeof(T)});
}

// The machine's physical memory in bytes; 0 when the system does not say.
uint64_t PhysicalMemoryBytes();
