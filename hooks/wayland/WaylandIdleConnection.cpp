#include "hooks/wayland/WaylandIdleConnection.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace pausalo::hooks {

namespace {

template <class T>
T* Bind(wl_registry* registry, std::uint32_t name, const wl_interface& interface, std::uint32_t version) {
  return static_cast<T*>(wl_registry_bind(registry, name, &interface, version));
}

}  // namespace

WaylandDisplay ConnectToWaylandSession() {
  // Without WAYLAND_DISPLAY the library would try the default socket name,
  // which a compositor outside this session may hold.
  const char* name = std::getenv("WAYLAND_DISPLAY");
  if (name == nullptr || *name == '\0') return nullptr;
  return WaylandDisplay(wl_display_connect(nullptr));
}

void ProxyDestroyer::operator()(wl_callback* callback) const { wl_callback_destroy(callback); }
void ProxyDestroyer::operator()(wl_registry* registry) const { wl_registry_destroy(registry); }
void ProxyDestroyer::operator()(wl_seat* seat) const { wl_seat_destroy(seat); }
void ProxyDestroyer::operator()(ext_idle_notifier_v1* notifier) const { ext_idle_notifier_v1_destroy(notifier); }
void ProxyDestroyer::operator()(ext_idle_notification_v1* notification) const {
  ext_idle_notification_v1_destroy(notification);
}
void ProxyDestroyer::operator()(org_kde_kwin_idle* idle) const { org_kde_kwin_idle_destroy(idle); }
void ProxyDestroyer::operator()(org_kde_kwin_idle_timeout* timeout) const {
  org_kde_kwin_idle_timeout_release(timeout);
}

std::unique_ptr<WaylandIdleConnection> WaylandIdleConnection::Open(WaylandDisplay display) {
  std::unique_ptr<WaylandIdleConnection> connection(new WaylandIdleConnection(std::move(display)));
  const auto deadline = std::chrono::steady_clock::now() + OpenTimeout;
  connection->registry_.reset(wl_display_get_registry(connection->display_.get()));
  wl_registry_add_listener(connection->registry_.get(), &registryListener_, connection.get());
  if (!connection->RoundTrip(deadline) || !connection->WatchSeat() || !connection->RoundTrip(deadline)) return nullptr;
  return connection;
}

bool WaylandIdleConnection::RoundTrip(std::chrono::steady_clock::time_point deadline) {
  bool answered = false;
  const Proxy<wl_callback> sync(wl_display_sync(display_.get()));
  wl_callback_add_listener(sync.get(), &answerListener_, &answered);
  while (!answered) {
    pollfd watched = Prepare();
    if (watched.fd < 0) return false;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    const int ready = left.count() > 0 ? poll(&watched, 1, static_cast<int>(left.count())) : 0;
    if (!Finish(ready > 0 ? watched.revents : 0) || (ready == 0 && !answered)) return false;
  }
  return true;
}

void WaylandIdleConnection::Global(void* data, wl_registry* registry, std::uint32_t name, const char* interface,
                                   std::uint32_t version) {
  auto& self = *static_cast<WaylandIdleConnection*>(data);
  if (std::strcmp(interface, wl_seat_interface.name) == 0 && self.seat_ == nullptr) {
    self.seat_.reset(Bind<wl_seat>(registry, name, wl_seat_interface, 1));
  } else if (std::strcmp(interface, ext_idle_notifier_v1_interface.name) == 0) {
    const auto supported = static_cast<std::uint32_t>(ext_idle_notifier_v1_interface.version);
    self.notifier_.reset(
        Bind<ext_idle_notifier_v1>(registry, name, ext_idle_notifier_v1_interface, std::min(version, supported)));
  } else if (std::strcmp(interface, org_kde_kwin_idle_interface.name) == 0) {
    self.kdeIdle_.reset(Bind<org_kde_kwin_idle>(registry, name, org_kde_kwin_idle_interface, 1));
  }
}

bool WaylandIdleConnection::WatchSeat() {
  const std::uint32_t timeout = EdgeActivity::IdleThreshold.count();
  if (seat_ == nullptr) return false;
  if (notifier_ != nullptr) {
    const bool inputOnly = ext_idle_notifier_v1_get_version(notifier_.get()) >=
                           EXT_IDLE_NOTIFIER_V1_GET_INPUT_IDLE_NOTIFICATION_SINCE_VERSION;
    notification_.reset(inputOnly
                            ? ext_idle_notifier_v1_get_input_idle_notification(notifier_.get(), timeout, seat_.get())
                            : ext_idle_notifier_v1_get_idle_notification(notifier_.get(), timeout, seat_.get()));
    return ext_idle_notification_v1_add_listener(notification_.get(), &notificationListener_, this) == 0;
  }
  if (kdeIdle_ != nullptr) {
    kdeTimeout_.reset(org_kde_kwin_idle_get_idle_timeout(kdeIdle_.get(), seat_.get(), timeout));
    return org_kde_kwin_idle_timeout_add_listener(kdeTimeout_.get(), &kdeTimeoutListener_, this) == 0;
  }
  return false;
}

pollfd WaylandIdleConnection::Prepare() {
  wl_display* display = display_.get();
  while (wl_display_prepare_read(display) != 0) {
    if (wl_display_dispatch_pending(display) < 0) return {-1, 0, 0};
  }
  if (wl_display_flush(display) < 0 && errno != EAGAIN) {
    wl_display_cancel_read(display);
    return {-1, 0, 0};
  }
  return {wl_display_get_fd(display), POLLIN, 0};
}

bool WaylandIdleConnection::Finish(short revents) {
  wl_display* display = display_.get();
  if (revents != 0) {
    if (wl_display_read_events(display) < 0) return false;
  } else {
    wl_display_cancel_read(display);
  }
  return wl_display_dispatch_pending(display) >= 0;
}

}  // namespace pausalo::hooks
