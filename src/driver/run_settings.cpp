#include "driver/run_settings.h"

#include <limits>
#include <string>

#include "driver/animation_settings_reader.h"
#include "driver/settings_reader.h"
#include "job/picture_limits.h"
#include "options/option_keys.h"

namespace marl {

namespace {

// A recipe's own `it` past recipeStepsBound of its grid is refused unless
// `given` (the command line gives `it`): nobody wrote it by accident.
void checkRecipeSteps(OptionReader& check, const JobSettings& recipe,
                      bool given) {
  const std::string* text = check.map().find(key::It);
  const int64_t bound = recipeStepsBound(recipe.side);
  if (given || !text || recipe.iterationMaximum <= bound) return;
  check.refuse(key::It, *text,
               "is above " + std::to_string(bound) + ", a million hits a " +
                   "pixel of its " + std::to_string(recipe.side) + " x " +
                   std::to_string(recipe.side) +
                   " grid; give it= on the command line to run it anyway");
}

// The recipe's animation options, its count of steps and every key of it
// no reading looked at, read from the recipe alone with `check`, which has
// read its still's options into `recipe`; `stepsGiven` when the command
// line gives `it`.
bool recipeFits(OptionReader& check, JobSettings recipe, bool stepsGiven) {
  if (check.map().has(key::Frames)) {
    AnimationSettings animation;
    if (readAnimationSettings(check, recipe, animation) ==
        AnimationRead::Failed)
      return false;
  }
  check.checkUnread();
  if (!check.failed()) checkRecipeSteps(check, recipe, stepsGiven);
  return !check.failed();
}

}  // namespace

std::optional<RunSettings> readRunSettings(OptionReader& read) {
  const ArgumentMap& map = read.map();
  RunSettings run;
  run.count = read.integer(key::Count).value_or(1);
  if (run.count <= 0) return run;
  // Read in the order the readers always ran, so that the console says the
  // same: the recipe's still options, the run's, then the animation's.
  std::optional<ArgumentMap> alone;
  std::optional<OptionReader> check;
  std::optional<JobSettings> recipe;
  if (map.readPicture()) {
    alone.emplace(map.recipeAlone());
    check.emplace(*alone, read.err());
    recipe = readSettings(*check);
    if (!recipe) return std::nullopt;
  }
  std::optional<JobSettings> job = readSettings(read);
  if (!job) return std::nullopt;
  run.job = *job;
  if (check && !recipeFits(*check, *recipe, !map.isFromFile(key::It)))
    return std::nullopt;
  const AnimationRead animated =
      readAnimationSettings(read, run.job, run.animation);
  if (animated == AnimationRead::Failed) return std::nullopt;
  run.animated = animated == AnimationRead::Animation;
  if (const std::string* catalogue = read.text(key::Catalogue))
    run.catalogue = *catalogue;
  if (run.job.map && run.count > 1) {
    read.err() << "marl: warning: count=" << run.count
               << " with a given map would make the same picture "
               << run.count << " times; making it once\n";
    run.count = 1;
  }
  return run;
}

}  // namespace marl
