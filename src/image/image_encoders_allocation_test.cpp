// Memory running out at every allocation an encoder or a text reader makes,
// one after another: each fails cleanly and frees every library handle it
// holds, which the sanitizer build's leak checker confirms. The encoders
// take their rows band by band, from memory or the coloured grid, and
// write into a sink that itself allocates as it grows.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <new>
#include <sstream>
#include <string>
#include <vector>

#include "colour/colour_renderer.h"
#include "readers/embedded_text.h"
#include "colour/grid_rows.h"
#include "image/image_file.h"
#include "image/image_format.h"
#include "support/failing_allocation.h"
#include "support/memory_rows.h"

namespace marl {
namespace {

using marl_test::failEachAllocation;
using marl_test::noLeaks;

// With few colours GIF indexes them exactly, with many it quantises; with
// `alpha` some pixels are translucent.
marl_test::MemoryRows painted(int colourSteps, bool alpha) {
  marl_test::Pixels pixels = marl_test::blankPixels(41, 29);
  for (int y = 0; y < pixels.height; ++y)
    for (int x = 0; x < pixels.width; ++x) {
      const uint32_t a = alpha && x % 3 == 0 ? 0x80u : 0xFFu;
      pixels.at(x, y) = a << 24 | uint32_t(x % colourSteps * 9) << 16 |
                        uint32_t(y % colourSteps * 7) << 8 | 0x40u;
    }
  return marl_test::rowsOf(pixels);
}

TEST(ImageEncodersAllocationTest, EveryFailedAllocationFreesTheHandles) {
  char folder[] = "/tmp/marl-alloc-XXXXXX";
  ASSERT_NE(mkdtemp(folder), nullptr);
  EncodeOptions options;
  options.text = "recipe\nline\n";
  marl_test::MemoryRows fewRows = painted(4, false);
  marl_test::MemoryRows manyRows = painted(40, false);
  marl_test::MemoryRows translucentRows = painted(40, true);
  // The attractor picture as a job writes it: 16 bits, unvisited cells
  // transparent.
  HitGrid grid;
  grid.setSize(37);
  for (uint32_t y = 0; y < 37; ++y)
    for (uint32_t x = 0; x < 37; ++x) grid.at(y, x) = (x * y) % 11;
  ColourRenderer renderer;
  renderer.buildPalette(grid, 0xFF102030u, 0xFFF0E0D0u);
  const CountColours colours = renderer.countColours(grid, 16);
  GridRows gridRows(grid, colours, 16, {Background::Transparent, 0});
  const struct {
    const char* what;
    RowSource& rows;
  } sources[] = {{"4 colours", fewRows},
                 {"40 colours", manyRows},
                 {"translucent", translucentRows},
                 {"16-bit grid", gridRows}};
  int written = 0;
  for (const ImageFormat& format : imageFormats()) {
    for (const auto& source : sources) {
      const PictureShape& shape = source.rows.shape();
      if (shape.depth > format.maxDepth || (shape.alpha && !format.alpha))
        continue;
      const std::string what =
          std::string(format.name) + " of " + source.what;
      EXPECT_GT(failEachAllocation(what, true,
                                   [&] {
                                     MemorySink sink;
                                     std::string error;
                                     const bool ok = format.encode(
                                         source.rows, options, sink, error);
                                     EXPECT_TRUE(ok || !error.empty()) << what;
                                     return ok;
                                   }),
                0)
          << what;
      // Then into a temporary file, renamed into place once whole.
      const std::string name = std::string(folder) + "/" + source.what +
                               "." + format.extension;
      failEachAllocation(what + " file", true, [&] {
        std::ostringstream err;
        return writeImageFile(source.rows, format, name, err, options);
      });
      ++written;
    }
    // And the text read back under the same failures. A reader may get by
    // without what it could not have.
    const std::string name =
        std::string(folder) + "/4 colours." + format.extension;
    const std::vector<std::string> stored =
        format.name == std::string("bmp") ? std::vector<std::string>{}
                                          : std::vector<std::string>{
                                                options.text};
    failEachAllocation(std::string(format.name) + " read", false, [&] {
      return readEmbeddedText(name).texts == stored;
    });
  }
  // No temporary file is left, and no picture but the whole ones.
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    EXPECT_EQ(entry.path().filename().string().find(".tmp-"),
              std::string::npos)
        << entry.path();
    ++files;
  }
  EXPECT_EQ(files, written);
  std::filesystem::remove_all(folder);
  EXPECT_TRUE(noLeaks());
}

}  // namespace
}  // namespace marl
