#include "quazi/quazi_tiling.h"

#include <atomic>
#include <cmath>
#include <new>
#include <optional>
#include <utility>

#include "base/worker_pool.h"


namespace marl {

namespace {

// Tiles a thread takes at a time when tiles are placed.
constexpr std::size_t TileChunk = 8192;

// Whether truncating v toward zero gives a value of int32_t; false for NaN
// and infinities, so that no out-of-range conversion is ever made.
bool truncationFitsInt32(double v) {
  return v > -2147483649.0 && v < 2147483648.0;
}

}  // namespace

std::vector<double> drawSpacingUnits(RandomSource& random,
                                     uint32_t familyCount) {
  std::vector<double> units;
  units.reserve(familyCount);
  for (uint32_t j = 0; j < familyCount; ++j) units.push_back(random.drawUnit());
  return units;
}

QuaziTiling::QuaziTiling(double baseSpacing,
                         const std::vector<double>& unitDraws,
                         uint32_t linesPerFamily)
    : familyCount_(static_cast<uint32_t>(unitDraws.size())),
      // Ten digits only, not 2 pi: the angles depend on this constant.
      angleStep_(6.283185307 / familyCount_),
      linesPerFamily_(linesPerFamily) {
  buildFamilies(baseSpacing, unitDraws);
}

void QuaziTiling::buildFamilies(double baseSpacing,
                                const std::vector<double>& unitDraws) {
  families_.reserve(familyCount_);
  for (uint32_t j = 0; j < familyCount_; ++j) {
    const double spacing = baseSpacing + baseSpacing * unitDraws[j];
    // The 0.01 keeps every family off the vertical, so slopes stay finite.
    const double angle = static_cast<int32_t>(j) * angleStep_ + 0.01;
    families_.emplace_back(angle, spacing, static_cast<int32_t>(j),
                           static_cast<int32_t>(linesPerFamily_));
  }
}

void QuaziTiling::buildPair(std::size_t r, std::size_t s, TileQuad* out,
                            uint8_t* built, std::vector<double>& weight,
                            const TileReach* reach, bool keepFirst) const {
  const std::size_t n = familyCount_;
  const int32_t c = static_cast<int32_t>(linesPerFamily_);
  double sumX[4];
  double sumY[4];
  // The four corners share the terms of every family but r and s. Each
  // corner still adds its terms one by one in family order, so the sums are
  // those of four separate loops, bit for bit.
  auto addShared = [&](std::size_t from, std::size_t to) {
    for (std::size_t j = from; j < to; ++j) {
      const double termX = weight[j] * families_[j].cosAngle;
      const double termY = weight[j] * families_[j].sinAngle;
      for (int v = 0; v < 4; ++v) {
        sumX[v] += termX;
        sumY[v] += termY;
      }
    }
  };
  // Corners 0..3 take lines (l, i), (l+1, i), (l, i+1), (l+1, i+1) of
  // families r and s: `first` goes to corners 0 and 2 (or 0 and 1), `second`
  // to the others.
  auto addOwn = [&](const LineFamily& family, double first, double second,
                    int secondMask) {
    for (int v = 0; v < 4; ++v) {
      const double w = (v & secondMask) ? second : first;
      sumX[v] += w * family.cosAngle;
      sumY[v] += w * family.sinAngle;
    }
  };

  const LineFamily& familyR = families_[r];
  const LineFamily& familyS = families_[s];
  for (int32_t i = 0; i < c; ++i) {
    const GridLine& b = familyS.lines[i];
    for (int32_t l = 0; l < c; ++l) {
      const GridLine& a = familyR.lines[l];
      const double x = (a.intercept - b.intercept) / (b.slope - a.slope);
      const double y = x * a.slope + a.intercept;
      if (reach != nullptr && !(keepFirst && i == 0 && l == 0) &&
          !reach->mayShow(r, s, x, y, static_cast<double>(l + 1),
                          static_cast<double>(i + 1))) {
        // Its memory is left untouched, so never even mapped.
        ++out;
        *built++ = 0;
        continue;
      }
      for (std::size_t j = 0; j < n; ++j) {
        if (j != r && j != s) {
          weight[j] = families_[j].stripIndex(x, y) + 1.0;
        }
      }
      for (int v = 0; v < 4; ++v) {
        sumX[v] = 0.0;
        sumY[v] = 0.0;
      }
      addShared(0, r);
      addOwn(familyR, static_cast<double>(l + 1), static_cast<double>(l + 2),
             1);
      addShared(r + 1, s);
      addOwn(familyS, static_cast<double>(i + 1), static_cast<double>(i + 2),
             2);
      addShared(s + 1, n);
      *out++ = TileQuad(sumX, sumY);
      *built++ = 1;
    }
  }
}

void QuaziTiling::buildTiles(unsigned threads, const TileWindow* window) {
  const std::size_t n = familyCount_;
  const std::size_t c = linesPerFamily_;
  if (n < 2 || c < 1) return;
  std::vector<std::pair<std::size_t, std::size_t>> pairs;
  for (std::size_t r = 0; r + 1 < n; ++r)
    for (std::size_t s = r + 1; s < n; ++s) pairs.emplace_back(r, s);
  // Every pair's tiles have their place in the list from the start, so
  // pairs can be built on several threads and the list is the same.
  const std::size_t first = tiles_.size();
  tiles_.resize(first + pairs.size() * c * c);
  built_.resize(tiles_.size());
  std::optional<TileReach> reach;
  if (window != nullptr) reach.emplace(families_, *window);
  std::atomic<std::size_t> next{0};
  auto work = [&] {
    // Strip number + 1 of the crossing in every family, kept as a double:
    // for crossings of antiparallel families it lies far beyond the int
    // range, and such tiles are left out when drawn rather than converted
    // here.
    std::vector<double> weight;
    // Nothing may leave a thread: one without room for its scratch takes
    // no pair, and the others build them all.
    try {
      weight.resize(n);
    } catch (const std::bad_alloc&) {
      return;
    }
    for (std::size_t p; (p = next.fetch_add(1)) < pairs.size();) {
      buildPair(pairs[p].first, pairs[p].second,
                tiles_.data() + first + p * c * c,
                built_.data() + first + p * c * c, weight,
                reach ? &*reach : nullptr, first == 0 && p == 0);
    }
  };
  runOnThreads(threads, work);
  if (next.load() < pairs.size()) throw std::bad_alloc();  // no thread could
}

void QuaziTiling::scaleTiles(double factor) {
  const double s = viewScale_ * factor;
  for (std::size_t t = 0; t < tiles_.size(); ++t)
    if (built_[t]) tiles_[t].scale(s, s);
}

void QuaziTiling::translateTiles() {
  for (std::size_t t = 0; t < tiles_.size(); ++t)
    if (built_[t]) tiles_[t].translate(shiftX_, shiftY_);
}

void QuaziTiling::scaleAndTranslateTiles(double factor, unsigned threads) {
  const double s = viewScale_ * factor;
  forEachChunk(tiles_.size(), TileChunk, threads,
               [&](std::size_t begin, std::size_t end) {
                 for (std::size_t t = begin; t < end; ++t) {
                   if (!built_[t]) continue;
                   tiles_[t].scale(s, s);
                   tiles_[t].translate(shiftX_, shiftY_);
                 }
               });
}

bool QuaziTiling::enlargedCorner(std::size_t index, int corner, double* x,
                                 double* y) const {
  if (index >= tiles_.size() || !built_[index] || corner < 0 || corner > 3)
    return false;
  const TileQuad& tile = tiles_[index];
  const double grow = separation_ + 1.0;
  *x = tile.centreX + (tile.cornerX[corner] - tile.centreX) * grow;
  *y = tile.centreY + (tile.cornerY[corner] - tile.centreY) * grow;
  return true;
}

PixelPoint QuaziTiling::tileCorner(std::size_t index, int corner) const {
  double x;
  double y;
  if (!enlargedCorner(index, corner, &x, &y) || !truncationFitsInt32(x) ||
      !truncationFitsInt32(y)) {
    return PixelPoint{0, 0};
  }
  return PixelPoint{static_cast<int32_t>(x), static_cast<int32_t>(y)};
}

bool QuaziTiling::tileFits(std::size_t index) const {
  for (int corner = 0; corner < 4; ++corner) {
    double x;
    double y;
    if (!enlargedCorner(index, corner, &x, &y) || !truncationFitsInt32(x) ||
        !truncationFitsInt32(y)) {
      return false;
    }
  }
  return true;
}

}  // namespace marl
