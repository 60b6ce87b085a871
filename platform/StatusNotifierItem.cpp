#include "platform/StatusNotifierItem.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusVariant>
#include <QRegularExpression>
#include <QtEndian>
#include <algorithm>
#include <array>
#include <utility>

namespace pausalo {

namespace {

constexpr char ItemPath[] = "/StatusNotifierItem";
constexpr char WatcherPath[] = "/StatusNotifierWatcher";
// The sizes panels draw items at, for an icon without sizes of its own.
constexpr std::array DefaultSizes{16, 22, 24, 32, 48};

// A bus name of the item's own, as the protocol names items.
QString NewServiceName() {
  static int items = 0;
  return QStringLiteral("org.kde.StatusNotifierItem-%1-%2").arg(QCoreApplication::applicationPid()).arg(++items);
}

void RegisterTypesOnce() {
  static const bool registered = [] {
    qDBusRegisterMetaType<StatusNotifierPixmap>();
    qDBusRegisterMetaType<StatusNotifierPixmaps>();
    qDBusRegisterMetaType<StatusNotifierToolTip>();
    return true;
  }();
  Q_UNUSED(registered);
}

const QString DBusService = QStringLiteral("org.freedesktop.DBus");
const QString DBusPath = QStringLiteral("/org/freedesktop/DBus");

// What the watcher's answer says; nothing when it did not answer in time.
// One that answers with an error is taken for none at all, as the
// toolkit's tray would take it.
std::optional<StatusNotifierWatcher::State> StateOf(const QDBusMessage& answer) {
  using State = StatusNotifierWatcher::State;
  if (answer.type() != QDBusMessage::ReplyMessage)
    return answer.errorName() == QLatin1String("org.freedesktop.DBus.Error.NoReply") ? std::nullopt
                                                                                     : std::optional(State::Absent);
  const QVariant registered = answer.arguments().isEmpty() ? QVariant()
                                                           : answer.arguments().first().value<QDBusVariant>().variant();
  return registered.typeId() == QMetaType::Bool && registered.toBool() ? State::WithHost : State::WithoutHost;
}

}  // namespace

QDBusArgument& operator<<(QDBusArgument& argument, const StatusNotifierPixmap& pixmap) {
  argument.beginStructure();
  argument << pixmap.width << pixmap.height << pixmap.pixels;
  argument.endStructure();
  return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, StatusNotifierPixmap& pixmap) {
  argument.beginStructure();
  argument >> pixmap.width >> pixmap.height >> pixmap.pixels;
  argument.endStructure();
  return argument;
}

QDBusArgument& operator<<(QDBusArgument& argument, const StatusNotifierToolTip& toolTip) {
  argument.beginStructure();
  argument << toolTip.iconName << toolTip.icon << toolTip.title << toolTip.text;
  argument.endStructure();
  return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, StatusNotifierToolTip& toolTip) {
  argument.beginStructure();
  argument >> toolTip.iconName >> toolTip.icon >> toolTip.title >> toolTip.text;
  argument.endStructure();
  return argument;
}

StatusNotifierPixmap ToStatusNotifierPixmap(const QImage& image) {
  const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
  StatusNotifierPixmap pixmap{argb.width(), argb.height(), {}};
  pixmap.pixels.resize(static_cast<qsizetype>(argb.width()) * argb.height() * 4);
  auto* out = reinterpret_cast<quint32*>(pixmap.pixels.data());
  for (int y = 0; y < argb.height(); ++y) {
    const auto* row = reinterpret_cast<const quint32*>(argb.constScanLine(y));
    for (int x = 0; x < argb.width(); ++x) *out++ = qToBigEndian(row[x]);
  }
  return pixmap;
}

StatusNotifierPixmaps ToStatusNotifierPixmaps(const QIcon& icon) {
  StatusNotifierPixmaps pixmaps;
  if (icon.isNull()) return pixmaps;
  QList<QSize> sizes = icon.availableSizes();
  if (sizes.isEmpty())
    for (const int side : DefaultSizes) sizes.append(QSize(side, side));
  for (const QSize& size : sizes) {
    const QImage image = icon.pixmap(size).toImage();
    if (!image.isNull()) pixmaps.append(ToStatusNotifierPixmap(image));
  }
  return pixmaps;
}

QString ToolTipToTheMinute(const QString& hint) {
  static const QRegularExpression clock(QStringLiteral("(\\d+):(\\d\\d):\\d\\d$"));
  const QRegularExpressionMatch time = clock.match(hint);
  if (!time.hasMatch()) return hint;
  const qlonglong hours = time.captured(1).toLongLong();
  const int minutes = time.captured(2).toInt();
  const QString span = hours > 0 ? QStringLiteral("%1 h %2 min").arg(hours).arg(minutes)
                                 : QStringLiteral("%1 min").arg(minutes);
  return hint.left(time.capturedStart()) + span;
}

StatusNotifierWatcher::StatusNotifierWatcher(const QDBusConnection& bus, QObject* parent)
    : bus_(bus),
      owner_(new BusNameOwner(bus, QString::fromLatin1(Service), parent)),
      hostSignals_(new BusSignalFollower(
          bus, QString::fromLatin1(WatcherPath), QString::fromLatin1(Service),
          {QStringLiteral("StatusNotifierHostRegistered"), QStringLiteral("StatusNotifierHostUnregistered")},
          [this] { return Owner(); }, parent)) {
  owner_->OnChange = [this] { NewOwner(); };
  hostSignals_->OnSignal = [this] { HostsChanged(); };
}

StatusNotifierWatcher::~StatusNotifierWatcher() {
  delete owner_.data();
  delete hostSignals_.data();
}

QString StatusNotifierWatcher::Owner() const { return owner_.isNull() ? QString() : owner_->Owner(); }

StatusNotifierWatcher::State StatusNotifierWatcher::Now() {
  // The bus tells nothing when it goes away, and its watcher goes with it.
  if (!bus_.isConnected()) return State::Absent;
  if (Owner().isEmpty()) return owner_.isNull() || owner_->Known() ? State::Absent : State::WithoutHost;
  if (!answer_ && !asking_) AskForHost();
  if (refused_) return State::WithoutHost;
  return answer_.value_or(State::WithoutHost);
}

void StatusNotifierWatcher::Refused(const QString& owner) {
  if (owner == Owner()) refused_ = true;
}

// The former owner's answers, also those on their way, are not the new
// one's.
void StatusNotifierWatcher::NewOwner() {
  answer_.reset();
  asking_ = false;
  askAgain_ = false;
  refused_ = false;
  if (!Owner().isEmpty()) AskForHost();
  if (OnNewOwner) OnNewOwner();
}

void StatusNotifierWatcher::HostsChanged() {
  if (Owner().isEmpty()) return;
  if (asking_) {
    askAgain_ = true;
    return;
  }
  AskForHost();
}

void StatusNotifierWatcher::AskForHost() {
  const QString asked = Owner();
  QDBusMessage get = QDBusMessage::createMethodCall(
      asked, WatcherPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
  get << QString::fromLatin1(Service) << QStringLiteral("IsStatusNotifierHostRegistered");
  asking_ = true;
  CallInBackground(bus_, get, PeerAnswerTimeoutMs, owner_, [this, asked](const QDBusMessage& answer) {
    if (asked != Owner()) return;
    asking_ = false;
    if (const auto state = StateOf(answer)) answer_ = state;
    if (std::exchange(askAgain_, false)) AskForHost();
  });
}

StatusNotifierItem::StatusNotifierItem(QDBusConnection bus, const QString& title)
    : bus_(std::move(bus)), service_(NewServiceName()), title_(title) {
  RegisterTypesOnce();
  published_ = bus_.registerObject(ItemPath, this,
                                   QDBusConnection::ExportAllProperties | QDBusConnection::ExportScriptableSlots |
                                       QDBusConnection::ExportScriptableSignals);
}

StatusNotifierItem::~StatusNotifierItem() {
  // A connection that never was has no bus to leave.
  if (!bus_.isConnected()) return;
  // The watcher drops the item when its name goes. Sent after the request,
  // so the name goes also when the request is still on its way.
  if (nameAsked_) {
    QDBusMessage release = QDBusMessage::createMethodCall(DBusService, DBusPath, DBusService,
                                                          QStringLiteral("ReleaseName"));
    release << service_;
    bus_.send(release);
  }
  bus_.unregisterObject(ItemPath);
}

void StatusNotifierItem::Register(const QString& watcher) {
  const QDeadlineTimer deadline(IconAcceptTimeoutMs);
  watcher_ = watcher;
  if (!published_) return Registered(watcher_, false);
  if (nameTaken_) return HandTo(deadline);
  if (nameAsked_) return;
  nameAsked_ = true;
  QDBusMessage request = QDBusMessage::createMethodCall(DBusService, DBusPath, DBusService,
                                                        QStringLiteral("RequestName"));
  // Not queued for a name someone else holds.
  constexpr uint DoNotQueue = 4;
  request << service_ << DoNotQueue;
  CallInBackground(bus_, request, IconAcceptTimeoutMs, this, [this, deadline](const QDBusMessage& answer) {
    constexpr uint PrimaryOwner = 1, AlreadyOwner = 4;
    const uint result = answer.type() == QDBusMessage::ReplyMessage && answer.arguments().size() == 1
                            ? answer.arguments().first().toUInt()
                            : 0;
    nameTaken_ = result == PrimaryOwner || result == AlreadyOwner;
    if (!nameTaken_) return Registered(watcher_, false);
    HandTo(deadline);
  });
}

void StatusNotifierItem::HandTo(QDeadlineTimer deadline) {
  QDBusMessage registration = QDBusMessage::createMethodCall(watcher_, WatcherPath, StatusNotifierWatcher::Service,
                                                             QStringLiteral("RegisterStatusNotifierItem"));
  registration << service_;
  const int left = static_cast<int>(std::max<qint64>(deadline.remainingTime(), 1));
  CallInBackground(bus_, registration, left, this, [this, watcher = watcher_](const QDBusMessage& answer) {
    Registered(watcher, answer.type() == QDBusMessage::ReplyMessage);
  });
}

void StatusNotifierItem::Registered(const QString& watcher, bool accepted) {
  if (OnRegistered) OnRegistered(watcher, accepted);
}

void StatusNotifierItem::SetIcon(const QIcon& icon) {
  if (icon.cacheKey() == iconKey_) return;
  iconKey_ = icon.cacheKey();
  StatusNotifierPixmaps pixmaps = ToStatusNotifierPixmaps(icon);
  if (pixmaps == pixmaps_) return;
  pixmaps_ = std::move(pixmaps);
  emit NewIcon();
}

void StatusNotifierItem::SetToolTip(const QString& hint) {
  const QString text = ToolTipToTheMinute(hint);
  if (text == toolTip_) return;
  toolTip_ = text;
  emit NewToolTip();
}

void StatusNotifierItem::Activate(int, int) { Act(Action::Activate); }
void StatusNotifierItem::SecondaryActivate(int, int) { Act(Action::SecondaryActivate); }
void StatusNotifierItem::ContextMenu(int, int) { Act(Action::ContextMenu); }
void StatusNotifierItem::Scroll(int, const QString&) {}

void StatusNotifierItem::Act(Action action) {
  if (OnAction) OnAction(action);
}

}  // namespace pausalo
