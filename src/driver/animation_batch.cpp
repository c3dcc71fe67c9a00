#include "driver/animation_batch.h"

#include <algorithm>
#include <cstdint>
#include <exception>
#include <limits>
#include <optional>

#include "animation/animation_job.h"
#include "base/escaped_text.h"
#include "base/random_source.h"
#include "driver/batch_catalogue.h"
#include "driver/console_lines.h"
#include "driver/ordered_console.h"
#include "driver/progress_line.h"
#include "job/catalogue_line.h"

namespace marl {

bool runAnimationBatch(const JobSettings& settings,
                       const AnimationSettings& animation,
                       const BatchOptions& options, const Clock& clock,
                       std::ostream& out, std::ostream& err) {
  OrderedConsole console(out, err);
  BatchProgress progress;
  std::optional<ProgressLine> progressLine;
  if (options.progressLine) {
    const int64_t frames = int64_t(options.count) *
                           int64_t(animation.last - animation.first + 1);
    progressLine.emplace(
        console, progress,
        int(std::min<int64_t>(frames, std::numeric_limits<int>::max())),
        settings.iterationMaximum, "frames");
  }
  RandomSource random;
  if (settings.seed) random.startFromSeed(*settings.seed);
  bool allWritten = true;
  // The animations run one after another, so their lines take their turns
  // in the order they come.
  int64_t lineTurn = 0;
  for (int32_t i = 0; i < options.count; ++i) {
    OrderedConsole::JobStreams& streams = console.open();
    ConsoleLines lines(streams.out(), streams.err());
    AnimationJob job(settings, animation, lines);
    job.countInto({&progress.picturesDone, &progress.steps,
                   &progress.stepsSkipped});
    if (BatchCatalogue* catalogue = options.catalogue) {
      // The pointer by value: it is named only within this if.
      job.listInto([&, i, catalogue](const PicturePlan& plan,
                                     CatalogueEntry entry) {
        entry.picture = i + 1;
        std::string line;
        try {
          line = catalogueLine(plan, entry);
        } catch (const std::exception& e) {
          lines.error("cannot list '", Escaped{entry.files.front()},
                      "' in the catalogue: ", e.what());
          catalogue->pass(lineTurn++);
          return false;
        }
        return catalogue->record(lineTurn++, line, entry.files.front(),
                                 lines);
      });
    }
    if (!job.prepare(random, clock()) || !job.makeFrames()) allWritten = false;
    console.close(streams);
  }
  return allWritten;
}

}  // namespace marl
