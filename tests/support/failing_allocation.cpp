#include "support/failing_allocation.h"

#include <atomic>
#include <cstdlib>
#include <new>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

namespace {

std::atomic<long> allocationsLeft{-1};
std::atomic<bool> failed{false};

void* allocate(std::size_t size) {
  if (allocationsLeft.load(std::memory_order_relaxed) >= 0 &&
      allocationsLeft.fetch_sub(1) == 0) {
    failed = true;
    throw std::bad_alloc();
  }
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}

}  // namespace

namespace marl_test {

void failAllocation(long n) {
  failed = false;
  allocationsLeft = n;
}

bool allocationFailed() { return failed; }

bool noLeaks() {
#if defined(__SANITIZE_ADDRESS__)
  return __lsan_do_recoverable_leak_check() == 0;
#else
  return true;
#endif
}

}  // namespace marl_test

// The array and nothrow forms of the library call these.
void* operator new(std::size_t size) { return allocate(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
