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
#include "driver/console_lines.h"
#include "driver/ordered_console.h"
#include "driver/progress_line.h"
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
bool finishJob(BatchJob& job) {
  try {
    return finishPicture(*job.picture, job.console);
  } catch (const std::exception& e) {
    job.console.error("cannot finish '",
                      Escaped{job.picture->plan.names.fileName}, "': ",
                      e.what());
    return false;
  }
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
        jobDone(streams, false);
        continue;
      }
      pool.post([job, streams, &jobDone]() mutable {
        const bool written = finishJob(*job);
        job.reset();  // its grid goes before the next job is prepared
        jobDone(streams, written);
      });
    }
  }  // the pool finishes every job before it goes
  return allWritten;
}

}  // namespace marl
