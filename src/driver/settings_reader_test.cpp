#include "driver/settings_reader.h"

#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

namespace marl {
namespace {

class SettingsReaderTest : public ::testing::Test {
 protected:
  JobSettings read(std::vector<std::string> words) {
    words.insert(words.begin(), "marl");
    std::vector<const char*> argv;
    for (const std::string& w : words) argv.push_back(w.c_str());
    err_.str("");
    const ArgumentMap map(int(argv.size()), argv.data(), err_);
    return readJobSettings(map, err_).value();
  }
  std::ostringstream err_;
};

TEST_F(SettingsReaderTest, DefaultsLeaveTheDrawnValuesOpen) {
  const JobSettings s = read({});
  for (const auto& channel : s.channels) EXPECT_FALSE(channel.has_value());
  EXPECT_EQ(s.basename, "symmetric_square");
  EXPECT_EQ(s.iterationMaximum, 200000000);
  EXPECT_EQ(s.imageWord, "jpeg");
  EXPECT_STREQ(s.format->name, "jpeg");
  EXPECT_EQ(s.detail, 6);
  EXPECT_EQ(s.side, 1201u);
  EXPECT_FALSE(s.quazi);
  EXPECT_EQ(err_.str(), "");
}

TEST_F(SettingsReaderTest, GivenColourChannelsAreLimited) {
  const JobSettings s =
      read({"R0=300", "G0=-1", "B0=7.9", "R1=abc", "G1=0", "B1=255"});
  const uint32_t expected[6] = {255, 255, 7, 0, 0, 255};
  for (int c = 0; c < 6; ++c) {
    ASSERT_TRUE(s.channels[c].has_value()) << c;
    EXPECT_EQ(*s.channels[c], expected[c]) << c;
  }
}

TEST_F(SettingsReaderTest, ImageWordIsKeptAsGivenWithItsFormat) {
  for (auto [word, name] : std::vector<std::pair<std::string, std::string>>{
           {"TIFF", "tiff"}, {"png", "jpeg"}, {"", "jpeg"}, {"tiffbmp", "bmp"}}) {
    const JobSettings s = read({"image=" + word});
    EXPECT_EQ(s.imageWord, word);
    EXPECT_STREQ(s.format->name, name.c_str()) << word;
  }
}

TEST_F(SettingsReaderTest, DetailSizeAndIterationLimits) {
  for (auto [given, detail] : std::vector<std::pair<const char*, int>>{
           {"1", 2}, {"2", 2}, {"12", 12}, {"13", 12}, {"abc", 2}}) {
    EXPECT_EQ(read({std::string("detail=") + given}).detail, detail) << given;
  }
  const JobSettings small = read({"size=10", "it=-5"});
  EXPECT_EQ(small.side, 40u);
  EXPECT_EQ(small.iterationMaximum, -5);
  EXPECT_EQ(read({"size=40", "it=3200000000"}).side, 40u);
  EXPECT_EQ(err_.str(), "");
  EXPECT_EQ(read({"it=3200000000"}).iterationMaximum, 3200000000);
}

TEST_F(SettingsReaderTest, OversizedSidesAreLoweredWithAWarning) {
  EXPECT_EQ(read({"size=99999999999"}).side, JobSettings::MaxSide);
  EXPECT_NE(err_.str().find("marl: warning: size=99999999999 is above 65535"),
            std::string::npos);
  const JobSettings s = read({"quazi=true", "qsize=70000", "qx=69000"});
  EXPECT_EQ(s.qsize, 65535);
  EXPECT_EQ(s.qx, 69000);  // lowered to the job's qsize by the job
  EXPECT_NE(err_.str().find("qsize=70000 is above"), std::string::npos);
}

TEST_F(SettingsReaderTest, WidthHeightAndShiftShapeTheCut) {
  struct Case {
    std::vector<std::string> words;
    uint32_t side, width, height;
  } const cases[] = {
      {{}, 1201, 1201, 1201},
      {{"width=3840", "height=2160"}, 3840, 3840, 2160},  // the longer side
      {{"height=2556", "width=1179"}, 2556, 1179, 2556},
      {{"width=900"}, 900, 900, 900},                    // alone: the side
      {{"size=500", "width=1000"}, 500, 1000, 500},
      {{"size=500", "width=10", "height=99999"}, 500, 40, 65535},
  };
  for (const Case& c : cases) {
    const JobSettings s = read(c.words);
    EXPECT_EQ(s.side, c.side) << c.words.size();
    EXPECT_EQ(s.width.value_or(s.side), c.width);
    EXPECT_EQ(s.height.value_or(s.side), c.height);
  }
  const JobSettings s = read({"shiftx=0.25", "shifty=1.5"});
  EXPECT_EQ(s.shiftX, 0.25);
  EXPECT_EQ(s.shiftY, 1.0);
  EXPECT_NE(err_.str().find("shifty=1.5 is above 1; using 1"),
            std::string::npos);
  EXPECT_EQ(read({}).shiftX, 0.0);
}

TEST_F(SettingsReaderTest, QuaziOptionsAreReadOnlyWhenAskedFor) {
  for (const char* off : {"quazi=True", "quazi=yes", "quazi=1"}) {
    const JobSettings s = read({off, "qline=7"});
    EXPECT_FALSE(s.quazi);
    EXPECT_FALSE(s.qline.has_value());
  }
  const JobSettings s = read({"quazi=TRUE", "qline=3", "qx=5", "qy=5000",
                              "qsize=800", "qscale=10", "qsep=0.5"});
  EXPECT_TRUE(s.quazi);
  EXPECT_EQ(s.qline, 5);
  EXPECT_EQ(s.qsize, 800);
  EXPECT_EQ(s.qx, 20);
  EXPECT_EQ(s.qy, 5000);
  EXPECT_EQ(s.qscale, 3.0);
  EXPECT_EQ(s.qsep, 0.1);
  EXPECT_EQ(read({"quazi=true", "qline=100"}).qline, 42);
  EXPECT_FALSE(read({"quazi=true"}).qscale.has_value());
}

}  // namespace
}  // namespace marl
