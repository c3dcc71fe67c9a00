#include "job/recipe.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/picture_texts.h"

namespace marl {
namespace {

using marl_test::sealed;

const char Header[] =
    "\\ marl recipe: 'marl file=PICTURE' makes this picture again; options"
    " on the command line win\n";

const std::string Body = std::string(Header) +
                         "R0=10\nbasename=a_\nsize=300\ndetail=2\nlinear=1\n"
                         "coefficients=0.5,-0.25,0,1\n";
const std::string Recipe = sealed(Body);

TEST(FindRecipe, OnlyTheWholeRecipeIsReadAndOtherTextIsCounted) {
  using S = FoundRecipe::Status;
  std::string edited = Recipe;
  edited[edited.find("size=300") + 5] = '4';
  struct Case {
    const char* what;
    std::vector<std::string> texts;
    S status;
    std::size_t otherLines;
    const char* why;  // a part of it when Broken
  } cases[] = {
      {"alone", {Recipe}, S::Whole, 0, ""},
      {"blank after the check", {Recipe + "\r\n"}, S::Whole, 0, ""},
      {"split over segments", {Recipe.substr(0, 70), Recipe.substr(70)},
       S::Whole, 0, ""},
      {"a comment before", {"Created with GIMP", Recipe}, S::Whole, 1, ""},
      {"lines before", {"edited\nby me\n" + Recipe}, S::Whole, 2, ""},
      {"a segment after", {Recipe, "count=3\nquazi=true"}, S::Whole, 2, ""},
      {"no texts", {}, S::Absent, 0, ""},
      {"someone else's", {"Created with GIMP"}, S::Absent, 0, ""},
      {"first line not at a line start", {"x" + Recipe}, S::Absent, 0, ""},
      {"cut", {Recipe.substr(0, Recipe.find("linear="))}, S::Broken, 0,
       "cut or changed: it ends before its check line"},
      {"cut, then other text", {Recipe.substr(0, 120), "Created with GIMP"},
       S::Broken, 0, "ends before its check line"},
      {"edited", {edited}, S::Broken, 0, "check line does not match"},
      {"appended", {Recipe + "quazi=true\n"}, S::Broken, 0,
       "text after the recipe's check: 'quazi=true\\x0a'"},
      {"a key no recipe has", {sealed(Body + "count=3\n")}, S::Broken, 0,
       "the key 'count', which marl never writes"},
      {"a key twice", {sealed(Body + "size=99999999\n")}, S::Broken, 0,
       "gives size twice"},
      {"a line without '='", {sealed(Body + "help\n")}, S::Broken, 0,
       "a line without '=': 'help'"},
  };
  for (const Case& c : cases) {
    const FoundRecipe found = findRecipe(c.texts);
    EXPECT_EQ(found.status, c.status) << c.what << ": " << found.why;
    EXPECT_EQ(found.otherLines, c.otherLines) << c.what;
    if (c.status == S::Whole) {
      EXPECT_EQ(found.text, Recipe) << c.what;
    } else if (c.status == S::Broken) {
      EXPECT_NE(found.why.find(c.why), std::string::npos) << found.why;
    }
  }
}

}  // namespace
}  // namespace marl
