#include "platform/GuiThreadQueue.h"

#include "platform/ThreadSanitizer.h"

#include <QCoreApplication>
#include <QEvent>
#include <QThread>
#include <memory>

namespace pausalo {

namespace {

const QEvent::Type WakeType = static_cast<QEvent::Type>(QEvent::registerEventType());

}  // namespace

bool IsGuiThread() {
  const QCoreApplication* application = QCoreApplication::instance();
  return application != nullptr && QThread::currentThread() == application->thread();
}

GuiThreadQueue::GuiThreadQueue() {
  if (!IsGuiThread()) moveToThread(QCoreApplication::instance()->thread());
}

GuiThreadQueue::~GuiThreadQueue() = default;

void GuiThreadQueue::Post(std::function<void()> call) {
  std::unique_ptr<QEvent> wake;
  {
    std::lock_guard guard(lock_);
    calls_.push_back(std::move(call));
    if (wakePosted_) return;
    wakePosted_ = true;
    // Made under the lock: the GUI thread takes the same lock before it
    // frees the event, which orders the two for the race detector.
    wake = std::make_unique<QEvent>(WakeType);
  }
  HandOver(wake.get());
  QCoreApplication::postEvent(this, wake.release());
}

void GuiThreadQueue::RunPending() {
  std::deque<std::function<void()>> calls;
  {
    std::lock_guard guard(lock_);
    calls.swap(calls_);
    wakePosted_ = false;
  }
  for (const auto& call : calls) call();
}

void GuiThreadQueue::customEvent(QEvent*) { RunPending(); }

}  // namespace pausalo
