// librasM50: desktop-wide pointer motion, button presses and wheel turns,
// reported through the mouse record and the "M_Hook" notification. Where
// the session reports only idle and active edges, its activity comes here
// as pointer moves at an unknown place.
#include "hooks/HookHost.h"
#include "hooks/MouseMessages.h"
#include "hooks/Owned.h"
#include "hooks/RawInputThread.h"
#include "hooks/SessionSource.h"

namespace pausalo::hooks {

namespace {

TMouseHookRecord record;

// Raw events carry no position on the screen: one query of the pointer
// serves a whole batch. It is sent with the batch's first event and its
// answer taken after the last, so the server may answer while the rest of
// the batch is read; under steady input the thread mostly still waits for
// the answer, once per batch.
class PointerHandler final : public RawInputHandler {
 public:
  explicit PointerHandler(const Notifier& notifier) : notifier_(notifier) {}

  bool Prepare(xcb_connection_t& connection) override {
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(&connection)).data;
    root_ = screen->root;
    return true;
  }

  void HandleRawEvent(xcb_connection_t& connection, const RawEvent& event) override {
    const std::uint32_t message = event.event_type == XCB_INPUT_RAW_MOTION         ? WM_MOUSEMOVE
                                  : event.event_type == XCB_INPUT_RAW_BUTTON_PRESS ? MouseMessageOfButton(event.detail)
                                                                                   : 0;
    if (message == 0) return;
    if (notifications_ == 0) {
      position_ = xcb_query_pointer(&connection, root_);
      xcb_flush(&connection);
    }
    lastMessage_ = message;
    ++notifications_;
  }

  // Stores the batch's last event with the pointer's position and posts one
  // notification for each event of the batch.
  void EndBatch(xcb_connection_t& connection) override {
    if (notifications_ == 0) return;
    record.Code.store(HC_ACTION, std::memory_order_relaxed);
    record.MesID.store(lastMessage_, std::memory_order_relaxed);
    record.StoreMRec(PointerPosition(connection));
    notifier_.Post(notifications_);
    notifications_ = 0;
  }

 private:
  // The answer to the batch's query: the pointer's position, with no
  // window, hit-test code or extra information; 0, 0 when the server does
  // not answer.
  tagMOUSEHOOKSTRUCT PointerPosition(xcb_connection_t& connection) const {
    Allocated<xcb_query_pointer_reply_t> pointer(xcb_query_pointer_reply(&connection, position_, nullptr));
    if (pointer == nullptr) return {};
    return {pointer->root_x, pointer->root_y, 0, 0, 0};
  }

  Notifier notifier_;
  xcb_window_t root_ = 0;
  // The batch so far: its events' count, the last one's message and the
  // query of the pointer's position.
  std::uint32_t notifications_ = 0;
  std::uint32_t lastMessage_ = 0;
  xcb_query_pointer_cookie_t position_{};
};

void ReportActivity(const Notifier& notifier) {
  record.Code.store(HC_ACTION, std::memory_order_relaxed);
  record.MesID.store(WM_MOUSEMOVE, std::memory_order_relaxed);
  record.StoreMRec({});
  notifier.Post();
}

std::unique_ptr<ActivitySource> ListenToPointer(const Notifier& notifier) {
  return StartSessionSource(
      [&](std::unique_ptr<EdgeConnection> connection) {
        return EdgeSource::Start(std::move(connection), [notifier] { ReportActivity(notifier); });
      },
      [&] {
        return RawInputThread::Start("raw pointer",
                                     XCB_INPUT_XI_EVENT_MASK_RAW_BUTTON_PRESS | XCB_INPUT_XI_EVENT_MASK_RAW_MOTION,
                                     std::make_unique<PointerHandler>(notifier));
      });
}

HookHost host(&record, MHookNotification, &ListenToPointer);

}  // namespace

}  // namespace pausalo::hooks

PAUSALO_HOOK_EXPORT void* SetHook(std::uint32_t window) { return pausalo::hooks::host.SetHook(window); }
PAUSALO_HOOK_EXPORT void RemoveHook(std::uint32_t window) { pausalo::hooks::host.RemoveHook(window); }
