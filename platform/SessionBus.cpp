#include "platform/SessionBus.h"

#include <systemd/sd-bus.h>

#include <QDBusPendingCallWatcher>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace pausalo {

namespace {

// An address where no bus answers, which every D-Bus library finds out at
// once.
constexpr char NoSessionBus[] = "unix:path=/dev/null/no-session-bus";

enum class Answer { Answered, Unreachable, Silent };

// Connects to the session bus and waits, up to timeout, for its answer to
// the connection's greeting.
Answer AskSessionBus(std::chrono::microseconds timeout) {
  sd_bus* raw = nullptr;
  if (sd_bus_open_user(&raw) < 0) return Answer::Unreachable;
  const std::unique_ptr<sd_bus, decltype(&sd_bus_close_unref)> bus(raw, &sd_bus_close_unref);
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    const int processed = sd_bus_process(raw, nullptr);
    if (processed < 0) return Answer::Unreachable;
    if (sd_bus_is_ready(raw) > 0) return Answer::Answered;
    if (processed > 0) continue;
    const auto left = std::chrono::ceil<std::chrono::microseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return Answer::Silent;
    if (sd_bus_wait(raw, left.count()) < 0) return Answer::Unreachable;
  }
}

const QString DBusService = QStringLiteral("org.freedesktop.DBus");

}  // namespace

void LeaveSessionBusThatDoesNotAnswer() {
  if (AskSessionBus(SessionBusAnswerTimeout) != Answer::Silent) return;
  std::fprintf(stderr, "Pausalo: the session bus does not answer; running without it.\n");
  setenv("DBUS_SESSION_BUS_ADDRESS", NoSessionBus, 1);
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

}  // namespace pausalo
