#include "base/random_source.h"

#include <cstdlib>
#include <utility>

#include <boost/random/uniform_01.hpp>
#include <boost/random/uniform_int.hpp>
#include <boost/random/uniform_real.hpp>
#include <boost/random/uniform_smallint.hpp>

#include "base/draw_sequence.h"

namespace marl {

double RandomSource::drawUnit() {
  boost::random::uniform_01<double> unit;
  return unit(engine_);
}

double RandomSource::drawReal(double lo, double hi) {
  boost::uniform_real<double> real(lo, hi);
  return real(engine_);
}

int32_t RandomSource::drawSmallInteger(int32_t lo, int32_t hi) {
  boost::random::uniform_smallint<int32_t> small(lo, hi);
  return small(engine_);
}

int32_t RandomSource::drawInteger(int32_t lo, int32_t hi) {
  if (hi < lo) std::swap(lo, hi);
  boost::uniform_int<int32_t> integer(lo, hi);
  return integer(engine_);
}

void RandomSource::advanceForTime(std::time_t now) {
  const int32_t seconds = static_cast<int32_t>(now);
  const int32_t skips = seconds % ClockSkipPeriod;
  for (int32_t i = 0; i < skips; ++i) {
    drawSmallInteger(0, 200);
    drawInteger(0, 99000);
  }
}

void RandomSource::startFromSeed(uint32_t seed) {
  engine_.seed(seed);
  std::srand(seed);
}

bool RandomSource::drawHalfOffset() { return std::rand() % 2 == 0; }

}  // namespace marl
