#include "platform/QtPlatform.h"

#include <QByteArray>
#include <QtGlobal>

namespace pausalo {

namespace {

void SetUnlessSet(const char* name, const QByteArray& value) {
  if (!qEnvironmentVariableIsSet(name)) qputenv(name, value);
}

}  // namespace

void ChooseQtPlatform() {
  SetUnlessSet("QT_QPA_PLATFORM", "xcb;wayland");
  // Qt 6.8's X11 platform crashes when a pointing device appears under Xwayland (in its XInput2 device set-up); 6.4's
  // does not. Given up: touch and tablet events and smooth scrolling (wheels scroll by notches, touch screens act as a
  // mouse); the activity capture has an X connection of its own.
  SetUnlessSet("QT_XCB_NO_XI2", "1");
}

}  // namespace pausalo
