// Linked into the test programs of ThreadSanitizer builds only.
//
// Qt 6.4 starts a program (QProcess) by clone() with CLONE_VM | CLONE_VFORK:
// the child runs in the parent's memory, on the starting thread's
// thread-local state, until it execs. ThreadSanitizer's clone interceptor
// takes every child for a fork with memory of its own, so its bookkeeping
// for the child is done on the parent's runtime state, and the starting
// thread's state stays off balance: where it was the only thread, the
// runtime no longer sees its mutex operations (every access it makes under
// a lock that another thread also takes reads as a race); where others ran,
// it no longer sees its memory accesses, and the next thread started ends
// the process. Later Qt releases fork whenever a sanitizer runtime is
// loaded; this does the same for Qt 6.4: such a clone becomes a fork(), whose
// child the runtime handles in memory of the child's own.
#include <sched.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <dlfcn.h>
#include <cerrno>
#include <cstdarg>

namespace {

using CloneFunction = int (*)(int (*)(void*), void*, int, void*, ...);

// A child that shares the parent's memory until it execs, as vfork() makes.
bool StartsAProgram(int flags) {
  constexpr int SharedUntilExec = CLONE_VM | CLONE_VFORK;
  return (flags & ~(CLONE_PIDFD | CSIGNAL)) == SharedUntilExec && (flags & CSIGNAL) == SIGCHLD;
}

// fork() in place of the clone: the child runs run(argument) and ends with
// its result, as a vfork()ed child that fails to exec would. With
// CLONE_PIDFD a process descriptor of the child goes to *pidfd.
pid_t ForkInstead(int (*run)(void*), void* argument, int flags, int* pidfd) {
  const pid_t child = fork();
  if (child == 0) _exit(run(argument));
  if (child < 0 || (flags & CLONE_PIDFD) == 0) return child;
  *pidfd = static_cast<int>(syscall(SYS_pidfd_open, child, 0));
  if (*pidfd >= 0) return child;
  const int error = errno;
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  errno = error;
  return -1;
}

}  // namespace

extern "C" int clone(int (*run)(void*), void* stack, int flags, void* argument, ...) {
  va_list rest;
  va_start(rest, argument);
  auto* parentTid = va_arg(rest, pid_t*);
  void* tls = va_arg(rest, void*);
  auto* childTid = va_arg(rest, pid_t*);
  va_end(rest);
  if (StartsAProgram(flags)) return ForkInstead(run, argument, flags, parentTid);
  static const auto next = reinterpret_cast<CloneFunction>(dlsym(RTLD_NEXT, "clone"));
  return next(run, stack, flags, argument, parentTid, tls, childTid);
}
