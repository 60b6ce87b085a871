#include "hooks/gnome/MutterIdleConnection.h"

#include <cerrno>
#include <chrono>
#include <optional>

namespace pausalo::hooks {

namespace {

constexpr char MonitorName[] = "org.gnome.Mutter.IdleMonitor";
constexpr char MonitorPath[] = "/org/gnome/Mutter/IdleMonitor/Core";
constexpr char MonitorInterface[] = "org.gnome.Mutter.IdleMonitor";
// Whoever owns the monitor's name changes: the watches went with the old one.
constexpr char MonitorReplacedRule[] =
    "type='signal',sender='org.freedesktop.DBus',path='/org/freedesktop/DBus',"
    "interface='org.freedesktop.DBus',member='NameOwnerChanged',arg0='org.gnome.Mutter.IdleMonitor'";
// A compositor that does not answer within this time counts as gone; Open
// runs on the program's GUI thread and waits less.
constexpr std::chrono::microseconds CallTimeout = std::chrono::seconds(2);
constexpr std::chrono::microseconds OpenTimeout = std::chrono::seconds(1);

// Calls a method of the monitor and reads its one result; nothing when the
// call or the reading fails. A monitor that answers too late is busy, not
// gone: every other failure sets lost. replier, when given, gets the unique
// name of the connection that answered.
template <class Result, class... Args>
std::optional<Result> CallMonitor(sd_bus* bus, bool& lost, std::string* replier, const char* method,
                                  const char* resultType, const char* argTypes, Args... args) {
  sd_bus_message* reply = nullptr;
  sd_bus_error error = SD_BUS_ERROR_NULL;
  Result result{};
  const int called = sd_bus_call_method(bus, MonitorName, MonitorPath, MonitorInterface, method, &error, &reply,
                                        argTypes, args...);
  const bool read = called >= 0 && sd_bus_message_read(reply, resultType, &result) >= 0;
  if (!read && called != -ETIMEDOUT) lost = true;
  const char* sender = read ? sd_bus_message_get_sender(reply) : nullptr;
  if (replier != nullptr) *replier = sender != nullptr ? sender : "";
  sd_bus_message_unref(reply);
  sd_bus_error_free(&error);
  return read ? std::optional<Result>(result) : std::nullopt;
}

}  // namespace

std::unique_ptr<MutterIdleConnection> MutterIdleConnection::Open() {
  sd_bus* bus = nullptr;
  if (sd_bus_open_user(&bus) < 0) return nullptr;
  std::unique_ptr<MutterIdleConnection> connection(new MutterIdleConnection(bus));
  if (sd_bus_set_method_call_timeout(bus, OpenTimeout.count()) < 0 || !connection->Subscribe() ||
      sd_bus_set_method_call_timeout(bus, CallTimeout.count()) < 0)
    return nullptr;
  return connection;
}

bool MutterIdleConnection::Subscribe() {
  sd_bus_slot* slot = nullptr;
  if (sd_bus_match_signal(bus_.get(), &slot, nullptr, MonitorPath, MonitorInterface, "WatchFired", &WatchFired, this) <
      0)
    return false;
  watchFired_.reset(slot);
  if (sd_bus_add_match(bus_.get(), &slot, MonitorReplacedRule, &MonitorReplaced, this) < 0) return false;
  monitorReplaced_.reset(slot);
  return AddIdleWatch();
}

bool MutterIdleConnection::AddIdleWatch() {
  const std::uint64_t threshold = EdgeActivity::IdleThreshold.count();
  idleWatch_ = CallMonitor<std::uint32_t>(bus_.get(), lost_, &owner_, "AddIdleWatch", "u", "t", threshold).value_or(0);
  return idleWatch_ != 0;
}

int MutterIdleConnection::WatchFired(sd_bus_message* message, void* data, sd_bus_error*) {
  auto& self = *static_cast<MutterIdleConnection*>(data);
  const char* sender = sd_bus_message_get_sender(message);
  std::uint32_t id = 0;
  if (sender == nullptr || sender != self.owner_ || sd_bus_message_read(message, "u", &id) < 0 || id == 0) return 0;
  if (id == self.idleWatch_) {
    self.BecameIdle();
  } else if (id == self.activeWatch_) {
    // A user-active watch fires once and is gone.
    self.activeWatch_ = 0;
    self.ResumeIfActive();
  }
  return 0;
}

int MutterIdleConnection::MonitorReplaced(sd_bus_message* message, void* data, sd_bus_error*) {
  auto& self = *static_cast<MutterIdleConnection*>(data);
  const char* name = nullptr;
  const char* oldOwner = nullptr;
  const char* newOwner = nullptr;
  if (sd_bus_message_read(message, "sss", &name, &oldOwner, &newOwner) < 0) {
    self.lost_ = true;
    return 0;
  }
  // Until a new owner comes, a call that falls due fails and ends the
  // connection.
  if (*newOwner == '\0') return 0;
  // The watches went with the old owner: the new one gets them again and
  // tells whether the user is idle now, which the old one may not have
  // reported. One that does not answer, even late, ends the connection: its
  // unique name, which the signals are checked against, comes with that
  // answer.
  self.activeWatch_ = 0;
  if (!self.AddIdleWatch()) {
    self.lost_ = true;
  } else {
    self.ResumeIfActive();
  }
  return 0;
}

void MutterIdleConnection::ResumeIfActive() {
  if (ConfirmActive()) sink_->Resumed();
}

void MutterIdleConnection::BecameIdle() {
  if (activeWatch_ == 0) {
    activeWatch_ = CallMonitor<std::uint32_t>(bus_.get(), lost_, nullptr, "AddUserActiveWatch", "u", "").value_or(0);
  }
  // Without a watch to report the user's return, the user still counts as
  // active, and the idle time asked before the next notification decides.
  if (activeWatch_ != 0) sink_->Idled();
}

bool MutterIdleConnection::ConfirmActive() {
  const auto idle = CallMonitor<std::uint64_t>(bus_.get(), lost_, nullptr, "GetIdletime", "t", "");
  if (idle && std::chrono::milliseconds(*idle) < EdgeActivity::IdleThreshold) return true;
  // Unconfirmed, also when the answer came too late: the watch set up
  // again reports the next input.
  BecameIdle();
  return false;
}

pollfd MutterIdleConnection::Prepare() {
  sd_bus* bus = bus_.get();
  for (;;) {
    const int processed = sd_bus_process(bus, nullptr);
    if (processed < 0 || lost_) return {-1, 0, 0};
    if (processed == 0) break;
  }
  const int fd = sd_bus_get_fd(bus);
  const int events = sd_bus_get_events(bus);
  if (!sd_bus_is_open(bus) || fd < 0 || events < 0) return {-1, 0, 0};
  return {fd, static_cast<short>(events), 0};
}

}  // namespace pausalo::hooks
