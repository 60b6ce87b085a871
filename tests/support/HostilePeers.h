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
#include <QTimer>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>
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

// Owns a name on the process's session bus, with an object at path and
// below that replies to each call what answer gives (nothing: no reply).
class StandInBusObject final : public QDBusVirtualObject {
 public:
  using Answer = std::function<std::optional<QDBusMessage>(const QDBusMessage& call)>;
  StandInBusObject(const QString& name, const QString& path, Answer answer)
      : name_(name),
        answer_(std::move(answer)),
        bus_(QDBusConnection::connectToBus(QDBusConnection::SessionBus, name)) {
    bus_.registerVirtualObject(path, this, QDBusConnection::SubPath);
    bus_.registerService(name);
  }
  ~StandInBusObject() override { QDBusConnection::disconnectFromBus(name_); }
  StandInBusObject(const StandInBusObject&) = delete;
  StandInBusObject& operator=(const StandInBusObject&) = delete;

  bool Send(const QDBusMessage& message) { return bus_.send(message); }

  QString introspect(const QString&) const override { return {}; }
  bool handleMessage(const QDBusMessage& call, const QDBusConnection& connection) override {
    const std::optional<QDBusMessage> reply = answer_(call);
    return reply && connection.send(*reply);
  }

 private:
  const QString name_;
  const Answer answer_;
  QDBusConnection bus_;
};

inline QDBusMessage TrueProperty(const QDBusMessage& get) {
  return get.createReply(QVariant::fromValue(QDBusVariant(true)));
}

// org.kde.StatusNotifierWatcher that takes each item registered, or refuses
// it, and reports a host: from the start, or once it announces one.
class StandInWatcher {
 public:
  enum class Items { Taken, Refused };
  enum class Host { There, Later };
  explicit StandInWatcher(Items items, Host host = Host::There)
      : hostThere_(host == Host::There),
        watcher_("org.kde.StatusNotifierWatcher", "/StatusNotifierWatcher", [this, items](const QDBusMessage& call) {
          if (call.member() == "RegisterStatusNotifierItem") {
            asked_ << call.arguments().value(0).toString();
            return items == Items::Taken ? call.createReply()
                                         : call.createErrorReply(QDBusError::AccessDenied, "no items taken");
          }
          if (call.arguments().value(1) == "IsStatusNotifierHostRegistered") ++hostAsks_;
          return call.createReply(QVariant::fromValue(QDBusVariant(hostThere_)));
        }) {}

  // A host registers with the watcher, which says so.
  void AnnounceHost() {
    hostThere_ = true;
    watcher_.Send(QDBusMessage::createSignal("/StatusNotifierWatcher", "org.kde.StatusNotifierWatcher",
                                             "StatusNotifierHostRegistered"));
  }
  // The items asked to be registered, each once.
  const QStringList& Asked() const { return asked_; }
  // How often anyone has asked whether a host is there.
  int HostAsks() const { return hostAsks_; }

 private:
  QStringList asked_;
  bool hostThere_;
  int hostAsks_ = 0;
  StandInBusObject watcher_;
};

// org.a11y.Bus, with assistive technology on, naming the accessibility bus
// at address.
inline std::unique_ptr<StandInBusObject> StandInAccessibilityBus(const QString& address) {
  return std::make_unique<StandInBusObject>("org.a11y.Bus", "/org/a11y/bus", [address](const QDBusMessage& call) {
    return call.member() == "GetAddress" ? call.createReply(address) : TrueProperty(call);
  });
}

// Owns a name and answers every call with an empty reply.
inline std::unique_ptr<StandInBusObject> AnsweringBusName(const QString& name) {
  return std::make_unique<StandInBusObject>(name, "/", [](const QDBusMessage& call) { return call.createReply(); });
}

// --- A tiling window manager's IPC socket ------------------------------------

// A tiling window manager's IPC socket (the i3 protocol, as sway speaks it:
// the host's byte order), named in I3SOCK while it lives. Honest, it answers
// a command "no window matches" twice, as while the window is not managed
// yet, then "success". Lying, it answers thus:
class LyingWindowManager {
 public:
  enum class Lie {
    None,
    Pieces,      // each reply in pieces, between two events that touch it
    Huge,        // a reply announcing 2 GiB, then up to 64 MiB of it
    Events,      // 50 events, never a reply
    Duplicates,  // each reply twice
    Flood,       // each reply 2,000 times
  };

