// Stage 1 of a picture: its draws, in the order of draw_sequence.h, and the
// fill check that keeps its map.
#include "attractor/map_parameters.h"
#include "base/draw_sequence.h"
#include "base/escaped_text.h"
#include "job/picture_draws.h"
#include "job/picture_job.h"
#include "job/recipe.h"
#include "quazi/quazi_tiling.h"

namespace marl {

namespace {

// A fresh map, start point and image number, and the file names.
void randomize(PicturePlan& plan, RandomSource& random) {
  plan.imageNumber = randomizeMap(plan.map, random);
  plan.names = makeOutputNames(plan.options.basename, plan.imageNumber,
                               plan.options.format->extension);
}

void takeGivenMap(const GivenMap& given, PicturePlan& plan) {
  TorusMap& map = plan.map;
  map.linearCoefficient = given.linearCoefficient;
  map.offsetX = map.offsetY = given.offset;
  map.x = given.startX;
  map.y = given.startY;
  for (int32_t i = 0; i < map.detail; ++i)
    for (int32_t j = 0; j < map.detail; ++j)
      map.coefficientMatrix[i][j] =
          given.coefficients[std::size_t(i * map.detail + j)];
  plan.imageNumber = given.imageNumber;
  plan.attempt = given.attempt;
  plan.names = makeOutputNames(plan.options.basename, given.imageNumber,
                               plan.options.format->extension);
}

void findAttractor(const JobSettings& settings, RandomSource& random,
                   JobConsole& console, PreparedPicture& picture,
                   Finishing finishing) {
  PicturePlan& plan = picture.plan;
  plan.map.detail = settings.detail;
  if (settings.map) {
    takeGivenMap(*settings.map, plan);
  } else {
    randomize(plan, random);
  }
  console.picture(plan.names.fileName, settings.iterationMaximum);
  if (settings.map) {
    // The user chose this map: no fill check.
    picture.hits->beginJudged(plan);
    return;
  }
  const OrbitRun& run = picture.hits->beginAttempts(
      plan.map, plan.options, finishing == Finishing::Yes);
  while (picture.hits->runAttempt() == OrbitRun::Outcome::Rejected) {
    ++plan.attempt;
    randomize(plan, random);
    picture.hits->restart(plan.map);
  }
  if (run.isAccepted()) plan.fill = picture.hits->lastFill();
  if (run.keptUnfilled()) {
    console.warning("no map filled ", FillThreshold * 100,
                    "% of the picture in ", MaxRejectedAttempts + 1,
                    " attempts; keeping the last for '",
                    Escaped{plan.names.fileName},
                    "' (a smaller size fills more easily)");
  }
}

}  // namespace

std::optional<PreparedPicture> preparePicture(const JobSettings& settings,
                                              RandomSource& random,
                                              std::time_t now,
                                              JobConsole& console,
                                              std::atomic<int64_t>* steps,
                                              Finishing finishing) {
  // A seeded run's source was started from its seed once, for all its jobs.
  if (!settings.seed) random.advanceForTime(now);
  // The palette, the two colours and four spare slots get their values
  // later; only these draws of theirs are kept.
  for (int32_t slot = 0; slot < ColourSlotCount; ++slot) {
    for (int channel = 0; channel < 3; ++channel) random.drawSmallInteger(0, 200);
  }
  PreparedPicture picture;
  PicturePlan& plan = picture.plan;
  plan.options = optionsOf(settings);
  drawColours(settings, random, console, plan);
  picture.hits = std::make_unique<HitCount>(console, steps);
  if (!picture.hits->allocate(settings.side)) return std::nullopt;
  drawTiling(settings, random, console, plan);
  findAttractor(settings, random, console, picture, finishing);
  if (settings.colour.palette == "random")
    plan.palette = &paletteForNumber(plan.imageNumber);
  if (plan.tiling) {
    plan.spacingUnits =
        settings.spacingUnits
            ? *settings.spacingUnits
            : drawSpacingUnits(random, uint32_t(plan.tiling->qline));
  }
  plan.recipe = recipeOf(plan);
  return picture;
}

}  // namespace marl
