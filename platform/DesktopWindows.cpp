#include "platform/DesktopWindows.h"

#include <unistd.h>
#include <xcb/xcb.h>
#include <QCoreApplication>
#include <QCursor>
#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalSocket>
#include <QPointer>
#include <QRegularExpression>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <deque>
#include <memory>
#include <optional>
#include <utility>

namespace pausalo {

namespace {

void SetUnlessSet(const char* name, const QByteArray& value) {
  if (!qEnvironmentVariableIsSet(name)) qputenv(name, value);
}

// The i3 IPC protocol, which sway speaks too: a message is the magic text,
// the payload's length and the message type (both 32 bits in the host's
// byte order), then the payload.
constexpr char IpcMagic[] = "i3-ipc";
constexpr qsizetype IpcMagicSize = sizeof(IpcMagic) - 1;
constexpr qsizetype IpcHeaderSize = IpcMagicSize + 2 * sizeof(std::uint32_t);
constexpr std::uint32_t RunCommand = 0;

// A window manager takes a moment to manage a new window; until then no
// window matches its criteria, and it is looked for again.
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

// The command that focuses the window, naming it by criteria: its X11
// window id on an X server (i3, and sway through Xwayland), this process
// and its whole title on Wayland (sway). Empty while the window has no
// native window yet.
QByteArray FocusCommand(const QWidget& window) {
  const QWindow* handle = window.windowHandle();
  if (handle == nullptr) return {};
  if (QGuiApplication::platformName() == "xcb") return QStringLiteral("[id=%1] focus").arg(handle->winId()).toUtf8();
  const QString title = QRegularExpression::escape(handle->title());
  return QStringLiteral("[pid=%1 title=\"^%2$\"] focus").arg(getpid()).arg(title).toUtf8();
}

// Whether a command's reply says that every command in it succeeded.
bool Succeeded(const QByteArray& reply) {
  const QJsonArray results = QJsonDocument::fromJson(reply).array();
  return !results.isEmpty() && std::all_of(results.begin(), results.end(), [](const QJsonValue& result) {
    return result.toObject().value("success").toBool();
  });
}

// The most a message may hold. A command's reply names each command's
// success in a few dozen bytes; a longer one is refused before it is read.
constexpr std::uint32_t MaxReplySize = 64 * 1024;
// The most taken from the socket in one turn of the event loop, so that a
// flood of messages never holds the loop up.
constexpr qint64 ReadPerTurn = 64 * 1024;

// Focuses windows through the window manager's IPC socket, with commands
// that name each window by criteria. The window manager's tree is never
// read: it grows with the session (an i3 tree passes a mebibyte at about
// 1,100 windows), where a command's reply stays small. A window the
// window manager does not manage yet matches nothing: its command is sent
// again a moment later, until it succeeds or the window's few seconds are
// up.
//
// One connection for the whole program, made when a window is to be
// focused and closed once none is left: a window asked for while it runs
// joins it, once, its few seconds counted from the latest request. One
// command is in flight at a time; replies carry no request id, so the
// first command reply is its reply. Events (their type has the high bit
// set), replies of another type and replies while none is awaited are
// dropped. A child of the application object, so it ends with it at the
// latest.
class TilingFocus final : public QObject {
  Q_OBJECT

 public:
  static void Request(QWidget& window, const QString& socketPath) {
    if (current_ == nullptr || current_->socketPath_ != socketPath) current_ = new TilingFocus(socketPath);
    current_->Add(window);
  }

 private:
  explicit TilingFocus(const QString& socketPath)
      : QObject(QCoreApplication::instance()), socketPath_(socketPath), socket_(new QLocalSocket(this)) {
    socket_->setReadBufferSize(ReadPerTurn);
    retry_.setSingleShot(true);
    giveUp_.setSingleShot(true);
    QObject::connect(socket_, &QLocalSocket::connected, this, [this] { SendNext(); });
    QObject::connect(socket_, &QLocalSocket::readyRead, this, [this] { Read(); });
    QObject::connect(socket_, &QLocalSocket::errorOccurred, this, [this] { End(); });
    QObject::connect(&retry_, &QTimer::timeout, this, [this] { SendNext(); });
    QObject::connect(&giveUp_, &QTimer::timeout, this, [this] { End(); });
  }

  struct Target {
    QPointer<QWidget> window;
    QDeadlineTimer deadline;
  };
  struct Header {
    std::uint32_t length;
    std::uint32_t type;
  };

  void Add(QWidget& window) {
    giveUp_.start(GiveUpMs);
    const auto wanted = std::find_if(targets_.begin(), targets_.end(),
                                     [&](const Target& target) { return target.window == &window; });
    if (wanted != targets_.end()) {
      wanted->deadline = QDeadlineTimer(GiveUpMs);
      return;
    }
    targets_.push_back({&window, QDeadlineTimer(GiveUpMs)});
    // Connected at once where the socket takes the connection at once.
    if (socket_->state() == QLocalSocket::UnconnectedState) return socket_->connectToServer(socketPath_);
    if (socket_->state() == QLocalSocket::ConnectedState && !awaiting_ && !retry_.isActive()) SendNext();
  }

