// Memory running out part way through a fill is never a silent success.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "core/edit/interpol.h"
#include "support/mesh_helpers.h"

namespace {
// Allocations left before operator new fails; negative: never fails.
std::atomic<long> allocationsLeft{-1};
}  // namespace

void* operator new(std::size_t size) {
  if (allocationsLeft.load() >= 0 && allocationsLeft.fetch_sub(1) == 0) throw std::bad_alloc();
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return operator new(size);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

TEST(InterpolMemory, FailedAllocationIsReported) {
  bool sawPartialRun = false;
  for (long budget = 0; budget < 400 && !sawPartialRun; ++budget) {
    TTMesh m;
    MakeMesh(m, 64, 64, 100, -32768);
    for (int32_t y = 0; y < 64; y += 2)
      for (int32_t x = 0; x < 64; ++x) m.SetCell(x, y, -32768);
    TTInterpolRun run;
    run.Threads = 1;
    allocationsLeft = budget;
    bool ok = false;
    try {  // the callers also take an escaping bad_alloc as "storage cannot be had"
      ok = InterpolNearestNei(m, m.GridRect, 3, nullptr, nullptr, 2.0, &run);
    } catch (const std::bad_alloc&) {
    }
    allocationsLeft = -1;
    // Either nothing happened, or everything, or the caller is told.
    if (ok && !run.OutOfMemory) {
      EXPECT_EQ(run.Filled, 32 * 64) << budget;
    }
    if (!ok) {
      EXPECT_EQ(m.GetCell(5, 0), -32768) << budget;
    }
    sawPartialRun |= ok && run.OutOfMemory;
  }
  EXPECT_TRUE(sawPartialRun);
}
