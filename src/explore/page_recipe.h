#ifndef MARL_EXPLORE_PAGE_RECIPE_H_
#define MARL_EXPLORE_PAGE_RECIPE_H_

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "driver/run_settings.h"

namespace marl {

// A recipe as the page holds it: option key to value text.
using PageRecipe = std::map<std::string, std::string>;

// What the page's recipe makes: the settings, read by the command line's
// own reader with the table's limits, and the words of the one command
// line that makes the same; or why it is refused.
struct PageSettings {
  std::optional<RunSettings> run;
  std::vector<std::string> words;  // key=value, in the table's order
  std::string refusal;             // set when `run` is empty
};

// Reads `recipe`. A value the command line would only warn about (out of
// its limits, not one of its words) is refused here, with the warning's own
// words, since the page must not show one picture and keep another. Keys
// that name files or run the program another way (file=, morph=, help,
// count=, threads=, the explorer's own), and a base name with a folder,
// are refused: nothing a client sends reaches the file system. With a
// palette or stops the two colours R0..B1 are left out.
PageSettings readPageRecipe(const PageRecipe& recipe);

// The words as one shell command line: "marl key=value ...", each word
// quoted when the shell would otherwise read it differently.
std::string commandLineOf(const std::vector<std::string>& words);

// A recipe's key=value lines (comment lines and the check line left out)
// as a page recipe.
PageRecipe pageRecipeOf(const std::string& recipeText);

}  // namespace marl

#endif  // MARL_EXPLORE_PAGE_RECIPE_H_
