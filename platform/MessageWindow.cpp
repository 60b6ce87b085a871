#include "platform/MessageWindow.h"

#include <QCoreApplication>
#include <QEvent>

#include "platform/ThreadSanitizer.h"

namespace pausalo {

namespace {

const QEvent::Type PostedMessageType = static_cast<QEvent::Type>(QEvent::registerEventType());

class PostedMessage final : public QEvent {
 public:
  explicit PostedMessage(const TMessage& message) : QEvent(PostedMessageType), message(message) {}
  TMessage message;
};

}  // namespace

MessageWindow::MessageWindow() : handle_(pausalo_create_window(&MessageWindow::Deliver, this)) {}

MessageWindow::~MessageWindow() {
  // After this no thread can queue another message for this object; the
  // ones already queued go with the QObject.
  pausalo_destroy_window(handle_);
}

void MessageWindow::Deliver(void* context, std::uint32_t msg, std::int32_t wParam,
                            std::int32_t lParam) {
  auto* event = new PostedMessage({msg, wParam, lParam, 0});
  HandOver(event);
  QCoreApplication::postEvent(static_cast<MessageWindow*>(context), event);
}

std::int32_t MessageWindow::Perform(std::uint32_t msg, std::int32_t wParam, std::int32_t lParam) {
  TMessage message{msg, wParam, lParam, 0};
  WndProc(message);
  return message.Result;
}

void MessageWindow::WndProc(TMessage& message) { message.Result = 0; }

bool MessageWindow::event(QEvent* event) {
  // The event may have been made on another thread.
  TakeOver(event);
  if (event->type() != PostedMessageType) return QObject::event(event);
  TMessage message = static_cast<PostedMessage*>(event)->message;
  WndProc(message);
  return true;
}

}  // namespace pausalo
