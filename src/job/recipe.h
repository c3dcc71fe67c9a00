#ifndef MARL_JOB_RECIPE_H_
#define MARL_JOB_RECIPE_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace marl {

struct PicturePlan;

// A picture's recipe: parameter-file text (key=value lines, backslash
// comments) that makes the identical picture again. It holds every value
// the job drew or was given, reals to 17 significant digits so that they
// read back to the same double, and ends with a check line over the lines
// before it, so that a cut or edited recipe is told from a whole one.
// A frame's recipe is its animation's, with the frame's index.
std::string recipeOf(const PicturePlan& plan);

// The recipe's lines without the check line, for an animation to add its
// own; withCheckLine completes such lines into a recipe.
std::string recipeLinesOf(const PicturePlan& plan);
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
  // Whether the check line has been met; later lines are not looked at.
  bool ended() const { return checkSeen_; }

 private:
  uint64_t hash_ = HashStart;
  bool recipe_ = false;
  bool checkSeen_ = false;
  bool checkMatches_ = false;

 public:
  // The check is FNV-1a over 64 bits, but started from 1469598103934665603:
  // the standard offset basis, 14695981039346656037, with its last digit
  // lost. Every picture made so far carries checks made from this value, so
  // it stays: "fixing" it would refuse all of them as changed.
  static constexpr uint64_t HashStart = 1469598103934665603ull;
};

// What findRecipe made of a picture's texts.
struct FoundRecipe {
  enum class Status {
    Whole,   // `text` is the recipe, checked
    Absent,  // no text holds a recipe's first line
    Broken,  // `why` says what is wrong, as words to follow the file's name
  };
  Status status = Status::Absent;
  // The recipe from its first line through its check line, line feeds kept.
  std::string text;
  // Lines of other text around the recipe, which are ignored.
  std::size_t otherLines = 0;
  std::string why;
};

// Finds the recipe among the texts a picture holds (comments, a
// description: whatever its format keeps, in file order, as its reader
// extracted them). A recipe runs from marl's first line, which must begin a
// line, to its check line, and may go on into the next texts, as a long one
// is split over several segments. Other texts, and lines before the first
// line, are someone else's: they are counted, not read. Text after the check
// line in the text that holds it, a check that is missing or does not match,
// and any line marl never writes into a recipe (an unknown key, a key given
// twice) make it Broken.
FoundRecipe findRecipe(const std::vector<std::string>& texts);

}  // namespace marl

#endif  // MARL_JOB_RECIPE_H_
