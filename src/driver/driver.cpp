#include "driver/driver.h"

#include <algorithm>
#include <limits>
#include <memory>
#include <optional>

#include "base/escaped_text.h"
#include "driver/animation_batch.h"
#include "driver/batch_catalogue.h"
#include "driver/argument_map.h"
#include "driver/option_reader.h"
#include "driver/palette_list.h"
#include "driver/picture_batch.h"
#include "driver/run_settings.h"
#include "driver/thread_count.h"
#include "image/counts_tiff.h"
#include "options/option_keys.h"
#include "driver/usage_text.h"
#include "driver/version.h"
#include "job/picture_limits.h"

namespace marl {

namespace {

// Pictures finished at once: a fast finish uses every core itself, so fast
// jobs finish one at a time.
unsigned jobsAtOnce(const JobSettings& settings) {
  return settings.mode == JobSettings::Mode::Fast ? 1 : settings.threads;
}

// Every limit on sides and memory, checked before any work starts: a run
// that cannot finish makes nothing, instead of failing late or being killed.
// Sets the settings' thread count, and whether checkpoints may copy the
// counts, on the way.
bool withinLimits(JobSettings& settings, int64_t count, OptionReader& read,
                  std::ostream& err) {
  settings.threads = unsigned(readThreadCount(read));
  std::string why = pictureSideProblem(settings);
  if (why.empty()) {
    const unsigned atOnce =
        unsigned(std::min<int64_t>(jobsAtOnce(settings), count));
    const UsableMemory usable = usableMemory();
    why = memoryProblem(settings, atOnce, usable);
    settings.checkpointCopy = checkpointCopyFits(settings, atOnce, usable);
  }
  if (why.empty()) return true;
  err << "marl: error: " << why << "; no picture is made\n";
  return false;
}

}  // namespace

int runMarl(int argc, const char* const* argv, std::ostream& out,
            std::ostream& err, const Clock& clock, bool errIsTerminal) {
  // Before any thread opens a TIFF: libtiff's tag extender is one global.
  registerCountsStateTag();
  const ArgumentMap map(argc, argv, err);
  if (!map.ok()) return 1;  // a parameter file beyond its bounds, reported
  if (printVersionIfAsked(map, out)) return 0;
  if (printPalettesIfAsked(map, out)) return 0;
  printUsage(out);
  // Cairo needs no start-up, so there is no imaging service to start here.
  if (map.has(key::DashH) || map.has(key::Help)) return 0;

  OptionReader read(map, err);
  std::optional<RunSettings> run = readRunSettings(read);
  if (!run) return 1;
  const int64_t count = run->count;
  if (count > 0 && !withinLimits(run->job, count, read, err)) return 1;
  // Opened before any work, so that a catalogue that cannot take lines
  // costs no picture.
  std::unique_ptr<LockedAppendFile> catalogueFile;
  std::optional<BatchCatalogue> catalogue;
  if (run->catalogue) {
    std::string why;
    catalogueFile = LockedAppendFile::open(*run->catalogue, why);
    if (!catalogueFile) {
      err << "marl: error: cannot open the catalogue '"
          << Escaped{*run->catalogue} << "' for appending: " << why
          << "; give a file in a folder you may write to; no picture is "
             "made\n";
      return 1;
    }
    catalogue.emplace(*catalogueFile);
  }
  out << count << " image(s) will be created" << std::endl;
  if (count <= 0) return 0;

  JobSettings& settings = run->job;
  BatchOptions batch;
  if (catalogue) batch.catalogue = &*catalogue;
  batch.count = count;
  batch.threads = jobsAtOnce(settings);
  // Jobs finished at once share the cores.
  settings.threads = std::max<unsigned>(
      1, settings.threads /
             unsigned(std::min<int64_t>(batch.threads, batch.count)));
  batch.progressLine = errIsTerminal;
  if (run->animated && (settings.keepCounts || settings.checkpointMinutes > 0))
    err << "marl: warning: ignoring " << key::Counts << "= and "
        << key::Checkpoint << "=: an animation keeps no counts; give them "
        << "for stills\n";
  if (run->animated)
    return runAnimationBatch(settings, run->animation, batch, clock, out, err)
               ? 0
               : 1;
  return runPictureBatch(settings, batch, clock, out, err) ? 0 : 1;
}

}  // namespace marl