  explicit LyingWindowManager(Lie lie) : lie_(lie) {
    server_.listen(directory_.filePath("ipc"));
    QObject::connect(&server_, &QLocalServer::newConnection, &server_, [this] {
      while (QLocalSocket* client = server_.nextPendingConnection()) Serve(*client);
    });
    qunsetenv("SWAYSOCK");
    qputenv("I3SOCK", server_.fullServerName().toUtf8());
  }
  ~LyingWindowManager() { qunsetenv("I3SOCK"); }
  LyingWindowManager(const LyingWindowManager&) = delete;
  LyingWindowManager& operator=(const LyingWindowManager&) = delete;

  int Connections() const { return connections_; }
  int Requests() const { return requests_; }
  // The text of each command, in the order sent.
  const QStringList& Commands() const { return commands_; }
  // What the last client had been sent when it hung up.
  std::optional<qint64> SentBeforeHangup() const { return sentBeforeHangup_; }

 private:
  static constexpr std::uint32_t RunCommand = 0, FocusEvent = 0x80000003;
  static constexpr qsizetype HeaderSize = 14;

  static QByteArray Message(std::uint32_t type, const QByteArray& payload, std::uint32_t length = 0) {
    QByteArray message("i3-ipc");
    for (const std::uint32_t field : {length != 0 ? length : std::uint32_t(payload.size()), type}) {
      message.append(reinterpret_cast<const char*>(&field), sizeof(field));
    }
    return message + payload;
  }

  void Serve(QLocalSocket& client) {
    ++connections_;
    sent_ = 0;
    QObject::connect(&client, &QLocalSocket::bytesWritten, &client, [this, &client](qint64 written) {
      sent_ += written;
      if (hugeChunksLeft_ > 0 && client.bytesToWrite() < (1 << 20)) {
        --hugeChunksLeft_;
        client.write(QByteArray(1 << 20, 'x'));
      }
    });
    QObject::connect(&client, &QLocalSocket::disconnected, &client, [this, &client] {
      sentBeforeHangup_ = sent_;
      client.deleteLater();
    });
    QObject::connect(&client, &QLocalSocket::readyRead, &client, [this, &client] {
      received_ += client.readAll();
      while (received_.size() >= HeaderSize) {
        std::uint32_t length = 0, type = 0;
        std::memcpy(&length, received_.constData() + 6, sizeof(length));
        std::memcpy(&type, received_.constData() + 10, sizeof(type));
        if (received_.size() < HeaderSize + qsizetype(length)) return;
        ++requests_;
        if (type == RunCommand) commands_ << QString::fromUtf8(received_.mid(HeaderSize, length));
        received_.remove(0, HeaderSize + length);
        Answer(client);
      }
    });
  }

  void Answer(QLocalSocket& client) {
    const QByteArray noMatch = R"([{"success":false,"error":"No window matches given criteria"}])";
    const QByteArray reply = Message(RunCommand, commands_.size() > 2 ? R"([{"success":true}])" : noMatch);
    const QByteArray event = Message(FocusEvent, R"({"change":"focus"})");
    switch (lie_) {
      case Lie::None: client.write(reply); break;
      case Lie::Pieces: {
        // Cut inside the reply's header and inside its payload; the last
        // piece ends the reply and holds the next event whole.
        const QByteArray whole = event + reply + event;
        const qsizetype cuts[] = {0, event.size() + 5, event.size() + HeaderSize + 10, whole.size() - event.size() - 1,
                                  whole.size()};
        for (int piece = 0; piece < 4; ++piece)
          QTimer::singleShot(
              20 * piece, &client,
              [&client, part = whole.mid(cuts[piece], cuts[piece + 1] - cuts[piece])] { client.write(part); });
        break;
      }
      case Lie::Huge:
        hugeChunksLeft_ = 64;
        client.write(Message(RunCommand, {}, 0x7FFFFFFF));
        break;
      case Lie::Events: client.write(event.repeated(50)); break;
      case Lie::Duplicates: client.write(Message(RunCommand, noMatch).repeated(2)); break;
      case Lie::Flood: client.write(Message(RunCommand, noMatch).repeated(2000)); break;
    }
  }

  const Lie lie_;
  QTemporaryDir directory_;
  QLocalServer server_;
  QByteArray received_;
  int connections_ = 0, requests_ = 0, hugeChunksLeft_ = 0;
  QStringList commands_;
  qint64 sent_ = 0;
  std::optional<qint64> sentBeforeHangup_;
};

}  // namespace pausalo::testing
