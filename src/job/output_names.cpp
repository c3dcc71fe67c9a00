#include "job/output_names.h"

#include <cstdio>

namespace marl {

namespace {

std::string formatName(const char* format, const std::string& basename,
                       long imageNumber, const std::string& suffix,
                       const std::string& extension) {
  const int length = std::snprintf(nullptr, 0, format, basename.c_str(),
                                   imageNumber, suffix.c_str(),
                                   extension.c_str());
  if (length <= 0) return std::string();
  std::string name(std::size_t(length) + 1, '\0');
  std::snprintf(&name[0], name.size(), format, basename.c_str(), imageNumber,
                suffix.c_str(), extension.c_str());
  name.resize(std::size_t(length));
  return name;
}

}  // namespace

namespace {

OutputNames namesWithSuffix(const std::string& basename, long imageNumber,
                            const std::string& suffix,
                            const std::string& extension) {
  return {formatName("%s%06li%s.%s", basename, imageNumber, suffix, extension),
          formatName("%s_quazi%06li%s.%s", basename, imageNumber, suffix,
                     extension),
          formatName("%s%06li%s.%s", basename, imageNumber,
                     suffix + "_counts", "tif")};
}

}  // namespace

OutputNames makeOutputNames(const std::string& basename, long imageNumber,
                            const std::string& extension) {
  return namesWithSuffix(basename, imageNumber, "", extension);
}

OutputNames makeFrameNames(const std::string& basename, long imageNumber,
                           const std::string& extension, int32_t frame,
                           int32_t digits) {
  char suffix[32];
  std::snprintf(suffix, sizeof suffix, "_f%0*d", int(digits), int(frame));
  return namesWithSuffix(basename, imageNumber, suffix, extension);
}

}  // namespace marl
