#pragma once

#include <QObject>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

#include "platform/Events.h"
#include "platform/Thread.h"
#include "platform/WindowMessages.h"

namespace pausalo {

class TThreadedTimer;

// The worker of a threaded timer: sleeps for the interval, then delivers
// the tick, until it is terminated. It pauses only between ticks.
class TTimerThread final : public TThread {
 public:
  explicit TTimerThread(TThreadedTimer& owner) : owner_(owner) {}
  ~TTimerThread() override { Shutdown(); }

  std::uint32_t Interval() const { return interval_; }
  // Takes effect from the next sleep.
  void SetInterval(std::uint32_t interval) { interval_ = interval; }

  // Runs method on the GUI thread while the worker waits; false when the
  // worker was terminated first. Called on the worker.
  bool RunOnGuiThread(const std::function<void()>& method);

  // Ends the worker of a timer being destroyed. GUI thread. Normally it
  // waits until the worker has ended and returns false: the owner frees it.
  // When the GUI thread is inside one of the worker's synchronised calls
  // (a nested event loop there destroys the timer), the worker cannot end
  // before that call returns: it is then only terminated, frees itself on
  // the GUI thread once the call has returned, and the result is true.
  bool EndForOwner();

 protected:
  void Execute() override;

 private:
  class GuiCall;

  bool Closed() const;
  void DeliverTick();
  void Report(const std::exception_ptr& error);

  TThreadedTimer& owner_;
  std::atomic<std::uint32_t> interval_{1000};
  // Both are used on the GUI thread only.
  bool inGuiCall_ = false;
  bool freesItself_ = false;
};

// Raises OnTimer every Interval milliseconds: from a worker thread
// (Threaded, the default), run on the GUI thread while the worker waits
// (SyncEvent, the default) or on the worker itself; or from a GUI-thread
// timer (Threaded False). It ticks only while Enabled, Interval is not 0
// and OnTimer is assigned. Use it on the GUI thread; OnTimer may run on the
// worker, so a handler there locks what it shares.
//
// Destruction waits for a tick in progress on the worker, so the worker
// never sees a freed timer; a handler running on the worker must therefore
// not wait for the GUI thread other than through CallSynchronized (which
// destruction cancels). Destroying the timer while the GUI thread is inside
// a synchronised call of the worker (a synchronised tick, a CallSynchronized
// method, the report of a tick's exception) does not wait: the worker is
// left to end on its own. A window-mode timer is not destroyed from its own
// OnTimer.
class TThreadedTimer : public QObject {
  Q_OBJECT
  Q_PROPERTY(bool Enabled READ Enabled WRITE SetEnabled)
  Q_PROPERTY(quint32 Interval READ Interval WRITE SetInterval)
  Q_PROPERTY(bool SyncEvent READ SyncEvent WRITE SetSyncEvent)
  Q_PROPERTY(bool Threaded READ Threaded WRITE SetThreaded)
  Q_PROPERTY(pausalo::TThreadPriority ThreadPriority READ ThreadPriority WRITE SetThreadPriority)

 public:
  explicit TThreadedTimer(QObject* owner = nullptr);
  ~TThreadedTimer() override;

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  // Milliseconds; 0 never ticks.
  std::uint32_t Interval() const { return interval_; }
  void SetInterval(std::uint32_t interval);
  bool SyncEvent() const { return syncEvent_; }
  void SetSyncEvent(bool syncEvent) { syncEvent_ = syncEvent; }
  bool Threaded() const { return threaded_; }
  void SetThreaded(bool threaded);
  TThreadPriority ThreadPriority() const { return threadPriority_; }
  void SetThreadPriority(TThreadPriority priority);
  TNotifyEvent OnTimer() const;
  void SetOnTimer(TNotifyEvent handler);

  // Called on the worker, runs method on the GUI thread while the worker
  // waits (nothing runs once the timer is being destroyed); called on any
  // other thread, runs it at once.
  void CallSynchronized(const std::function<void()>& method);

  const TTimerThread& Worker() const { return *worker_; }
  // The hidden window of the GUI-thread mode; 0 while there is none.
  PausaloWindow WindowHandle() const;

 protected:
  // Raises OnTimer when Enabled, not being destroyed, and assigned.
  virtual void DoTick();

 private:
  friend class TTimerThread;
  class TimerWindow;

  void ApplySettings();
  void ApplyThreaded();
  void ApplyWindowTimer();
  bool RunCondition() const;
  void DestroyWindow();

  std::atomic<bool> enabled_{true};
  std::uint32_t interval_ = 1000;
  mutable std::mutex handlerLock_;
  std::shared_ptr<const TNotifyEvent> onTimer_;
  std::unique_ptr<TimerWindow> window_;
  std::atomic<bool> syncEvent_{true};
  bool threaded_ = true;
  std::unique_ptr<TTimerThread> worker_;
  TThreadPriority threadPriority_ = tpNormal;
  std::atomic<bool> destroying_{false};
};

}  // namespace pausalo
