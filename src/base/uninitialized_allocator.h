#ifndef MARL_BASE_UNINITIALIZED_ALLOCATOR_H_
#define MARL_BASE_UNINITIALIZED_ALLOCATOR_H_

#include <memory>
#include <new>
#include <utility>

namespace marl {

// A std::allocator whose resize leaves trivially constructible elements
// unwritten (default-initialised, not value-initialised), so that a large
// vector's memory is first touched by whoever fills it, on several threads,
// instead of being zeroed on one.
template <typename T>
struct UninitializedAllocator : std::allocator<T> {
  template <typename U>
  struct rebind {
    using other = UninitializedAllocator<U>;
  };
  UninitializedAllocator() = default;
  template <typename U>
  UninitializedAllocator(const UninitializedAllocator<U>&) noexcept {}

  template <typename U>
  void construct(U* place) noexcept {
    ::new (static_cast<void*>(place)) U;
  }
  template <typename U, typename... Args>
  void construct(U* place, Args&&... args) {
    ::new (static_cast<void*>(place)) U(std::forward<Args>(args)...);
  }
};

}  // namespace marl

#endif  // MARL_BASE_UNINITIALIZED_ALLOCATOR_H_
