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
// A compositor that does not answer within this time is busy; Open runs on
// the program's GUI thread and waits less, over all its steps.
constexpr std::chrono::microseconds CallTimeout = std::chrono::seconds(2);
constexpr std::chrono::microseconds OpenTimeout = std::chrono::seconds(1);

using Clock = std::chrono::steady_clock;

// What a call waits for, until its reply has been handled.
struct PendingCall {
  std::function<void(sd_bus_message*)> answered;
};

void ForgetCall(void* data) { delete static_cast<PendingCall*>(data); }

}  // namespace

std::unique_ptr<MutterIdleConnection> MutterIdleConnection::Open() {
  const auto deadline = Clock::now() + OpenTimeout;
  sd_bus* bus = nullptr;
  if (sd_bus_open_user(&bus) < 0) return nullptr;
  std::unique_ptr<MutterIdleConnection> connection(new MutterIdleConnection(bus));
  if (!connection->Subscribe()) return nullptr;
  // The greeting and the first answer, without the bus's own, longer, set-up
  // timeout.
  while (connection->idleWatch_ == 0) {
    const int processed = sd_bus_process(bus, nullptr);
    if (processed < 0 || connection->lost_) return nullptr;
    if (processed > 0) continue;
    const auto left = std::chrono::ceil<std::chrono::microseconds>(deadline - Clock::now());
    if (left.count() <= 0 || sd_bus_wait(bus, left.count()) < 0) return nullptr;
  }
  return connection;
}

bool MutterIdleConnection::Subscribe() {
  sd_bus_slot* slot = nullptr;
  if (sd_bus_match_signal_async(bus_.get(), &slot, nullptr, MonitorPath, MonitorInterface, "WatchFired", &WatchFired,
                                nullptr, this) < 0)
    return false;
  watchFired_.reset(slot);
  if (sd_bus_add_match_async(bus_.get(), &slot, MonitorReplacedRule, &MonitorReplaced, nullptr, this) < 0) return false;
  monitorReplaced_.reset(slot);
  return AddIdleWatch(false);
}

bool MutterIdleConnection::Call(const char* method, Answered answered, const std::uint64_t* argument) {
  sd_bus_message* raw = nullptr;
  if (sd_bus_message_new_method_call(bus_.get(), &raw, MonitorName, MonitorPath, MonitorInterface, method) < 0)
    return false;
  const Owned<sd_bus_message, sd_bus_message_unref> call(raw);
  if (argument != nullptr && sd_bus_message_append(raw, "t", *argument) < 0) return false;
  auto* pending = new PendingCall{std::move(answered)};
  sd_bus_slot* slot = nullptr;
  if (sd_bus_call_async(bus_.get(), &slot, raw, &Reply, pending, CallTimeout.count()) < 0) {
    delete pending;
    return false;
  }
  // The bus owns the call until its reply has been handled.
  sd_bus_slot_set_destroy_callback(slot, &ForgetCall);
  sd_bus_slot_set_floating(slot, 1);
  sd_bus_slot_unref(slot);
  return true;
}

int MutterIdleConnection::Reply(sd_bus_message* reply, void* data, sd_bus_error*) {
  static_cast<PendingCall*>(data)->answered(reply);
  return 0;
}

template <class Result>
std::optional<Result> MutterIdleConnection::ResultOf(sd_bus_message* reply, const char* type) {
  Result result{};
  if (!sd_bus_message_is_method_error(reply, nullptr) && sd_bus_message_read(reply, type, &result) > 0) return result;
  if (sd_bus_message_get_errno(reply) != ETIMEDOUT) lost_ = true;
  return std::nullopt;
}

bool MutterIdleConnection::AddIdleWatch(bool resume) {
  const std::uint64_t threshold = EdgeActivity::IdleThreshold.count();
  return Call(
      "AddIdleWatch",
      [this, resume](sd_bus_message* reply) {
        // One that does not answer, even late, ends the connection: its
        // unique name, which the signals are checked against, comes with
        // that answer.
        const auto watch = ResultOf<std::uint32_t>(reply, "u");
        const char* sender = sd_bus_message_get_sender(reply);
        if (!watch || *watch == 0 || sender == nullptr) {
          lost_ = true;
          return;
        }
        owner_ = sender;
        idleWatch_ = *watch;
        if (resume) AskIdleTime(false);
      },
      &threshold);
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
    self.AskIdleTime(false);
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
  // reported.
  self.activeWatch_ = 0;
  if (!self.AddIdleWatch(true)) self.lost_ = true;
  return 0;
}

// Without a watch to report the user's return, the user still counts as
// active, and the idle time asked before the next notification decides.
void MutterIdleConnection::BecameIdle() {
  if (activeWatch_ != 0) {
    sink_->Idled();
    return;
  }
  if (askingActiveWatch_) return;
  askingActiveWatch_ = Call("AddUserActiveWatch", [this](sd_bus_message* reply) {
    askingActiveWatch_ = false;
    activeWatch_ = ResultOf<std::uint32_t>(reply, "u").value_or(0);
    if (activeWatch_ != 0) sink_->Idled();
  });
  if (!askingActiveWatch_) lost_ = true;
}

void MutterIdleConnection::AskIdleTime(bool confirm) {
  (confirm ? confirmAsked_ : resumeAsked_) = true;
  if (askingIdleTime_) return;
  askingIdleTime_ = Call("GetIdletime", [this](sd_bus_message* reply) {
    askingIdleTime_ = false;
    const bool resume = resumeAsked_, confirm = confirmAsked_;
    resumeAsked_ = confirmAsked_ = false;
    const auto idle = ResultOf<std::uint64_t>(reply, "t");
    if (!idle || std::chrono::milliseconds(*idle) >= EdgeActivity::IdleThreshold) {
      // Unconfirmed, also when the answer came too late: the watch set up
      // again reports the next input.
      BecameIdle();
    } else {
      if (resume) sink_->Resumed();
      if (confirm) sink_->Confirmed();
    }
  });
  if (!askingIdleTime_) lost_ = true;
}

bool MutterIdleConnection::ConfirmActive() {
  AskIdleTime(true);
  return false;
}

int MutterIdleConnection::WakeUpMs() {
  std::uint64_t at = 0;
  if (sd_bus_get_timeout(bus_.get(), &at) < 0 || at == UINT64_MAX) return -1;
  const auto now = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now().time_since_epoch());
  const auto left = std::chrono::microseconds(at) - now;
  return left.count() <= 0 ? 0 : static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(left).count());
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
