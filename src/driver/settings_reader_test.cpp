#include "driver/settings_reader.h"

#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "support/command_words.h"

namespace marl {
namespace {

class SettingsReaderTest : public ::testing::Test {
 protected:
  JobSettings read(std::vector<std::string> words) {
    const marl_test::CommandWords command(std::move(words));
    err_.str("");
    const ArgumentMap map(command.argc(), command.argv(), err_);
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
           {"TIFF", "tiff"}, {"png", "png"}, {"", "jpeg"}, {"tiffbmp", "bmp"},
           {"jpg", "jpeg"}}) {
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

TEST_F(SettingsReaderTest, DepthBackgroundAndQualityFollowTheFormat) {
  struct Case {
    std::vector<std::string> words;
    int depth;
    Background::Kind background;
    uint32_t colour;
    int quality;
    bool lossless;
    const char* warning;  // part of the one warning, or "" for none
  };
  const Case cases[] = {
      {{"image=png", "depth=16"}, 16, Background::AsPainted, 0, 0, false, ""},
      {{"image=tiff", "depth=8"}, 8, Background::AsPainted, 0, 0, false, ""},
      {{"depth=16"}, 8, Background::AsPainted, 0, 0, false,
       "depth=16 needs image=png or image=tiff; a JPEG picture"},
      {{"image=webp", "depth=16"}, 8, Background::AsPainted, 0, 0, false,
       "depth=16 needs image=png or image=tiff; a WebP picture has 8 bits"},
      {{"image=png", "depth=12"}, 8, Background::AsPainted, 0, 0, false,
       "depth=12 is neither 8 nor 16; using 8"},
      {{"image=tiff", "background=none"}, 8, Background::Transparent, 0, 0,
       false, ""},
      {{"image=gif", "background=none"}, 8, Background::AsPainted, 0, 0, false,
       "background=none needs image=png, image=tiff or image=webp"},
      {{"image=bmp", "background=fF8000"}, 8, Background::Colour, 0xFF8000, 0,
       false, ""},
      {{"background=red"}, 8, Background::AsPainted, 0, 0, false,
       "background=red is neither none nor a colour RRGGBB"},
      {{"image=webp", "quality=lossless"}, 8, Background::AsPainted, 0, 0,
       true, ""},
      {{"quality=lossless"}, 8, Background::AsPainted, 0, 0, false,
       "quality=lossless applies only to image=webp"},
      {{"quality=80"}, 8, Background::AsPainted, 0, 80, false, ""},
      {{"image=webp", "quality=150"}, 8, Background::AsPainted, 0, 100, false,
       "quality=150 is above 100; using 100"},
      {{"image=png", "quality=80"}, 8, Background::AsPainted, 0, 0, false,
       "quality=80 applies only to image=jpeg and image=webp"},
  };
  for (const Case& c : cases) {
    const std::string trace = c.words.back();
    const JobSettings s = read(c.words);
    EXPECT_EQ(s.depth, c.depth) << trace;
    EXPECT_EQ(s.background.kind, c.background) << trace;
    EXPECT_EQ(s.background.colour, c.colour) << trace;
    EXPECT_EQ(s.quality, c.quality) << trace;
    EXPECT_EQ(s.lossless, c.lossless) << trace;
    const std::string err = err_.str();
    if (*c.warning == '\0') {
      EXPECT_EQ(err, "") << trace;
    } else {
      EXPECT_EQ(err.rfind(std::string("marl: warning: ") + c.warning, 0), 0u)
          << err;
      EXPECT_EQ(err.find('\n'), err.size() - 1) << err;
    }
  }
}

}  // namespace
}  // namespace marl
