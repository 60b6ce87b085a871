#pragma once
// Peers of the session that misbehave, inside the test's process: each takes
// what it is sent and never answers, or says what is not its to say.

#include <systemd/sd-bus.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QStringList>
#include <QTemporaryDir>
#include <cstdint>
#include <vector>

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

// --- Session buses that stall or go, and what is on them ------------------

// A session bus of its own address in front of the process's session bus,
// passing the bytes both ways, until it stalls (takes the bytes and passes
// nothing on) or goes (drops every connection, as a bus that ends).
class BusProxy {
 public:
  BusProxy() {
    QObject::connect(&server_, &QLocalServer::newConnection, [this] {
      while (QLocalSocket* client = server_.nextPendingConnection()) Join(client);
    });
    server_.listen(directory_.filePath("bus"));
  }
  ~BusProxy() { Go(); }
  BusProxy(const BusProxy&) = delete;
  BusProxy& operator=(const BusProxy&) = delete;

  QString Address() const { return "unix:path=" + server_.fullServerName(); }
  void Stall() { stalled_ = true; }
  void Go() {
    server_.close();
    for (const QPointer<QLocalSocket>& socket : sockets_)
      if (!socket.isNull()) socket->abort();
  }

 private:
  void Join(QLocalSocket* client) {
    auto* bus = new QLocalSocket(client);
    bus->connectToServer(qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS").section("unix:path=", 1).section(',', 0, 0));
    Pass(client, bus);
    Pass(bus, client);
    sockets_.insert(sockets_.end(), {client, bus});
  }
  void Pass(QLocalSocket* from, QLocalSocket* to) {
    QObject::connect(from, &QLocalSocket::readyRead, to, [this, from, to] {
      if (!stalled_) to->write(from->readAll());
    });
    QObject::connect(from, &QLocalSocket::disconnected, to, &QLocalSocket::abort);
  }

  QTemporaryDir directory_;
  QLocalServer server_;
  std::vector<QPointer<QLocalSocket>> sockets_;
  bool stalled_ = false;
};

// org.kde.StatusNotifierWatcher on the process's session bus, reporting a
// host, that takes each item registered, or refuses it.
class StandInWatcher final : public QDBusVirtualObject {
 public:
  enum class Items { Taken, Refused };
  explicit StandInWatcher(Items items)
      : items_(items), bus_(QDBusConnection::connectToBus(QDBusConnection::SessionBus, "stand-in-watcher")) {
    bus_.registerVirtualObject("/StatusNotifierWatcher", this);
    bus_.registerService("org.kde.StatusNotifierWatcher");
  }
  ~StandInWatcher() override { QDBusConnection::disconnectFromBus("stand-in-watcher"); }

  // The items asked to be registered, each once.
  const QStringList& Asked() const { return asked_; }
  // Whether anyone has asked for the host yet.
  bool HostAsked() const { return hostAsked_; }

  QString introspect(const QString&) const override { return {}; }
  bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
    if (message.member() == "RegisterStatusNotifierItem" && !message.arguments().isEmpty()) {
      asked_ << message.arguments().first().toString();
      return connection.send(items_ == Items::Taken
                                 ? message.createReply()
                                 : message.createErrorReply(QDBusError::AccessDenied, "no items taken"));
    }
    if (message.member() == "Get" && message.arguments().value(1) == "IsStatusNotifierHostRegistered") {
      hostAsked_ = true;
      return connection.send(message.createReply(QVariant::fromValue(QDBusVariant(true))));
    }
    return false;
  }

 private:
  const Items items_;
  QDBusConnection bus_;
  QStringList asked_;
  bool hostAsked_ = false;
};

// org.a11y.Bus on the process's session bus, with assistive technology on,
// naming the accessibility bus at address.
class StandInAccessibilityBus final : public QDBusVirtualObject {
 public:
  explicit StandInAccessibilityBus(const QString& address)
      : address_(address), bus_(QDBusConnection::connectToBus(QDBusConnection::SessionBus, "stand-in-a11y")) {
    bus_.registerVirtualObject("/org/a11y/bus", this);
    bus_.registerService("org.a11y.Bus");
  }
  ~StandInAccessibilityBus() override { QDBusConnection::disconnectFromBus("stand-in-a11y"); }

  QString introspect(const QString&) const override { return {}; }
  bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
    if (message.member() == "GetAddress") return connection.send(message.createReply(address_));
    if (message.member() == "Get") return connection.send(message.createReply(QVariant::fromValue(QDBusVariant(true))));
    return false;
  }

 private:
  const QString address_;
  QDBusConnection bus_;
};

// Owns a name on the process's session bus and answers every call to it
// with an empty reply.
class AnsweringBusName final : public QDBusVirtualObject {
 public:
  explicit AnsweringBusName(const QString& name)
      : bus_(QDBusConnection::connectToBus(QDBusConnection::SessionBus, "answering-bus-name")) {
    bus_.registerVirtualObject("/", this, QDBusConnection::SubPath);
    bus_.registerService(name);
  }
  ~AnsweringBusName() override { QDBusConnection::disconnectFromBus("answering-bus-name"); }

  QString introspect(const QString&) const override { return {}; }
  bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
    return connection.send(message.createReply());
  }

 private:
  QDBusConnection bus_;
};

}  // namespace pausalo::testing
