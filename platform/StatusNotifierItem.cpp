#include "platform/StatusNotifierItem.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusVariant>
#include <QtEndian>
#include <array>

namespace pausalo {

namespace {

constexpr char ItemPath[] = "/StatusNotifierItem";
constexpr char WatcherPath[] = "/StatusNotifierWatcher";
// The bus itself answers at once; this only bounds a hung one.
constexpr int BusTimeoutMs = 1000;
// A watcher asked in the background may be slow on a loaded machine.
constexpr int AnswerTimeoutMs = 10'000;
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

// The unique name of the watcher; empty when nobody owns the name.
QString WatcherOwner(const QDBusConnection& bus) {
  QDBusMessage owner = QDBusMessage::createMethodCall(
      QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
      QStringLiteral("org.freedesktop.DBus"), QStringLiteral("GetNameOwner"));
  owner << QString::fromLatin1(StatusNotifierWatcher::Service);
  const QDBusMessage answer = bus.call(owner, QDBus::Block, BusTimeoutMs);
  return answer.type() == QDBusMessage::ReplyMessage && !answer.arguments().isEmpty()
             ? answer.arguments().first().toString()
             : QString();
}

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

StatusNotifierWatcher::~StatusNotifierWatcher() { delete asking_.data(); }

StatusNotifierWatcher::State StatusNotifierWatcher::Query(const QDBusConnection& bus) {
  const QString owner = WatcherOwner(bus);
  if (owner != owner_) {
    // An answer on its way is the former watcher's.
    delete asking_.data();
    owner_ = owner;
    answer_.reset();
    if (!owner_.isEmpty()) {
      Ask(bus, FirstAnswerTimeoutMs);
      asking_->waitForFinished();
      answer_ = StateOf(asking_->reply());
    }
  } else if (!owner_.isEmpty() && asking_.isNull()) {
    Ask(bus, AnswerTimeoutMs);
  }
  if (owner_.isEmpty()) return State::Absent;
  return answer_.value_or(State::WithoutHost);
}

void StatusNotifierWatcher::Ask(const QDBusConnection& bus, int timeoutMs) {
  QDBusMessage get = QDBusMessage::createMethodCall(
      owner_, WatcherPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
  get << QString::fromLatin1(Service) << QStringLiteral("IsStatusNotifierHostRegistered");
  // Owned by the application, so that it ends with the bus connection.
  asking_ = new QDBusPendingCallWatcher(bus.asyncCall(get, timeoutMs), QCoreApplication::instance());
  QObject::connect(asking_, &QDBusPendingCallWatcher::finished, [this](QDBusPendingCallWatcher* asked) {
    if (const auto state = StateOf(asked->reply())) answer_ = state;
    asked->deleteLater();
  });
}

StatusNotifierItem::StatusNotifierItem(QDBusConnection bus, const QString& title)
    : bus_(std::move(bus)), service_(NewServiceName()), title_(title) {
  RegisterTypesOnce();
  published_ = bus_.registerObject(ItemPath, this,
                                   QDBusConnection::ExportAllProperties | QDBusConnection::ExportScriptableSlots |
                                       QDBusConnection::ExportScriptableSignals) &&
               bus_.registerService(service_);
}

StatusNotifierItem::~StatusNotifierItem() {
  // A connection that never was has no bus to leave.
  if (!bus_.isConnected()) return;
  // The watcher drops the item when its name goes.
  bus_.unregisterService(service_);
  bus_.unregisterObject(ItemPath);
}

void StatusNotifierItem::Register() {
  if (!published_) return;
  QDBusMessage registration = QDBusMessage::createMethodCall(StatusNotifierWatcher::Service, WatcherPath,
                                                             StatusNotifierWatcher::Service,
                                                             QStringLiteral("RegisterStatusNotifierItem"));
  registration << service_;
  bus_.send(registration);
}

void StatusNotifierItem::SetIcon(const QIcon& icon) {
  if (icon.cacheKey() == iconKey_) return;
  iconKey_ = icon.cacheKey();
  pixmaps_ = ToStatusNotifierPixmaps(icon);
  emit NewIcon();
}

void StatusNotifierItem::SetToolTip(const QString& text) {
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
