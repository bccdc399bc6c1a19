#pragma once

#include <cstddef>
#include <cstdint>

// A block for a large grid of samples. Large blocks are aligned to 2 MB and
// asked to use huge pages where the system offers them: fewer page faults
// while a big mesh is first written and fewer TLB misses in every pass over
// it. Null when out of memory; freed with std::free. `hugeFrom`: the size
// from which the huge-page treatment applies (working buffers that are
// written once and read a few times gain from it at a few megabytes).
void* AllocateLargeBlock(size_t bytes, size_t hugeFrom = size_t(64) << 20);

// The machine's physical memory in bytes; 0 when the system does not say.
uint64_t PhysicalMemoryBytes();
