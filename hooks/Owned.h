#pragma once

#include <cstdlib>
#include <memory>

namespace pausalo::hooks {

// Hands an object back to the C library it came from through Release.
template <auto Release>
struct ReleaseWith {
  template <class T>
  void operator()(T* object) const {
    Release(object);
  }
};

// An object of a C library, released with its owner.
template <class T, auto Release>
using Owned = std::unique_ptr<T, ReleaseWith<Release>>;

struct FreeMemory {
  void operator()(void* memory) const { std::free(memory); }
};

// Memory a C library allocated for its caller to free, such as an xcb reply
// or event.
template <class T>
using Allocated = std::unique_ptr<T, FreeMemory>;

}  // namespace pausalo::hooks
