#pragma once

#include <xcb/xcb.h>
#include <xcb/xinput.h>

#include <cstdint>
#include <memory>

#include "hooks/ActivitySource.h"
#include "hooks/ListenerThread.h"
#include "hooks/Owned.h"

namespace pausalo::hooks {

using XConnection = Owned<xcb_connection_t, xcb_disconnect>;

// Raw key, button and motion events share one layout.
using RawEvent = xcb_input_raw_button_press_event_t;

// What a listener does with the events of its connection, on its thread.
class RawInputHandler {
 public:
  virtual ~RawInputHandler() = default;
  // Runs once on the new connection before the thread starts; false
  // refuses the listener.
  virtual bool Prepare(xcb_connection_t&) { return true; }
  // Comes before each batch of events: those that arrived together.
  virtual void BeginBatch() {}
  virtual void HandleRawEvent(xcb_connection_t& connection, const RawEvent& event) = 0;
  // Every other event, such as MappingNotify.
  virtual void HandleCoreEvent(xcb_connection_t&, const xcb_generic_event_t&) {}
};

// Listens for XInput2 raw events of the whole desktop on a connection and a
// thread of its own, and hands them to a handler. Events are taken in
// batches: after a batch the thread lets the next events gather for
// BatchGatherMilliseconds instead of waking up for every one of them. The
// thread ends quietly when the connection is lost; it is stopped and joined,
// and the connection closed, when the object goes.
class RawInputThread final : public ActivitySource {
 public:
  // Half the program's 500 ms tick: a first event after a pause is handed
  // over at once, later ones at most a quarter second late, which the
  // once-a-tick break logic cannot tell apart; under steady input the
  // thread and the program then wake about four times a second, not for
  // every event.
  static constexpr int BatchGatherMilliseconds = 250;

  // Connects to the display named by DISPLAY and selects the raw events of
  // rawEventMask (bits of xcb_input_xi_event_mask_t) of the master devices
  // on the root window. Null when there is no display, no XInput 2.2 or
  // the handler refuses.
  static std::unique_ptr<RawInputThread> Start(std::uint32_t rawEventMask, std::unique_ptr<RawInputHandler> handler);
  RawInputThread(const RawInputThread&) = delete;
  RawInputThread& operator=(const RawInputThread&) = delete;

  // False once the thread has ended (the connection was lost).
  bool Running() const override { return thread_->Running(); }

 private:
  RawInputThread(XConnection connection, std::uint8_t xinputOpcode, std::unique_ptr<RawInputHandler> handler);
  void Listen(const ListenerThread& thread);
  void Dispatch(const xcb_generic_event_t& event);

  XConnection connection_;
  std::uint8_t xinputOpcode_;
  std::unique_ptr<RawInputHandler> handler_;
  // Declared last: stopped and joined before the members it uses go.
  std::unique_ptr<ListenerThread> thread_;
};

}  // namespace pausalo::hooks
