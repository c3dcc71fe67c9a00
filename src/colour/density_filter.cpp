#include "colour/density_filter.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "base/worker_pool.h"
#include "colour/mirror_pool.h"

namespace marl {

namespace {

// Finest unit a hit is split into; more would only cost range.
constexpr uint32_t MostCountsPerHit = 4096;
// Kernel radii are rounded to this fraction of a cell, so that a few dozen
// kernels serve every count.
constexpr double RadiusSteps = 8.0;
// Densities looked up one by one; one above them (only when the curve is
// so flat that they all still spread) takes the last one's kernel.
constexpr uint32_t MostTabledCounts = 1u << 16;
// A cell's density is its neighbourhood's hits, (2 Around + 1)^2 cells:
// its own count is too noisy to judge by (a cell that caught a few hits
// more than its neighbours by chance would stay a sharp speck).
constexpr uint32_t Around = 2;
constexpr uint32_t BoxCells = (2 * Around + 1) * (2 * Around + 1);
constexpr uint32_t DefaultBandRows = 128;

struct Tap {
  int32_t row;
  int32_t column;
  uint32_t weight;
};

// A disc of radius steps / RadiusSteps cells, its weights a smooth bump
// (1 - d^2 / h^2)^2 over the reach h half a cell beyond the radius,
// quantised to integers summing to exactly `unit`: what rounding leaves
// goes to the centre.
std::vector<Tap> discKernel(uint32_t steps, uint32_t unit, uint32_t& reach) {
  const double h = double(steps) / RadiusSteps + 0.5;
  const int32_t r = int32_t(std::ceil(h)) - 1;
  reach = std::max(reach, uint32_t(r));
  std::vector<Tap> taps;
  std::vector<double> bumps;
  double total = 0.0;
  for (int32_t dy = -r; dy <= r; ++dy) {
    for (int32_t dx = -r; dx <= r; ++dx) {
      const double q = 1.0 - double(dy * dy + dx * dx) / (h * h);
      if (q <= 0.0) continue;
      taps.push_back({dy, dx, 0});
      bumps.push_back(q * q);
      total += q * q;
    }
  }
  uint32_t given = 0;
  Tap* centre = nullptr;
  for (std::size_t i = 0; i < taps.size(); ++i) {
    taps[i].weight = uint32_t(double(unit) * bumps[i] / total);
    given += taps[i].weight;
    if (taps[i].row == 0 && taps[i].column == 0) centre = &taps[i];
  }
  centre->weight += unit - given;
  taps.erase(std::remove_if(taps.begin(), taps.end(),
                            [](const Tap& t) { return t.weight == 0; }),
             taps.end());
  return taps;
}

// The kernel of every neighbourhood's hits, by its rounded radius; index
// 0 keeps the hits in their cell.
class Kernels {
 public:
  // Counts are `perHit` to a hit, and each kernel's weights sum to `unit`.
  Kernels(const DensityFilter& filter, uint32_t perHit, uint32_t unit)
      : kernels_(1) {
    const double radius = std::min(filter.radius, double(DensityReachLimit));
    std::vector<int32_t> indexOfSteps;
    for (uint32_t count = 1; count < MostTabledCounts; ++count) {
      const double mean =
          std::max(1.0, double(count) / (double(BoxCells) * perHit));
      const double width = radius * std::pow(mean, -filter.curve);
      const uint32_t steps = uint32_t(std::lround(width * RadiusSteps));
      if (double(steps) <= RadiusSteps * 0.5) break;  // and so every count above
      if (steps >= indexOfSteps.size()) indexOfSteps.resize(steps + 1, -1);
      if (indexOfSteps[steps] < 0) {
        indexOfSteps[steps] = int32_t(kernels_.size());
        kernels_.push_back(discKernel(steps, unit, reach_));
      }
      if (byCount_.empty()) byCount_.push_back(0);
      byCount_.push_back(uint16_t(indexOfSteps[steps]));
    }
    if (byCount_.size() == MostTabledCounts) tail_ = byCount_.back();
  }

