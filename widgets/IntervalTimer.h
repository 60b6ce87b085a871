#pragma once

#include <QTimer>
#include <functional>
#include <memory>

namespace pausalo {

// A repeating timer whose ticks arrive on the GUI thread. Components that
// time user actions take one from a factory, so that tests can drive the
// ticks themselves.
class TIntervalTimer {
 public:
  virtual ~TIntervalTimer() = default;
  // Starts (or restarts) ticking every interval milliseconds.
  virtual void Start(int interval) = 0;
  // Changes the interval; a running timer counts it from now.
  virtual void SetInterval(int interval) = 0;
  virtual void Stop() = 0;
  virtual bool Active() const = 0;

  // Called on every tick.
  std::function<void()> OnTimer;
};

using TTimerFactory = std::function<std::unique_ptr<TIntervalTimer>()>;

// A timer on the toolkit's event loop. An exception escaping OnTimer is
// handed to the application's exception handling.
class TQtIntervalTimer final : public TIntervalTimer {
 public:
  TQtIntervalTimer();
  void Start(int interval) override;
  void SetInterval(int interval) override;
  void Stop() override { timer_.stop(); }
  bool Active() const override { return timer_.isActive(); }

 private:
  void Tick();

  QTimer timer_;
};

std::unique_ptr<TIntervalTimer> MakeQtIntervalTimer();

}  // namespace pausalo
