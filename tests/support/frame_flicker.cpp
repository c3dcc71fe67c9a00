// frame_flicker FRAME...: the differences between consecutive frames of a
// loop (4 x 4 reduced, 8-bit grey, mean absolute, the last to the first
// included), their median and largest, and whether the largest is within 3
// times the median (exit status 0) or not (1).
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "support/frame_difference.h"

int main(int argc, char** argv) {
  const std::vector<std::string> paths(argv + 1, argv + argc);
  const std::vector<double> d = marl_test::loopFrameDifferences(paths);
  if (paths.size() < 2 || d.empty()) {
    std::fprintf(stderr, "frame_flicker: give two or more frames of one size\n");
    return 2;
  }
  const double median = marl_test::median(d);
  const auto largest = std::max_element(d.begin(), d.end());
  std::printf("%zu frames: median difference %.3f, largest %.3f (frame %td "
              "to the next), %.2f times the median\n",
              paths.size(), median, *largest, largest - d.begin(),
              *largest / median);
  return *largest <= 3 * median ? 0 : 1;
}
