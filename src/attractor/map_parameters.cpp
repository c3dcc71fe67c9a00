#include "attractor/map_parameters.h"

#include <cstdio>
#include <cstdlib>

#include "attractor/random_source.h"

namespace marl {

int32_t randomizeMap(TorusMap& map) {
  map.linearCoefficient = drawSmallInteger(-3, 3);
  for (int i = 0; i < DiscardCount; ++i) next();
  map.x = drawUnit();
  map.y = drawUnit();
  // The offset comes from the runtime's own, never seeded, generator.
  const double offset = std::rand() % 2 == 0 ? 0.5 : 0.0;
  map.offsetX = offset;
  map.offsetY = offset;
  const int32_t L = map.detail;
  for (int32_t i = 0; i < L; ++i) {
    for (int32_t j = 0; j < L; ++j) {
      map.coefficientMatrix[i][j] = drawUnit() * 0.8 - 0.4;
    }
  }
  return drawSmallInteger(0, 30000);
}

namespace {

std::string formatName(const char* format, const std::string& basename,
                       long imageNumber, const std::string& extension) {
  const int length = std::snprintf(nullptr, 0, format, basename.c_str(),
                                   imageNumber, extension.c_str());
  if (length <= 0) return std::string();
  std::string name(std::size_t(length) + 1, '\0');
  std::snprintf(&name[0], name.size(), format, basename.c_str(), imageNumber,
                extension.c_str());
  name.resize(std::size_t(length));
  return name;
}

}  // namespace

OutputNames makeOutputNames(const std::string& basename, long imageNumber,
                            const std::string& extension) {
  return {formatName("%s%06li.%s", basename, imageNumber, extension),
          formatName("%s_quazi%06li.%s", basename, imageNumber, extension)};
}

}  // namespace marl
