#include "driver/run_settings.h"

#include <limits>

#include "driver/animation_settings_reader.h"
#include "driver/settings_reader.h"
#include "options/option_keys.h"

namespace marl {

namespace {

// The recipe's animation options and every key of it no reading looked at,
// read from the recipe alone with `check`, which has read its still's
// options into `recipe`.
bool recipeFits(OptionReader& check, JobSettings recipe) {
  if (check.map().has(key::Frames)) {
    AnimationSettings animation;
    if (readAnimationSettings(check, recipe, animation) ==
        AnimationRead::Failed)
      return false;
  }
  check.checkUnread();
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
  if (check && !recipeFits(*check, *recipe)) return std::nullopt;
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
