#pragma once

#include <sys/types.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/GuiThreadQueue.h"

namespace pausalo {

// Thread priorities, lowest to highest. On Linux they are nice values of
// the thread: 19, 10, 5, 0, -5, -10, -20. Raising a thread above the
// process's own priority needs a privilege; without it the thread keeps the
// priority it has, while Priority() reports the one asked for.
enum TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

// A worker thread with the life of its object. It is created suspended: the
// operating-system thread starts with the object but runs Execute only after
// the first Resume.
//
// Suspending is cooperative: Suspend only counts, and Execute pauses at its
// next call of WaitWhileSuspended or Sleep. A thread is therefore never
// stopped while it holds a lock, and Suspend never waits for the thread.
//
// Make, resume, suspend, terminate and destroy the object on the GUI thread,
// once the application object exists (before, making it throws
// std::logic_error).
// A derived class whose Execute uses its own members calls Shutdown in its
// destructor, so that the thread has ended before those members go.
class TThread {
 public:
  TThread();
  virtual ~TThread();
  TThread(const TThread&) = delete;
  TThread& operator=(const TThread&) = delete;

  // Suspensions nest: each Resume undoes one Suspend.
  void Suspend();
  void Resume();
  bool Suspended() const;

  // Asks Execute to end; wakes a paused or sleeping thread and cancels a
  // Synchronize call that the GUI thread has not started yet. Does not wait.
  void Terminate();
  bool Terminated() const;

  TThreadPriority Priority() const;
  void SetPriority(TThreadPriority priority);

  // The kernel's id of the thread.
  pid_t ThreadID() const { return threadId_; }
  bool IsCurrentThread() const { return std::this_thread::get_id() == thread_.get_id(); }

  // Runs method on the GUI thread while the calling thread waits, and
  // re-raises there an exception that method raised. Called on the GUI
  // thread, it runs method at once. Returns false, without running method,
  // when the thread is terminated before the GUI thread got to the call.
  // Called from Execute only.
  bool Synchronize(const std::function<void()>& method);

  // Waits until Execute has returned (at once when it never ran: the thread
  // must have been terminated or resumed). On the GUI thread it runs the
  // thread's pending Synchronize call meanwhile, so the two never wait for
  // each other.
  void WaitFor();

 protected:
  virtual void Execute() = 0;

  // The pause between units of work: waits while the thread is suspended.
  // Returns false once the thread is terminated.
  bool WaitWhileSuspended();

  // Sleeps for duration. Returns true when it slept in full and the thread
  // is neither suspended nor terminated at its end; Suspend and Terminate
  // cut the sleep short, a Suspend even when a Resume undid it before the
  // thread woke (so a change made while suspended always takes effect).
  bool Sleep(std::chrono::milliseconds duration);

  // Terminate, then WaitFor.
  void Shutdown();

 private:
  class PendingCall;

  void Run();
  bool Paused() const { return suspendCount_ > 0 || terminated_; }
  void ForgetCall(const std::shared_ptr<PendingCall>& call);
  void ApplyPriority() const;

  mutable std::mutex lock_;
  std::condition_variable changed_;
  int suspendCount_ = 1;
  std::uint64_t suspensions_ = 0;  // Suspend calls so far
  bool terminated_ = false;
  bool finished_ = false;
  TThreadPriority priority_ = tpNormal;
  std::shared_ptr<PendingCall> pendingCall_;
  pid_t threadId_ = 0;
  GuiThreadQueue gui_;
  std::thread thread_;
};

}  // namespace pausalo
