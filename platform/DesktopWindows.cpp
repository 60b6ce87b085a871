#include "platform/DesktopWindows.h"

#include <unistd.h>
#include <xcb/xcb.h>
#include <QCursor>
#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalSocket>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <utility>

namespace pausalo {

namespace {

// The i3 IPC protocol, which sway speaks too: a message is the magic text,
// the payload's length and the message type (both 32 bits in the host's
// byte order), then the payload.
constexpr char IpcMagic[] = "i3-ipc";
constexpr qsizetype IpcMagicSize = sizeof(IpcMagic) - 1;
constexpr qsizetype IpcHeaderSize = IpcMagicSize + 2 * sizeof(std::uint32_t);
constexpr std::uint32_t RunCommand = 0;
constexpr std::uint32_t GetTree = 4;

// A window manager takes a moment to manage a new window; until then it is
// missing from the tree, and it is looked for again.
constexpr int LookAgainMs = 50;
constexpr int GiveUpMs = 5'000;

// The root window's property that i3 names its IPC socket in.
QString I3SocketOfRootWindow() {
  const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  // The offscreen platform answers too, without a connection.
  xcb_connection_t* connection = x11 != nullptr ? x11->connection() : nullptr;
  if (connection == nullptr) return {};
  const char name[] = "I3_SOCKET_PATH";
  std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> atom(
      xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 1, sizeof(name) - 1, name), nullptr), &std::free);
  if (!atom || atom->atom == XCB_ATOM_NONE) return {};
  const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
  std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> property(
      xcb_get_property_reply(
          connection, xcb_get_property(connection, 0, root, atom->atom, XCB_GET_PROPERTY_TYPE_ANY, 0, 1024), nullptr),
      &std::free);
  if (!property || property->format != 8) return {};
  return QString::fromUtf8(static_cast<const char*>(xcb_get_property_value(property.get())),
                           xcb_get_property_value_length(property.get()));
}

// The IPC socket of the session's tiling window manager; empty where there
// is none.
QString TilingWindowManagerSocket() {
  for (const char* variable : {"SWAYSOCK", "I3SOCK"}) {
    const QString socket = qEnvironmentVariable(variable);
    if (!socket.isEmpty()) return socket;
  }
  return I3SocketOfRootWindow();
}

// The tree's container that holds the window: on X11 by its window id, on
// Wayland (sway) by this process and the window's title. 0 when none does.
qint64 ContainerOf(const QJsonObject& node, std::uint32_t x11Window, const QString& title) {
  const bool isWindow = x11Window != 0
                            ? node.value("window").toInteger() == x11Window
                            : node.value("pid").toInteger() == getpid() && node.value("name").toString() == title;
  if (isWindow) return node.value("id").toInteger();
  for (const char* children : {"nodes", "floating_nodes"}) {
    for (const QJsonValue child : node.value(children).toArray()) {
      if (const qint64 found = ContainerOf(child.toObject(), x11Window, title)) return found;
    }
  }
  return 0;
}

// The most a reply may hold. A tree names each window in about 1.5 KiB, so
// a session's tree stays well under a mebibyte; a longer reply is refused
// before it is read, which bounds the memory it takes and the time parsing
// it takes.
constexpr std::uint32_t MaxReplySize = 1024 * 1024;
// The most taken from the socket in one turn of the event loop, so that a
// flood of messages never holds the loop up.
constexpr qint64 ReadPerTurn = 64 * 1024;

// Focuses one window through the window manager's IPC socket: asks for the
// tree until the window is in it, then focuses its container. Replies
// carry no request id: one request is in flight at a time (each is sent
// once the one before was answered), and the first reply of its type is its
// reply. Events (their type has the high bit set), replies of another type
// and replies while none is awaited are dropped. Lives as a child of the
// window, so it ends with it at the latest.
class TilingFocusRequest final : public QObject {
  Q_OBJECT

