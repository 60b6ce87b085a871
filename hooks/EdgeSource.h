#pragma once

#include <poll.h>

#include <functional>
#include <memory>

#include "hooks/ActivitySource.h"
#include "hooks/EdgeActivity.h"
#include "hooks/ListenerThread.h"

namespace pausalo::hooks {

// Where a connection reports the edges it hears of.
class EdgeSink {
 public:
  virtual ~EdgeSink() = default;
  virtual void Resumed() = 0;
  virtual void Idled() = 0;
  // The user was active when a notification fell due (ConfirmActive).
  virtual void Confirmed() = 0;
};

// A connection to a service that reports idle and active edges, driven by
// the thread of an EdgeSource: Prepare before each wait, Finish after it.
class EdgeConnection {
 public:
  virtual ~EdgeConnection() = default;
  // Called once before the thread starts; edges go there from then on.
  virtual void Attach(EdgeSink& sink) = 0;
  // Handles what has been read already and says what to wait for: the
  // connection's descriptor and poll events; a negative descriptor once the
  // connection is lost.
  virtual pollfd Prepare() = 0;
  // Reads what the wait found (revents 0 when it ended for another reason);
  // false once the connection is lost.
  virtual bool Finish(short revents) = 0;
  // Asked before each notification that falls due while the user counts as
  // active: true to notify now. A connection that asks its service answers
  // false and reports later, Confirmed or, seeing idleness the edges hide,
  // Idled.
  virtual bool ConfirmActive() { return true; }
  // Milliseconds until the connection has work of its own to do (a call
  // whose answer is overdue); -1 for none.
  virtual int WakeUpMs() { return -1; }
};

// Notifies on its own thread as EdgeActivity says, from the edges that a
// connection reports. The thread ends quietly when the connection is lost;
// it is stopped and joined, and the connection closed, when the object goes.
class EdgeSource final : public ActivitySource, private EdgeSink {
 public:
  // notify runs on the source's thread. Null when no thread can be set up.
  static std::unique_ptr<EdgeSource> Start(std::unique_ptr<EdgeConnection> connection, std::function<void()> notify);
  EdgeSource(const EdgeSource&) = delete;
  EdgeSource& operator=(const EdgeSource&) = delete;

  bool Running() const override { return thread_->Running(); }

 private:
  EdgeSource(std::unique_ptr<EdgeConnection> connection, std::function<void()> notify);
  void Listen(const ListenerThread& thread);
  // Milliseconds until the next notification falls due; -1 while idle.
  int Timeout() const;

  void Resumed() override;
  void Idled() override { activity_.Idled(); }
  void Confirmed() override;

  std::unique_ptr<EdgeConnection> connection_;
  std::function<void()> notify_;
  EdgeActivity activity_;
  // Declared last: stopped and joined before the members it uses go.
  std::unique_ptr<ListenerThread> thread_;
};

}  // namespace pausalo::hooks
