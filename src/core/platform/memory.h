#pragma once

#include <cstddef>
#include <cstdint>

// A block for a large grid of samples. Large blocks are aligned to 2 MB and
// asked to use huge pages where the system offers them: fewer page faults
// while a big mesh is first written and fewer TLB misses in every pass over
// it. Null when out of memory; freed with std::free.
void* AllocateLargeBlock(size_t bytes);

// The machine's physical memory in bytes; 0 when the system does not say.
uint64_t PhysicalMemoryBytes();
