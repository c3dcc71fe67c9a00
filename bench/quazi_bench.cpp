// Costs of the quazi-crystal step at its largest: 42 line families (379,701
// tiles) and a 2642-pixel picture, the largest default side for a 1201-pixel
// attractor, saved as JPEG; and the tile building alone.
//
// The step should cost no more than five million map iterations of the same
// job. The shared machine's speed drifts within seconds, so every step is
// followed by 500,000 steps of a detail-6 map, and vs5MIterations reports the
// step's time over ten times theirs. peakRssMB is the process's peak so far:
// run one case alone (--benchmark_filter) to read it for that case. Each
// case with 2 threads follows its case with 1, for the speed-up in one run;
// whilePainted:0 is the step as it was before the picture was encoded
// while painted, for the gain in the same run.

#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <sstream>
#include <string>

#include <benchmark/benchmark.h>
#include <cairo.h>

#include "attractor/map_parameters.h"
#include "base/random_source.h"
#include "attractor/torus_map.h"
#include "quazi/quazi_image.h"
#include "quazi/quazi_picture_rows.h"
#include "quazi/quazi_tiling.h"
#include "quazi/bitmap.h"
#include "image/image_file.h"
#include "image/image_format.h"

namespace marl {
namespace {

constexpr int AttractorSide = 1201;
constexpr int MapSteps = 500000;

double seconds() {
  using Clock = std::chrono::steady_clock;
  return std::chrono::duration<double>(Clock::now().time_since_epoch())
      .count();
}

double peakRssMegabytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss / 1024.0;  // kilobytes on Linux
}

// Fine detail over smooth colour, like a rendered attractor, and just as
// hard on the JPEG encoder.
void paintAttractorLike(Bitmap* bitmap) {
  uint32_t hash = 2166136261u;
  for (int y = 0; y < bitmap->height(); ++y) {
    for (int x = 0; x < bitmap->width(); ++x) {
      hash = (hash ^ static_cast<uint32_t>(x * 7 + y)) * 16777619u;
      const uint32_t red = (x * 255 / bitmap->width() + (hash & 0x3F)) & 0xFF;
      const uint32_t green = (y * 255 / bitmap->height()) & 0xFF;
      const uint32_t blue = (hash >> 8) & 0xFF;
      bitmap->row(y)[x] = 0xFF000000u | red << 16 | green << 8 | blue;
    }
  }
  cairo_surface_mark_dirty(bitmap->surface());
}

// range(0) is qscale in hundredths, range(1) the threads that paint,
// range(2) 1 to encode the picture while it is painted (as a job does for
// a format without alpha), 0 to paint it whole first.
void BM_QuaziStep(benchmark::State& state) {
  const unsigned threads = unsigned(state.range(1));
  const bool whilePainted = state.range(2) != 0;
  Bitmap attractor(AttractorSide, AttractorSide);
  paintAttractorLike(&attractor);
  const QuaziSettings settings{42, 2642, 1321, 1321, state.range(0) / 100.0,
                               0.05};
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() /
      ("marl_quazi_bench_" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  const std::string name = (folder / "bench_quazi000001.jpg").string();

  RandomSource random;
  TorusMap map;
  map.detail = 6;
  randomizeMap(map, random);
  RandomSource spacingSource;
  const std::vector<double> spacings = drawSpacingUnits(spacingSource, 42u);
  const ImageFormat& jpeg = *findFormat("jpeg");

  double stepTime = 0.0;
  double mapTime = 0.0;
  for (auto _ : state) {
    std::ostringstream err;
    std::string error;
    const double t0 = seconds();
    bool written = false;
    // Kept alpha paints the whole picture before its first row.
    const std::unique_ptr<QuaziPictureRows> rows = QuaziPictureRows::start(
        attractor, settings, spacings, threads, !whilePainted, error);
    written = rows != nullptr &&
              writeImageFile(*rows, jpeg, name, err, EncodeOptions());
    if (!written) err << error;
    const double t1 = seconds();
    if (!written) {
      state.SkipWithError(err.str().c_str());
      break;
    }
    state.PauseTiming();
    const double m0 = seconds();
    for (int i = 0; i < MapSteps; ++i) map.iterate();
    benchmark::DoNotOptimize(map.x);
    mapTime += seconds() - m0;
    stepTime += t1 - t0;
    state.ResumeTiming();
  }
  std::filesystem::remove_all(folder);
  state.counters["vs5MIterations"] =
      stepTime / (mapTime * (5000000.0 / MapSteps));
  state.counters["peakRssMB"] = peakRssMegabytes();
}
BENCHMARK(BM_QuaziStep)
    ->ArgNames({"qscale", "threads", "whilePainted"})
    ->Args({5, 1, 0})
    ->Args({5, 2, 0})
    ->Args({5, 1, 1})
    ->Args({5, 2, 1})
    ->Args({100, 1, 1})
    ->Args({100, 2, 1})
    ->Args({300, 1, 1})
    ->Unit(benchmark::kMillisecond)
    ->MinTime(3.0);

void BM_BuildTiles(benchmark::State& state) {
  for (auto _ : state) {
    RandomSource random;
    QuaziTiling tiling(50.0, drawSpacingUnits(random, 42u), 21u);
    tiling.buildTiles();
    benchmark::DoNotOptimize(tiling.tiles().data());
  }
  state.counters["peakRssMB"] = peakRssMegabytes();
}
BENCHMARK(BM_BuildTiles)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace
}  // namespace marl
