#include "hooks/RawInputThread.h"

#include <pthread.h>

namespace pausalo::hooks {

namespace {

// The major opcode of XInput 2.2 or later on the connection; 0 without it.
std::uint8_t XInput22Opcode(xcb_connection_t& connection) {
  const xcb_query_extension_reply_t* extension = xcb_get_extension_data(&connection, &xcb_input_id);
  if (extension == nullptr || !extension->present) return 0;
  Allocated<xcb_input_xi_query_version_reply_t> version(
      xcb_input_xi_query_version_reply(&connection, xcb_input_xi_query_version(&connection, 2, 2), nullptr));
  const bool recent = version != nullptr &&
                      (version->major_version > 2 || (version->major_version == 2 && version->minor_version >= 2));
  return recent ? extension->major_opcode : 0;
}

bool SelectRawEvents(xcb_connection_t& connection, std::uint32_t rawEventMask) {
  const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(&connection)).data;
  if (screen == nullptr) return false;
  struct {
    xcb_input_event_mask_t head;
    std::uint32_t mask;
  } selection{{XCB_INPUT_DEVICE_ALL_MASTER, 1}, rawEventMask};
  Allocated<xcb_generic_error_t> error(xcb_request_check(
      &connection, xcb_input_xi_select_events_checked(&connection, screen->root, 1, &selection.head)));
  return error == nullptr;
}

}  // namespace

std::unique_ptr<RawInputThread> RawInputThread::Start(const char* threadName, std::uint32_t rawEventMask,
                                                      std::unique_ptr<RawInputHandler> handler) {
  XConnection connection(xcb_connect(nullptr, nullptr));
  if (xcb_connection_has_error(connection.get())) return nullptr;
  const std::uint8_t opcode = XInput22Opcode(*connection);
  if (opcode == 0 || !SelectRawEvents(*connection, rawEventMask) || !handler->Prepare(*connection)) return nullptr;
  std::unique_ptr<RawInputThread> listener(
      new RawInputThread(threadName, std::move(connection), opcode, std::move(handler)));
  listener->thread_ = ListenerThread::Start(
      [self = listener.get()](const ListenerThread& thread) { self->Listen(thread); });
  if (listener->thread_ == nullptr) return nullptr;
  return listener;
}

RawInputThread::RawInputThread(const char* threadName, XConnection connection, std::uint8_t xinputOpcode,
                               std::unique_ptr<RawInputHandler> handler)
    : threadName_(threadName),
      connection_(std::move(connection)),
      xinputOpcode_(xinputOpcode),
      handler_(std::move(handler)) {}

int RawInputThread::MillisecondsToHandOver(std::chrono::nanoseconds monotonicNow) {
  const std::chrono::nanoseconds untilNext = HandOverPeriod - monotonicNow % HandOverPeriod;
  return static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(untilNext).count());
}

void RawInputThread::Listen(const ListenerThread& thread) {
  pthread_setname_np(pthread_self(), threadName_);
  xcb_connection_t& connection = *connection_;
  const pollfd socket{xcb_get_file_descriptor(&connection), POLLIN, 0};
  for (;;) {
    // xcb may have queued events while waiting for a reply; take them all
    // before sleeping on the socket.
    bool handled = false;
    while (Allocated<xcb_generic_event_t> event{xcb_poll_for_event(&connection)}) {
      Dispatch(*event);
      handled = true;
    }
    if (handled) handler_->EndBatch(connection);
    if (xcb_connection_has_error(&connection)) return;
    // Input comes in streams (a moving mouse sends hundreds of events a
    // second): after a batch, let the next ones gather. A stop ends either
    // wait at once.
    const pollfd watched = handled ? pollfd{-1, 0, 0} : socket;
    const int timeout = handled ? MillisecondsToHandOver(std::chrono::steady_clock::now().time_since_epoch()) : -1;
    if (!thread.Wait(watched, timeout)) return;
  }
}

void RawInputThread::Dispatch(const xcb_generic_event_t& event) {
  const auto& generic = reinterpret_cast<const xcb_ge_generic_event_t&>(event);
  const bool raw = (event.response_type & 0x7F) == XCB_GE_GENERIC && generic.extension == xinputOpcode_ &&
                   generic.event_type >= XCB_INPUT_RAW_KEY_PRESS && generic.event_type <= XCB_INPUT_RAW_MOTION;
  if (raw) {
    handler_->HandleRawEvent(*connection_, reinterpret_cast<const RawEvent&>(event));
  } else {
    handler_->HandleCoreEvent(*connection_, event);
  }
}

}  // namespace pausalo::hooks