  // Sends the command of the first window still wanted; ends once none is.
  void SendNext() {
    while (!targets_.empty() && (targets_.front().window.isNull() || targets_.front().deadline.hasExpired()))
      targets_.pop_front();
    if (targets_.empty()) return End();
    const QByteArray command = FocusCommand(*targets_.front().window);
    if (command.isEmpty()) return LookAgain();
    QByteArray message(IpcMagic, IpcMagicSize);
    const std::uint32_t header[] = {static_cast<std::uint32_t>(command.size()), RunCommand};
    message.append(reinterpret_cast<const char*>(header), sizeof(header));
    socket_->write(message + command);
    awaiting_ = true;
  }

  // The first window is looked for again after the others.
  void LookAgain() {
    targets_.push_back(targets_.front());
    targets_.pop_front();
    retry_.start(LookAgainMs);
  }

  void End() {
    if (ended_) return;
    ended_ = true;
    if (current_ == this) current_ = nullptr;
    socket_->abort();
    deleteLater();
  }

  // Takes what arrived, handling each message once it is whole, and
  // nothing past its end.
  void Read() {
    while (!ended_ && socket_->bytesAvailable() > 0) {
      if (!header_) {
        if (socket_->bytesAvailable() < IpcHeaderSize) return;
        if (!ReadHeader(socket_->read(IpcHeaderSize))) return End();
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
    if (type != RunCommand || !awaiting_) return;
    awaiting_ = false;
    if (!Succeeded(payload)) return LookAgain();
    // The window manager manages the window now. sway 1.10 centres a
    // floating Xwayland window's picture in its frame by a size it learns
    // only from frames after the one that mapped it: a window whose first
    // frame was its last stays drawn half its size off its frame.
    if (QWidget* focused = targets_.front().window) focused->update();
    targets_.pop_front();
    SendNext();
  }

  static inline QPointer<TilingFocus> current_;  // the connection there is
  const QString socketPath_;
  QLocalSocket* socket_;
  std::deque<Target> targets_;    // the first one's command is in flight, or next
  QTimer retry_;                  // until the next command after one that failed
  QTimer giveUp_;                 // until the last window's time is up
  bool awaiting_ = false;         // a command's reply
  std::optional<Header> header_;  // of the message being read
  QByteArray payload_;
  bool ended_ = false;
};

}  // namespace

void BringIntoView(QWidget& window) {
  const QString socket = TilingWindowManagerSocket();
  if (!socket.isEmpty()) TilingFocus::Request(window, socket);
}

QScreen* ScreenTheUserIsAt() { return ScreenTheUserIsAt(QCursor::pos()); }

QScreen* ScreenTheUserIsAt(const QPoint& pointer) {
  if (QScreen* underPointer = QGuiApplication::screenAt(pointer)) return underPointer;
  if (const QWindow* focused = QGuiApplication::focusWindow()) return focused->screen();
  return QGuiApplication::primaryScreen();
}

void CentreOnScreen(QWidget& window) {
  if (const QScreen* screen = ScreenTheUserIsAt())
    window.move(screen->availableGeometry().center() - window.rect().center());
}

void KeepOnAScreen(QWidget& window) {
  if (QGuiApplication::screenAt(window.frameGeometry().center()) == nullptr) CentreOnScreen(window);
}

void PlaceOver(QWidget& window, const QWidget& over) {
  QRect placed(QPoint(), window.size());
  placed.moveCenter(over.geometry().center());
  if (const QScreen* screen = over.screen()) {
    const QRect room = screen->availableGeometry();
    placed.moveLeft(std::clamp(placed.left(), room.left(), std::max(room.left(), room.right() - placed.width())));
    placed.moveTop(std::clamp(placed.top(), room.top(), std::max(room.top(), room.bottom() - placed.height())));
  }
  window.setGeometry(placed);
  window.winId();
  window.windowHandle()->setTransientParent(over.windowHandle());
}

QWidget* DialogOwner(QWidget& mainWindow) {
  return mainWindow.isVisible() && !mainWindow.isMinimized() ? &mainWindow : nullptr;
}

void ChooseQtPlatform() {
  SetUnlessSet("QT_QPA_PLATFORM", "xcb;wayland");
  // Qt 6.8's X11 platform crashes when a pointing device appears under Xwayland (in its XInput2 device set-up); 6.4's
  // does not. Given up: touch and tablet events and smooth scrolling (wheels scroll by notches, touch screens act as a
  // mouse); the activity capture has an X connection of its own.
  SetUnlessSet("QT_XCB_NO_XI2", "1");
}

}  // namespace pausalo

#include "DesktopWindows.moc"
