#pragma once

#include <QObject>

#include "platform/GuiThreadQueue.h"
#include "platform/Message.h"
#include "platform/WindowMessages.h"

namespace pausalo {

// A hidden window with a handle that messages can be posted to from any
// thread (see WindowMessages.h); they reach WndProc on the GUI thread, in
// the order they were posted.
class MessageWindow : public QObject {
  Q_OBJECT

 public:
  MessageWindow();
  ~MessageWindow() override;
  MessageWindow(const MessageWindow&) = delete;
  MessageWindow& operator=(const MessageWindow&) = delete;

  PausaloWindow Handle() const { return handle_; }

  // Hands a message to the window procedure at once and returns its Result.
  std::int32_t Perform(std::uint32_t msg, std::int32_t wParam, std::int32_t lParam);

 protected:
  // Default handling: the message is answered with Result 0.
  virtual void WndProc(TMessage& message);

 private:
  static void Deliver(void* context, std::uint32_t msg, std::int32_t wParam, std::int32_t lParam, std::uint32_t count);

  GuiThreadQueue posted_;
  PausaloWindow handle_;
};

}  // namespace pausalo
