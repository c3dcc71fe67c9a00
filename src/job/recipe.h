#ifndef MARL_JOB_RECIPE_H_
#define MARL_JOB_RECIPE_H_

#include <cstdint>
#include <string>

namespace marl {

class PictureJob;

// A picture's recipe: parameter-file text (key=value lines, backslash
// comments) that makes the identical picture again. It holds every value
// the job drew or was given, reals to 17 significant digits so that they
// read back to the same double, and ends with a check line over the lines
// before it, so that a cut or edited recipe is told from a whole one.
// A frame's recipe is its animation's, with the frame's index.
std::string recipeOf(const PictureJob& job);

// The recipe's lines without the check line, for an animation to add its
// own; withCheckLine completes such lines into a recipe.
std::string recipeLinesOf(const PictureJob& job);
std::string withCheckLine(const std::string& lines);
// A real as a recipe writes it: 17 significant digits.
std::string recipeReal(double value);

// Keys only a recipe holds: the map, its start, number and attempt, the
// tiling's spacings, an animation's keyframes and frame index, and the
// check.
bool isRecipeKey(const std::string& key);

// Tells, line by line, whether a parameter file holds a recipe (any line
// with a recipe key) and, if so, whether it is whole and unchanged.
class RecipeChecker {
 public:
  enum class Verdict { NotARecipe, Whole, Broken };

  // One line as read, without its line feed.
  void addLine(const std::string& line);
  // The verdict on the lines so far; `why` says what is wrong when Broken.
  Verdict verdict(std::string& why) const;

 private:
  uint64_t hash_ = HashStart;
  bool recipe_ = false;
  bool checkSeen_ = false;
  bool checkMatches_ = false;

 public:
  static constexpr uint64_t HashStart = 1469598103934665603ull;
};

}  // namespace marl

#endif  // MARL_JOB_RECIPE_H_
