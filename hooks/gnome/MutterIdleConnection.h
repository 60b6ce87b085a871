#pragma once

#include <systemd/sd-bus.h>

#include <cstdint>
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
// the idle time confirms it. A monitor that answers too late is busy, not
// gone: the connection stays, and the next input or due notification asks
// again.
class MutterIdleConnection final : public EdgeConnection {
 public:
  // Null when the session bus or the idle monitor does not answer.
  static std::unique_ptr<MutterIdleConnection> Open();

  void Attach(EdgeSink& sink) override { sink_ = &sink; }
  pollfd Prepare() override;
  bool Finish(short) override { return true; }
  bool ConfirmActive() override;

 private:
  explicit MutterIdleConnection(sd_bus* bus) : bus_(bus) {}
  bool Subscribe();
  // Adds the watch that fires after a second without input; false when the
  // monitor does not answer.
  bool AddIdleWatch();
  static int WatchFired(sd_bus_message* message, void* data, sd_bus_error*);
  static int MonitorReplaced(sd_bus_message*, void* data, sd_bus_error*);
  void BecameIdle();
  // Asks the monitor whether the user is active now, and reports it.
  void ResumeIfActive();

  // Declared first: the subscriptions go before the connection.
  Owned<sd_bus, sd_bus_flush_close_unref> bus_;
  Owned<sd_bus_slot, sd_bus_slot_unref> watchFired_;
  Owned<sd_bus_slot, sd_bus_slot_unref> monitorReplaced_;
  EdgeSink* sink_ = nullptr;
  // The unique bus name of the monitor's owner, which gave out the watches.
  std::string owner_;
  std::uint32_t idleWatch_ = 0;
  std::uint32_t activeWatch_ = 0;
  bool lost_ = false;
};

}  // namespace pausalo::hooks
