#include "driver/picture_batch.h"

#include <malloc.h>

#include <algorithm>
#include <atomic>
#include <exception>
#include <memory>
#include <optional>

#include "base/escaped_text.h"
#include "base/random_source.h"
#include "base/worker_pool.h"
#include "driver/batch_catalogue.h"
#include "driver/console_lines.h"
#include "driver/ordered_console.h"
#include "driver/progress_line.h"
#include "job/catalogue_line.h"
#include "job/picture_job.h"

namespace marl {

namespace {

// One job of the batch: its console over the job's streams, and the
// picture once prepared.
struct BatchJob {
  explicit BatchJob(OrderedConsole::JobStreams& streams)
      : console(streams.out(), streams.err()) {}
  ConsoleLines console;
  std::optional<PreparedPicture> picture;
};

// The stages after preparing, with anything they throw (memory, mostly)
// told as a failure of this picture alone.
bool finishJob(BatchJob& job, std::vector<std::string>* written) {
  try {
    return finishPicture(*job.picture, job.console, written);
  } catch (const std::exception& e) {
    job.console.error("cannot finish '",
                      Escaped{job.picture->plan.names.fileName}, "': ",
                      e.what());
    return false;
  }
}

// Job `index`'s line, once its pictures are `written` (none when it
// failed); false when the line is not in the catalogue (told).
bool catalogueJob(BatchCatalogue& catalogue, int64_t index, BatchJob& job,
                  const std::vector<std::string>& written) {
  const PicturePlan& plan = job.picture->plan;
  std::string line;
  try {
    if (!written.empty()) {
      const double cover = job.picture->hits->grid().filledFraction();
      line = catalogueLine(plan, {written, index + 1, cover});
    }
  } catch (const std::exception& e) {
    job.console.error("cannot list '", Escaped{plan.names.fileName},
                      "' in the catalogue: ", e.what());
    catalogue.pass(index);
    return false;
  }
  if (line.empty()) {
    catalogue.pass(index);
    return true;
  }
  return catalogue.record(index, line, written.front(), job.console);
}

}  // namespace

bool runPictureBatch(const JobSettings& settings, const BatchOptions& options,
                     const Clock& clock, std::ostream& out, std::ostream& err) {
  // A job's grid is allocated on this thread and freed on a worker, and its
  // pictures are made there. glibc would keep such freed buffers in the
  // arena of the thread that made them, so that each worker would go on
  // holding a picture's worth of memory; buffers of 1 MB and more are
  // taken from and given back to the system instead.
  mallopt(M_MMAP_THRESHOLD, 1 << 20);
  OrderedConsole console(out, err);
  BatchProgress progress;
  std::optional<ProgressLine> progressLine;
  if (options.progressLine)
    progressLine.emplace(console, progress, options.count,
                         settings.iterationMaximum);
  std::atomic<bool> allWritten{true};
  auto jobDone = [&](OrderedConsole::JobStreams* streams, bool written) {
    if (!written) allWritten = false;
    console.close(*streams);
    ++progress.picturesDone;
  };
  {
    WorkerPool pool(std::min(options.threads, options.count));
    RandomSource random;
    if (settings.seed) random.startFromSeed(*settings.seed);
    for (int32_t i = 0; i < options.count; ++i) {
      // Room for this job: a thread to prepare it on, and a bound on the
      // jobs held back behind a slow one (those hold only their text).
      pool.waitUntilBusyBelow(options.threads);
      console.waitUntilOpenBelow(2 * options.threads);
      OrderedConsole::JobStreams* streams = &console.open();
      auto job = std::make_shared<BatchJob>(*streams);
      job->picture = preparePicture(settings, random, clock(), job->console,
                                    &progress.steps);
      if (!job->picture) {
        job.reset();
        if (options.catalogue) options.catalogue->pass(i);
        jobDone(streams, false);
        continue;
      }
      BatchCatalogue* catalogue = options.catalogue;
      pool.post([job, streams, &jobDone, catalogue, i]() mutable {
        std::vector<std::string> names;
        bool written = finishJob(*job, &names);
        if (catalogue)
          written &= catalogueJob(*catalogue, i, *job,
                                  written ? names : std::vector<std::string>{});
        job.reset();  // its grid goes before the next job is prepared
        jobDone(streams, written);
      });
    }
  }  // the pool finishes every job before it goes
  return allWritten;
}

}  // namespace marl
