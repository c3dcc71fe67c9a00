#include "explore/page_recipe.h"

#include <gtest/gtest.h>

namespace marl {
namespace {

TEST(PageRecipe, RefusesWhatTheCommandLineWouldOnlyWarnAbout) {
  struct Case {
    PageRecipe recipe;
    const char* refusalHas;  // empty: accepted
  };
  const Case cases[] = {
      {{{"size", "300"}, {"palette", "magma"}}, ""},
      {{{"palette", "magma"}, {"R0", "1"}}, ""},
      {{{"R0", "1"}, {"colors", "000000,ffffff,ff0000"}}, ""},
      {{{"size", "99999"}}, "size=99999"},
      {{{"gamma", "50"}}, "gamma=50"},
      {{{"tone", "loud"}}, "tone=loud"},
      {{{"palette", "magmaa"}}, "magmaa"},
      {{{"file", "/etc/passwd"}}, "file is not taken from the page"},
      {{{"morph", "a.jpg"}}, "morph is not taken from the page"},
      {{{"count", "1000"}}, "count is not taken"},
      {{{"threads", "64"}}, "threads is not taken"},
      {{{"help", ""}}, "help is not taken"},
      {{{"port", "1"}}, "port is not taken"},
      {{{"check", "0000000000000000"}}, "check is not taken"},
      {{{"basename", "../outside"}}, "names a folder"},
      {{{"basename", ".hidden"}}, "starts with a dot"},
      {{{"nonsense", "1"}}, "no option of marl"},
      {{{"linear", "2"}}, "the map is incomplete"},
  };
  for (const Case& c : cases) {
    const PageSettings read = readPageRecipe(c.recipe);
    const std::string what = c.recipe.begin()->first + "=" + c.recipe.begin()->second;
    if (*c.refusalHas == '\0') {
      EXPECT_TRUE(read.run.has_value()) << what << ": " << read.refusal;
      EXPECT_EQ(read.refusal, "") << what;
    } else {
      EXPECT_FALSE(read.run.has_value()) << what;
      EXPECT_NE(read.refusal.find(c.refusalHas), std::string::npos)
          << what << ": " << read.refusal;
    }
  }
}

TEST(PageRecipe, WordsFollowTheTableAndQuoteWhatTheShellWouldSplit) {
  const PageSettings read =
      readPageRecipe({{"palette", "magma"}, {"size", "300"}, {"basename", "my pic"}});
  ASSERT_TRUE(read.run) << read.refusal;
  EXPECT_EQ(read.run->job.side, 300u);
  EXPECT_EQ(read.run->job.basename, "my pic");
  const std::vector<std::string> expected = {"size=300", "basename=my pic",
                                             "palette=magma"};
  EXPECT_EQ(read.words, expected);
  EXPECT_EQ(commandLineOf(read.words),
            "marl size=300 'basename=my pic' palette=magma");
  EXPECT_EQ(commandLineOf({"basename=it's"}), "marl 'basename=it'\\''s'");
}

TEST(PageRecipe, ARecipesLinesWithoutCommentsOrCheck) {
  const PageRecipe recipe = pageRecipeOf(
      "\\ marl recipe: a comment\nR0=1\nsize=256\ncoefficients=0.5,-0.25\n"
      "check=0123456789abcdef\n");
  const PageRecipe expected = {
      {"R0", "1"}, {"size", "256"}, {"coefficients", "0.5,-0.25"}};
  EXPECT_EQ(recipe, expected);
}

}  // namespace
}  // namespace marl
