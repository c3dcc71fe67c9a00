// The density filter with the real binary: on every kind of picture, in
// recipes, and as the frames' default.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "e2e/marl_process.h"
#include "job/recipe.h"
#include "readers/embedded_text.h"

namespace marl_e2e {
namespace {

std::string recipeIn(const std::string& path) {
  const marl::EmbeddedTextResult found = marl::readEmbeddedText(path);
  if (found.status != marl::EmbeddedTextResult::Found) return "";
  return marl::findRecipe(found.texts).text;
}

bool holds(const std::string& text, const std::string& line) {
  return text.find("\n" + line + "\n") != std::string::npos;
}

// Filtered with each tone curve, a palette, 16 bits, a cut, a transparent
// background and in exact mode: the picture differs from the unfiltered
// one, says its filter in its recipe, and its recipe makes it again byte
// for byte on another thread count.
TEST(FilterEndToEnd, FilteredPicturesOfEveryKindReplayByteForByte) {
  const std::vector<std::vector<std::string>> cases = {
      {"mode=fast", "image=png", "it=3400000", "tone=log", "depth=16"},
      {"mode=fast", "image=png", "it=3400000", "palette=magma",
       "background=none"},
      {"mode=fast", "image=tiff", "it=3400000", "tone=linear", "width=90",
       "height=50"},
      {"mode=fast", "image=jpeg", "it=3400000", "gamma=2", "deradius=6",
       "decurve=0.2", "demirror=false"},
      {"mode=exact", "image=bmp", "it=1200000"},
  };
  for (const std::vector<std::string>& options : cases) {
    std::string label;
    for (const std::string& o : options) label += o + " ";
    SCOPED_TRACE(label);
    std::vector<std::string> args = {"size=80", "threads=2"};
    args.insert(args.end(), options.begin(), options.end());
    TempFolder plain, filtered, again;
    const RunResult none = runMarl(plain, args);
    args.push_back("filter=de");
    const RunResult de = runMarl(filtered, args);
    ASSERT_EQ(none.status, 0) << none.err;
    ASSERT_EQ(de.status, 0) << de.err;
    EXPECT_EQ(de.out, none.out);
    ASSERT_EQ(filtered.files().size(), 1u);
    ASSERT_EQ(filtered.files(), plain.files());
    const std::string name = filtered.files()[0];
    EXPECT_FALSE(filtered.read(name) == plain.read(name));
    if (options[1] != "image=bmp") {
      const std::string recipe = recipeIn(filtered.path() + "/" + name);
      EXPECT_TRUE(holds(recipe, "filter=de")) << recipe;
      EXPECT_FALSE(holds(recipeIn(plain.path() + "/" + name), "filter=none"));
      const RunResult replay =
          runMarl(again, {"file=" + filtered.path() + "/" + name, "threads=1"});
      ASSERT_EQ(replay.status, 0) << replay.err;
      ASSERT_EQ(again.files(), filtered.files());
      EXPECT_TRUE(again.read(name) == filtered.read(name));
    }
  }
}

// Frames are filtered unless filter=none is given, and either way their
// recipes say so, so that a frame makes its animation again as it was.
TEST(FilterEndToEnd, FramesAreFilteredByDefaultAndTheirRecipesSaySo) {
  for (const char* filter : {"", "filter=none"}) {
    SCOPED_TRACE(filter);
    std::vector<std::string> args = {"frames=2", "size=60"};
    if (*filter) args.push_back(filter);
    TempFolder folder, again;
    const RunResult run = runMarl(folder, args);
    ASSERT_EQ(run.status, 0) << run.err;
    ASSERT_EQ(folder.files().size(), 2u);
    const std::string frame = folder.files()[1];
    const std::string recipe = recipeIn(folder.path() + "/" + frame);
    EXPECT_TRUE(holds(recipe, *filter ? "filter=none" : "filter=de"))
        << recipe;
    const RunResult replay =
        runMarl(again, {"file=" + folder.path() + "/" + frame});
    ASSERT_EQ(replay.status, 0) << replay.err;
    ASSERT_EQ(again.files(), folder.files());
    for (const std::string& name : folder.files())
      EXPECT_TRUE(again.read(name) == folder.read(name)) << name;
  }
}

}  // namespace
}  // namespace marl_e2e
