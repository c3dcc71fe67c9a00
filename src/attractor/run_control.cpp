#include "attractor/run_control.h"

namespace marl {

namespace {

void countHit(HitGrid& grid, uint32_t* cell) {
  const uint32_t count = ++*cell;
  if (count > grid.maxCount) grid.maxCount = count;
}

}  // namespace

void runOrbit(TorusMap& map, HitGrid& grid, int32_t iterationMaximum,
              std::ostream& out, const std::function<void()>& restart) {
  const double side = double(grid.size());
  int32_t itcnt = 0;
  bool accepted = false;
  if (iterationMaximum <= 0) return;

  // The cell of a pass is a near-certain cache miss, but its address is known
  // a whole map step before it is needed: prefetch it and make the increment
  // during the next pass. The pending hit is flushed before anything reads
  // the grid, so the results are those of counting at once.
  uint32_t* pending = nullptr;
  auto flush = [&] {
    if (pending != nullptr) countHit(grid, pending);
    pending = nullptr;
  };

  do {
    map.iterate();
    const int32_t column = static_cast<int32_t>(map.x * side);
    const int32_t row = static_cast<int32_t>(side * map.y);
    uint32_t* cell = grid.row(uint32_t(row)) + column;
    __builtin_prefetch(cell, 1);
    flush();

    if (itcnt > WarmUpIterations) {
      pending = cell;
      if (!accepted && itcnt % FillCheckInterval == 0) {
        flush();
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
        flush();
        grid.refreshCountRange();
        out << "itcnt = " << itcnt << std::endl;
      }
    }
    ++itcnt;
  } while (itcnt < iterationMaximum);
  flush();
}

}  // namespace marl
