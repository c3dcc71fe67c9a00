#include "driver/driver.h"

#include "driver/argument_map.h"
#include "driver/picture_batch.h"
#include "driver/settings_reader.h"
#include "driver/thread_count.h"
#include "driver/usage_text.h"
#include "driver/version.h"

namespace marl {

int runMarl(int argc, const char* const* argv, std::ostream& out,
            std::ostream& err, const Clock& clock, bool errIsTerminal) {
  const ArgumentMap map(argc, argv, err);
  if (printVersionIfAsked(map, out)) return 0;
  printUsage(out);
  // Cairo needs no start-up, so there is no imaging service to start here.
  if (map.has("-h") || map.has("help")) return 0;

  int32_t count = 1;
  map.getInt("count", count);
  out << count << " image(s) will be created" << std::endl;
  if (count <= 0) return 0;

  const JobSettings settings = readJobSettings(map, err);
  BatchOptions batch;
  batch.count = count;
  batch.threads = readThreadCount(map, err);
  batch.progressLine = errIsTerminal;
  return runPictureBatch(settings, batch, clock, out, err) ? 0 : 1;
}

}  // namespace marl