  // The kernel of a cell whose neighbourhood holds `hits`; empty: the
  // count stays in its cell.
  const std::vector<Tap>& of(uint64_t hits) const {
    return kernels_[hits < byCount_.size() ? byCount_[hits] : tail_];
  }
  uint32_t reach() const { return reach_; }

 private:
  std::vector<std::vector<Tap>> kernels_;
  std::vector<uint16_t> byCount_;
  uint16_t tail_ = 0;
  uint32_t reach_ = 0;
};

uint32_t saturated(uint64_t value) {
  return value > UINT32_MAX ? UINT32_MAX : uint32_t(value);
}

// The hits of rows [first, end) spread into `sums`, rows first - reach to
// end + reach, columns folded round the torus; the band's own rows written
// back into the grid (no other band reads them) and the rest kept in
// `spill`, 2 reach rows of the side, for the neighbours.
// The Around rows above and below a band, as they were counted, copied
// before any band writes its own.
struct BandEdges {
  std::vector<uint32_t> above;
  std::vector<uint32_t> below;
};

BandEdges edgesOf(const HitGrid& grid, uint32_t first, uint32_t end) {
  const uint32_t n = grid.size();
  BandEdges edges;
  edges.above.resize(std::size_t(Around) * n);
  edges.below.resize(std::size_t(Around) * n);
  for (uint32_t k = 0; k < Around; ++k) {
    const uint32_t* up = grid.row((first + n - Around % n + k) % n);
    const uint32_t* down = grid.row((end + k) % n);
    std::copy(up, up + n, edges.above.data() + std::size_t(k) * n);
    std::copy(down, down + n, edges.below.data() + std::size_t(k) * n);
  }
  return edges;
}

// The hits of each cell's neighbourhood in row y of the band, from the
// grid's rows (untouched until the band writes them) and the band's edges.
void neighbourhoods(const HitGrid& grid, const BandEdges& edges,
                    uint32_t first, uint32_t end, uint32_t y,
                    std::vector<uint64_t>& columns,
                    std::vector<uint64_t>& hits) {
  const uint32_t n = grid.size();
  columns.assign(n, 0);
  for (int32_t dy = -int32_t(Around); dy <= int32_t(Around); ++dy) {
    const int64_t r = int64_t(y) + dy;
    const uint32_t* cells;
    if (r < int64_t(first)) {
      cells = edges.above.data() + std::size_t(r - first + Around) * n;
    } else if (r >= int64_t(end)) {
      cells = edges.below.data() + std::size_t(r - end) * n;
    } else {
      cells = grid.row(uint32_t(r));
    }
    for (uint32_t x = 0; x < n; ++x) columns[x] += cells[x];
  }
  hits.assign(n, 0);
  uint64_t window = 0;
  for (int32_t dx = -int32_t(Around); dx <= int32_t(Around); ++dx)
    window += columns[(int64_t(n) + dx) % n];
  for (uint32_t x = 0; x < n; ++x) {
    hits[x] = window;
    window += columns[(x + Around + 1) % n];
    window -= columns[(x + n - Around) % n];
  }
}

void spreadBand(HitGrid& grid, const Kernels& kernels, uint32_t unit,
                uint32_t first, uint32_t end, const BandEdges& edges,
                std::vector<uint64_t>& sums, std::vector<uint32_t>& spill) {
  const uint32_t n = grid.size();
  const uint32_t reach = kernels.reach();
  const std::size_t width = std::size_t(n) + 2 * reach;
  const std::size_t rows = std::size_t(end - first) + 2 * reach;
  sums.assign(rows * width, 0);
  std::vector<uint64_t> columns, hits;
  for (uint32_t y = first; y < end; ++y) {
    const uint32_t* cells = grid.row(y);
    neighbourhoods(grid, edges, first, end, y, columns, hits);
    uint64_t* centre = sums.data() + (y - first + reach) * width + reach;
    for (uint32_t x = 0; x < n; ++x) {
      const uint32_t count = cells[x];
      if (count == 0) continue;
      const std::vector<Tap>& taps = kernels.of(hits[x]);
      if (taps.empty()) {
        centre[x] += uint64_t(count) * unit;
        continue;
      }
      for (const Tap& t : taps) {
        centre[std::ptrdiff_t(t.row) * std::ptrdiff_t(width) + t.column + x] +=
            uint64_t(count) * t.weight;
      }
    }
  }
  for (std::size_t r = 0; r < rows; ++r) {
    uint64_t* row = sums.data() + r * width;
    for (uint32_t k = 0; k < reach; ++k) {
      row[reach + n - reach + k] += row[k];
      row[reach + k] += row[reach + n + k];
    }
  }
  for (uint32_t y = first; y < end; ++y) {
    const uint64_t* row = sums.data() + (y - first + reach) * width + reach;
    uint32_t* cells = grid.row(y);
    for (uint32_t x = 0; x < n; ++x) cells[x] = saturated(row[x]);
  }
  spill.resize(std::size_t(2) * reach * n);
  for (uint32_t k = 0; k < 2 * reach; ++k) {
    const std::size_t r = k < reach ? k : rows - 2 * reach + k;
    const uint64_t* row = sums.data() + r * width + reach;
    for (uint32_t x = 0; x < n; ++x) spill[std::size_t(k) * n + x] = saturated(row[x]);
  }
}

}  // namespace

void estimateDensity(HitGrid& grid, const DensityFilter& filter,
                     unsigned threads, uint32_t bandRows) {
  const uint32_t n = grid.size();
  if (n == 0) return;
  if (filter.mirror) poolMirrorImages(grid);
  grid.refreshCountRange();
  const uint32_t perHit = grid.countsPerHit;
  uint32_t unit = std::max(MostCountsPerHit / perHit, 1u);
  while (unit > 1 && uint64_t(grid.maxCount) * unit > UINT32_MAX) unit /= 2;
  const Kernels kernels(filter, perHit, unit);
  // The column fold reaches at most one side across.
  const uint32_t reach = std::min(kernels.reach(), n);
  if (reach != kernels.reach()) return;  // no grid that small is made
  if (bandRows == 0) bandRows = DefaultBandRows;
  bandRows = std::min(bandRows, n);
  const uint32_t bands = (n + bandRows - 1) / bandRows;
  const unsigned workers = std::max(threads, 1u);
  std::vector<BandEdges> edges(bands);
  forEachChunk(bands, 1, workers, [&](std::size_t band, std::size_t) {
    const uint32_t first = uint32_t(band) * bandRows;
    edges[band] = edgesOf(grid, first, std::min(n, first + bandRows));
  });
  std::vector<std::vector<uint32_t>> spills(bands);
  forEachChunk(bands, 1, workers, [&](std::size_t band, std::size_t) {
    std::vector<uint64_t> sums;
    const uint32_t first = uint32_t(band) * bandRows;
    spreadBand(grid, kernels, unit, first, std::min(n, first + bandRows),
               edges[band], sums, spills[band]);
    edges[band] = BandEdges();
  });
  // Each band's spill into the rows above and below it, round the torus;
  // the clamp at the largest count gives the same whatever the order.
  for (uint32_t band = 0; band < bands; ++band) {
    const uint32_t first = band * bandRows;
    const uint32_t end = std::min(n, first + bandRows);
    for (uint32_t k = 0; k < 2 * reach; ++k) {
      const int64_t target = k < reach ? int64_t(first) - reach + k
                                       : int64_t(end) + (k - reach);
      uint32_t* cells = grid.row(uint32_t(((target % n) + n) % n));
      const uint32_t* spill = spills[band].data() + std::size_t(k) * n;
      for (uint32_t x = 0; x < n; ++x)
        cells[x] = saturated(uint64_t(cells[x]) + spill[x]);
    }
  }
  grid.countsPerHit = perHit * unit;
  grid.maxCount = 0;
  grid.refreshCountRange();
}

}  // namespace marl
