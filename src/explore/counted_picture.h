#ifndef MARL_EXPLORE_COUNTED_PICTURE_H_
#define MARL_EXPLORE_COUNTED_PICTURE_H_

#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "base/random_source.h"
#include "job/hit_count.h"
#include "job/job_console.h"
#include "job/job_settings.h"
#include "job/picture_plan.h"

namespace marl {

// A console that keeps the fill the kept map reached.
class FillConsole : public QuietConsole {
 public:
  void fillChecked(double fill) override { fill_ = fill; }
  double fill() const { return fill_; }

 private:
  double fill_ = 1.0;  // a given map faces no check
};

// A picture whose hits are counted and kept, so that other colours cost
// no orbit: only its colour tables and its preview are made again.
struct CountedPicture {
  std::unique_ptr<FillConsole> console;  // the hits report to it
  PicturePlan plan;
  std::unique_ptr<HitCount> hits;

  double fill() const { return console->fill(); }
  // The grid's memory, for the cache's budget.
  std::size_t bytes() const;
};

// Draws and counts one picture as the command line would (its map drawn,
// with the fill check, unless the settings give one); nullptr with the
// reason in `why` when it cannot be made.
std::unique_ptr<CountedPicture> countPicture(const JobSettings& settings,
                                             RandomSource& random,
                                             std::time_t now,
                                             std::string& why);

// The kept picture's plan with the colours of `settings` instead of its
// own: everything else, the map first, stays.
PicturePlan recolouredPlan(const PicturePlan& kept,
                           const JobSettings& settings);

// The picture `plan` colours from `grid` as a WebP file in memory; empty
// when it cannot be encoded.
std::vector<unsigned char> previewOf(const PicturePlan& plan, HitGrid& grid);

// "data:image/webp;base64,..." for a page's <img>.
std::string dataUrlOf(const std::vector<unsigned char>& webp);

}  // namespace marl

#endif  // MARL_EXPLORE_COUNTED_PICTURE_H_
