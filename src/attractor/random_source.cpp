#include "attractor/random_source.h"

#include <boost/random/uniform_01.hpp>
#include <boost/random/uniform_int.hpp>
#include <boost/random/uniform_real.hpp>
#include <boost/random/uniform_smallint.hpp>

namespace marl {

boost::random::mt19937 randomEngine;

uint32_t next() { return randomEngine(); }

double drawUnit() {
  boost::random::uniform_01<double> unit;
  return unit(randomEngine);
}

double drawReal(double lo, double hi) {
  boost::uniform_real<double> real(lo, hi);
  return real(randomEngine);
}

int32_t drawSmallInteger(int32_t lo, int32_t hi) {
  boost::random::uniform_smallint<int32_t> small(lo, hi);
  return small(randomEngine);
}

int32_t drawInteger(int32_t lo, int32_t hi) {
  if (hi < lo) std::swap(lo, hi);
  boost::uniform_int<int32_t> integer(lo, hi);
  return integer(randomEngine);
}

void advanceForTime(std::time_t now) {
  const int32_t seconds = static_cast<int32_t>(now);
  const int32_t skips = seconds % 2000;
  for (int32_t i = 0; i < skips; ++i) {
    drawSmallInteger(0, 200);
    drawInteger(0, 99000);
  }
}

}  // namespace marl
