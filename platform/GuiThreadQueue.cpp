#include "platform/GuiThreadQueue.h"

#include <QCoreApplication>
#include <QEvent>
#include <QPointer>
#include <QThread>
#include <cassert>
#include <stdexcept>

namespace pausalo {

namespace {

const QEvent::Type WakeType = static_cast<QEvent::Type>(QEvent::registerEventType());

std::unique_ptr<QEvent> MakeWake() { return std::make_unique<QEvent>(WakeType); }

}  // namespace

bool IsGuiThread() {
  const QCoreApplication* application = QCoreApplication::instance();
  return application != nullptr && QThread::currentThread() == application->thread();
}

GuiThreadQueue::GuiThreadQueue() : wake_(MakeWake()) {
  const QCoreApplication* application = QCoreApplication::instance();
  if (application == nullptr)
    throw std::logic_error(
        "A queue for the GUI thread (and a thread object, which has one) needs the application "
        "object: make the QApplication first");
  if (!IsGuiThread()) moveToThread(application->thread());
}

GuiThreadQueue::~GuiThreadQueue() = default;

void GuiThreadQueue::Post(std::function<void()> call) {
  std::unique_ptr<QEvent> wake;
  {
    std::lock_guard guard(lock_);
    calls_.push_back(std::move(call));
    wake = std::move(wake_);
  }
  if (wake) QCoreApplication::postEvent(this, wake.release());
}

void GuiThreadQueue::RunPending() {
  std::deque<std::function<void()>> calls;
  auto wake = MakeWake();
  {
    std::lock_guard guard(lock_);
    calls.swap(calls_);
    if (!wake_) wake_ = std::move(wake);
  }
  for (const auto& call : calls) call();
}

void GuiThreadQueue::customEvent(QEvent*) { RunPending(); }

void RunLater(std::function<void()> call) {
  assert(IsGuiThread() && "RunLater is for the GUI thread");
  // A child of the application object, so it goes with it.
  static QPointer<GuiThreadQueue> queue;
  if (queue == nullptr) {
    queue = new GuiThreadQueue;
    queue->setParent(QCoreApplication::instance());
  }
  queue->Post(std::move(call));
}

}  // namespace pausalo
