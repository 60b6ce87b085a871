#pragma once
// Tells ThreadSanitizer about hand-overs between threads that happen inside
// libraries it cannot see into, such as Qt's posted-event queue: whatever a
// thread wrote before HandOver(p) happens before what another thread does
// after TakeOver(p). Without ThreadSanitizer both do nothing.

#if defined(__SANITIZE_THREAD__)
#define PAUSALO_THREAD_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define PAUSALO_THREAD_SANITIZER 1
#endif
#endif

#ifdef PAUSALO_THREAD_SANITIZER
#include <sanitizer/tsan_interface.h>
#endif

namespace pausalo {

inline void HandOver([[maybe_unused]] void* object) {
#ifdef PAUSALO_THREAD_SANITIZER
  __tsan_release(object);
#endif
}

inline void TakeOver([[maybe_unused]] void* object) {
#ifdef PAUSALO_THREAD_SANITIZER
  __tsan_acquire(object);
#endif
}

}  // namespace pausalo
