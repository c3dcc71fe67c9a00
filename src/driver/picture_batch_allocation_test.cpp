// A batch whose first picture's encoder runs out of memory: that picture
// fails alone, with every library handle freed, and the others are made.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <atomic>
#include <filesystem>
#include <sstream>
#include <string>

#include "driver/picture_batch.h"
#include "image/image_format.h"
#include "support/failing_allocation.h"

namespace marl {
namespace {

const ImageFormat* encoderUnderTest = nullptr;
std::atomic<int> encodes{0};

// The encoder under test, its first run with its first allocation failing.
bool failingFirst(RowSource& rows, const EncodeOptions& options,
                  ByteSink& out, std::string& error) {
  if (encodes++ == 0) marl_test::failAllocation(0);
  return encoderUnderTest->encode(rows, options, out, error);
}

TEST(PictureBatchAllocationTest, EncoderOutOfMemoryFailsOnlyItsPicture) {
  for (const ImageFormat& format : imageFormats()) {
    SCOPED_TRACE(format.name);
    char folder[] = "/tmp/marl-batch-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    encoderUnderTest = &format;
    encodes = 0;
    ImageFormat failing = format;
    failing.encode = failingFirst;
    JobSettings settings;
    settings.format = &failing;
    settings.iterationMaximum = 5000;
    settings.side = 40;
    settings.basename = std::string(folder) + "/p";
    std::ostringstream out, err;
    EXPECT_FALSE(runPictureBatch(settings, {3, 1, false},
                                 [] { return std::time_t(1767225600); }, out,
                                 err));
    marl_test::failAllocation(-1);
    EXPECT_EQ(encodes, 3);
    EXPECT_NE(err.str().find("marl: error: cannot write '"), std::string::npos)
        << err.str();
    EXPECT_NE(err.str().find("out of memory"), std::string::npos) << err.str();
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
      EXPECT_EQ(entry.path().string().find(".tmp-"), std::string::npos);
      ++files;
    }
    EXPECT_EQ(files, 2);
    std::filesystem::remove_all(folder);
  }
  EXPECT_TRUE(marl_test::noLeaks());
}

}  // namespace
}  // namespace marl
