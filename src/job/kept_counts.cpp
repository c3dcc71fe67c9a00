#include "job/kept_counts.h"

#include <sys/stat.h>

#include <algorithm>
#include <map>
#include <sstream>

#include "base/escaped_text.h"
#include "files/durable_file.h"
#include "image/counts_tiff.h"
#include "options/option_keys.h"
#include "readers/counts_file_reader.h"

namespace marl {

namespace {

std::map<std::string, std::string> orbitValues(const std::string& recipe) {
  static const char* const Keys[] = {
      key::Detail, key::Size,   key::Mode,         key::Linear, key::Offset,
      key::StartX, key::StartY, key::Coefficients, key::Attempt};
  std::map<std::string, std::string> lines;
  std::istringstream in(recipe);
  std::string line;
  while (std::getline(in, line)) {
    const std::size_t equals = line.find('=');
    if (equals != std::string::npos) lines[line.substr(0, equals)] = line.substr(equals + 1);
  }
  std::map<std::string, std::string> values;
  for (const char* k : Keys) values[k] = lines[k];
  return values;
}

}  // namespace

bool sameOrbit(const std::string& recipe, const std::string& other) {
  return orbitValues(recipe) == orbitValues(other);
}

KeptCounts::KeptCounts(const PicturePlan& plan, HitCount& hits,
                       JobConsole& console)
    : plan_(plan),
      hits_(hits),
      console_(console),
      checkpoints_(console.diagnostics()) {}

std::string KeptCounts::ownCheckpoint() const {
  // Under the counts name, or the numbered name it took when that was
  // another file's: the one with this very recipe and the most steps.
  struct stat source {};
  const bool haveSource = !plan_.options.countsSource.empty() &&
                          stat(plan_.options.countsSource.c_str(), &source) == 0;
  std::string best;
  int64_t bestSteps = -1;
  for (int n = 1; n <= LastNameNumber; ++n) {
    const std::string name =
        n == 1 ? plan_.names.countsFileName
               : numberedName(plan_.names.countsFileName, n);
    struct stat info {};
    if (stat(name.c_str(), &info) != 0) break;
    if (haveSource && info.st_dev == source.st_dev &&
        info.st_ino == source.st_ino)
      continue;
    CountsFileReader reader;
    CountsState state;
    std::string why;
    if (!isCountsFile(name) || !reader.open(name, why) ||
        reader.recipe() != plan_.recipe ||
        !parseCountsState(reader.state(), reader.recipe(), state, why) ||
        state.steps > plan_.options.iterationMaximum)
      continue;
    if (state.steps > bestSteps) {
      best = name;
      bestSteps = state.steps;
    }
  }
  return best;
}

bool KeptCounts::begin() {
  const PictureOptions& o = plan_.options;
  bool used = false;
  if (o.checkpointMinutes > 0) {
    // The same command after a kill: its own checkpoint, if it left one.
    const std::string checkpoint = ownCheckpoint();
    if (!checkpoint.empty() && !takeFile(checkpoint, false, used)) return false;
    if (used) ownFile_ = checkpoint;
  }
  if (!used && !o.countsSource.empty() &&
      !takeFile(o.countsSource, true, used))
    return false;
  if (o.checkpointMinutes > 0) {
    hits_.checkpointEvery(o.checkpointMinutes, [this] { return checkpoint(); });
    checkpoints_.prepare(hits_.grid().size(), o.checkpointCopy);
  }
  return true;
}

bool KeptCounts::takeFile(const std::string& path, bool given, bool& used) {
  used = false;
  CountsFileReader reader;
  std::string why;
  CountsState state;
  auto refuse = [&] {
    console_.error("cannot use the counts in '", Escaped{path}, "': ", why,
                   "; nothing is made");
    return false;
  };
  if (!reader.open(path, why) ||
      !parseCountsState(reader.state(), reader.recipe(), state, why))
    return refuse();
  if (state.side != reader.side()) {
    why = "its state is for size=" + std::to_string(state.side) +
          " but it holds " + std::to_string(reader.side()) + " cells a side";
    return refuse();
  }
  if (!given) {
    // Only a checkpoint of this very picture is gone on from; anything
    // else under the name is another file's. One already at the maximum
    // (killed before its picture was written) is coloured.
    if (reader.recipe() != plan_.recipe ||
        state.steps > plan_.options.iterationMaximum)
      return true;
  } else if (!sameOrbit(reader.recipe(), plan_.recipe) ||
             !HitCount::canGoOn(plan_, state)) {
    console_.note("the counts in '", Escaped{path},
                  "' are not this picture's (another size, mode or map, or "
                  "more steps than it=",
                  plan_.options.iterationMaximum, "); counting anew");
    return true;
  }
  HitGrid& grid = hits_.grid();
  grid.clearHits();
  if (!reader.readInto(grid, why) || !restoreGrid(state, grid, why))
    return refuse();
  hits_.goOnFrom(plan_, state);
  used = true;
  if (!given) {
    console_.note("going on from the checkpoint '", Escaped{path},
                  "' at step ", state.steps);
  }
  return true;
}

bool KeptCounts::checkpoint() {
  if (!checkpoints_.idle()) return false;
  // The grid's part of the state is read from the copy, off the orbit's
  // thread; the packing leaves a core to the orbit.
  const unsigned threads = std::max(plan_.options.threads, 2u) - 1;
  checkpoints_.start(
      hits_.grid(), [this, threads, state = hits_.orbitState(plan_)](
                        const HitGrid& grid, std::ostream& err) mutable {
        describeGrid(grid, state);
        return write(grid, countsStateText(state, plan_.recipe), err, threads);
      });
  return true;
}

bool KeptCounts::end() {
  // The last checkpoint is on the disk before the counts supersede it, and
  // its copy of the grid gone before the colouring needs memory.
  checkpoints_.release();
  const PictureOptions& o = plan_.options;
  if (!o.keepCounts && o.checkpointMinutes <= 0) return true;
  return write(hits_.grid(), countsStateText(hits_.state(plan_), plan_.recipe),
               console_.diagnostics(), plan_.options.threads);
}

bool KeptCounts::write(const HitGrid& grid, const std::string& text,
                       std::ostream& err, unsigned threads) {
  if (!ownFile_.empty())
    return writeCountsFile(grid, plan_.recipe, text, ownFile_, true, threads,
                           err);
  return writeCountsFile(grid, plan_.recipe, text, plan_.names.countsFileName,
                         false, threads, err, &ownFile_);
}

}  // namespace marl
