#pragma once

#include <QObject>
#include <deque>
#include <functional>
#include <mutex>

namespace pausalo {

// True on the thread that runs the application's event loop.
bool IsGuiThread();

// Calls queued from any thread and run, in order, on the GUI thread when it
// next processes events. The hand-over goes through a mutex of our own, so a
// call's captured state is safely published to the GUI thread.
class GuiThreadQueue final : public QObject {
 public:
  // Needs the application object; the queue lives on its thread.
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
  bool wakePosted_ = false;
};

}  // namespace pausalo
