#include "attractor/fast_orbits.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include <boost/random/mersenne_twister.hpp>
#include <boost/random/uniform_int_distribution.hpp>
#include <boost/random/uniform_real_distribution.hpp>
#include <gtest/gtest.h>
#include <hwy/targets.h>

#include "attractor/fast_orbit_kernel.h"
#include "attractor/fast_orbits_ahead.h"
#include "attractor/hit_bands.h"
#include "attractor/run_control.h"

namespace marl {
namespace {

using Points = std::vector<std::pair<double, double>>;

constexpr uint32_t Side = 256;
// Small enough that a few million hits leave little sampling noise in the
// 4 x 4 blocks: two exact orbits of the same map correlate at about 0.99.
constexpr uint32_t PictureSide = 128;
constexpr int WarmUp = 3000;

// A map drawn as the program draws them, from a seed of the test's own.
TorusMap drawMap(uint32_t seed, int32_t detail) {
  boost::random::mt19937 engine(seed);
  boost::random::uniform_real_distribution<double> unit(0.0, 1.0);
  TorusMap map;
  map.detail = detail;
  map.linearCoefficient =
      boost::random::uniform_int_distribution<int>(-3, 3)(engine);
  map.offsetX = map.offsetY = unit(engine) < 0.5 ? 0.5 : 0.0;
  for (int32_t i = 0; i < detail; ++i)
    for (int32_t j = 0; j < detail; ++j)
      map.coefficientMatrix[i][j] = unit(engine) * 0.8 - 0.4;
  map.x = unit(engine);
  map.y = unit(engine);
  return map;
}

// The exact orbit after its warm-up, `hits` points counted as the run loop
// counts them; every spacing-th point is kept as a start for fast orbits.
Points countExactly(TorusMap& map, uint64_t hits, HitGrid& grid,
                    uint64_t spacing) {
  for (int i = 0; i < WarmUp; ++i) map.iterate();
  Points starts;
  const double side = grid.size();
  for (uint64_t i = 0; i < hits; ++i) {
    map.iterate();
    uint32_t& cell =
        grid.at(uint32_t(int32_t(side * map.y)), uint32_t(int32_t(map.x * side)));
    grid.maxCount = std::max(grid.maxCount, ++cell);
    if (i % spacing == 0 && starts.size() < FastOrbitStarts)
      starts.emplace_back(map.x, map.y);
  }
  return starts;
}

// Every cell, margin included.
// A map of the test's own, its exact orbit counted into a grid of `side`,
// and start points taken from that orbit: what most tests begin with.
struct CountedMap {
  explicit CountedMap(uint32_t side) : map(drawMap(7, 6)) {
    exact.setSize(side);
    starts = countExactly(map, 300000, exact, 293);
  }
  // The exact counts with `hits` fast hits from the starts added in one run.
  HitGrid oneRun(uint64_t hits, unsigned threads) const {
    HitGrid grid = exact;
    runFastOrbits(map, starts, hits, grid, threads);
    return grid;
  }
  TorusMap map;
  HitGrid exact;
  Points starts;
};

// Whether two grids of one side hold the same counts, margin included.
bool sameCells(const HitGrid& a, const HitGrid& b) {
  const std::size_t bytes = sizeof(uint32_t) * a.stride() * a.stride();
  return a.stride() == b.stride() && std::memcmp(a.row(0), b.row(0), bytes) == 0;
}

uint64_t totalHits(const HitGrid& grid) {
  uint64_t total = 0;
  for (uint32_t r = 0; r < grid.stride(); ++r)
    for (uint32_t c = 0; c < grid.stride(); ++c) total += grid.at(r, c);
  return total;
}

uint32_t largestCell(const HitGrid& grid) {
  uint32_t largest = 0;
  for (uint32_t r = 0; r < grid.stride(); ++r)
    for (uint32_t c = 0; c < grid.stride(); ++c)
      largest = std::max(largest, grid.at(r, c));
  return largest;
}

// Correlation of log(1 + count) over 4 x 4 blocks of the counted square.
double blockCorrelation(const HitGrid& a, const HitGrid& b) {
  std::vector<double> la, lb;
  for (uint32_t r = 0; r < a.size(); r += 4) {
    for (uint32_t c = 0; c < a.size(); c += 4) {
      double sa = 0, sb = 0;
      for (uint32_t i = 0; i < 16; ++i) {
        sa += a.at(r + i / 4, c + i % 4);
        sb += b.at(r + i / 4, c + i % 4);
      }
      la.push_back(std::log1p(sa));
      lb.push_back(std::log1p(sb));
    }
  }
  const double n = double(la.size());
  double ma = 0, mb = 0;
  for (std::size_t i = 0; i < la.size(); ++i) ma += la[i] / n, mb += lb[i] / n;
  double ab = 0, aa = 0, bb = 0;
  for (std::size_t i = 0; i < la.size(); ++i) {
    ab += (la[i] - ma) * (lb[i] - mb);
    aa += (la[i] - ma) * (la[i] - ma);
    bb += (lb[i] - mb) * (lb[i] - mb);
  }
  return ab / std::sqrt(aa * bb);
}

TEST(FastOrbitsTest, PaintsTheSameAttractorAsTheExactOrbit) {
  constexpr uint64_t Hits = 4000000;
  TorusMap map = drawMap(2, 6);
  HitGrid exact;
  exact.setSize(PictureSide);
  const Points starts = countExactly(map, Hits, exact, 997);
  ASSERT_GT(exact.filledFraction(), 0.3) << "the test map must fill the square";

  HitGrid fast;
  fast.setSize(PictureSide);
  runFastOrbits(map, starts, Hits, fast, 2);
  EXPECT_GE(blockCorrelation(exact, fast), 0.98);

  // Another map, which also fills the square, paints a different picture.
  TorusMap other = drawMap(7, 6);
  HitGrid scratch;
  scratch.setSize(PictureSide);
  const Points otherStarts = countExactly(other, 1100000, scratch, 997);
  ASSERT_GT(scratch.filledFraction(), 0.3);
  HitGrid control;
  control.setSize(PictureSide);
  runFastOrbits(other, otherStarts, Hits, control, 2);
  EXPECT_LT(blockCorrelation(exact, control), 0.8);
}

// Both ways of counting: a grid of its own per thread (small sides) and
// the shared grid's bands (large ones).
class FastOrbitsSideTest : public ::testing::TestWithParam<uint32_t> {};

TEST_P(FastOrbitsSideTest, GridIsTheSameForAnyThreadCountAndCountsEveryHit) {
  CountedMap counted(GetParam());
  TorusMap& map = counted.map;
  HitGrid& exact = counted.exact;
  const Points& starts = counted.starts;
  const uint64_t before = totalHits(exact);
  // Hits that split unevenly over chunks and over the orbits of a chunk.
  for (uint64_t hits : {uint64_t(3000037), uint64_t(1000)}) {
    std::vector<HitGrid> grids(3, exact);
    for (unsigned t = 0; t < 3; ++t) {
      std::vector<uint64_t> reports;
      runFastOrbits(map, starts, hits, grids[t], t + 1,
                    [&](uint64_t done) { reports.push_back(done); });
      EXPECT_EQ(totalHits(grids[t]), before + hits) << t + 1 << " threads";
      ASSERT_FALSE(reports.empty());
      EXPECT_TRUE(std::is_sorted(reports.begin(), reports.end()));
      EXPECT_EQ(reports.back(), hits);
    }
    EXPECT_TRUE(sameCells(grids[0], grids[1]));
    EXPECT_TRUE(sameCells(grids[0], grids[2]));
    EXPECT_EQ(grids[1].maxCount, largestCell(grids[1]));
  }
}

INSTANTIATE_TEST_SUITE_P(OwnGridsAndBands, FastOrbitsSideTest,
                         ::testing::Values(Side, 2100u));

// Counting ahead gives runFastOrbits' grid from the same starts, however
// the starts come and whatever the exact orbit writes meanwhile, and tells
// no progress before it is finished; dropped unfinished, it adds nothing.
TEST(FastOrbitsAheadTest, GivesTheGridOfOneRunAndNothingWhenDropped) {
  CountedMap counted(Side);
  TorusMap& map = counted.map;
  HitGrid& exact = counted.exact;
  const Points& starts = counted.starts;
  constexpr uint64_t Hits = 3000037;
  const HitGrid whole = counted.oneRun(Hits, 1);
  EXPECT_FALSE(FastOrbitsAhead::fits(exact, Hits, 1));
  HitGrid large;
  large.setSize(2100);
  EXPECT_FALSE(FastOrbitsAhead::fits(large, Hits, 2));
  ASSERT_TRUE(FastOrbitsAhead::fits(exact, Hits, 2));
  for (unsigned threads : {2u, 3u}) {
    HitGrid grid = exact;
    std::vector<uint64_t> reports;
    {
      FastOrbitsAhead ahead(map, grid, Hits, threads);
      for (std::size_t i = 0; i < FastOrbitStarts; ++i) {
        // The exact orbit goes on counting into the grid meanwhile.
        if (i % 100 == 0) ++grid.at(1, 1);
        ahead.addStart(starts[i].first, starts[i].second);
      }
      EXPECT_THROW(ahead.addStart(0.5, 0.5), std::logic_error);
      const FastOrbitState state =
          ahead.finish([&](uint64_t done) { reports.push_back(done); });
      EXPECT_EQ(state.hits, Hits);
    }
    grid.at(1, 1) -= 11;
    EXPECT_TRUE(sameCells(whole, grid)) << threads;
    EXPECT_EQ(whole.maxCount, grid.maxCount);
    ASSERT_FALSE(reports.empty());
    EXPECT_TRUE(std::is_sorted(reports.begin(), reports.end()));
    EXPECT_EQ(reports.back(), Hits);
  }
  for (std::size_t given : {std::size_t(0), std::size_t(100), FastOrbitStarts}) {
    HitGrid grid = exact;
    {
      FastOrbitsAhead ahead(map, grid, Hits, 2);
      for (std::size_t i = 0; i < given; ++i)
        ahead.addStart(starts[i].first, starts[i].second);
      if (given == 0) {
        EXPECT_THROW(ahead.finish(nullptr), std::logic_error);
      }
    }
    EXPECT_TRUE(sameCells(exact, grid)) << given;
  }
}

// A fast picture's grain is the same on every processor whose SIMD
// instructions fuse multiply-add (AVX2 and AVX-512 here): the lanes of a
// group step the same orbits whatever their width. Without fused
// multiply-add (SSE4 and older) the sums round otherwise.
TEST(FastOrbitsTest, GridIsTheSameOnEverySimdTargetWithFusedMultiplyAdd) {
  constexpr int64_t Fused = HWY_AVX2 | HWY_AVX3 | HWY_AVX3_DL;
  const CountedMap counted(Side);
  std::vector<HitGrid> grids;
  std::vector<std::string> names;
  for (const int64_t target : hwy::SupportedAndGeneratedTargets()) {
    if ((target & Fused) == 0) continue;
    hwy::SetSupportedTargetsForTest(target);
    grids.push_back(counted.oneRun(3000037, 2));
    names.push_back(fastKernelTarget());
  }
  hwy::SetSupportedTargetsForTest(0);
  if (grids.size() < 2)
    GTEST_SKIP() << "this processor has fewer than two such targets";
  for (std::size_t i = 1; i < grids.size(); ++i)
    EXPECT_TRUE(sameCells(grids[0], grids[i]))
        << names[0] << " against " << names[i];
}


// A run counted on in pieces, each stop leaving rounds partial in some
// chunks, gives the grid of one run to the same total on any thread count.
TEST(FastOrbitsTest, CountingOnInPiecesGivesTheGridOfOneRun) {
  CountedMap counted(Side);
  TorusMap& map = counted.map;
  HitGrid& exact = counted.exact;
  const Points& starts = counted.starts;
  constexpr uint64_t Total = 2000003;
  const HitGrid whole = counted.oneRun(Total, 2);
  const std::vector<std::vector<uint64_t>> stops = {
      {1, 17, 1025, 1000037, Total}, {64 * 16 * 3 + 5, Total}, {Total}};
  for (std::size_t s = 0; s < stops.size(); ++s) {
    HitGrid pieces = exact;
    FastOrbitState state{{starts.begin(), starts.begin() + FastOrbitStarts}, 0};
    for (uint64_t stop : stops[s]) {
      continueFastOrbits(map, state, stop, pieces, unsigned(s % 3 + 1));
      EXPECT_EQ(state.hits, stop);
    }
    // Nothing is counted for a total already reached.
    continueFastOrbits(map, state, 5, pieces, 1);
    EXPECT_TRUE(sameCells(whole, pieces))
        << "stops #" << s;
    EXPECT_EQ(whole.maxCount, pieces.maxCount);
  }
  FastOrbitState wrong{Points(FastOrbitStarts + 1), 0};
  EXPECT_THROW(continueFastOrbits(map, wrong, 10, exact, 1),
               std::invalid_argument);
}

TEST(FastOrbitsTest, TooFewStartsAreRefused) {
  HitGrid grid;
  grid.setSize(8);
  EXPECT_THROW(runFastOrbits(drawMap(7, 6), Points(FastOrbitStarts - 1), 10,
                             grid, 1),
               std::invalid_argument);
}

// One kernel step lands where the exact step does, up to rounding, and
// reports the cell of the point it reached, at every side up to the
// largest (whose whole-grid index would pass 32 bits).
// One step of each kernel from points of the exact orbit lands where the
// exact step does, to within the lanes' precision (single lanes start from
// the point rounded to a float), in the cell its point is in.
template <typename T, std::size_t Group>
void checkStepAgainstExact(double tolerance) {
  for (uint32_t side : {Side, 46342u, 65535u}) {
    for (int32_t detail : {1, 6, TorusMap::MaxDetail}) {
      TorusMap map = drawMap(7, detail);
      map.linearCoefficient = 2;
      map.offsetX = map.offsetY = 0.5;
      const FastKernelMap kernelMap(map, side);
      T xs[Group], ys[Group];
      uint32_t cells[Group];
      TorusMap exact[Group];
      for (std::size_t o = 0; o < Group; ++o) {
        for (int i = 0; i < 50; ++i) map.iterate();
        xs[o] = T(map.x);
        ys[o] = T(map.y);
        exact[o] = map;
        exact[o].x = xs[o];
        exact[o].y = ys[o];
        exact[o].iterate();
      }
      // The far corner, where the largest cell lies.
      xs[0] = ys[0] = 1;
      exact[0].x = exact[0].y = 1.0;
      exact[0].iterate();
      stepFastOrbits(kernelMap, xs, ys, Group, 1, cells);
      for (std::size_t o = 0; o < Group; ++o) {
        // Distance on the torus: a point near an edge may wrap either way.
        const double dx = std::fabs(xs[o] - exact[o].x);
        const double dy = std::fabs(ys[o] - exact[o].y);
        EXPECT_LT(std::min(dx, 1 - dx), tolerance) << "detail " << detail;
        EXPECT_LT(std::min(dy, 1 - dy), tolerance) << "detail " << detail;
        EXPECT_EQ(cellRow(cells[o]), uint32_t(T(side) * ys[o])) << side;
        EXPECT_EQ(cellColumn(cells[o]), uint32_t(xs[o] * T(side)));
      }
    }
    const FastKernelMap corner(TorusMap(), side);  // the zero map: 0 to 0
    T x[Group] = {}, y[Group] = {};
    uint32_t cells[Group];
    stepFastOrbits(corner, x, y, Group, 1, cells);
    EXPECT_EQ(cells[0], 0u);
  }
}

TEST(FastOrbitKernelTest, StepAgreesWithTheExactStep) {
  checkStepAgainstExact<double, FastKernelGroup>(1e-12);
  checkStepAgainstExact<float, FastSingleGroup>(2e-5);
}

// A cell at its largest count stays there, on every counting path; a
// thread's own 16-bit counts pass 65535 without losing a hit.
TEST(HitCountTest, CountsStopAtTheLargestInsteadOfWrapping) {
  HitGrid grid;
  grid.setSize(64);
  grid.at(3, 5) = UINT32_MAX - 1;
  HitBands bands(grid);
  HitBandBuffer buffer(bands, grid.stride());
  const uint32_t hits[3] = {packCell(3, 5), packCell(3, 5), packCell(3, 6)};
  buffer.add(hits, 3);
  buffer.flushAll();
  EXPECT_EQ(grid.at(3, 5), UINT32_MAX);
  EXPECT_EQ(grid.at(3, 6), 1u);
  EXPECT_EQ(bands.largestCount(), UINT32_MAX);

  // The exact path: an orbit resting on one cell (the zero map keeps the
  // point at the origin).
  HitGrid exactGrid;
  exactGrid.setSize(64);
  exactGrid.at(0, 0) = UINT32_MAX - 10;
  TorusMap still;
  struct : RunObserver {
    void progress(int64_t) override {}
    void fillChecked(double) override {}
    void restarted() override {}
  } quiet;
  OrbitRun run(still, exactGrid, WarmUpIterations + 100, quiet,
               MaxRejectedAttempts, OrbitRun::Judged::Already);
  run.finish();
  EXPECT_EQ(exactGrid.at(0, 0), UINT32_MAX);
  EXPECT_EQ(exactGrid.maxCount, UINT32_MAX);

  // Fast orbits of the zero map all rest on the origin's cell.
  const Points starts(FastOrbitStarts, {0.0, 0.0});
  for (const uint32_t from : {0u, 7u, UINT32_MAX - 100000}) {
    for (unsigned threads : {1u, 3u}) {
      HitGrid fast;
      fast.setSize(64);
      fast.at(0, 0) = from;
      runFastOrbits(still, starts, 3 * 65536 + 11, fast, threads);
      const uint32_t expected = from == UINT32_MAX - 100000
                                    ? UINT32_MAX
                                    : from + 3 * 65536 + 11;
      EXPECT_EQ(fast.at(0, 0), expected) << from << ", " << threads;
      EXPECT_EQ(fast.maxCount, expected);
      EXPECT_EQ(totalHits(fast), expected);
    }
  }
}

}  // namespace
}  // namespace marl
