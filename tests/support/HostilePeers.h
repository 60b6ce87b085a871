#pragma once
// Peers of the session that misbehave, inside the test's process: each takes
// what it is sent and never answers, or says what is not its to say.

#include <systemd/sd-bus.h>

#include <QLocalServer>
#include <QTemporaryDir>
#include <cstdint>

namespace pausalo::testing {

// A Unix socket that takes connections and never answers: a hung compositor
// or session bus.
class SilentSocket {
 public:
  SilentSocket() { server_.listen(directory_.filePath("socket")); }
  QString Path() const { return server_.fullServerName(); }

 private:
  QTemporaryDir directory_;
  QLocalServer server_;
};

// Owns a name on the session bus and never reads a message: a hung panel.
class SilentBusName {
 public:
  explicit SilentBusName(const char* name) {
    owned_ = sd_bus_open_user(&bus_) >= 0 && sd_bus_request_name(bus_, name, 0) >= 0;
  }
  ~SilentBusName() { sd_bus_flush_close_unref(bus_); }
  SilentBusName(const SilentBusName&) = delete;
  SilentBusName& operator=(const SilentBusName&) = delete;
  bool Owned() const { return owned_; }

 private:
  sd_bus* bus_ = nullptr;
  bool owned_ = false;
};

// GNOME's idle monitor's WatchFired for the watch ids 1 to 300, sent by a
// connection that does not own the monitor's name.
inline bool ForgeIdleMonitorSignals() {
  sd_bus* bus = nullptr;
  if (sd_bus_open_user(&bus) < 0) return false;
  for (std::uint32_t id = 1; id <= 300; ++id)
    sd_bus_emit_signal(bus, "/org/gnome/Mutter/IdleMonitor/Core", "org.gnome.Mutter.IdleMonitor", "WatchFired", "u",
                       id);
  sd_bus_flush_close_unref(bus);
  return true;
}

}  // namespace pausalo::testing
