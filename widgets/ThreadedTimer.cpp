#include "widgets/ThreadedTimer.h"

#include <QTimerEvent>
#include <algorithm>
#include <climits>

#include "platform/Application.h"
#include "platform/Exception.h"
#include "platform/MessageWindow.h"

namespace pausalo {

namespace {

constexpr std::uint32_t WM_TIMER = 0x0113;
constexpr std::int32_t TimerIdentifier = 1;

}  // namespace

// The hidden window of the GUI-thread mode: its periodic timer arrives as
// the timer message with identifier 1.
class TThreadedTimer::TimerWindow final : public MessageWindow {
 public:
  explicit TimerWindow(TThreadedTimer& owner) : owner_(owner) {}
  ~TimerWindow() override { Stop(); }

  // False when the system refuses the timer.
  bool Start(std::uint32_t interval) {
    timerId_ = startTimer(static_cast<int>(std::min<std::uint32_t>(interval, INT_MAX)));
    return timerId_ != 0;
  }
  void Stop() {
    if (timerId_ != 0) killTimer(timerId_);
    timerId_ = 0;
  }

 protected:
  void timerEvent(QTimerEvent* event) override {
    if (event->timerId() == timerId_) Perform(WM_TIMER, TimerIdentifier, 0);
  }
  void WndProc(TMessage& message) override {
    if (message.Msg != WM_TIMER) return MessageWindow::WndProc(message);
    try {
      owner_.DoTick();
    } catch (...) {
      ReportException(std::current_exception());
    }
  }

 private:
  TThreadedTimer& owner_;
  int timerId_ = 0;
};

// Marks the GUI thread as inside a synchronised call of the worker. A worker
// that was left to end by itself meanwhile is freed once the GUI thread is
// back in its event loop: by then the call has returned and the worker
// needs nothing more from the GUI thread to end.
class TTimerThread::GuiCall {
 public:
  explicit GuiCall(TTimerThread& worker) : worker_(worker) { worker_.inGuiCall_ = true; }
  ~GuiCall() {
    worker_.inGuiCall_ = false;
    if (!worker_.freesItself_) return;
    RunLater([worker = std::shared_ptr<TTimerThread>(&worker_)]() mutable { worker.reset(); });
  }
  GuiCall(const GuiCall&) = delete;
  GuiCall& operator=(const GuiCall&) = delete;

 private:
  TTimerThread& worker_;
};

bool TTimerThread::RunOnGuiThread(const std::function<void()>& method) {
  return Synchronize([this, &method] {
    const GuiCall call(*this);
    method();
  });
}

bool TTimerThread::EndForOwner() {
  if (inGuiCall_) {
    freesItself_ = true;
    Terminate();
    return true;
  }
  Shutdown();
  return false;
}

void TTimerThread::Execute() {
  while (WaitWhileSuspended()) {
    const std::chrono::milliseconds interval(interval_.load());
    if (Closed()) {
      // The application is ending: wait for Terminate instead of spinning.
      Sleep(interval);
      continue;
    }
    if (Sleep(interval) && !Closed() && owner_.Enabled()) DeliverTick();
  }
}

bool TTimerThread::Closed() const { return Terminated() || TApplication::Terminated(); }

void TTimerThread::DeliverTick() {
  try {
    if (owner_.SyncEvent()) {
      owner_.CallSynchronized([this] { owner_.DoTick(); });
    } else {
      owner_.DoTick();
    }
  } catch (...) {
    Report(std::current_exception());
  }
}

// The worker waits while the GUI thread shows the error, as it would for a
// message box of its own; EAbort is silent.
void TTimerThread::Report(const std::exception_ptr& error) {
  try {
    std::rethrow_exception(error);
  } catch (const EAbort&) {
    return;
  } catch (...) {
  }
  RunOnGuiThread([error] { ReportException(error); });
}

TThreadedTimer::TThreadedTimer(QObject* owner) : QObject(owner), worker_(std::make_unique<TTimerThread>(*this)) {}

TThreadedTimer::~TThreadedTimer() {
  destroying_ = true;
  enabled_ = false;
  {
    std::lock_guard guard(handlerLock_);
    onTimer_.reset();
  }
  DestroyWindow();
  // Waits for a tick in progress (a pending synchronised one is cancelled)
  // while worker_ still points at the worker, which that tick may read.
  if (worker_->EndForOwner()) (void)worker_.release();
}

void TThreadedTimer::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  ApplySettings();
}

void TThreadedTimer::SetInterval(std::uint32_t interval) {
  if (interval == interval_) return;
  interval_ = interval;
  ApplySettings();
}

void TThreadedTimer::SetThreaded(bool threaded) {
  if (threaded == threaded_) return;
  threaded_ = threaded;
  ApplySettings();
}

void TThreadedTimer::SetThreadPriority(TThreadPriority priority) {
  if (priority == threadPriority_) return;
  threadPriority_ = priority;
  if (threaded_) ApplySettings();
}

TNotifyEvent TThreadedTimer::OnTimer() const {
  std::lock_guard guard(handlerLock_);
  return onTimer_ ? *onTimer_ : TNotifyEvent();
}

void TThreadedTimer::SetOnTimer(TNotifyEvent handler) {
  const bool assigned = static_cast<bool>(handler);
  bool wasAssigned = false;
  {
    std::lock_guard guard(handlerLock_);
    wasAssigned = onTimer_ != nullptr;
    onTimer_ = assigned ? std::make_shared<const TNotifyEvent>(std::move(handler)) : nullptr;
  }
  if (assigned != wasAssigned) ApplySettings();
}

void TThreadedTimer::CallSynchronized(const std::function<void()>& method) {
  if (worker_->IsCurrentThread()) {
    worker_->RunOnGuiThread(method);
  } else {
    method();
  }
}

PausaloWindow TThreadedTimer::WindowHandle() const { return window_ ? window_->Handle() : 0; }

void TThreadedTimer::DoTick() {
  if (!enabled_ || destroying_) return;
  std::shared_ptr<const TNotifyEvent> handler;
  {
    std::lock_guard guard(handlerLock_);
    handler = onTimer_;
  }
  if (handler) (*handler)(this);
}

bool TThreadedTimer::RunCondition() const {
  std::lock_guard guard(handlerLock_);
  return interval_ != 0 && enabled_ && onTimer_ != nullptr;
}

void TThreadedTimer::ApplySettings() {
  if (threaded_) {
    ApplyThreaded();
  } else {
    ApplyWindowTimer();
  }
}

void TThreadedTimer::ApplyThreaded() {
  DestroyWindow();
  if (!worker_->Suspended()) worker_->Suspend();
  worker_->SetInterval(interval_);
  if (!RunCondition()) return;
  worker_->SetPriority(threadPriority_);
  while (worker_->Suspended()) worker_->Resume();
}

void TThreadedTimer::ApplyWindowTimer() {
  if (!worker_->Suspended()) worker_->Suspend();
  if (window_) {
    window_->Stop();
  } else {
    window_ = std::make_unique<TimerWindow>(*this);
  }
  if (RunCondition() && !window_->Start(interval_)) {
    throw EOutOfResources("Not enough timers available");
  }
}

void TThreadedTimer::DestroyWindow() { window_.reset(); }

}  // namespace pausalo
