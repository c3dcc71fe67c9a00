// Pictures as recipes: replays by `file=PICTURE` with the real binary.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "e2e/marl_process.h"
#include "readers/embedded_text.h"
#include "support/picture_texts.h"

namespace marl_e2e {
namespace {

// At the frozen second these options throw one attempt away, so the
// pictures come from a restarted attempt.
const std::vector<std::string> Restarting = {
    "it=2000000", "size=300", "detail=3", "quazi=true", "qline=6"};

std::vector<std::string> withImage(const std::string& image) {
  std::vector<std::string> args = Restarting;
  args.push_back("image=" + image);
  return args;
}

TEST(RecipeEndToEnd, ReplayMakesTheSameFilesAndNeverDoublesOrOverwrites) {
  for (const char* image : {"jpeg", "tiff", "gif", "png", "webp"}) {
    SCOPED_TRACE(image);
    TempFolder made;
    const RunResult first = runMarl(made, withImage(image));
    ASSERT_EQ(first.status, 0) << first.err;
    ASSERT_NE(first.out.find("Reseting as unfilled"), std::string::npos);
    const std::vector<std::string> names = made.files();
    ASSERT_EQ(names.size(), 2u);
    for (const std::string& picture : names) {
      TempFolder elsewhere;
      const RunResult replay =
          runMarl(elsewhere, {"file=" + made.path() + "/" + picture});
      ASSERT_EQ(replay.status, 0) << replay.err;
      EXPECT_EQ(replay.err, "");
      ASSERT_EQ(elsewhere.files(), names);
      for (const std::string& name : names)
        EXPECT_TRUE(elsewhere.read(name) == made.read(name)) << name;
    }
    // In its own folder the replay finds its very files there and drops
    // its copies, doubling nothing.
    const std::string original = made.read(names[0]);
    const RunResult again = runMarl(made, {"file=" + names[0]});
    ASSERT_EQ(again.status, 0) << again.err;
    for (const std::string& name : names) {
      EXPECT_NE(again.err.find("marl: note: '" + name +
                               "' holds this very picture already"),
                std::string::npos)
          << again.err;
    }
    EXPECT_EQ(made.files(), names);
    EXPECT_TRUE(made.read(names[0]) == original);
    // A foreign file under the name still gives the next free name.
    made.write(names[0], "not this picture");
    const RunResult foreign = runMarl(made, {"file=" + names[1]});
    ASSERT_EQ(foreign.status, 0) << foreign.err;
    EXPECT_NE(foreign.err.find("' exists; wrote '"), std::string::npos)
        << foreign.err;
    EXPECT_EQ(made.files().size(), 3u);
  }
}

// At this second a size of 40 draws the tiling's centre beyond its side;
// the replay must keep it there, not lower it as it lowers a given one.
TEST(RecipeEndToEnd, ReplayKeepsADrawnTilingCentreBeyondTheTilingsSide) {
  TempFolder made;
  const RunResult first =
      runMarl(made, {"size=40", "it=1000", "quazi=true", "qline=6"},
              "2026-01-01 00:00:12");
  ASSERT_EQ(first.status, 0) << first.err;
  const std::vector<std::string> names = made.files();
  ASSERT_EQ(names.size(), 2u);
  const std::string recipe = made.read(names[0]);
  const auto value = [&](const std::string& key) {
    return std::stoi(
        recipe.substr(recipe.find("\n" + key + "=") + key.size() + 2));
  };
  ASSERT_GT(value("qx"), value("qsize"));
  TempFolder replay;
  const RunResult again =
      runMarl(replay, {"file=" + made.path() + "/" + names[0]});
  EXPECT_EQ(again.err, "");
  ASSERT_EQ(replay.files(), names);
  for (const std::string& name : names)
    EXPECT_TRUE(replay.read(name) == made.read(name)) << name;
}

TEST(RecipeEndToEnd, EnlargingScalesTheStepsAndTheCommandLineWins) {
  TempFolder made;
  ASSERT_EQ(runMarl(made, withImage("jpeg")).status, 0);
  const std::string picture = made.files()[0];
  TempFolder big;
  const RunResult twice = runMarl(
      big, {"file=" + made.path() + "/" + picture, "size=600", "R0=1"});
  ASSERT_EQ(twice.status, 0) << twice.err;
  EXPECT_NE(twice.out.find("Will run to 8000000\n"), std::string::npos);
  EXPECT_NE(twice.out.find("The image will be 600 x 600 pixels\n"),
            std::string::npos);
  EXPECT_NE(twice.out.find("Start color = Red 1 "), std::string::npos);
  EXPECT_EQ(twice.out.find("fillval"), std::string::npos);
  const RunResult given = runMarl(
      big, {"file=" + made.path() + "/" + picture, "size=600", "it=5000",
            "count=3"});
  EXPECT_NE(given.out.find("1 image(s) will be created\nStart"),
            std::string::npos);
  EXPECT_NE(given.out.find("Will run to 5000\n"), std::string::npos);
  EXPECT_NE(given.err.find("making it once"), std::string::npos);
}

// A step count far below zero does what it does in exact mode in every
// mode, with a given map too: nothing, at once.
TEST(RecipeEndToEnd, StepCountFarBelowZeroEndsAtOnceInEveryMode) {
  TempFolder made;
  ASSERT_EQ(runMarl(made, {"it=5000", "size=100"}).status, 0);
  const std::string picture = made.path() + "/" + made.files()[0];
  for (const char* mode : {"mode=exact", "mode=fast"}) {
    for (bool replay : {false, true}) {
      SCOPED_TRACE(std::string(mode) + (replay ? " replay" : ""));
      std::vector<std::string> args = {"it=-9223372036854775807", mode,
                                       "size=100"};
      if (replay) args.push_back("file=" + picture);
      TempFolder folder;
      MarlProcess marl(folder, args);
      const RunResult run = marl.waitAtMost(std::chrono::seconds(120));
      EXPECT_EQ(run.signal, 0);
      EXPECT_EQ(run.status, 0);
      EXPECT_EQ(run.err, "");
      EXPECT_NE(run.out.find("Will run to -9223372036854775807\n"),
                std::string::npos);
      EXPECT_EQ(folder.files().size(), 1u);
    }
  }
}

TEST(RecipeEndToEnd, BadRecipesMakeNoPicture) {
  TempFolder made;
  ASSERT_EQ(runMarl(made, withImage("jpeg")).status, 0);
  ASSERT_EQ(runMarl(made, {"image=bmp", "it=0", "basename=plain"}).status, 0);
  std::string jpeg, bmp;
  for (const std::string& name : made.files()) {
    if (name.rfind("plain", 0) == 0) bmp = name;
    if (name.rfind("symmetric_square0", 0) == 0) jpeg = name;
  }
  const std::string text = made.read(jpeg);
  const std::size_t recipeAt = text.find("coefficients=");
  ASSERT_NE(recipeAt, std::string::npos);
  made.write("cut.jpg", text.substr(0, recipeAt + 20));
  std::string edited = text;
  edited[recipeAt + 15] = edited[recipeAt + 15] == '1' ? '2' : '1';
  made.write("edited.jpg", edited);
  const std::string comment = text.substr(text.find("\\ marl recipe"));
  made.write("recipe.txt", comment.substr(0, comment.find("\ncheck=")) +
                               "\nqline=7\n");

  struct Case {
    std::vector<std::string> args;
    const char* says;
  } cases[] = {
      {{"file=" + bmp}, "no place for an embedded text"},
      {{"file=cut.jpg"}, "cannot use parameter file 'cut.jpg'"},
      {{"file=edited.jpg"}, "check line does not match"},
      {{"file=recipe.txt"}, "check line is missing"},
      {{"file=" + jpeg, "detail=4"}, "coefficients holds 9 values where 16"},
      {{"file=" + jpeg, "startx=nan"}, "startx=nan is not a number"},
      {{"file=" + jpeg, "qline=7"}, "spacings holds 6 values where 7"},
  };
  const std::size_t before = made.files().size();
  for (const Case& c : cases) {
    const RunResult run = runMarl(made, c.args);
    EXPECT_EQ(run.status, 1) << c.args[0];
    EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
    EXPECT_EQ(run.err.rfind("marl: error: ", 0), 0u) << run.err;
    EXPECT_EQ(made.files().size(), before) << c.args[0];
  }
}

// A picture of each type with its recipe, quick to make and to replay.
struct Made {
  TempFolder folder;
  std::string name;    // of the picture
  std::string recipe;  // its text
  std::string path() const { return folder.path() + "/" + name; }
};

void make(Made& made, const std::string& image) {
  const RunResult run = runMarl(
      made.folder, {"size=120", "it=1100000", "detail=2", "image=" + image});
  ASSERT_EQ(run.status, 0) << run.err;
  ASSERT_EQ(made.folder.files().size(), 1u);
  made.name = made.folder.files()[0];
  const marl::EmbeddedTextResult read = marl::readEmbeddedText(made.path());
  ASSERT_EQ(read.texts.size(), 1u) << read.reason;
  made.recipe = read.texts[0];
}

// The recipe with another value for `key` and its check made anew.
std::string resealed(const std::string& recipe, const std::string& key,
                     const std::string& value) {
  std::string lines = recipe.substr(0, recipe.find("check="));
  const std::size_t at = lines.find("\n" + key + "=");
  if (at == std::string::npos) {
    // A key the picture was made without, as a later marl could write it.
    lines += key + "=" + value + "\n";
  } else {
    const std::size_t from = at + key.size() + 2;
    lines.replace(from, lines.find('\n', from) - from, value);
  }
  return marl_test::sealed(lines);
}

bool madeNothing(const TempFolder& folder, const std::string& input) {
  const std::vector<std::string> files = folder.files();
  return files.size() == 1 && files[0] == input;
}

TEST(RecipeEndToEnd, OnlyAWholeRecipeAmongThePicturesTextsIsReplayed) {
  for (const char* image : {"jpeg", "tiff", "gif", "png", "webp"}) {
    SCOPED_TRACE(image);
    Made made;
    make(made, image);
    const std::string& recipe = made.recipe;
    const std::string picture = made.folder.read(made.name);
    struct Case {
      std::vector<std::string> texts;
      int status;
      const char* says;
    } cases[] = {
        {{"Created with GIMP"}, 1, "' holds no marl recipe: the text this "},
        {{recipe.substr(0, recipe.find("linear="))}, 1, "cut or changed"},
        {{recipe + "quazi=true\n"}, 1, "text after the recipe's check"},
        // Editors and optimisers add comments of their own.
        {{"Created with GIMP\n", recipe}, 0, "ignoring 1 line of other text"},
    };
    for (const Case& c : cases) {
      TempFolder replay;
      const std::string input = "in" + made.name.substr(made.name.find('.'));
      replay.write(input, marl_test::withTexts(picture, c.texts));
      const RunResult run = runMarl(replay, {"file=" + input});
      EXPECT_EQ(run.status, c.status) << run.err;
      EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
      if (c.status != 0) {
        EXPECT_EQ(run.err.rfind("marl: error: ", 0), 0u) << run.err;
        EXPECT_TRUE(madeNothing(replay, input));
      } else {
        EXPECT_TRUE(replay.read(made.name) == picture);
      }
    }
  }
}

TEST(RecipeEndToEnd, RecipeValuesBeyondTheirLimitsAreRefused) {
  Made made;
  make(made, "jpeg");
  const std::string picture = made.folder.read(made.name);
  struct Case {
    const char *key, *value;
    std::vector<std::string> args;
  } cases[] = {
      {"size", "99999999", {}},
      {"detail", "99", {}},
      {"R0", "999", {}},
      {"image", "jxl", {}},
      {"depth", "12", {}},
      {"depth", "16", {}},  // a JPEG has 8 bits a sample
      {"background", "blue", {}},
      {"quality", "lossless", {}},  // lossless is WebP's alone
      {"quality", "101", {}},
      {"mode", "turbo", {}},
      {"it", "lots", {}},
      {"palette", "nosuch", {}},
      {"tone", "loud", {}},
      {"colors", "ff0000", {}},
      // Replaced on the command line, it is still not a value marl writes.
      {"size", "99999999", {"size=200"}},
  };
  for (const Case& c : cases) {
    const std::string pair = std::string(c.key) + "=" + c.value;
    TempFolder replay;
    replay.write("in.jpg",
                 marl_test::withTexts(
                     picture, {resealed(made.recipe, c.key, c.value)}));
    std::vector<std::string> args = c.args;
    args.insert(args.begin(), "file=in.jpg");
    const RunResult run = runMarl(replay, args);
    EXPECT_EQ(run.status, 1) << pair;
    EXPECT_NE(run.err.find("marl: error: the recipe in 'in.jpg' is "
                           "unusable: " + pair + " "),
              std::string::npos)
        << run.err;
    EXPECT_TRUE(madeNothing(replay, "in.jpg")) << pair;
  }
}

TEST(RecipeEndToEnd, RecipeBaseNameIsShownEscapedAndKeepsNoFolder) {
  Made made;
  make(made, "jpeg");
  const std::string picture = made.folder.read(made.name);
  const std::string number = made.name.substr(made.name.size() - 10);
  const std::string hostile = "\x1b]0;pwned\x07\xff\xfe_";
  const std::string shown = "\\x1b]0;pwned\\x07\\xff\\xfe_";
  TempFolder replay;
  replay.write("in.jpg",
               marl_test::withTexts(
                   picture, {resealed(made.recipe, "basename", hostile)}));
  RunResult run = runMarl(replay, {"file=in.jpg"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("base file name is " + shown + "\n"),
            std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find("\n" + shown + number + "\n"), std::string::npos);
  EXPECT_EQ(run.out.find_first_of("\x1b\x07\xff"), std::string::npos);

  TempFolder inner;
  inner.write("in.jpg",
              marl_test::withTexts(
                  picture, {resealed(made.recipe, "basename", "../x_")}));
  run = runMarl(inner, {"file=in.jpg"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.err.find("ignoring the folder '../' of the base name in "
                         "'in.jpg': a picture does not choose where files "
                         "go; using basename=x_"),
            std::string::npos)
      << run.err;
  EXPECT_EQ(inner.files(),
            (std::vector<std::string>{"in.jpg", "x_" + number}));
  EXPECT_NE(run.out.find("\nx_" + number + "\n"), std::string::npos);
}

}  // namespace
}  // namespace marl_e2e
