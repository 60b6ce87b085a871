#include "platform/SessionBus.h"

#include <systemd/sd-bus.h>

#include <QDBusPendingCallWatcher>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <utility>

namespace pausalo {

namespace {

// An address where no bus answers, which every D-Bus library finds out at
// once.
constexpr char NoBus[] = "unix:path=/dev/null/no-bus";

enum class Answer { Answered, Unreachable, Silent };
using Clock = std::chrono::steady_clock;
using Bus = std::unique_ptr<sd_bus, decltype(&sd_bus_close_unref)>;

// Handles what bus sends until answered holds, or deadline passes.
Answer Await(sd_bus* bus, Clock::time_point deadline, const std::function<bool()>& answered) {
  for (;;) {
    const int processed = sd_bus_process(bus, nullptr);
    if (processed < 0) return Answer::Unreachable;
    if (answered()) return Answer::Answered;
    if (processed > 0) continue;
    const auto left = std::chrono::ceil<std::chrono::microseconds>(deadline - Clock::now());
    if (left.count() <= 0) return Answer::Silent;
    if (sd_bus_wait(bus, left.count()) < 0) return Answer::Unreachable;
  }
}

// Waits, until deadline, for a new connection's bus to answer its greeting.
Answer Greet(sd_bus* raw, Clock::time_point deadline) {
  const Bus bus(raw, &sd_bus_close_unref);
  return Await(raw, deadline, [raw] { return sd_bus_is_ready(raw) > 0; });
}

Answer GreetSessionBus(Clock::time_point deadline) {
  sd_bus* bus = nullptr;
  return sd_bus_open_user(&bus) < 0 ? Answer::Unreachable : Greet(bus, deadline);
}

Answer GreetBusAt(const std::string& address, Clock::time_point deadline) {
  sd_bus* bus = nullptr;
  if (sd_bus_new(&bus) < 0) return Answer::Unreachable;
  if (sd_bus_set_address(bus, address.c_str()) < 0 || sd_bus_set_bus_client(bus, 1) < 0 || sd_bus_start(bus) < 0) {
    sd_bus_close_unref(bus);
    return Answer::Unreachable;
  }
  return Greet(bus, deadline);
}

// What org.a11y.Bus on the session bus says: where the accessibility bus
// is, and whether assistive technology is on.
struct AccessibilityBus {
  std::string address;
  bool enabled = false;
  int answers = 0;
  bool refused = false;
};

int Note(sd_bus_message* reply, void* data, sd_bus_error*) {
  auto& bus = *static_cast<AccessibilityBus*>(data);
  ++bus.answers;
  if (sd_bus_message_is_method_error(reply, nullptr)) {
    bus.refused = true;
    return 0;
  }
  const char* address = nullptr;
  int on = 0;
  if (sd_bus_message_read(reply, "s", &address) > 0) {
    bus.address = address;
  } else if (sd_bus_message_read(reply, "v", "b", &on) > 0) {
    bus.enabled = bus.enabled || on != 0;
  } else {
    bus.refused = true;
  }
  return 0;
}

Answer AskAccessibilityBus(Clock::time_point deadline, AccessibilityBus& asked) {
  sd_bus* raw = nullptr;
  if (sd_bus_open_user(&raw) < 0) return Answer::Unreachable;
  const Bus bus(raw, &sd_bus_close_unref);
  constexpr char Service[] = "org.a11y.Bus", Path[] = "/org/a11y/bus";
  constexpr int Questions = 3;
  if (sd_bus_call_method_async(raw, nullptr, Service, Path, Service, "GetAddress", &Note, &asked, "") < 0) {
    return Answer::Unreachable;
  }
  for (const char* property : {"IsEnabled", "ScreenReaderEnabled"}) {
    if (sd_bus_call_method_async(raw, nullptr, Service, Path, "org.freedesktop.DBus.Properties", "Get", &Note, &asked,
                                 "ss", "org.a11y.Status", property) < 0)
      return Answer::Unreachable;
  }
  const Answer answer = Await(raw, deadline, [&asked] { return asked.answers == Questions; });
  return answer == Answer::Answered && asked.refused ? Answer::Unreachable : answer;
}

const QString DBusService = QStringLiteral("org.freedesktop.DBus");

void LeaveSessionBusThatDoesNotAnswer() {
  if (GreetSessionBus(Clock::now() + SessionBusAnswerTimeout) != Answer::Silent) return;
  std::fprintf(stderr, "Pausalo: the session bus does not answer; running without it.\n");
  setenv("DBUS_SESSION_BUS_ADDRESS", NoBus, 1);
}

// The toolkit connects to the accessibility bus named by AT_SPI_BUS_ADDRESS
// and waits for it; without the variable it asks org.a11y.Bus on the
// session bus, and waits for that. The bus checked is handed to the toolkit
// through the variable, so that it asks nothing more; one that does not
// answer is replaced by an address where nothing answers at once.
void LeaveAccessibilityBusThatDoesNotAnswer() {
  const auto deadline = Clock::now() + AccessibilityBusAnswerTimeout;
  const char* named = std::getenv("AT_SPI_BUS_ADDRESS");
  AccessibilityBus bus;
  if (named != nullptr && *named != '\0') {
    bus.address = named;
  } else {
    const Answer asked = AskAccessibilityBus(deadline, bus);
    // No such service, or one that says no: the toolkit finds out at once.
    if (asked == Answer::Unreachable) return;
    const bool enabled = bus.enabled || std::getenv("QT_LINUX_ACCESSIBILITY_ALWAYS_ON") != nullptr;
    if (asked == Answer::Answered && !enabled) return;
  }
  if (!bus.address.empty() && GreetBusAt(bus.address, deadline) != Answer::Silent) {
    setenv("AT_SPI_BUS_ADDRESS", bus.address.c_str(), 1);
    return;
  }
  std::fprintf(stderr, "Pausalo: the accessibility bus does not answer; running without assistive technology.\n");
  setenv("AT_SPI_BUS_ADDRESS", NoBus, 1);
}

}  // namespace

void LeaveOutPeersThatDoNotAnswer() {
  LeaveSessionBusThatDoesNotAnswer();
  LeaveAccessibilityBusThatDoesNotAnswer();
  // The program keeps no session to save: no session manager is asked.
  unsetenv("SESSION_MANAGER");
}

void CallInBackground(const QDBusConnection& bus, const QDBusMessage& call, int timeoutMs, QObject* context,
                      std::function<void(const QDBusMessage&)> answered) {
  auto* pending = new QDBusPendingCallWatcher(bus.asyncCall(call, timeoutMs), context);
  QObject::connect(pending, &QDBusPendingCallWatcher::finished, context,
                   [answered = std::move(answered)](QDBusPendingCallWatcher* finished) {
                     finished->deleteLater();
                     answered(finished->reply());
                   });
}

BusNameOwner::BusNameOwner(const QDBusConnection& bus, const QString& name, QObject* parent)
    : QObject(parent), watcher_(name, bus, QDBusServiceWatcher::WatchForOwnerChange) {
  QObject::connect(&watcher_, &QDBusServiceWatcher::serviceOwnerChanged, this,
                   [this](const QString&, const QString&, const QString& newOwner) { Set(newOwner); });
  // Asked after the watch is set up: an announcement that comes before the
  // answer is newer than it.
  QDBusMessage ask = QDBusMessage::createMethodCall(DBusService, QStringLiteral("/org/freedesktop/DBus"), DBusService,
                                                    QStringLiteral("GetNameOwner"));
  ask << name;
  CallInBackground(bus, ask, PeerAnswerTimeoutMs, this, [this](const QDBusMessage& answer) {
    if (known_) return;
    const bool owned = answer.type() == QDBusMessage::ReplyMessage && answer.arguments().size() == 1 &&
                       answer.arguments().first().typeId() == QMetaType::QString;
    Set(owned ? answer.arguments().first().toString() : QString());
  });
}

void BusNameOwner::Set(const QString& owner) {
  if (known_ && owner == owner_) return;
  known_ = true;
  owner_ = owner;
  if (OnChange) OnChange();
}

BusSignalFollower::BusSignalFollower(QDBusConnection bus, const QString& path, const QString& interface,
                                     const QStringList& signalNames, std::function<QString()> sender, QObject* parent)
    : QObject(parent), sender_(std::move(sender)) {
  for (const QString& name : signalNames)
    bus.connect(QString(), path, interface, name, this, SLOT(Received(QDBusMessage)));
}

void BusSignalFollower::Received(const QDBusMessage& message) {
  const QString sender = sender_();
  if (!sender.isEmpty() && message.service() == sender && OnSignal) OnSignal();
}

}  // namespace pausalo
