// Recipes forged with a value marl never writes, resealed with a check that
// matches, in each kind of file marl writes a recipe into: every such run
// ends with status 1 before any work, makes nothing and says why.
#include <chrono>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "e2e/marl_process.h"
#include "options/option_table.h"
#include "readers/embedded_text.h"
#include "support/picture_texts.h"

namespace marl_e2e {
namespace {

// A recipe key and a value for it that marl never writes; `says` is what
// the error names ("" for key=value itself).
struct Forgery {
  const char* key;
  const char* value;
  const char* says = "";
};

// Every key a recipe may hold but basename, which takes any name (a folder
// in it is dropped with a warning), and check, forged apart.
const Forgery Forgeries[] = {
    {"R0", "300"}, {"G0", "-1"}, {"B0", "x"}, {"R1", "256"}, {"G1", "1.5"},
    {"B1", "999"}, {"image", "avi"}, {"it", "lots"}, {"size", "39"},
    {"width", "39"}, {"height", "70000"}, {"shiftx", "2"}, {"shifty", "-1"},
    {"detail", "13"}, {"mode", "turbo"}, {"number", "1234567"},
    {"attempt", "0"}, {"linear", "4"}, {"offset", "0.7"}, {"startx", "2"},
    {"starty", "nan"}, {"coefficients", "2", "coefficients value 1 "},
    {"quazi", "yes"}, {"qline", "99"}, {"qsize", "70000"}, {"qx", "5"},
    {"qy", "x"}, {"qscale", "9"}, {"qsep", "0"},
    {"spacings", "2", "spacings value 1 "}, {"colors", "zz"},
    {"palette", "nosuch"}, {"reverse", "yes"}, {"blend", "y"},
    {"tone", "x"}, {"gamma", "99"}, {"depth", "12"}, {"background", "qq"},
    {"quality", "500"}, {"frames", "999999999"}, {"loop", "2"},
    {"plane", "-1"}, {"keyframes", "2", "keyframes value 1 "},
    {"frame", "-1"}, {"seed", "-1"},
    {"filter", "blur"}, {"deradius", "17"}, {"decurve", "-1"},
    {"demirror", "maybe"},
    // Past the steps a recipe may ask of its 40 x 40 grid by itself.
    {"it", "1600000001",
     "it=1600000001 is above 1600000000, a million hits a pixel of its 40 x "
     "40 grid; give it= on the command line"},
    {"it", "9000000000000000000", "it=9000000000000000000 is above "},
};

// Keys no recipe holds but for these, whose forging is a case of its own.
bool forgedApart(const std::string& key) {
  return key == "basename" || key == "check";
}

// Every key a recipe holds has a forgery above, so that a key added to the
// table is forged too; every other key of the table is forged from the
// table itself (see forgeries()).
TEST(ForgedRecipeTable, EveryKeyARecipeHoldsIsForged) {
  for (const marl::OptionSpec& spec : marl::optionTable()) {
    if (spec.recipe == marl::InRecipe::Never || forgedApart(spec.key))
      continue;
    bool forged = false;
    for (const Forgery& f : Forgeries) forged |= spec.key == std::string(f.key);
    EXPECT_TRUE(forged) << "forge " << spec.key << "= in Forgeries";
  }
}

// Forgeries, and a line for each key of the table that no recipe holds:
// the recipe naming it is refused for holding it at all.
const std::vector<Forgery>& forgeries() {
  static std::vector<std::string> says;  // what the added lines say
  static const std::vector<Forgery> all = [] {
    std::vector<const char*> never;
    for (const marl::OptionSpec& spec : marl::optionTable())
      if (spec.recipe == marl::InRecipe::Never) never.push_back(spec.key);
    for (const char* key : never)
      says.push_back(std::string("its recipe holds the key '") + key +
                     "', which marl never writes into a recipe");
    std::vector<Forgery> list(std::begin(Forgeries), std::end(Forgeries));
    for (std::size_t i = 0; i < never.size(); ++i)
      list.push_back({never[i], "1", says[i].c_str()});
    return list;
  }();
  return all;
}

const char HeaderStart[] = "\\ marl recipe:";

// The recipe with `key` given `value` (added when it holds none) and its
// check made anew. The first line, a comment that only has to begin with
// HeaderStart, grows or shrinks so that the text keeps its length, and a
// forged video keeps the byte layout of its container.
std::string forgedRecipe(const std::string& recipe, const std::string& key,
                         const std::string& value) {
  std::string lines = recipe.substr(0, recipe.find("\ncheck=") + 1);
  const std::size_t at = lines.find("\n" + key + "=");
  if (at == std::string::npos) {
    lines += key + "=" + value + "\n";
  } else {
    const std::size_t from = at + key.size() + 2;
    lines.replace(from, lines.find('\n', from) - from, value);
  }
  const std::ptrdiff_t longer =
      std::ptrdiff_t(marl_test::sealed(lines).size()) -
      std::ptrdiff_t(recipe.size());
  const std::size_t headerEnd = lines.find('\n');
  if (longer > 0) {
    lines.erase(headerEnd - std::size_t(longer), std::size_t(longer));
  } else {
    lines.insert(headerEnd, std::size_t(-longer), ' ');
  }
  EXPECT_EQ(lines.compare(0, sizeof HeaderStart - 1, HeaderStart), 0);
  return marl_test::sealed(lines);
}

// `file` with `recipe` in place of its own: through the picture's own text
// segment where the test support knows the format, otherwise (MP4, WebM)
// byte for byte in place, as the forged recipe keeps its length.
std::string withRecipe(const std::string& file, const std::string& own,
                       const std::string& recipe) {
  std::string forged = marl_test::withTexts(file, {recipe});
  if (!forged.empty()) return forged;
  forged = file;
  std::size_t found = 0;
  for (std::size_t at = 0; (at = forged.find(own, at)) != std::string::npos;
       at += own.size(), ++found)
    forged.replace(at, own.size(), recipe);
  EXPECT_GT(found, 0u);
  return forged;
}

struct Container {
  std::string name;    // of the file that holds the recipe
  std::string bytes;
  std::string recipe;  // its own
};

// A still, and an animation of two frames with a video of each kind, all
// tiny, made once: each holds a recipe. By the extension of their files,
// and "frame" for the second frame.
const Container& container(const std::string& kind) {
  static const std::vector<Container> made = [] {
    TempFolder folder;
    EXPECT_EQ(runMarl(folder, {"size=40", "it=100000", "detail=2"}).status, 0);
    EXPECT_EQ(runMarl(folder, {"frames=2", "size=40", "basename=loop",
                               "video=mp4,webm,gif,webp"})
                  .status,
              0);
    std::vector<Container> found;
    for (const std::string& name : folder.files()) {
      const bool still = name.rfind("symmetric_square", 0) == 0;
      const bool frame = name.find("_f0001.") != std::string::npos;
      const bool video = name.rfind("loop", 0) == 0 &&
                         name.find("_f") == std::string::npos;
      if (!still && !frame && !video) continue;
      const marl::EmbeddedTextResult read =
          marl::readEmbeddedText(folder.path() + "/" + name);
      EXPECT_EQ(read.texts.size(), 1u) << name << ": " << read.reason;
      if (read.texts.size() == 1)
        found.push_back({name, folder.read(name), read.texts[0]});
    }
    return found;
  }();
  static const Container none;
  for (const Container& c : made) {
    const std::string extension = c.name.substr(c.name.rfind('.') + 1);
    const bool frame = c.name.find("_f0001.") != std::string::npos;
    if (kind == (frame ? "frame" : extension)) return c;
  }
  ADD_FAILURE() << "no " << kind << " was made";
  return none;
}

// The container kind, and whether every key is forged in it or only those
// an animation's recipe holds beside a still's.
using Kind = std::pair<const char*, bool>;
class ForgedRecipeEndToEnd : public ::testing::TestWithParam<Kind> {};

TEST_P(ForgedRecipeEndToEnd, EveryForgedValueEndsTheRunBeforeAnyWork) {
  const Container& c = container(GetParam().first);
  ASSERT_FALSE(c.recipe.empty());
  const bool everyKey = GetParam().second;
  const std::string input = "in" + c.name.substr(c.name.rfind('.'));
  // The same recipe, resealed through the same forging, replays: what
  // follows is refused for its values alone.
  {
    TempFolder replay;
    replay.write(input, withRecipe(c.bytes, c.recipe,
                                   forgedRecipe(c.recipe, "size", "40")));
    const RunResult run = runMarl(replay, {"file=" + input});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_GT(replay.files().size(), 1u);
  }
  // A recipe asking for more steps than its own may is made when the
  // command line gives them.
  {
    TempFolder replay;
    replay.write(input,
                 withRecipe(c.bytes, c.recipe,
                            forgedRecipe(c.recipe, "it", "9000000000000000000")));
    const RunResult run = runMarl(replay, {"file=" + input, "it=50000"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err.find("marl: error"), std::string::npos) << run.err;
    EXPECT_GT(replay.files().size(), 1u);
  }
  std::vector<std::pair<std::string, std::string>> cases;  // recipe, says
  for (const Forgery& f : forgeries()) {
    const std::string key = f.key;
    if (!everyKey && key != "frames" && key != "loop" && key != "plane" &&
        key != "keyframes" && key != "frame" && key != "image" &&
        key != "R0" && key != "it" && key != "count")
      continue;
    const std::string pair = key + "=" + f.value;
    cases.emplace_back(forgedRecipe(c.recipe, f.key, f.value),
                       *f.says ? f.says : pair + " ");
  }
  // A check that does not match: the recipe was changed.
  std::string unsealed = c.recipe;
  const std::size_t check = unsealed.find("check=") + 6;
  unsealed.replace(check, 16, std::string(16, '0'));
  cases.emplace_back(unsealed, "check line does not match");
  // Started together: each ends at its first reading, and most of its
  // time is the program's start.
  std::vector<std::unique_ptr<TempFolder>> folders;
  std::vector<std::unique_ptr<MarlProcess>> runs;
  for (const auto& forged : cases) {
    folders.push_back(std::make_unique<TempFolder>());
    folders.back()->write(input, withRecipe(c.bytes, c.recipe, forged.first));
    runs.push_back(std::make_unique<MarlProcess>(
        *folders.back(), std::vector<std::string>{"file=" + input}));
  }
  for (std::size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(cases[i].second);
    const RunResult run = runs[i]->waitAtMost(std::chrono::seconds(60));
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_EQ(run.err.rfind("marl: error: ", 0), 0u) << run.err;
    EXPECT_NE(run.err.find(cases[i].second), std::string::npos) << run.err;
    // The usage text, as always, and no word of a picture.
    EXPECT_EQ(run.out.find("image(s) will be created"), std::string::npos);
    EXPECT_EQ(folders[i]->files(), std::vector<std::string>{input});
  }
}

INSTANTIATE_TEST_SUITE_P(
    EachFileWithARecipe, ForgedRecipeEndToEnd,
    ::testing::Values(Kind{"jpg", true}, Kind{"frame", true},
                      Kind{"mp4", true}, Kind{"webm", true},
                      Kind{"gif", false}, Kind{"webp", false}),
    [](const ::testing::TestParamInfo<Kind>& info) {
      return std::string(info.param.first);
    });

}  // namespace
}  // namespace marl_e2e
