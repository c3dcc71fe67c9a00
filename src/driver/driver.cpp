#include "driver/driver.h"

#include <memory>

#include "driver/argument_map.h"
#include "driver/usage_text.h"
#include "job/symmetric_square.h"

namespace marl {

namespace {

// One picture from start to end; false when something asked for was not
// written (the reason is on `err` already).
bool makeImage(SymmetricSquare& job, const ArgumentMap& map) {
  if (!job.readParameters(map)) return false;
  job.randomize();
  job.run();
  return job.saveImage();
}

}  // namespace

int runMarl(int argc, const char* const* argv, std::ostream& out,
            std::ostream& err, const Clock& clock) {
  const ArgumentMap map(argc, argv, err);
  if (!map.ok()) return 1;  // a parameter file beyond its bounds, reported
  printUsage(out);
  // Cairo needs no start-up, so there is no imaging service to start here.
  if (map.has("-h") || map.has("help")) return 0;

  int32_t count = 1;
  map.getInt("count", count);
  out << count << " image(s) will be created" << std::endl;

  bool allWritten = true;
  for (int32_t i = 0; i < count; ++i) {
    // One job at a time: each is destroyed before the next is made.
    auto job = std::make_unique<SymmetricSquare>(out, err, clock);
    if (!makeImage(*job, map)) allWritten = false;
  }
  return allWritten ? 0 : 1;
}

}  // namespace marl
