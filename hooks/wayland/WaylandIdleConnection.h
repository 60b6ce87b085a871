#pragma once

#include <wayland-client.h>

#include <chrono>
#include <memory>

#include "ext-idle-notify-v1-client-protocol.h"
#include "hooks/EdgeSource.h"
#include "hooks/Owned.h"
#include "idle-client-protocol.h"

namespace pausalo::hooks {

using WaylandDisplay = Owned<wl_display, wl_display_disconnect>;

// The compositor named by WAYLAND_DISPLAY; null when it is unset or none
// answers there.
WaylandDisplay ConnectToWaylandSession();

// Destroys each kind of protocol object as its protocol says.
struct ProxyDestroyer {
  void operator()(wl_callback* callback) const;
  void operator()(wl_registry* registry) const;
  void operator()(wl_seat* seat) const;
  void operator()(ext_idle_notifier_v1* notifier) const;
  void operator()(ext_idle_notification_v1* notification) const;
  void operator()(org_kde_kwin_idle* idle) const;
  void operator()(org_kde_kwin_idle_timeout* timeout) const;
};
// A protocol object, destroyed with its owner.
template <class T>
using Proxy = std::unique_ptr<T, ProxyDestroyer>;

// Idle and active edges of the first seat from the compositor, through the
// best protocol it offers: ext_idle_notifier_v1's input-idle notification
// (version 2, blind to idle inhibitors), its plain idle notification
// (version 1), or org_kde_kwin_idle.
class WaylandIdleConnection final : public EdgeConnection {
 public:
  // How long Open waits for the compositor's answers: it runs on the
  // program's GUI thread, and a compositor answers within milliseconds.
  static constexpr std::chrono::milliseconds OpenTimeout{1000};

  // Null when the compositor offers no seat or none of the protocols, or
  // does not answer within OpenTimeout.
  static std::unique_ptr<WaylandIdleConnection> Open(WaylandDisplay display);

  void Attach(EdgeSink& sink) override { sink_ = &sink; }
  pollfd Prepare() override;
  bool Finish(short revents) override;

 private:
  explicit WaylandIdleConnection(WaylandDisplay display) : display_(std::move(display)) {}
  static void Global(void* data, wl_registry* registry, std::uint32_t name, const char* interface,
                     std::uint32_t version);
  static void GlobalRemoved(void*, wl_registry*, std::uint32_t) {}
  template <class Notification>
  static void Idled(void* data, Notification*) {
    static_cast<WaylandIdleConnection*>(data)->sink_->Idled();
  }
  template <class Notification>
  static void Resumed(void* data, Notification*) {
    static_cast<WaylandIdleConnection*>(data)->sink_->Resumed();
  }
  bool WatchSeat();
  // Waits until the compositor has answered every request sent so far;
  // false when the connection fails or the deadline passes first.
  bool RoundTrip(std::chrono::steady_clock::time_point deadline);
  static void Answered(void* data, wl_callback*, std::uint32_t) { *static_cast<bool*>(data) = true; }

  static constexpr wl_registry_listener registryListener_{&Global, &GlobalRemoved};
  static constexpr wl_callback_listener answerListener_{&Answered};
  static constexpr ext_idle_notification_v1_listener notificationListener_{&Idled<ext_idle_notification_v1>,
                                                                           &Resumed<ext_idle_notification_v1>};
  static constexpr org_kde_kwin_idle_timeout_listener kdeTimeoutListener_{&Idled<org_kde_kwin_idle_timeout>,
                                                                          &Resumed<org_kde_kwin_idle_timeout>};

  // Declared first: the protocol objects go before the connection.
  WaylandDisplay display_;
  EdgeSink* sink_ = nullptr;
  Proxy<wl_registry> registry_;
  Proxy<wl_seat> seat_;
  Proxy<ext_idle_notifier_v1> notifier_;
  Proxy<org_kde_kwin_idle> kdeIdle_;
  Proxy<ext_idle_notification_v1> notification_;
  Proxy<org_kde_kwin_idle_timeout> kdeTimeout_;
};

}  // namespace pausalo::hooks
