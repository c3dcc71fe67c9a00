#include "job/catalogue_line.h"

#include <string>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "job/recipe.h"

namespace marl {
namespace {

PicturePlan plan() {
  PicturePlan p;
  p.options.format = &imageFormats().front();
  p.options.side = 300;
  p.options.width = 400;
  p.options.mode = JobSettings::Mode::Fast;
  p.options.iterationMaximum = 5000000;
  p.startColour = 0xFF0B0B2Eu;
  p.finishColour = 0xFFF5A000u;
  p.map.detail = 4;
  p.imageNumber = 16276;
  p.attempt = 3;
  p.fill = 0.25;
  p.recipe = "\\ marl recipe: ...\nsize=300\ncheck=0123456789abcdef\n";
  return p;
}

TEST(CatalogueLine, OneWholeLineSayingWhatThePictureIs) {
  PicturePlan p = plan();
  const std::string line =
      catalogueLine(p, {{"a016276.jpg", "a_quazi016276.jpg"}, 7, 0.375});
  ASSERT_FALSE(line.empty());
  EXPECT_EQ(line.back(), '\n');
  EXPECT_EQ(line.find('\n'), line.size() - 1);
  const nlohmann::json j = nlohmann::json::parse(line);
  EXPECT_EQ(j["files"], nlohmann::json({"a016276.jpg", "a_quazi016276.jpg"}));
  EXPECT_EQ(j["kind"], "still");
  EXPECT_FALSE(j.contains("frame"));
  EXPECT_EQ(j["picture"], 7);
  EXPECT_EQ(j["number"], 16276);
  EXPECT_TRUE(j["seed"].is_null());
  EXPECT_EQ(j["fill"], 0.25);
  EXPECT_EQ(j["cover"], 0.375);
  EXPECT_EQ(j["size"], 300);
  EXPECT_EQ(j["width"], 400);
  EXPECT_EQ(j["height"], 300);
  EXPECT_EQ(j["mode"], "fast");
  EXPECT_EQ(j["it"], 5000000);
  EXPECT_EQ(j["detail"], 4);
  EXPECT_EQ(j["attempt"], 3);
  EXPECT_EQ(j["colours"]["start"], "0b0b2e");
  EXPECT_EQ(j["colours"]["finish"], "f5a000");
  EXPECT_TRUE(j["colours"]["palette"].is_null());
  EXPECT_EQ(j["check"], "0123456789abcdef");
  // The files come first, as a reader scanning the file looks for them.
  EXPECT_EQ(line.rfind("{\"files\":", 0), 0u);
}

TEST(CatalogueLine, SeedPaletteAndNamesThatAreNotText) {
  PicturePlan p = plan();
  p.options.seed = 4294967295u;
  p.options.colour.stops = {0x102030, 0xffffff, 0x000000};
  const Palette* magma = findPalette("magma");
  ASSERT_NE(magma, nullptr);
  p.palette = magma;
  const nlohmann::json j = nlohmann::json::parse(
      catalogueLine(p, {{"caf\xe9\".jpg"}, 1, 1.0}));
  EXPECT_EQ(j["seed"], 4294967295u);
  EXPECT_EQ(j["colours"]["palette"], "magma");
  EXPECT_EQ(j["colours"]["stops"],
            nlohmann::json({"102030", "ffffff", "000000"}));
  // A Latin-1 byte is no UTF-8: replaced, the quote kept as JSON escapes it.
  EXPECT_EQ(j["files"][0], "caf\xef\xbf\xbd\".jpg");
}

TEST(CatalogueLine, FramesAndVideosSayWhichTheyAreAndWhoseCheck) {
  PicturePlan p = plan();
  FrameOfAnimation frame;
  frame.index = 5;
  frame.recipeLines = "\\ marl recipe: ...\nframes=8\n";
  p.frame = frame;
  const nlohmann::json still =
      nlohmann::json::parse(catalogueLine(p, {{"a016276_f0005.jpg"}, 2, 0.5}));
  EXPECT_EQ(still["kind"], "frame");
  EXPECT_EQ(still["frame"], 5);
  EXPECT_EQ(still["check"], "0123456789abcdef");
  // Its map is not the one the fill check judged.
  EXPECT_TRUE(still["fill"].is_null());
  EXPECT_EQ(still["cover"], 0.5);
  const nlohmann::json videos = nlohmann::json::parse(catalogueLine(
      p, {{"a016276.mp4", "a016276.gif"}, 2, std::nullopt, true}));
  EXPECT_EQ(videos["kind"], "videos");
  EXPECT_FALSE(videos.contains("frame"));
  EXPECT_TRUE(videos["fill"].is_null());
  EXPECT_TRUE(videos["cover"].is_null());
  // The videos' recipe is the animation's: its check is over those lines.
  const std::string sealed = withCheckLine(frame.recipeLines);
  EXPECT_EQ(videos["check"], sealed.substr(sealed.size() - 17, 16));
}

}  // namespace
}  // namespace marl
