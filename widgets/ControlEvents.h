#pragma once

#include <QObject>
#include <functional>

namespace pausalo {

// Event properties of the components: each is called with the component
// that raises it as Sender.
using TNotifyEvent = std::function<void(QObject* Sender)>;
using TMouseEvent =
    std::function<void(QObject* Sender, Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int X, int Y)>;
using TMouseMoveEvent = std::function<void(QObject* Sender, Qt::KeyboardModifiers Shift, int X, int Y)>;
// Key is the toolkit's key code; a handler may set it to 0 to swallow the key.
using TKeyEvent = std::function<void(QObject* Sender, int& Key, Qt::KeyboardModifiers Shift)>;
// Key is the typed character; a handler may set it to 0 to drop it.
using TKeyPressEvent = std::function<void(QObject* Sender, QChar& Key)>;

}  // namespace pausalo
