#include "widgets/IntervalTimer.h"

#include <exception>

#include "platform/Application.h"

namespace pausalo {

TQtIntervalTimer::TQtIntervalTimer() {
  QObject::connect(&timer_, &QTimer::timeout, [this] { Tick(); });
}

void TQtIntervalTimer::Start(int interval) { timer_.start(interval); }

void TQtIntervalTimer::SetInterval(int interval) { timer_.setInterval(interval); }

void TQtIntervalTimer::Tick() {
  if (!OnTimer) return;
  try {
    OnTimer();
  } catch (...) {
    ReportException(std::current_exception());
  }
}

std::unique_ptr<TIntervalTimer> MakeQtIntervalTimer() { return std::make_unique<TQtIntervalTimer>(); }

}  // namespace pausalo
