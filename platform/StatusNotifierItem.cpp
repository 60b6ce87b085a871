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
// A watcher answers at once; this only bounds a hung one.
constexpr int WatcherTimeoutMs = 2000;
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

StatusNotifierWatcher::State StatusNotifierWatcher::Query(const QDBusConnection& bus) {
  QDBusMessage get = QDBusMessage::createMethodCall(
      Service, WatcherPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
  get << QString::fromLatin1(Service) << QStringLiteral("IsStatusNotifierHostRegistered");
  const QDBusMessage answer = bus.call(get, QDBus::Block, WatcherTimeoutMs);
  if (answer.type() == QDBusMessage::ReplyMessage)
    return !answer.arguments().isEmpty() && answer.arguments().first().value<QDBusVariant>().variant().toBool()
               ? State::WithHost
               : State::WithoutHost;
  // No bus, or nobody owns the watcher's name. A watcher that does not
  // answer in time is there all the same.
  return answer.errorName() == QLatin1String("org.freedesktop.DBus.Error.NoReply") ? State::WithoutHost : State::Absent;
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
