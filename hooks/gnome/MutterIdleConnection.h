#pragma once

#include <systemd/sd-bus.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "hooks/EdgeSource.h"
#include "hooks/Owned.h"

namespace pausalo::hooks {

// Idle and active edges from GNOME's compositor, through the idle monitor it
// exports on the session bus: a watch that fires after a second without
// input and, while idle, one that fires at the next input. Its idle watches
// stay silent while something inhibits idleness, so the idle time is also
// asked for before each notification while the user counts as active. A new
// owner of the monitor's name (mutter replaced) gets the watches again.
// Anyone on the bus may send the monitor's signals: only those of the owner
// that gave out the watches count, and a fired user-active watch counts once
// the idle time confirms it. Every call is answered on the source's thread
// as it comes, so the thread never waits for the monitor and a stop request
// reaches it at once. A monitor that answers too late is busy, not gone: the
// connection stays, and the next input or due notification asks again.
class MutterIdleConnection final : public EdgeConnection {
 public:
  // Null when the session bus or the idle monitor does not answer within
  // OpenTimeout, over connection, greeting and first call alike.
  static std::unique_ptr<MutterIdleConnection> Open();

  void Attach(EdgeSink& sink) override { sink_ = &sink; }
  pollfd Prepare() override;
  bool Finish(short) override { return true; }
  bool ConfirmActive() override;
  int WakeUpMs() override;

 private:
  using Answered = std::function<void(sd_bus_message* reply)>;

  explicit MutterIdleConnection(sd_bus* bus) : bus_(bus) {}
  bool Subscribe();
  // Sends a call to the monitor, with a 64-bit argument when given one;
  // answered runs on this thread with the reply, an error when none came.
  bool Call(const char* method, Answered answered, const std::uint64_t* argument = nullptr);
  static int Reply(sd_bus_message* reply, void* data, sd_bus_error*);
  // The reply's one result; nothing when the call failed. Every failure
  // but a late answer loses the connection.
  template <class Result>
  std::optional<Result> ResultOf(sd_bus_message* reply, const char* type);
  // Asks for the watch that fires after a second without input; its
  // answer names the owner whose signals count. Then asks whether the user
  // is active now, when resume is set.
  bool AddIdleWatch(bool resume);
  static int WatchFired(sd_bus_message* message, void* data, sd_bus_error*);
  static int MonitorReplaced(sd_bus_message*, void* data, sd_bus_error*);
  void BecameIdle();
  // Asks the monitor for its idle time: a user active now resumes (after a
  // fired watch or a new owner) or is confirmed (a due notification).
  void AskIdleTime(bool confirm);

  // Declared first: the subscriptions go before the connection. Closed
  // without waiting for what it still has to send: the bus may not answer.
  Owned<sd_bus, sd_bus_close_unref> bus_;
  Owned<sd_bus_slot, sd_bus_slot_unref> watchFired_;
  Owned<sd_bus_slot, sd_bus_slot_unref> monitorReplaced_;
  EdgeSink* sink_ = nullptr;
  // The unique bus name of the monitor's owner, which gave out the watches.
  std::string owner_;
  std::uint32_t idleWatch_ = 0;
  std::uint32_t activeWatch_ = 0;
  bool askingActiveWatch_ = false;
  bool askingIdleTime_ = false;
  bool resumeAsked_ = false;
  bool confirmAsked_ = false;
  bool lost_ = false;
};

}  // namespace pausalo::hooks
