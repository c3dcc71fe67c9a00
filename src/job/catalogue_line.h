#ifndef MARL_JOB_CATALOGUE_LINE_H_
#define MARL_JOB_CATALOGUE_LINE_H_

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "job/picture_plan.h"

namespace marl {

// What a catalogue says of one picture made, besides its plan: a still, a
// frame of an animation (the plan's frame) or an animation's videos.
struct CatalogueEntry {
  std::vector<std::string> files;  // the names written, in order
  int64_t picture = 1;             // its job's place in its run, from 1
  // Share of the finished picture's cells visited; none for videos.
  std::optional<double> cover;
  bool videos = false;
};

// The picture as one JSON object on one line, line feed included: its files,
// kind ("still", "frame" with its index, or "videos"), its job's place in
// the run, number, seed (null without one), fill (its fill check's, null
// when it had none) and cover (of the finished picture), size and cut, mode,
// detail, colours and the check of the recipe its files hold, so that a
// catalogue can be sorted and filtered with standard tools and every line
// leads back to a picture and its recipe. Names that are not UTF-8 have
// their bad bytes replaced (U+FFFD), as JSON holds only Unicode text.
std::string catalogueLine(const PicturePlan& plan,
                          const CatalogueEntry& entry);

}  // namespace marl

#endif  // MARL_JOB_CATALOGUE_LINE_H_
