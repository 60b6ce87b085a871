#pragma once

#include <QString>

namespace pausalo {

// Shows a short message in the desktop's notifications
// (org.freedesktop.Notifications on the session bus), which screen readers
// read out: silent, and gone from the notification list once shown. It asks
// for no answer and nothing waits for the notification server: a missing or
// hung one costs only the message.
void ShowDesktopNotification(const QString& summary);

}  // namespace pausalo
