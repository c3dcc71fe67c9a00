// Costs of turning a finished grid into a picture: the colouring
// (histogram, palette, the rows an encoder reads) at the default and a
// large side, saving the
// default side in each format and depth, and what an embedded text adds to
// a JPEG.

#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "attractor/hit_grid.h"
#include "colour/colour_renderer.h"
#include "readers/embedded_text.h"
#include "colour/gradient_renderer.h"
#include "colour/grid_rows.h"
#include "image/image_file.h"

namespace marl {
namespace {

constexpr uint32_t StartColour = 0xFF102040u;
constexpr uint32_t FinishColour = 0xFFF0C020u;

// Counts shaped like a long run's: a fifth of the cells never visited, the
// rest log-normal, so most cells are dim and a few very bright. A private
// generator keeps the process-wide random source out of it.
void fillPlausibly(HitGrid& grid, uint32_t side) {
  grid.setSize(side);
  std::mt19937 gen(12345u);
  std::uniform_real_distribution<double> visit(0.0, 1.0);
  std::normal_distribution<double> logCount(4.0, 1.5);
  for (uint32_t y = 0; y < side; ++y) {
    uint32_t* cells = grid.row(y);
    for (uint32_t x = 0; x < side; ++x) {
      if (visit(gen) < 0.2) continue;
      const double n = std::exp(logCount(gen));
      cells[x] = n > 4.0e9 ? 4000000000u : static_cast<uint32_t>(n) + 1;
      if (cells[x] > grid.maxCount) grid.maxCount = cells[x];
    }
  }
}

// Colours a plausible grid of the side state.range(0) through the colours
// `colour` builds for it, again and again, reading every row as an encoder
// does.
template <typename Colour>
void colourRepeatedly(benchmark::State& state, Colour colour) {
  const uint32_t side = static_cast<uint32_t>(state.range(0));
  HitGrid grid;
  fillPlausibly(grid, side);
  std::vector<unsigned char> band;
  for (auto _ : state) {
    const CountColours colours = colour(grid);
    GridRows rows(grid, colours, 8, Background());
    band.resize(rows.shape().rowBytes() * BandRows);
    for (int first = 0; first < int(side); first += BandRows) {
      rows.readRows(first, std::min(BandRows, int(side) - first), band.data());
      benchmark::DoNotOptimize(band.data());
    }
  }
}

void BM_ColourRows(benchmark::State& state) {
  colourRepeatedly(state, [](HitGrid& grid) {
    ColourRenderer renderer;
    renderer.buildPalette(grid, StartColour, FinishColour);
    return renderer.countColours(grid, 8);
  });
}
BENCHMARK(BM_ColourRows)
    ->Arg(1201)
    ->Arg(4096)
    ->Unit(benchmark::kMillisecond);

// The costliest of the gradient colourings (16 stops mixed in OKLab, the
// log tone curve) on the same grids: against BM_ColourRows, what a palette
// costs over the two-colour equalisation.
void BM_GradientRows(benchmark::State& state) {
  GradientScheme scheme;
  for (uint32_t i = 0; i < 16; ++i)
    scheme.stops.push_back(rgbFromHex(i * 0x0F0B07u ^ 0x3060C0u));
  scheme.blend = Blend::Oklab;
  scheme.tone = Tone::Log;
  colourRepeatedly(state, [&scheme](HitGrid& grid) {
    return gradientColours(grid, scheme, 8);
  });
}
BENCHMARK(BM_GradientRows)
    ->Arg(1201)
    ->Arg(4096)
    ->Unit(benchmark::kMillisecond);

// A plausible grid of `side` coloured with the two colours, as rows.
struct ColouredGrid {
  explicit ColouredGrid(uint32_t side) {
    fillPlausibly(grid, side);
    ColourRenderer renderer;
    renderer.buildPalette(grid, StartColour, FinishColour);
    colours = renderer.countColours(grid, 8);
  }
  HitGrid grid;
  CountColours colours;
};

// Calls `write` on one file name again and again, in a folder of its own,
// and reports the file's size.
void timeWriting(
    benchmark::State& state, const std::string& label,
    const std::function<bool(const std::string&, std::ostream&)>& write) {
  namespace fs = std::filesystem;
  std::string folder =
      (fs::temp_directory_path() / "marl-bench-XXXXXX").string();
  if (!mkdtemp(folder.data())) {
    state.SkipWithError("cannot make a temporary folder");
    return;
  }
  const std::string name = folder + "/picture";
  std::ostringstream err;
  for (auto _ : state) {
    if (!write(name, err)) {
      state.SkipWithError(err.str().c_str());
      break;
    }
  }
  std::error_code ignored;
  state.counters["bytes"] = double(fs::file_size(name, ignored));
  state.SetLabel(label);
  fs::remove_all(folder, ignored);
}

// Writes a default-side picture in `format` with `text` embedded, again and
// again.
void writeRepeatedly(benchmark::State& state, const ImageFormat& format,
                     const std::string& text) {
  constexpr uint32_t Side = 1201;
  const ColouredGrid coloured(Side);
  GridRows rows(coloured.grid, coloured.colours, 8, Background());
  EncodeOptions options;
  options.text = text;
  timeWriting(state, format.name,
              [&](const std::string& name, std::ostream& err) {
                return writeImageFile(rows, format, name, err, options);
              });
}

void BM_WriteImageFile(benchmark::State& state) {
  writeRepeatedly(state, imageFormats()[std::size_t(state.range(0))],
                  std::string());
}
BENCHMARK(BM_WriteImageFile)
    ->DenseRange(0, 5)
    ->Unit(benchmark::kMillisecond);

// The attractor picture as a job writes it, straight from the coloured
// grid: each format at each depth it holds (arguments: format row, depth),
// side by side in one run.
void BM_WriteFromGrid(benchmark::State& state) {
  constexpr uint32_t Side = 1201;
  const ImageFormat& format = imageFormats()[std::size_t(state.range(0))];
  const int depth = int(state.range(1));
  HitGrid grid;
  fillPlausibly(grid, Side);
  ColourRenderer renderer;
  renderer.buildPalette(grid, StartColour, FinishColour);
  const CountColours colours = renderer.countColours(grid, depth);
  GridRows rows(grid, colours, depth, Background());
  timeWriting(state, std::string(format.name) + " " + std::to_string(depth),
              [&](const std::string& name, std::ostream& err) {
                return writeImageFile(rows, format, name, err,
                                      EncodeOptions());
              });
}
BENCHMARK(BM_WriteFromGrid)
    ->Args({0, 8})
    ->Args({1, 8})
    ->Args({1, 16})
    ->Args({2, 8})
    ->Args({3, 8})
    ->Args({4, 8})
    ->Args({4, 16})
    ->Args({5, 8})
    ->Unit(benchmark::kMillisecond);

// A JPEG without and with a text of the given length, shaped like a
// recipe's lines of keys and 17-digit reals.
void BM_WriteJpegWithText(benchmark::State& state) {
  std::string text;
  while (text.size() < static_cast<std::size_t>(state.range(0)))
    text += "a" + std::to_string(text.size() % 97) + "=-0.12345678901234567\n";
  writeRepeatedly(state, *findFormat("jpeg"), text);
  state.counters["text"] = double(text.size());
}
BENCHMARK(BM_WriteJpegWithText)
    ->Arg(0)
    ->Arg(5000)
    ->Unit(benchmark::kMillisecond);

// Reading a 5 KB text back from a default-side picture of each format with
// text.
void BM_ReadEmbeddedText(benchmark::State& state) {
  const ImageFormat& format = imageFormats()[std::size_t(state.range(0))];
  const ColouredGrid coloured(1201);
  GridRows rows(coloured.grid, coloured.colours, 8, Background());
  EncodeOptions options;
  options.text = std::string(5000, 'k');
  const std::string& text = options.text;
  const std::string name =
      (std::filesystem::temp_directory_path() / "marl-bench-read").string() +
      std::to_string(getpid());
  std::ostringstream err;
  if (!writeImageFile(rows, format, name, err, options)) {
    state.SkipWithError(err.str().c_str());
    return;
  }
  for (auto _ : state) {
    const EmbeddedTextResult r = readEmbeddedText(name);
    if (r.texts.size() != 1 || r.texts[0].size() != text.size()) {
      state.SkipWithError(r.reason.c_str());
      break;
    }
    state.counters["bytesRead"] = double(r.bytesRead);
  }
  std::remove(name.c_str());
  state.SetLabel(format.name);
}
BENCHMARK(BM_ReadEmbeddedText)
    ->Args({0})
    ->Args({1})
    ->Args({2})
    ->Args({4})
    ->Args({5})
    ->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace marl
