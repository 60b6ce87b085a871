#include "platform/Thread.h"

#include <sys/resource.h>
#include <unistd.h>

#include <array>
#include <cassert>
#include <exception>

namespace pausalo {

namespace {

constexpr std::array<int, 7> NiceValues = {19, 10, 5, 0, -5, -10, -20};

}  // namespace

// One Synchronize call. The GUI thread runs it unless it was cancelled
// first; the worker waits until it has run or was cancelled.
class TThread::PendingCall {
 public:
  explicit PendingCall(const std::function<void()>& method) : method_(method) {}

  // GUI thread. A call runs once at most.
  void Run() {
    {
      std::lock_guard guard(lock_);
      if (state_ != State::Queued) return;
      state_ = State::Running;
    }
    std::exception_ptr error;
    try {
      method_();
    } catch (...) {
      error = std::current_exception();
    }
    std::lock_guard guard(lock_);
    error_ = std::move(error);
    state_ = State::Done;
    settled_.notify_all();
  }

  // Drops a call that has not started; one already running goes on.
  void Cancel() {
    std::lock_guard guard(lock_);
    if (state_ != State::Queued) return;
    state_ = State::Cancelled;
    settled_.notify_all();
  }

  // Worker: waits for the call. True when it ran; re-raises its exception.
  // The method and the exception are let go of here, on the waiting
  // thread, whichever thread drops the call last.
  bool Await() {
    std::unique_lock guard(lock_);
    settled_.wait(guard, [this] { return state_ == State::Done || state_ == State::Cancelled; });
    const std::function<void()> method = std::move(method_);
    const std::exception_ptr error = std::move(error_);
    const bool ran = state_ == State::Done;
    guard.unlock();
    if (error) std::rethrow_exception(error);
    return ran;
  }

 private:
  enum class State { Queued, Running, Done, Cancelled };

  std::mutex lock_;
  std::condition_variable settled_;
  State state_ = State::Queued;
  std::function<void()> method_;
  std::exception_ptr error_;
};

TThread::TThread() : thread_([this] { Run(); }) {
  std::unique_lock guard(lock_);
  changed_.wait(guard, [this] { return threadId_ != 0; });
}

TThread::~TThread() {
  // Normally the derived class has done this already.
  Shutdown();
  thread_.join();
}

void TThread::Run() {
  {
    std::lock_guard guard(lock_);
    threadId_ = gettid();
    changed_.notify_all();
  }
  if (WaitWhileSuspended()) Execute();
  std::lock_guard guard(lock_);
  finished_ = true;
  changed_.notify_all();
}

void TThread::Suspend() {
  std::lock_guard guard(lock_);
  ++suspendCount_;
  ++suspensions_;
  changed_.notify_all();
}

void TThread::Resume() {
  std::lock_guard guard(lock_);
  if (suspendCount_ == 0) return;
  --suspendCount_;
  changed_.notify_all();
}

bool TThread::Suspended() const {
  std::lock_guard guard(lock_);
  return suspendCount_ > 0;
}

void TThread::Terminate() {
  std::lock_guard guard(lock_);
  terminated_ = true;
  if (pendingCall_) pendingCall_->Cancel();
  changed_.notify_all();
}

bool TThread::Terminated() const {
  std::lock_guard guard(lock_);
  return terminated_;
}

TThreadPriority TThread::Priority() const {
  std::lock_guard guard(lock_);
  return priority_;
}

void TThread::SetPriority(TThreadPriority priority) {
  std::lock_guard guard(lock_);
  priority_ = priority;
  ApplyPriority();
}

void TThread::ApplyPriority() const {
  // Refused when raising without the privilege; the thread keeps its own.
  (void)setpriority(PRIO_PROCESS, static_cast<id_t>(threadId_), NiceValues.at(priority_));
}

bool TThread::WaitWhileSuspended() {
  std::unique_lock guard(lock_);
  changed_.wait(guard, [this] { return suspendCount_ == 0 || terminated_; });
  return !terminated_;
}

bool TThread::Sleep(std::chrono::milliseconds duration) {
  std::unique_lock guard(lock_);
  const std::uint64_t suspensionsBefore = suspensions_;
  return !changed_.wait_for(guard, duration, [&] { return Paused() || suspensions_ != suspensionsBefore; });
}

bool TThread::Synchronize(const std::function<void()>& method) {
  if (IsGuiThread()) {
    method();
    return true;
  }
  assert(IsCurrentThread() && "Synchronize is for the thread's own Execute");
  auto call = std::make_shared<PendingCall>(method);
  {
    std::lock_guard guard(lock_);
    if (terminated_) return false;
    pendingCall_ = call;
    changed_.notify_all();
  }
  gui_.Post([call] { call->Run(); });
  struct Forget {
    TThread& thread;
    const std::shared_ptr<PendingCall>& call;
    ~Forget() { thread.ForgetCall(call); }
  } forget{*this, call};
  return call->Await();
}

void TThread::ForgetCall(const std::shared_ptr<PendingCall>& call) {
  std::lock_guard guard(lock_);
  if (pendingCall_ == call) pendingCall_.reset();
}

void TThread::WaitFor() {
  assert(!IsCurrentThread() && "a thread cannot wait for itself");
  const bool onGuiThread = IsGuiThread();
  std::unique_lock guard(lock_);
  while (!finished_) {
    if (onGuiThread && pendingCall_) {
      const auto call = std::move(pendingCall_);
      guard.unlock();
      call->Run();
      guard.lock();
      continue;
    }
    changed_.wait(guard);
  }
}

void TThread::Shutdown() {
  Terminate();
  WaitFor();
}

}  // namespace pausalo
