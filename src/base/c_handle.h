#ifndef MARL_BASE_C_HANDLE_H_
#define MARL_BASE_C_HANDLE_H_

#include <memory>

namespace marl {

// Calls `Free` on a C library's object, unless there is none.
template <auto Free>
struct FreeWith {
  template <class T>
  void operator()(T* object) const {
    if (object != nullptr) Free(object);
  }
};

// Sole owner of a C library's object (a TIFF*, a cairo_t*, ...), freed by
// `Free` on every way out of the owner's scope, a throw included: C code
// frees nothing when an exception passes it.
template <class T, auto Free>
using CHandle = std::unique_ptr<T, FreeWith<Free>>;

}  // namespace marl

#endif  // MARL_BASE_C_HANDLE_H_
