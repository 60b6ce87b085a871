#include "platform/DesktopNotification.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QVariantMap>

namespace pausalo {

void ShowDesktopNotification(const QString& summary) {
  const QString service = QStringLiteral("org.freedesktop.Notifications");
  QDBusMessage notify = QDBusMessage::createMethodCall(service, QStringLiteral("/org/freedesktop/Notifications"),
                                                       service, "Notify");
  constexpr uint replacesNone = 0;
  constexpr int serversTimeout = -1;
  notify << QCoreApplication::applicationName() << replacesNone << QString() << summary << QString() << QStringList()
         << QVariantMap{{QStringLiteral("transient"), true}, {QStringLiteral("suppress-sound"), true}}
         << serversTimeout;
  QDBusConnection::sessionBus().send(notify);
}

}  // namespace pausalo
