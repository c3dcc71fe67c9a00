#include "readers/whole_picture.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "image/image_file.h"
#include "image/image_format.h"
#include "support/memory_rows.h"
#include "support/temp_dir.h"

namespace marl {
namespace {

using marl_test::TempDir;

std::string contentOf(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void writeText(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// Whole pictures of every format with a place for pixels decode whole;
// cut at half none does. PNG alone checks its bytes (a CRC on every
// chunk), so a few image bytes flipped are found there; the other formats
// may decode such bytes to other pixels without a sign.
TEST(WholePictureTest, WholeCutAndDamagedPicturesAreToldApart) {
  const struct {
    const char* format;
    bool checksWholeness;  // BMP: nothing here can tell
    bool findsFlippedBytes;
  } cases[] = {
      {"png", true, true},    {"jpeg", true, false}, {"tiff", true, false},
      {"gif", true, false},   {"webp", true, false}, {"bmp", false, false},
  };
  TempDir dir;
  marl_test::Pixels pixels = marl_test::blankPixels(61, 43);
  for (int y = 0; y < pixels.height; ++y)
    for (int x = 0; x < pixels.width; ++x)
      pixels.at(x, y) = 0xFF000000u | uint32_t((x * 37 + y * 11) & 255) << 16 |
                        uint32_t(((x * 13) ^ (y * 29)) & 255) << 8 |
                        uint32_t((x * y + 5) & 255);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.format);
    const std::string name = dir.file(std::string("a.") + c.format);
    marl_test::MemoryRows rows = marl_test::rowsOf(pixels);
    EncodeOptions options;
    options.text = "a recipe\n";
    std::ostringstream err;
    ASSERT_TRUE(writeImageFile(rows, *findFormat(c.format), name, err, options));
    const std::string bytes = contentOf(name);
    std::string reason;
    EXPECT_EQ(decodesWhole(name, reason), c.checksWholeness) << reason;
    writeText(name, bytes.substr(0, bytes.size() / 2));
    reason.clear();
    EXPECT_FALSE(decodesWhole(name, reason));
    EXPECT_FALSE(reason.empty());
    if (c.findsFlippedBytes) {
      std::string flipped = bytes;
      for (std::size_t at = flipped.size() - 40; at < flipped.size() - 30; ++at)
        flipped[at] = char(~flipped[at]);
      writeText(name, flipped);
      reason.clear();
      EXPECT_FALSE(decodesWhole(name, reason));
      EXPECT_NE(reason.find("PNG"), std::string::npos) << reason;
    }
    std::remove(name.c_str());
  }
  std::string reason;
  EXPECT_FALSE(decodesWhole(dir.file("absent.png"), reason));
  EXPECT_FALSE(reason.empty());
}

}  // namespace
}  // namespace marl
