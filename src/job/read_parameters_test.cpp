#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "attractor/random_source.h"
#include "driver/argument_map.h"
#include "job/symmetric_square.h"

namespace marl {
namespace {

// 2026-01-01 00:00:00 UTC, whose second is 1600 modulo 2000.
const std::time_t kNewYear = 1767225600;

uint32_t red(uint32_t c) { return (c >> 16) & 0xFF; }
uint32_t green(uint32_t c) { return (c >> 8) & 0xFF; }
uint32_t blue(uint32_t c) { return c & 0xFF; }

class JobParametersTest : public ::testing::Test {
 protected:
  void SetUp() override { randomEngine.seed(); }

  // Makes a job with the words as command line and reads its parameters.
  bool read(std::vector<std::string> words, std::time_t now = kNewYear) {
    words.insert(words.begin(), "marl");
    std::vector<const char*> argv;
    for (const std::string& w : words) argv.push_back(w.c_str());
    map_ = std::make_unique<ArgumentMap>(int(argv.size()), argv.data(), err_);
    job_ = std::make_unique<SymmetricSquare>(out_, err_, [now] { return now; });
    afterConstruction_ = randomEngine;
    return job_->readParameters(*map_);
  }
  const JobParameters& p() const { return job_->parameters(); }
  // Raw engine values taken since the job was constructed.
  bool drewNothingSinceConstruction() const {
    return randomEngine == afterConstruction_;
  }

