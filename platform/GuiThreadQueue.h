#pragma once

#include <QObject>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

class QEvent;

namespace pausalo {

// True on the thread that runs the application's event loop.
bool IsGuiThread();

// The one way work is handed to the GUI thread: calls queued from any thread
// and run, in order, on the GUI thread when it next processes events.
//
// The calls go through a mutex of our own, so a call's captured state is
// safely published to the GUI thread. The event that wakes the GUI thread is
// made ahead, on the GUI thread, and only handed to Qt by the posting thread:
// no memory of ours crosses threads through Qt's event queue, whose locking
// the race detector cannot see.
class GuiThreadQueue final : public QObject {
  Q_OBJECT

 public:
  // Needs the application object: without one it throws std::logic_error.
  // Made on the GUI thread (where made on another, its first wake-up is made
  // there).
  GuiThreadQueue();
  // Calls still queued are dropped. No thread may post while it runs.
  ~GuiThreadQueue() override;

  // Queues a call. Any thread. The call must not throw.
  void Post(std::function<void()> call);

  // Runs the calls queued so far. GUI thread only.
  void RunPending();

 protected:
  // The only event posted to the queue: the wake-up.
  void customEvent(QEvent* event) override;

 private:
  std::mutex lock_;
  std::deque<std::function<void()>> calls_;
  // The wake-up, ready while none is on its way; Post sends it.
  std::unique_ptr<QEvent> wake_;
};

// Runs call on the GUI thread once it is back in its event loop, after what
// it is doing now. GUI thread only. The calls are queued on a queue that goes
// with the application object; calls still queued then are dropped.
void RunLater(std::function<void()> call);

}  // namespace pausalo
