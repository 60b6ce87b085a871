#pragma once

#include <xcb/xcb.h>
#include <xcb/xinput.h>

#include <chrono>
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
  virtual void HandleRawEvent(xcb_connection_t& connection, const RawEvent& event) = 0;
  // Every other event, such as MappingNotify.
  virtual void HandleCoreEvent(xcb_connection_t&, const xcb_generic_event_t&) {}
  // Comes after each batch of events (those that arrived together), before
  // the thread waits again.
  virtual void EndBatch(xcb_connection_t&) {}
};

// Listens for XInput2 raw events of the whole desktop on a connection and a
// thread of its own, and hands them to a handler. Events are taken in
// batches: the first event after a quiet spell at once, and after a batch the
// thread lets the next events gather until the next hand-over time instead of
// waking up for every one of them. The thread ends quietly when the
// connection is lost; it is stopped and joined, and the connection closed,
// when the object goes.
class RawInputThread final : public ActivitySource {
 public:
  // Hand-over times are the multiples of HandOverPeriod on the monotonic
  // clock, the same for every listener in the process, so the keyboard's and
  // the pointer's batches reach the program together, in one wake-up of its
  // GUI thread; Qt's coarse 500 ms timers, such as the program's tick, drift
  // onto the same times. Under steady input an event is then handed over at
  // most half a second late, which the break logic (whole seconds and
  // minutes) does not show, and the thread wakes twice a second.
  static constexpr std::chrono::milliseconds HandOverPeriod{500};

  // The wait from monotonicNow (the time since the monotonic clock's
  // epoch) to the next hand-over time after it, rounded up to whole
  // milliseconds.
  static int MillisecondsToHandOver(std::chrono::nanoseconds monotonicNow);

  // Connects to the display named by DISPLAY and selects the raw events of
  // rawEventMask (bits of xcb_input_xi_event_mask_t) of the master devices
  // on the root window; the thread carries threadName (at most 15
  // characters) for tools that list a process's threads. Null when there is
  // no display, no XInput 2.2 or the handler refuses.
  static std::unique_ptr<RawInputThread> Start(const char* threadName, std::uint32_t rawEventMask,
                                               std::unique_ptr<RawInputHandler> handler);
  RawInputThread(const RawInputThread&) = delete;
  RawInputThread& operator=(const RawInputThread&) = delete;

  // False once the thread has ended (the connection was lost).
  bool Running() const override { return thread_->Running(); }

 private:
  RawInputThread(const char* threadName, XConnection connection, std::uint8_t xinputOpcode,
                 std::unique_ptr<RawInputHandler> handler);
  void Listen(const ListenerThread& thread);
  void Dispatch(const xcb_generic_event_t& event);

  const char* threadName_;
  XConnection connection_;
  std::uint8_t xinputOpcode_;
  std::unique_ptr<RawInputHandler> handler_;
  // Declared last: stopped and joined before the members it uses go.
  std::unique_ptr<ListenerThread> thread_;
};

}  // namespace pausalo::hooks
