// Memory running out at every allocation an encoder or a text reader makes,
// one after another: each fails cleanly and frees every library handle it
// holds, which the sanitizer build's leak checker confirms.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <new>
#include <sstream>
#include <string>
#include <vector>

#include "render/embedded_text.h"
#include "render/image_file.h"
#include "render/image_format.h"
#include "support/failing_allocation.h"

namespace marl {
namespace {

using marl_test::failEachAllocation;
using marl_test::noLeaks;

// With few colours GIF indexes them exactly, with many it quantises.
void paint(Bitmap& bitmap, int colourSteps) {
  for (int y = 0; y < bitmap.height(); ++y)
    for (int x = 0; x < bitmap.width(); ++x)
      bitmap.row(y)[x] = 0xFF000000u | uint32_t(x % colourSteps * 9) << 16 |
                         uint32_t(y % colourSteps * 7) << 8 | 0x40u;
}

TEST(ImageEncodersAllocationTest, EveryFailedAllocationFreesTheHandles) {
  char folder[] = "/tmp/marl-alloc-XXXXXX";
  ASSERT_NE(mkdtemp(folder), nullptr);
  const std::string text = "recipe\nline\n";
  for (int colourSteps : {4, 40}) {
    Bitmap bitmap(41, 29);
    paint(bitmap, colourSteps);
    for (const ImageFormat& format : imageFormats()) {
      const std::string what =
          std::string(format.name) + " of " + std::to_string(colourSteps);
      EXPECT_GT(failEachAllocation(what, true,
                                   [&] {
                                     std::vector<unsigned char> bytes;
                                     std::string error;
                                     const bool ok = format.encode(
                                         bitmap, text, bytes, error);
                                     EXPECT_TRUE(ok || !error.empty()) << what;
                                     return ok;
                                   }),
                0)
          << what;
      // Then the file, written and read back, under the same failures.
      const std::string name =
          std::string(folder) + "/" + std::to_string(colourSteps) + "." +
          format.extension;
      std::ostringstream err;
      ASSERT_TRUE(writeImageFile(bitmap, format, name, err, text)) << err.str();
      // A reader may get by without what it could not have.
      const std::vector<std::string> stored =
          format.name == std::string("bmp") ? std::vector<std::string>{}
                                            : std::vector<std::string>{text};
      failEachAllocation(what + " read", false, [&] {
        return readEmbeddedText(name).texts == stored;
      });
    }
  }
  std::filesystem::remove_all(folder);
  EXPECT_TRUE(noLeaks());
}

}  // namespace
}  // namespace marl
