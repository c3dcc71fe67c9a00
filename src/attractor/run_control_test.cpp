#include "attractor/run_control.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <functional>
#include <limits>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

namespace marl {
namespace {

// Every cell, margin included.
uint64_t totalHits(const HitGrid& grid) {
  const uint32_t side = grid.size() + HitGrid::GridMargin;
  uint64_t total = 0;
  for (uint32_t r = 0; r < side; ++r)
    for (uint32_t c = 0; c < side; ++c) total += grid.at(r, c);
  return total;
}

uint32_t largestCell(const HitGrid& grid) {
  const uint32_t side = grid.size() + HitGrid::GridMargin;
  uint32_t largest = 0;
  for (uint32_t r = 0; r < side; ++r)
    for (uint32_t c = 0; c < side; ++c)
      largest = std::max(largest, grid.at(r, c));
  return largest;
}

std::string formatReal(double value) {
  std::ostringstream text;
  text << value;
  return text.str();
}

// Falls onto (0, 0) at the first step and stays there.
TorusMap fixedPointMap() {
  TorusMap map;
  map.detail = 2;
  map.x = 0.3;
  map.y = 0.6;
  return map;
}

// Expanding, so its orbit spreads over the whole square.
TorusMap spreadingMap() {
  TorusMap map;
  map.detail = 2;
  map.linearCoefficient = 3.0;
  map.offsetX = map.offsetY = 0.5;
  map.coefficientMatrix[0][0] = 0.21;
  map.coefficientMatrix[0][1] = -0.13;
  map.coefficientMatrix[1][0] = 0.05;
  map.coefficientMatrix[1][1] = 0.33;
  map.x = 0.1234;
  map.y = 0.4321;
  return map;
}

// Alternates between (0.5, 0.5) and (1.0, 1.0); the latter lands in the
// margin.
TorusMap marginMap() {
  TorusMap map;
  map.detail = 2;
  map.linearCoefficient = 1.0;
  map.offsetX = map.offsetY = 0.5;
  map.x = map.y = 0.5;
  return map;
}

HitGrid gridOfSide(uint32_t side) {
  HitGrid grid;
  grid.setSize(side);
  return grid;
}

// The whole run with its console lines on `out`.
void runPrinting(TorusMap& map, HitGrid& grid, int64_t maximum,
                 std::ostream& out, const std::function<void()>& restart) {
  ConsoleRunObserver printer(out);
  runOrbit(map, grid, maximum, printer, restart);
}

const std::function<void()> mustNotRestart = [] {
  ADD_FAILURE() << "unexpected restart";
};

TEST(RunOrbitTest, NonPositiveMaximumDoesNothing) {
  for (int64_t maximum : {int64_t(0), int64_t(-1), int64_t(std::numeric_limits<int32_t>::min())}) {
    TorusMap map = spreadingMap();
    HitGrid grid = gridOfSide(8);
    std::ostringstream out;
    runPrinting(map, grid, maximum, out, mustNotRestart);
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(totalHits(grid), 0u);
    EXPECT_EQ(grid.maxCount, 0u);
    EXPECT_EQ(map.x, spreadingMap().x);
    EXPECT_EQ(map.y, spreadingMap().y);
  }
}

TEST(RunOrbitTest, WarmUpIsNotCounted) {
  for (int32_t maximum : {1, 3001, 3002, 3003}) {
    TorusMap map = spreadingMap();
    HitGrid grid = gridOfSide(8);
    std::ostringstream out;
    runPrinting(map, grid, maximum, out, mustNotRestart);
    const uint64_t expected = maximum > 3001 ? uint64_t(maximum - 3001) : 0;
    EXPECT_EQ(totalHits(grid), expected) << "maximum " << maximum;
    EXPECT_EQ(grid.maxCount, largestCell(grid));
    EXPECT_EQ(out.str(), "");
  }
}

TEST(RunOrbitTest, PointsOnTheUpperEdgeAreCountedInTheMargin) {
  TorusMap map = marginMap();
  HitGrid grid = gridOfSide(4);
  std::ostringstream out;
  runPrinting(map, grid, 5001, out, mustNotRestart);
  // Odd steps sit at (0.5, 0.5), even ones at (1.0, 1.0).
  EXPECT_EQ(grid.at(2, 2), 1000u);
  EXPECT_EQ(grid.at(4, 4), 1000u);
  EXPECT_EQ(totalHits(grid), 2000u);
  EXPECT_EQ(grid.maxCount, 1000u);
  EXPECT_EQ(grid.filledFraction(), 1.0 / 16);
}

// Up to 1,000,000 iterations nothing is judged, however poor the fill.
TEST(RunOrbitTest, NoFillCheckUpToOneMillion) {
  TorusMap map = fixedPointMap();
  HitGrid grid = gridOfSide(16);
  std::ostringstream out;
  runPrinting(map, grid, 1000000, out, mustNotRestart);
  EXPECT_EQ(out.str(), "");
  EXPECT_EQ(grid.at(0, 0), 1000000u - 3001u);
  EXPECT_EQ(grid.maxCount, 1000000u - 3001u);
  EXPECT_EQ(totalHits(grid), 1000000u - 3001u);
}

TEST(RunOrbitTest, FilledAttemptIsAcceptedAndCountsItsWholeWindow) {
  TorusMap map = spreadingMap();
  HitGrid grid = gridOfSide(16);
  std::ostringstream out;
  runPrinting(map, grid, 1000001, out, mustNotRestart);
  // The check is the last pass, so the grid still shows what it judged.
  const double fill = grid.filledFraction();
  EXPECT_GE(fill, FillThreshold);
  EXPECT_EQ(out.str(), "itcnt = 1000000\nfillval = " + formatReal(fill) + "\n");
  EXPECT_EQ(totalHits(grid), 997000u);
  EXPECT_EQ(grid.maxCount, largestCell(grid));
}

TEST(RunOrbitTest, UnfilledAttemptIsClearedAndRestarted) {
  TorusMap map = fixedPointMap();
  HitGrid grid = gridOfSide(16);
  std::ostringstream out;
  int restarts = 0;
  runPrinting(map, grid, 1000001, out, [&] {
    ++restarts;
    map = spreadingMap();
  });
  EXPECT_EQ(restarts, 1);
  const double fill = grid.filledFraction();
  EXPECT_EQ(out.str(),
            "itcnt = 1000000\n"
            "fillval = 0.00390625\n"  // one cell of 256
            "Reseting as unfilled\n"
            "itcnt = 1000000\n"
            "fillval = " + formatReal(fill) + "\n");
  // Only the second attempt's hits remain, counted from its step 3001.
  EXPECT_EQ(totalHits(grid), 997000u);
  EXPECT_EQ(grid.maxCount, largestCell(grid));
}

TEST(RunOrbitTest, AcceptedRunReportsEveryTenMillion) {
  TorusMap map = spreadingMap();
  HitGrid grid = gridOfSide(16);
  std::ostringstream out;
  runPrinting(map, grid, 10000001, out, mustNotRestart);
  const std::string text = out.str();
  const std::string tail = "\nitcnt = 10000000\n";
  ASSERT_GE(text.size(), tail.size());
  EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
  EXPECT_EQ(text.rfind("itcnt = 1000000\nfillval = ", 0), 0u);
  EXPECT_EQ(totalHits(grid), 10000001u - 3001u);
  EXPECT_EQ(grid.maxCount, largestCell(grid));
}

// The run loop in its plainest order: count at once, no prefetch.
void plainRunOrbit(TorusMap& map, HitGrid& grid, int32_t iterationMaximum,
                   std::ostream& out, const std::function<void()>& restart) {
  const double side = double(grid.size());
  int32_t itcnt = 0;
  bool accepted = false;
  if (iterationMaximum <= 0) return;
  do {
    map.iterate();
    const int32_t column = int32_t(map.x * side);
    const int32_t row = int32_t(side * map.y);
    if (itcnt > WarmUpIterations) {
      uint32_t& cell = grid.at(row, column);
      ++cell;
      if (cell > grid.maxCount) grid.maxCount = cell;
      if (!accepted && itcnt % FillCheckInterval == 0) {
        out << "itcnt = " << itcnt << std::endl;
        const double fillval = grid.filledFraction();
        out << "fillval = " << fillval << std::endl;
        if (fillval < FillThreshold) {
          grid.clearHits();
          restart();
          itcnt = 0;
          out << "Reseting as unfilled" << std::endl;
        } else {
          accepted = true;
        }
      } else if (accepted && itcnt % RefreshInterval == 0) {
        grid.refreshCountRange();
        out << "itcnt = " << itcnt << std::endl;
      }
    }
    ++itcnt;
  } while (itcnt < iterationMaximum);
}

struct Scenario {
  TorusMap (*start)();
  uint32_t side;
  int32_t maximum;
};

TEST(RunOrbitTest, DeferredCountingMatchesThePlainLoop) {
  const Scenario scenarios[] = {
      {fixedPointMap, 16, 1000123},  // a restart, then acceptance
      {spreadingMap, 7, 1000000},    // no check at all
      {marginMap, 5, 4000},          // margin hits
      {spreadingMap, 1, 3002},       // a single counted hit
  };
  for (const Scenario& scenario : scenarios) {
    TorusMap fastMap = scenario.start(), plainMap = scenario.start();
    HitGrid fastGrid = gridOfSide(scenario.side);
    HitGrid plainGrid = gridOfSide(scenario.side);
    std::ostringstream fastOut, plainOut;
    int fastRestarts = 0, plainRestarts = 0;
    runPrinting(fastMap, fastGrid, scenario.maximum, fastOut, [&] {
      ++fastRestarts;
      fastMap = spreadingMap();
    });
    plainRunOrbit(plainMap, plainGrid, scenario.maximum, plainOut, [&] {
      ++plainRestarts;
      plainMap = spreadingMap();
    });
    SCOPED_TRACE("side " + std::to_string(scenario.side));
    EXPECT_EQ(fastOut.str(), plainOut.str());
    EXPECT_EQ(fastRestarts, plainRestarts);
    EXPECT_EQ(fastGrid.maxCount, plainGrid.maxCount);
    EXPECT_EQ(fastMap.x, plainMap.x);
    EXPECT_EQ(fastMap.y, plainMap.y);
    const uint32_t side = scenario.side + HitGrid::GridMargin;
    for (uint32_t r = 0; r < side; ++r)
      for (uint32_t c = 0; c < side; ++c)
        ASSERT_EQ(fastGrid.at(r, c), plainGrid.at(r, c)) << r << "," << c;
  }
}

struct RecordingObserver : RunObserver {
  std::string events;
  void progress(int64_t n) override { events += "p" + std::to_string(n); }
  void fillChecked(double) override { events += "f"; }
  void restarted() override { events += "r"; }
  void accepted() override { events += "a"; }
};

// The events a batch or a recipe writer relies on, with the run stopped at
// the judgement and resumed later.
TEST(RunOrbitTest, StopsAtAcceptanceAndResumes) {
  RecordingObserver recorder;
  TorusMap map = fixedPointMap();
  HitGrid grid = gridOfSide(16);
  OrbitRun run(map, grid, 1005000, recorder);
  ASSERT_EQ(run.runAttempt(), OrbitRun::Outcome::Rejected);
  map = spreadingMap();
  run.restart();
  ASSERT_EQ(run.runAttempt(), OrbitRun::Outcome::Accepted);
  EXPECT_EQ(recorder.events, "p1000000frp1000000fa");
  EXPECT_EQ(totalHits(grid), 997000u);
  run.finish();
  EXPECT_EQ(totalHits(grid), 1005000u - 3001u);
  EXPECT_EQ(grid.maxCount, largestCell(grid));
}

// However poorly every map fills, the run ends: after the allowed number of
// rejections the next attempt is kept.
TEST(RunOrbitTest, KeepsAnAttemptAfterTooManyRejections) {
  struct Counter : RunObserver {
    int restarts = 0, kept = 0;
    void progress(int64_t) override {}
    void fillChecked(double) override {}
    void restarted() override { ++restarts; }
    void accepted() override { ++kept; }
  } counter;
  TorusMap map = fixedPointMap();
  HitGrid grid = gridOfSide(16);
  OrbitRun run(map, grid, 1000001, counter, 2);
  while (run.runAttempt() == OrbitRun::Outcome::Rejected) {
    map = fixedPointMap();
    run.restart();
  }
  EXPECT_EQ(counter.restarts, 2);
  EXPECT_EQ(counter.kept, 1);
  EXPECT_TRUE(run.keptUnfilled());
  EXPECT_EQ(totalHits(grid), 997000u);
}

// A progress display counts map steps, thrown-away attempts included; the
// count is whole at every stop, not only in blocks.
TEST(RunOrbitTest, CountsEveryMapStep) {
  TorusMap map = fixedPointMap();
  HitGrid grid = gridOfSide(16);
  RecordingObserver observer;
  std::atomic<int64_t> steps{5};
  OrbitRun run(map, grid, 1005000, observer);
  run.countStepsInto(&steps);
  ASSERT_EQ(run.runAttempt(), OrbitRun::Outcome::Rejected);
  EXPECT_EQ(steps, 5 + 1000001);  // steps 0 to 1,000,000
  map = spreadingMap();
  run.restart();
  ASSERT_EQ(run.runAttempt(), OrbitRun::Outcome::Accepted);
  EXPECT_EQ(steps, 5 + 2000001);  // the new attempt counts from 1
  run.finish();
  EXPECT_EQ(steps, 5 + 2005000);
}

}  // namespace
}  // namespace marl
