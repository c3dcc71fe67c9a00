#ifndef MARL_ATTRACTOR_RANDOM_SOURCE_H_
#define MARL_ATTRACTOR_RANDOM_SOURCE_H_

#include <cstdint>
#include <ctime>
#include <functional>

#include <boost/random/mersenne_twister.hpp>

namespace marl {

// The one generator every random choice of the process comes from. It keeps
// the library's default seed: the clock only decides how far each job moves
// it on (advanceForTime), so the order of draws is part of the behaviour.
extern boost::random::mt19937 randomEngine;

// Where a job reads the calendar time; main passes the real clock, tests a
// fixed one.
using Clock = std::function<std::time_t()>;

uint32_t next();
double drawUnit();                                   // [0, 1)
double drawReal(double lo, double hi);               // [lo, hi)
int32_t drawSmallInteger(int32_t lo, int32_t hi);    // lo..hi
// lo..hi; an empty range (hi < lo) draws over hi..lo instead, so the value
// stays between the two bounds.
int32_t drawInteger(int32_t lo, int32_t hi);

// Skips (seconds mod 2000) pairs of draws, so that runs started in different
// seconds paint different pictures.
void advanceForTime(std::time_t now);

}  // namespace marl

#endif  // MARL_ATTRACTOR_RANDOM_SOURCE_H_
