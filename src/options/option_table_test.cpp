#include "options/option_table.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "options/option_docs.h"

namespace marl {
namespace {

template <typename T>
std::string shown(T value) {
  std::ostringstream text;
  text << value;
  return text.str();
}

TEST(OptionTable, EachOptionIsSaidOnceAndItsLimitsTextNamesItsLimits) {
  std::set<std::string> keys;
  for (const OptionSpec& spec : optionTable()) {
    SCOPED_TRACE(spec.key);
    EXPECT_TRUE(keys.insert(spec.key).second) << "given twice";
    EXPECT_EQ(findOption(spec.key), &spec);
    // The first of a docs row says what the row's options do.
    EXPECT_EQ(*spec.help == '\0', spec.sameRow);
    if (spec.sameRow) continue;
    const std::string limits = spec.limits;
    if (spec.kind == OptionKind::Whole) {
      // Bounds the type sets are no limit the docs need to name.
      if (spec.lo != std::numeric_limits<int32_t>::min() &&
          spec.lo != std::numeric_limits<int64_t>::min()) {
        EXPECT_NE(limits.find(shown(spec.lo)), std::string::npos) << limits;
      }
      if (spec.hi != std::numeric_limits<int32_t>::max() &&
          spec.hi != std::numeric_limits<int64_t>::max()) {
        EXPECT_NE(limits.find(shown(spec.hi)), std::string::npos) << limits;
      }
    }
    if (spec.kind == OptionKind::Real || spec.kind == OptionKind::RealList ||
        spec.kind == OptionKind::Blocks) {
      EXPECT_NE(limits.find(shown(spec.low)), std::string::npos) << limits;
      EXPECT_NE(limits.find(shown(spec.high)), std::string::npos) << limits;
      EXPECT_LT(spec.low, spec.high);
    }
    if (spec.words == WordSource::Fixed) {
      EXPECT_NE(*spec.fixedWords, '\0');
    }
  }
  EXPECT_EQ(findOption("sise"), nullptr);
  EXPECT_EQ(findOption(""), nullptr);
}

// Every picture made so far was checked against these lists: a key dropped
// from them would refuse those pictures, one added would make a file with
// it a recipe.
TEST(OptionTable, RecipesHoldTheKeysTheyAlwaysHeld) {
  const std::set<std::string> written = {
      "R0", "G0", "B0", "R1", "G1", "B1", "basename", "image", "it", "size",
      "width", "height", "shiftx", "shifty", "detail", "mode", "number",
      "attempt", "linear", "offset", "startx", "starty", "coefficients",
      "quazi", "qline", "qsize", "qx", "qy", "qscale", "qsep", "spacings",
      "colors", "palette", "reverse", "blend", "tone", "gamma", "filter",
      "deradius", "decurve", "demirror", "depth",
      "background", "quality", "frames", "loop", "plane", "keyframes",
      "frame", "check", "seed"};
  const std::set<std::string> only = {
      "linear", "offset", "startx", "starty", "coefficients", "number",
      "attempt", "spacings", "check", "keyframes", "frame"};
  std::set<std::string> tableWritten, tableOnly;
  for (const OptionSpec& spec : optionTable()) {
    EXPECT_EQ(isWrittenKey(spec.key), spec.recipe != InRecipe::Never);
    EXPECT_EQ(isRecipeOnlyKey(spec.key), spec.recipe == InRecipe::Only);
    if (spec.recipe != InRecipe::Never) tableWritten.insert(spec.key);
    if (spec.recipe == InRecipe::Only) tableOnly.insert(spec.key);
  }
  EXPECT_EQ(tableWritten, written);
  EXPECT_EQ(tableOnly, only);
  // A map is given whole; the first key missing is named, in this order.
  std::vector<std::string> map;
  for (const OptionSpec& spec : optionTable())
    if (spec.map) map.push_back(spec.key);
  EXPECT_EQ(map, (std::vector<std::string>{"linear", "offset", "startx",
                                           "starty", "coefficients", "number",
                                           "attempt"}));
  EXPECT_FALSE(isWrittenKey("threads"));
  EXPECT_FALSE(isWrittenKey("nosuch"));
}

// Each text made from the table names every option, each row once.
TEST(OptionTable, DocsManPageAndCompletionNameEveryOption) {
  const std::string markdown = optionsMarkdown();
  const std::string man = optionsManSection();
  const std::string bash =
      bashCompletion([](const OptionSpec& spec) { return spec.fixedWords; });
  std::size_t rows = 0;
  for (const OptionSpec& spec : optionTable()) {
    SCOPED_TRACE(spec.key);
    rows += !spec.sameRow;
    const std::string key = spec.key;
    EXPECT_NE(markdown.find("`" + key + "`"), std::string::npos);
    std::string manKey;
    for (char c : key) manKey += c == '-' ? std::string("\\-") : std::string(1, c);
    EXPECT_NE(man.find("\\fB" + manKey + (spec.kind == OptionKind::Word
                                               ? "\\fR"
                                               : "=\\fI")),
              std::string::npos);
    const std::string word = spec.kind == OptionKind::Word ? key : key + "=";
    EXPECT_TRUE(bash.find(" " + word) != std::string::npos ||
                bash.find("\"" + word) != std::string::npos);
  }
  std::size_t tableRows = 0, entries = 0;
  for (std::size_t at = 0; (at = markdown.find("\n| `", at)) != std::string::npos; ++at)
    ++tableRows;
  for (std::size_t at = 0; (at = man.find("\n.TP\n", at)) != std::string::npos; ++at)
    ++entries;
  EXPECT_EQ(tableRows, rows);
  EXPECT_EQ(entries, rows);
  // The mode's fixed words reach its completion.
  EXPECT_NE(bash.find("    mode) COMPREPLY=($(compgen -W \"exact fast\""),
            std::string::npos);
  EXPECT_NE(bash.find("    basename | catalogue | morph | file | folder)"),
            std::string::npos);
}

}  // namespace
}  // namespace marl