 public:
  TilingFocusRequest(QWidget& window, const QString& socketPath)
      : QObject(&window), window_(window), deadline_(GiveUpMs), socket_(new QLocalSocket(this)) {
    socket_->setReadBufferSize(ReadPerTurn);
    QObject::connect(socket_, &QLocalSocket::connected, this, [this] { Send(GetTree, {}); });
    QObject::connect(socket_, &QLocalSocket::readyRead, this, [this] { Read(); });
    QObject::connect(socket_, &QLocalSocket::errorOccurred, this, [this] { GiveUp(); });
    QTimer::singleShot(deadline_.remainingTime(), this, [this] { GiveUp(); });
    socket_->connectToServer(socketPath);
  }

 private:
  struct Header {
    std::uint32_t length;
    std::uint32_t type;
  };

  void Send(std::uint32_t type, const QByteArray& payload) {
    QByteArray message(IpcMagic, IpcMagicSize);
    const std::uint32_t header[] = {static_cast<std::uint32_t>(payload.size()), type};
    message.append(reinterpret_cast<const char*>(header), sizeof(header));
    socket_->write(message + payload);
    awaited_ = type;
  }

  void GiveUp() {
    if (givenUp_) return;
    givenUp_ = true;
    socket_->abort();
    deleteLater();
  }

  // Takes what arrived, handling each message once it is whole.
  void Read() {
    while (!givenUp_ && socket_->bytesAvailable() > 0) {
      if (!header_) {
        if (socket_->bytesAvailable() < IpcHeaderSize) return;
        if (!ReadHeader(socket_->read(IpcHeaderSize))) return GiveUp();
      }
      payload_ += socket_->read(header_->length - payload_.size());
      if (payload_.size() < qsizetype(header_->length)) return;
      const std::uint32_t type = std::exchange(header_, std::nullopt)->type;
      Dispatch(type, std::exchange(payload_, {}));
    }
  }

  // Takes a message's header; false when it is none, or announces more
  // than a reply may hold.
  bool ReadHeader(const QByteArray& header) {
    if (!header.startsWith(IpcMagic)) return false;
    Header read;
    std::memcpy(&read, header.constData() + IpcMagicSize, sizeof(read));
    if (read.length > MaxReplySize) return false;
    header_ = read;
    return true;
  }

  void Dispatch(std::uint32_t type, const QByteArray& payload) {
    if (awaited_ != type) return;
    awaited_.reset();
    if (type == RunCommand) return GiveUp();
    const QWindow* handle = window_.windowHandle();
    const bool onX11 = QGuiApplication::platformName() == "xcb";
    const qint64 container = handle == nullptr ? 0
                                               : ContainerOf(QJsonDocument::fromJson(payload).object(),
                                                             onX11 ? static_cast<std::uint32_t>(handle->winId()) : 0,
                                                             handle->title());
    if (container != 0) {
      Send(RunCommand, QStringLiteral("[con_id=%1] focus").arg(container).toUtf8());
    } else if (!deadline_.hasExpired()) {
      QTimer::singleShot(LookAgainMs, this, [this] { Send(GetTree, {}); });
    }
  }

  QWidget& window_;
  QDeadlineTimer deadline_;
  QLocalSocket* socket_;
  std::optional<std::uint32_t> awaited_;  // the type of the request in flight
  std::optional<Header> header_;          // of the message being read
  QByteArray payload_;
  bool givenUp_ = false;
};

}  // namespace

void BringIntoView(QWidget& window) {
  const QString socket = TilingWindowManagerSocket();
  if (!socket.isEmpty()) new TilingFocusRequest(window, socket);
}

QScreen* ScreenTheUserIsAt() {
  if (QScreen* underPointer = QGuiApplication::screenAt(QCursor::pos())) return underPointer;
  if (const QWindow* focused = QGuiApplication::focusWindow()) return focused->screen();
  return QGuiApplication::primaryScreen();
}

}  // namespace pausalo

#include "DesktopWindows.moc"
