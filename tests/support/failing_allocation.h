#ifndef MARL_TESTS_SUPPORT_FAILING_ALLOCATION_H_
#define MARL_TESTS_SUPPORT_FAILING_ALLOCATION_H_

#include <gtest/gtest.h>

#include <new>
#include <string>

namespace marl_test {

// A test program linked with failing_allocation.cpp has its operator new
// replaced by one that can be told to run out of memory (std::bad_alloc)
// once, on any thread; otherwise it is plain malloc.

// The `n`th operator new from now on (0: the next) throws; -1 disarms.
void failAllocation(long n);
// Whether the armed failure has happened (it disarms itself then).
bool allocationFailed();

// Whether the leak checker finds nothing leaked so far. Without one (a
// build without the address sanitizer) there is nothing to ask: true.
bool noLeaks();

// Runs `attempt` (returning whether it succeeded) with the 0th, 1st, 2nd,
// ... allocation failing until it makes all of its allocations, when it
// must succeed. With `mustFail`, it must also fail (false or
// std::bad_alloc) whenever an allocation failed. Returns the failures seen.
template <class Attempt>
int failEachAllocation(const std::string& what, bool mustFail,
                       Attempt attempt) {
  for (long n = 0; n < 100000; ++n) {
    bool ok = false;
    failAllocation(n);
    try {
      ok = attempt();
    } catch (const std::bad_alloc&) {
    }
    const bool failed = allocationFailed();
    failAllocation(-1);
    if (!failed) {
      EXPECT_TRUE(ok) << what;
      return int(n);
    }
    if (mustFail) {
      EXPECT_FALSE(ok) << what << ": allocation " << n << " failed";
    }
  }
  ADD_FAILURE() << what << " never ends";
  return 0;
}

}  // namespace marl_test

#endif  // MARL_TESTS_SUPPORT_FAILING_ALLOCATION_H_
