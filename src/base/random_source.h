#ifndef MARL_BASE_RANDOM_SOURCE_H_
#define MARL_BASE_RANDOM_SOURCE_H_

#include <cstdint>
#include <ctime>

#include <boost/random/mersenne_twister.hpp>

namespace marl {

// Every random choice of a run comes from one RandomSource, owned by the
// driver and passed to whatever draws. The engine keeps the library's default
// seed: the clock only decides how far each job moves it on, so the order of
// draws decides every picture (draw_sequence.h lists it). A run given a seed
// starts both generators from it instead and leaves the clock out. Copies
// share the C library's generator, which has one state per process.
class RandomSource {
 public:
  RandomSource() = default;

  uint32_t next() { return engine_(); }
  double drawUnit();                                 // [0, 1)
  double drawReal(double lo, double hi);             // [lo, hi)
  int32_t drawSmallInteger(int32_t lo, int32_t hi);  // lo..hi
  // lo..hi; an empty range (hi < lo) draws over hi..lo instead, so the value
  // stays between the two bounds.
  int32_t drawInteger(int32_t lo, int32_t hi);

  // Skips (seconds mod 2000) pairs of draws, so that runs started in
  // different seconds paint different pictures.
  void advanceForTime(std::time_t now);

  // Seeds the engine and the C library's generator from `seed`. Seeding the
  // engine, rather than skipping draws as the clock does, gives every seed
  // a sequence of its own: skips would repeat after ClockSkipPeriod seeds,
  // and neighbouring seeds would draw the same values shifted by one pair.
  void startFromSeed(uint32_t seed);

  // The map offset's coin: true for a half offset. It comes from the C
  // library's rand, never seeded, whose sequence is glibc's.
  bool drawHalfOffset();

  const boost::random::mt19937& engine() const { return engine_; }

 private:
  boost::random::mt19937 engine_;
};

}  // namespace marl

#endif  // MARL_BASE_RANDOM_SOURCE_H_
