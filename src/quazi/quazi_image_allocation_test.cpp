// The tiling picture with memory running out at each of its allocations in
// turn: every Cairo surface, context and pattern is freed on the way out.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <cairo.h>

#include "support/failing_allocation.h"
#include "support/painted_tiling.h"

namespace marl {
namespace {

TEST(QuaziImageAllocationTest, EveryFailedAllocationFreesTheCairoObjects) {
  Bitmap attractor(120, 120);
  for (int y = 0; y < 120; ++y)
    for (int x = 0; x < 120; ++x)
      attractor.row(y)[x] = 0xFF000000u | uint32_t(x * 2) << 8 | uint32_t(y);
  cairo_surface_mark_dirty(attractor.surface());
  // A small view scale shrinks the picture first, in several passes.
  const QuaziSettings settings = {5, 90, 45, 45, 0.05, 0.05};
  const std::vector<double> spacings = {0.1, 0.3, 0.5, 0.7, 0.9};
  EXPECT_GT(marl_test::failEachAllocation("tiling", true, [&] {
              std::string error;
              return marl_test::paintedTiling(attractor, settings, spacings,
                                             error) != nullptr;
            }),
            0);
  EXPECT_TRUE(marl_test::noLeaks());
}

}  // namespace
}  // namespace marl
