#ifndef MARL_TESTS_SUPPORT_FRAME_DIFFERENCE_H_
#define MARL_TESTS_SUPPORT_FRAME_DIFFERENCE_H_

#include <string>
#include <vector>

namespace marl_test {

// How much each frame of a loop differs from the next, the last from the
// first included: the mean absolute difference of the two frames reduced
// 4 x 4 and turned to 8-bit grey, in grey levels. Element i compares frame
// i with frame i + 1 (wrapping). Empty when a file cannot be decoded or the
// frames differ in size.
std::vector<double> loopFrameDifferences(const std::vector<std::string>& paths);

// The same measure between two pictures; -1 when they cannot be compared.
double pictureDifference(const std::string& a, const std::string& b);

// The median of `values` (the upper one of an even count).
double median(std::vector<double> values);

}  // namespace marl_test

#endif  // MARL_TESTS_SUPPORT_FRAME_DIFFERENCE_H_
