// Pictures as recipes: replays by `file=PICTURE` with the real binary.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "e2e/marl_process.h"

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

TEST(RecipeEndToEnd, ReplayMakesTheSameFilesAndNeverOverwrites) {
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
    // In its own folder the replay takes the next free names.
    const std::string original = made.read(names[0]);
    const RunResult again = runMarl(made, {"file=" + names[0]});
    ASSERT_EQ(again.status, 0) << again.err;
    EXPECT_NE(again.err.find("wrote '"), std::string::npos) << again.err;
    EXPECT_EQ(made.files().size(), 4u);
    EXPECT_TRUE(made.read(names[0]) == original);
  }
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

}  // namespace
}  // namespace marl_e2e
