#include "platform/MessageWindow.h"

namespace pausalo {

MessageWindow::MessageWindow() : handle_(pausalo_create_window(&MessageWindow::Deliver, this)) {}

MessageWindow::~MessageWindow() {
  // After this no thread can queue another message for this object; the
  // ones already queued go with the queue.
  pausalo_destroy_window(handle_);
}

void MessageWindow::Deliver(void* context, std::uint32_t msg, std::int32_t wParam, std::int32_t lParam,
                            std::uint32_t count) {
  auto* window = static_cast<MessageWindow*>(context);
  // Each copy is handled as a message of its own, with a fresh Result.
  window->posted_.Post([window, msg, wParam, lParam, count] {
    for (std::uint32_t i = 0; i < count; ++i) {
      TMessage message{msg, wParam, lParam, 0};
      window->WndProc(message);
    }
  });
}

std::int32_t MessageWindow::Perform(std::uint32_t msg, std::int32_t wParam, std::int32_t lParam) {
  TMessage message{msg, wParam, lParam, 0};
  WndProc(message);
  return message.Result;
}

void MessageWindow::WndProc(TMessage& message) { message.Result = 0; }

}  // namespace pausalo
