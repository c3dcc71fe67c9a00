// Colour options with the real binary: colors=, palette=, reverse=, and
// replays that recolour.
#include <array>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "e2e/marl_process.h"
#include "readers/embedded_text.h"
#include "colour/palettes.h"
#include "support/colour_path.h"
#include "support/decoded_image.h"

namespace marl_e2e {
namespace {

using marl_test::decodeImageFile;

// it at most 1000000 skips the fill check: quick.
std::vector<std::string> quick(std::vector<std::string> extra) {
  extra.insert(extra.begin(), {"size=150", "it=400000"});
  return extra;
}

// The files of a run, by name, and what it printed.
struct Made {
  std::vector<std::string> names;
  std::vector<std::string> bytes;
  std::string out;
};

Made make(const std::vector<std::string>& args) {
  TempFolder folder;
  const RunResult run = runMarl(folder, args);
  EXPECT_EQ(run.status, 0) << run.err;
  Made made{folder.files(), {}, run.out};
  for (const std::string& name : made.names) made.bytes.push_back(folder.read(name));
  return made;
}

std::string recipeOf(const std::string& path) {
  std::string joined;
  for (const std::string& text : marl::readEmbeddedText(path).texts) joined += text;
  return joined;
}

// The line of `text` that starts with `key`, or "" when none does.
std::string lineOf(const std::string& text, const std::string& key) {
  const std::size_t at = text.find("\n" + key);
  if (at == std::string::npos) return "";
  return text.substr(at + 1, text.find('\n', at + 1) - at - 1);
}

std::vector<std::array<double, 3>> stopsOf(const char* palette) {
  std::vector<std::array<double, 3>> stops;
  for (const marl::Rgb& s : marl::findPalette(palette)->stops)
    stops.push_back({s.r, s.g, s.b});
  return stops;
}

TEST(ColourEndToEnd, TwoStopsAreTheChannelsByteForByte) {
  const Made stops = make(quick({"colors=#102030,f0e0d0"}));
  const Made channels =
      make(quick({"R0=16", "G0=32", "B0=48", "R1=240", "G1=224", "B1=208"}));
  ASSERT_EQ(stops.names.size(), 1u);
  EXPECT_EQ(stops.names, channels.names);
  EXPECT_TRUE(stops.bytes == channels.bytes);
  EXPECT_EQ(stops.out, channels.out);
}

TEST(ColourEndToEnd, PalettePictureLiesOnItsGradient) {
  TempFolder folder;
  const RunResult run = runMarl(folder, quick({"palette=magma", "image=bmp"}));
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("Start color = Red 0 Green 0 Blue 4\n"
                         "Final color = Red 252 Green 253 Blue 191\n"),
            std::string::npos);
  const marl_test::DecodedImage image =
      decodeImageFile(folder.path() + "/" + folder.files()[0]);
  ASSERT_EQ(image.width, 150);
  const std::set<uint32_t> colours(image.pixels.begin(), image.pixels.end());
  EXPECT_GT(colours.size(), 30u);
  for (uint32_t colour : colours) {
    EXPECT_LE(marl_test::distanceToPath(stopsOf("magma"), colour & 0xFFFFFF), 1.0)
        << std::hex << colour;
  }
  // The emptiest cells (never visited) and the fullest.
  EXPECT_EQ(colours.count(0xFF000004u), 1u);
  EXPECT_EQ(colours.count(0xFFFCFDBFu), 1u);
}

TEST(ColourEndToEnd, ReverseRunsTheStopsTheOtherWay) {
  // BMP carries no recipe, so the pixels alone are compared.
  EXPECT_TRUE(make(quick({"colors=200000,00ff00,0000ff", "reverse=true",
                          "image=bmp", "tone=log"}))
                  .bytes ==
              make(quick({"colors=0000ff,00ff00,200000", "image=bmp", "tone=log"}))
                  .bytes);
  EXPECT_TRUE(make(quick({"colors=200000,0000ff", "reverse=true", "image=bmp"}))
                  .bytes ==
              make(quick({"colors=0000ff,200000", "image=bmp"})).bytes);
}

TEST(ColourEndToEnd, RandomPaletteFollowsThePictureNumberWithoutDraws) {
  TempFolder folder;
  const std::vector<std::string> batch = {"count=4", "size=100", "it=20000",
                                          "image=tiff"};
  std::vector<std::string> random = batch;
  random.push_back("palette=random");
  const RunResult run = runMarl(folder, random);
  ASSERT_EQ(run.status, 0) << run.err;
  // The same draws: the same console as without it.
  TempFolder plain;
  EXPECT_EQ(runMarl(plain, batch).out, run.out);
  std::set<std::string> palettes;
  for (const std::string& name : folder.files()) {
    const int number = std::stoi(name.substr(name.size() - 10, 6));
    const std::string picked = marl::paletteForNumber(number).name;
    EXPECT_NE(recipeOf(folder.path() + "/" + name).find("\npalette=" + picked + "\n"),
              std::string::npos)
        << name;
    palettes.insert(picked);
  }
  EXPECT_EQ(palettes.size(), 4u);
  // The same numbers, the same palettes: the same files again.
  TempFolder again;
  runMarl(again, random);
  for (const std::string& name : folder.files())
    EXPECT_TRUE(again.read(name) == folder.read(name)) << name;
}

TEST(ColourEndToEnd, ReplaysRecolourInEveryFormatWithARecipe) {
  for (const char* image : {"jpeg", "tiff", "gif"}) {
    SCOPED_TRACE(image);
    TempFolder made;
    const RunResult run = runMarl(
        made, quick({std::string("image=") + image, "tone=log", "gamma=0.5"}));
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string picture = made.files()[0];
    const std::string original = made.path() + "/" + picture;
    TempFolder recoloured;
    const RunResult replay =
        runMarl(recoloured, {"file=" + original, "palette=viridis"});
    ASSERT_EQ(replay.status, 0) << replay.err;
    EXPECT_EQ(replay.err, "");
    ASSERT_EQ(recoloured.files(), std::vector<std::string>{picture});
    const std::string path = recoloured.path() + "/" + picture;
    const std::string recipe = recipeOf(path);
    EXPECT_NE(recipe.find("\npalette=viridis\ntone=log\ngamma=0.5\n"),
              std::string::npos)
        << recipe;
    // The same map.
    EXPECT_EQ(lineOf(recipe, "coefficients="),
              lineOf(recipeOf(original), "coefficients="));
    EXPECT_NE(decodeImageFile(path).pixels, decodeImageFile(original).pixels);
    // The recoloured picture's own recipe makes it again, byte for byte.
    TempFolder again;
    ASSERT_EQ(runMarl(again, {"file=" + path}).status, 0);
    EXPECT_TRUE(again.read(picture) == recoloured.read(picture));
    // And colors= on the command line recolours a palette picture.
    TempFolder stops;
    ASSERT_EQ(runMarl(stops, {"file=" + path, "colors=000000,ff0000,ffffff"}).status, 0);
    EXPECT_NE(recipeOf(stops.path() + "/" + picture)
                  .find("colors=000000,ff0000,ffffff\ntone=log"),
              std::string::npos);
  }
}

TEST(ColourEndToEnd, PaletteListAndUnknownNames) {
  TempFolder folder;
  const RunResult list = runMarl(folder, {"palette=list"});
  EXPECT_EQ(list.status, 0);
  EXPECT_EQ(list.out.find("usage"), std::string::npos);
  EXPECT_TRUE(folder.files().empty());
  std::size_t lines = 0;
  for (const char* name : {"viridis ", "magma ", "inferno ", "plasma ",
                           "twilight ", "ember "})
    EXPECT_NE(("\n" + list.out).find(std::string("\n") + name), std::string::npos)
        << name;
  for (char c : list.out) lines += c == '\n';
  EXPECT_GE(lines, 17u);
  EXPECT_NE(list.out.find("\nmagma 000004,"), std::string::npos);

  // An unknown name: a warning, and the picture of a plain run.
  const Made plain = make(quick({}));
  TempFolder unknown;
  const RunResult run = runMarl(unknown, quick({"palette=magama"}));
  EXPECT_NE(run.err.find("marl: warning: palette=magama is not a built-in "
                         "palette; the nearest are magma"),
            std::string::npos)
      << run.err;
  EXPECT_EQ(run.out, plain.out);
  EXPECT_TRUE(unknown.read(plain.names[0]) == plain.bytes[0]);
}

}  // namespace
}  // namespace marl_e2e
