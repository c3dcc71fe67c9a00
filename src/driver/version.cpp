#include "driver/version.h"

#include "options/option_keys.h"

namespace marl {

bool printVersionIfAsked(const ArgumentMap& map, std::ostream& out) {
  if (!map.has(key::Version) && !map.has(key::DashDashVersion)) return false;
  // MARL_VERSION comes from the project version in CMakeLists.txt.
  out << "marl " MARL_VERSION << std::endl;
  return true;
}

}  // namespace marl
