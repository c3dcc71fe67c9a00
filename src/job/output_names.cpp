#include "job/output_names.h"

#include <cstdio>

namespace marl {

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
