#pragma once
// What a test of the program's tray icon looks at on the desktop: Qt's
// XEmbed icon window, whether a window is in the user's reach, and the
// StatusNotifierItems on the session bus.

#include <QApplication>
#include <QByteArray>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QStringList>
#include <QVariant>
#include <QWidget>

#include "TestDesktop.h"

namespace pausalo::testing {

// The window Qt embeds into an XEmbed tray host for an icon.
inline QWidget* TrayIconWindow() {
  for (QWidget* widget : QApplication::topLevelWidgets())
    if (QByteArray(widget->metaObject()->className()).contains("SystemTrayIcon") && widget->isVisible()) return widget;
  return nullptr;
}

// Whether a user can reach the X window: mapped, or iconified where a
// window manager lists it.
inline bool Reachable(WId window) {
  QByteArray answer;
  if (RunTool("xwininfo", {"-id", QString::number(window)}, &answer) == 0 && answer.contains("IsViewable")) return true;
  return RunTool("xprop", {"-id", QString::number(window), "WM_STATE"}, &answer) == 0 && answer.contains("Iconic");
}

// The session bus as another process sees it: a connection of its own, over
// which events go on while it waits, so that an object of this process can
// answer.
inline QDBusConnection OtherConnection() { return QDBusConnection::connectToBus(QDBusConnection::SessionBus, "other"); }

// A property of an object on the session bus; invalid when it cannot be read.
inline QVariant BusProperty(const QString& service, const QString& path, const QString& interface,
                            const QString& name) {
  QDBusMessage get = QDBusMessage::createMethodCall(service, path, "org.freedesktop.DBus.Properties", "Get");
  get << interface << name;
  const QDBusMessage answer = OtherConnection().call(get, QDBus::BlockWithGui, 5000);
  if (answer.type() != QDBusMessage::ReplyMessage || answer.arguments().isEmpty()) return {};
  return answer.arguments().first().value<QDBusVariant>().variant();
}

// The items the StatusNotifierWatcher holds, each as "service/path".
inline QStringList RegisteredStatusNotifierItems() {
  return BusProperty("org.kde.StatusNotifierWatcher", "/StatusNotifierWatcher", "org.kde.StatusNotifierWatcher",
                     "RegisteredStatusNotifierItems")
      .toStringList();
}

}  // namespace pausalo::testing
