#include "driver/colour_settings_reader.h"

#include <unistd.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "driver/settings_reader.h"
#include "support/command_words.h"

namespace marl {
namespace {

class ColourSettingsTest : public ::testing::Test {
 protected:
  ~ColourSettingsTest() override {
    if (!file_.empty()) std::remove(file_.c_str());
  }
  // The settings of `words`, with `fileText` as the parameter file if any.
  JobSettings read(std::vector<std::string> words,
                   const std::string& fileText = "") {
    if (!fileText.empty()) {
      char name[] = "/tmp/marl-colours-XXXXXX";
      const int fd = mkstemp(name);
      file_ = name;
      std::FILE* f = fdopen(fd, "w");
      std::fputs(fileText.c_str(), f);
      std::fclose(f);
      words.push_back("file=" + file_);
    }
    const marl_test::CommandWords command(std::move(words));
    err_.str("");
    const ArgumentMap map(command.argc(), command.argv(), err_);
    return readJobSettings(map, err_).value();
  }
  std::vector<uint32_t> channels(const JobSettings& s) {
    std::vector<uint32_t> c;
    for (const auto& channel : s.channels) c.push_back(channel.value_or(999));
    return c;
  }
  std::ostringstream err_;
  std::string file_;
};

TEST_F(ColourSettingsTest, ColorsSetTheChannelsAndKeepMoreThanTwoStops) {
  const JobSettings two = read({"colors=#102030,F0e0D0"});
  EXPECT_EQ(channels(two), (std::vector<uint32_t>{16, 32, 48, 240, 224, 208}));
  EXPECT_TRUE(two.colour.stops.empty());
  const JobSettings three = read({"colors=000000,ff0000,#ffffff", "R0=9"});
  EXPECT_EQ(channels(three), (std::vector<uint32_t>{0, 0, 0, 255, 255, 255}));
  EXPECT_EQ(three.colour.stops,
            (std::vector<uint32_t>{0x000000, 0xff0000, 0xffffff}));
  EXPECT_NE(err_.str().find("R0..B1 is ignored: colors= gives the colours"),
            std::string::npos);
}

TEST_F(ColourSettingsTest, UnusableValuesAreNamedAndTheColoursDrawn) {
  struct Case {
    std::vector<std::string> words;
    const char* says;
  } cases[] = {
      {{"colors=ff0000"}, "colors=ff0000 has 1 stops, not 2 to 16"},
      {{"colors=ff0000,00ff0g"}, "has '00ff0g', which is no RRGGBB colour"},
      {{"colors=ff0000,,00ff00"}, "has '', which"},
      {{"colors=" + std::string(17 * 7 - 1, 'a')}, "which is no RRGGBB"},
      {{"colors=000000,111111,222222,333333,444444,555555,666666,777777,"
        "888888,999999,aaaaaa,bbbbbb,cccccc,dddddd,eeeeee,ffffff,000000"},
       "has 17 stops"},
      {{"palette=viridi"}, "palette=viridi is not a built-in palette; the "
                           "nearest are viridis,"},
      {{"palette=MAGMA"}, "the nearest are magma,"},
      {{"palette=\x1b"}, "palette=\\x1b is not"},
      {{"blend=lab"}, "blend=lab is not rgb or oklab; using rgb"},
      {{"tone=gamma"}, "tone=gamma is not equalize, log or linear; using "
                       "equalize"},
      {{"gamma=20"}, "gamma=20 is above 10; using 10"},
      {{"gamma=0"}, "gamma=0 is below 0.1; using 0.1"},
  };
  for (const Case& c : cases) {
    const JobSettings s = read(c.words);
    EXPECT_NE(err_.str().find(c.says), std::string::npos)
        << c.words[0] << ": " << err_.str();
    EXPECT_EQ(err_.str().rfind("marl: warning: ", 0), 0u) << err_.str();
    EXPECT_TRUE(s.colour.stops.empty());
    EXPECT_EQ(s.colour.palette, "");
    EXPECT_EQ(channels(s)[0], 999u) << c.words[0];  // still to be drawn
  }
  EXPECT_EQ(read({"gamma=20"}).colour.gamma, 10.0);
}

TEST_F(ColourSettingsTest, ChoicesAndTheirDefaults) {
  const JobSettings plain = read({});
  EXPECT_FALSE(plain.colour.reverse);
  EXPECT_EQ(plain.colour.blend, Blend::Rgb);
  EXPECT_EQ(plain.colour.tone, Tone::Equalize);
  EXPECT_EQ(plain.colour.gamma, 1.0);
  const JobSettings s = read({"palette=random", "reverse=true", "blend=oklab",
                              "tone=log", "gamma=2.5"});
  EXPECT_EQ(s.colour.palette, "random");
  EXPECT_TRUE(s.colour.reverse);
  EXPECT_EQ(s.colour.blend, Blend::Oklab);
  EXPECT_EQ(s.colour.tone, Tone::Log);
  EXPECT_EQ(s.colour.gamma, 2.5);
  EXPECT_EQ(read({"tone=linear"}).colour.tone, Tone::Linear);
  EXPECT_EQ(err_.str(), "");
}

TEST_F(ColourSettingsTest, CommandLineColoursSetAsideTheFileColours) {
  const std::string recipe =
      "R0=1\nG0=2\nB0=3\nR1=4\nG1=5\nB1=6\ncolors=111111,222222,333333\n";
  // The file alone: its colors= beat its channels.
  EXPECT_EQ(read({}, recipe).colour.stops.size(), 3u);
  // A palette on the command line recolours.
  const JobSettings palette = read({"palette=magma"}, recipe);
  EXPECT_EQ(palette.colour.palette, "magma");
  EXPECT_TRUE(palette.colour.stops.empty());
  EXPECT_EQ(err_.str(), "");
  // So does one channel: two colours, the rest from the file.
  const JobSettings channel = read({"R0=200"}, recipe);
  EXPECT_TRUE(channel.colour.stops.empty());
  EXPECT_EQ(channels(channel), (std::vector<uint32_t>{200, 2, 3, 4, 5, 6}));
  // A file's palette yields to colors= on the command line.
  const JobSettings stops =
      read({"colors=0a0b0c,0d0e0f"}, "palette=viridis\nR0=1\n");
  EXPECT_EQ(stops.colour.palette, "");
  EXPECT_EQ(channels(stops), (std::vector<uint32_t>{10, 11, 12, 13, 14, 15}));
  // On one level colors= wins, with a word about the palette.
  const JobSettings both = read({"colors=0a0b0c,0d0e0f", "palette=magma"});
  EXPECT_EQ(both.colour.palette, "");
  EXPECT_NE(err_.str().find("palette=magma is ignored: colors= gives the "
                            "colours"),
            std::string::npos);
}

}  // namespace
}  // namespace marl