  std::ostringstream out_, err_;
  std::unique_ptr<ArgumentMap> map_;
  std::unique_ptr<SymmetricSquare> job_;
  boost::random::mt19937 afterConstruction_;
};

TEST_F(JobParametersTest, DefaultsAndTheirEcho) {
  ASSERT_TRUE(read({}));
  EXPECT_EQ(job_->size(), 1201u);
  EXPECT_EQ(job_->grid().stride(), 1211u);
  EXPECT_EQ(p().detail, 6);
  EXPECT_EQ(p().iterationMaximum, 200000000);
  EXPECT_EQ(p().imageType, 1);
  EXPECT_EQ(p().extension, "jpg");
  EXPECT_EQ(p().basename, "symmetric_square");
  EXPECT_FALSE(p().quazi);
  for (uint32_t c : {p().startColour, p().finishColour}) {
    EXPECT_EQ(c >> 24, 0xFFu);
    for (uint32_t channel : {red(c), green(c), blue(c)}) {
      EXPECT_GE(channel, 55u);
      EXPECT_LE(channel, 255u);
    }
  }
  std::ostringstream expected;
  expected << "Start color = Red " << red(p().startColour) << " Green "
           << green(p().startColour) << " Blue " << blue(p().startColour)
           << "\nFinal color = Red " << red(p().finishColour) << " Green "
           << green(p().finishColour) << " Blue " << blue(p().finishColour)
           << "\nbase file name is symmetric_square\n"
              "Image will be jpeg type\nDetail level = 6\n"
              "The image will be 1201 x 1201 pixels\n";
  EXPECT_EQ(out_.str(), expected.str());
  EXPECT_EQ(err_.str(), "");
}

TEST_F(JobParametersTest, ClockDecidesTheDrawsAndEachDrawTakesOneValue) {
  ASSERT_TRUE(read({}));
  // 1600 skipped pairs, 12006 colour slots of three draws, six channels.
  boost::random::mt19937 stepped;
  stepped.discard(2 * 1600 + 3 * 12006 + 6);
  EXPECT_EQ(randomEngine, stepped);
  const JobParameters first = p();

  randomEngine.seed();
  ASSERT_TRUE(read({}));
  EXPECT_EQ(p().startColour, first.startColour);
  EXPECT_EQ(p().finishColour, first.finishColour);

  randomEngine.seed();
  ASSERT_TRUE(read({}, kNewYear + 1));
  EXPECT_NE(p().startColour, first.startColour);
}

TEST_F(JobParametersTest, GivenColourChannelsAreLimitedAndNeverDrawn) {
  ASSERT_TRUE(read({"R0=300", "G0=-1", "B0=7.9", "R1=abc", "G1=0", "B1=255"}));
  EXPECT_EQ(p().startColour, 0xFFFFFF07u);
  EXPECT_EQ(p().finishColour, 0xFF0000FFu);
  EXPECT_TRUE(drewNothingSinceConstruction());
  EXPECT_NE(out_.str().find("Start color = Red 255 Green 255 Blue 7\n"
                            "Final color = Red 0 Green 0 Blue 255\n"),
            std::string::npos);
}

TEST_F(JobParametersTest, ImageWordPicksTypeAndExtension) {
  const std::vector<std::tuple<std::string, int, std::string>> cases = {
      {"TIFF", 2, "tif"}, {"Gif", 3, "gif"},  {"bmp", 0, "bmp"},
      {"png", 1, "jpg"},  {"", 1, "jpg"},     {"tiffbmp", 0, "bmp"},
      {"GIFTiff", 3, "gif"}, {"jpeg", 1, "jpg"}};
  for (const auto& [word, type, extension] : cases) {
    out_.str("");
    ASSERT_TRUE(read({"image=" + word}));
    EXPECT_EQ(p().imageType, type) << word;
    EXPECT_EQ(p().extension, extension) << word;
    EXPECT_NE(out_.str().find("Image will be " + word + " type\n"),
              std::string::npos);
  }
}

TEST_F(JobParametersTest, DetailSizeAndIterationLimits) {
  for (auto [given, detail] : std::vector<std::pair<const char*, int>>{
           {"1", 2}, {"2", 2}, {"12", 12}, {"13", 12}, {"abc", 2}}) {
    ASSERT_TRUE(read({std::string("detail=") + given}));
    EXPECT_EQ(p().detail, detail) << given;
  }
  ASSERT_TRUE(read({"size=10", "it=-5"}));
  EXPECT_EQ(job_->size(), 40u);
  EXPECT_EQ(p().iterationMaximum, -5);
  ASSERT_TRUE(read({"size=40"}));
  EXPECT_EQ(job_->grid().stride(), 50u);
  EXPECT_NE(out_.str().find("The image will be 40 x 40 pixels\n"),
            std::string::npos);
  EXPECT_EQ(err_.str(), "");
}

TEST_F(JobParametersTest, OversizedSideIsLoweredWithAWarning) {
  ASSERT_TRUE(read({"size=99999999999"}));
  EXPECT_EQ(job_->size(), SymmetricSquare::MaxSide);
  EXPECT_NE(err_.str().find("marl: warning: size=2147483647 is above"),
            std::string::npos);
  EXPECT_NE(out_.str().find("The image will be 16384 x 16384 pixels"),
            std::string::npos);
}

TEST_F(JobParametersTest, QuaziOptionsAreReadOnlyWhenAskedFor) {
  for (const char* off : {"quazi=True", "quazi=yes", "quazi=1"}) {
    ASSERT_TRUE(read({off, "R0=1", "G0=1", "B0=1", "R1=1", "G1=1", "B1=1",
                      "qline=abc"}));
    EXPECT_FALSE(p().quazi);
    EXPECT_TRUE(drewNothingSinceConstruction());
    EXPECT_EQ(out_.str().find("quazi-crystal"), std::string::npos);
  }
  ASSERT_TRUE(read({"quazi=TRUE", "qline=3", "qx=5", "qy=5000", "qsize=800",
                    "qscale=10", "qsep=0.5"}));
  EXPECT_TRUE(p().quazi);
  EXPECT_EQ(p().qline, 5);
  EXPECT_EQ(p().qsize, 800);
  EXPECT_EQ(p().qx, 20);
  EXPECT_EQ(p().qy, 800);
  EXPECT_EQ(p().qscale, 3.0);
  EXPECT_EQ(p().qsep, 0.1);
  EXPECT_NE(out_.str().find("pixels\nA quazi-crystal image tiling will also "
                            "be created\n"),
            std::string::npos);

  ASSERT_TRUE(read({"quazi=true", "qline=100", "qsize=10", "qx=15"}));
  EXPECT_EQ(p().qline, 42);
  EXPECT_EQ(p().qx, 10);  // a qsize below 20 wins over the 20
}

TEST_F(JobParametersTest, QuaziDefaultsAreDrawnInTheirRanges) {
  for (int i = 0; i < 30; ++i) {
    ASSERT_TRUE(read({"quazi=xtruex", "size=300"}, kNewYear + i));
    EXPECT_GE(p().qline, 5);
    EXPECT_LE(p().qline, 42);
    EXPECT_GE(p().qsize, 240);
    EXPECT_LT(p().qsize, 660);
    for (int32_t position : {p().qx, p().qy}) {
      EXPECT_GE(position, 50);
      EXPECT_LE(position, 300);
    }
    EXPECT_GE(p().qscale, 0.05);
    EXPECT_LT(p().qscale, 3.0);
    EXPECT_GE(p().qsep, 0.01);
    EXPECT_LT(p().qsep, 0.1);
  }
  // Below a side of 50 the position range is empty; it stays bounded.
  ASSERT_TRUE(read({"quazi=true", "size=45"}));
  EXPECT_GE(p().qx, 45);
  EXPECT_LE(p().qx, 50);
}

TEST_F(JobParametersTest, QuaziSideIsLoweredToTheLargestSide) {
  ASSERT_TRUE(read({"quazi=true", "qsize=20000", "qx=19000"}));
  EXPECT_EQ(p().qsize, 16384);
  EXPECT_EQ(p().qx, 16384);
  EXPECT_NE(err_.str().find("qsize=20000 is above"), std::string::npos);
}

}  // namespace
}  // namespace marl
