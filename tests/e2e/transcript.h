#ifndef MARL_TESTS_E2E_TRANSCRIPT_H_
#define MARL_TESTS_E2E_TRANSCRIPT_H_

#include <string>

#include <boost/random/mersenne_twister.hpp>
#include <boost/random/uniform_smallint.hpp>

#include "e2e/marl_process.h"

namespace marl_e2e {

// The colours the first job of a run draws for channels the options leave
// open, derived straight from the engine: the frozen second skips 1600 pairs
// of draws, then the job's 12006 colour slots take three draws each.
class FirstJobColours {
 public:
  FirstJobColours() { engine_.discard(2 * (FrozenSeconds % 2000) + 3 * 12006); }
  int channel() {
    boost::random::uniform_smallint<int> draw(0, 200);
    return 55 + draw(engine_);
  }

 private:
  boost::random::mt19937 engine_;
};

inline std::string colourLine(const char* label, int r, int g, int b) {
  return std::string(label) + "Red " + std::to_string(r) + " Green " +
         std::to_string(g) + " Blue " + std::to_string(b) + "\n";
}

inline std::string echo(int r0, int g0, int b0, int r1, int g1, int b1,
                 const std::string& basename, const std::string& word,
                 int detail, unsigned size) {
  return colourLine("Start color = ", r0, g0, b0) +
         colourLine("Final color = ", r1, g1, b1) + "base file name is " +
         basename + "\nImage will be " + word + " type\nDetail level = " +
         std::to_string(detail) + "\nThe image will be " +
         std::to_string(size) + " x " + std::to_string(size) + " pixels\n";
}

}  // namespace marl_e2e

#endif  // MARL_TESTS_E2E_TRANSCRIPT_H_
