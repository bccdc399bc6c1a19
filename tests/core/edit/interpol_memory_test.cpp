// Memory running out part way through a fill is never a silent success.
// Replacing the global allocator is left to the POSIX builds (MinGW warns that
// its runtime may free such blocks with another allocator).
#ifndef _WIN32
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "core/document/document.h"
#include "core/document/edit_commands.h"
#include "core/edit/fill_voids.h"
#include "core/edit/interpol.h"
#include "support/mesh_helpers.h"

// Blocks of the size asked for: with a byte more, the sanitizer build misses writes past them.
namespace {
std::atomic<long> allocationsLeft{-1};  // negative: operator new never fails
}  // namespace

void* operator new(std::size_t size) {
  void* p = allocationsLeft.load() >= 0 && allocationsLeft.fetch_sub(1) == 0
                ? nullptr
                : std::malloc(size ? size : 1);
  if (!p) throw std::bad_alloc();
  return p;
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return std::malloc(size ? size : 1);
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }

TEST(InterpolMemory, FailedAllocationIsReported) {
  bool sawPartialRun = false;
  for (long budget = 0; budget < 400 && !sawPartialRun; ++budget) {
    TTDocument doc;  // through the command, which takes an escaping bad_alloc too
    doc.Mesh = std::make_unique<TTMesh>();
    TTMesh& m = *doc.Mesh;
    MakeMesh(m, 64, 64, 100, -32768);
    for (int32_t x = 0; x < 64 * 64; x += 128) m.SetCell(x % 64, x / 64, -32768);
    TTInterpolRun run{.Threads = 1};
    allocationsLeft = budget;
    const bool told = InterpolateCommand(doc, 3, 2.0, nullptr, &run).OutOfMemory;
    allocationsLeft = -1;
    // Either nothing happened, or everything, or the caller is told.
    EXPECT_TRUE(told ? run.OutOfMemory || m.GetCell(0, 0) == -32768 : run.Filled == 32) << budget;
    sawPartialRun |= run.OutOfMemory;
  }
  EXPECT_TRUE(sawPartialRun);
  // The same through the fill's options, whose region pass allocates first.
  for (TFillMethod method : {TFillMethod::Idw, TFillMethod::Spline})
    for (long budget = 0; budget < 40; ++budget) {
      TTMesh m;
      MakeMesh(m, 32, 32, 100, -32768), m.SetCell(10, 10, -32768);
      TTFillRequest q{.Method = method, .Options = {.InteriorOnly = true}};
      TTFillRun run;
      bool ok = false;
      allocationsLeft = budget;
      try {
        ok = FillVoids(m, m.GridRect, nullptr, q, nullptr, &run);
      } catch (const std::bad_alloc&) {
      }
      allocationsLeft = -1;
      EXPECT_TRUE(!ok || run.Filled == 1) << budget;
    }
}

#endif
