#ifndef MARL_BASE_SATURATING_H_
#define MARL_BASE_SATURATING_H_

#include <cstdint>
#include <limits>

namespace marl {

// a + b, or the nearest limit where the sum would not fit: step counts run
// up to the largest int64_t, and no count derived from one may wrap round.
inline int64_t saturatingAdd(int64_t a, int64_t b) {
  int64_t sum;
  if (!__builtin_add_overflow(a, b, &sum)) return sum;
  return b > 0 ? std::numeric_limits<int64_t>::max()
               : std::numeric_limits<int64_t>::min();
}

}  // namespace marl

#endif  // MARL_BASE_SATURATING_H_
