#include "driver/version.h"

namespace marl {

bool printVersionIfAsked(const ArgumentMap& map, std::ostream& out) {
  if (!map.has("version") && !map.has("--version")) return false;
  // MARL_VERSION comes from the project version in CMakeLists.txt.
  out << "marl " MARL_VERSION << std::endl;
  return true;
}

}  // namespace marl
