#include "WaylandConnection.h"

#include <algorithm>
#include <cerrno>

namespace pausalo::testing {

WaylandConnection::WaylandConnection() : display_(wl_display_connect(nullptr)) {
  if (display_ == nullptr) return;
  registry_ = wl_display_get_registry(display_);
  wl_registry_add_listener(registry_, &Listener, this);
  if (wl_display_roundtrip(display_) < 0) {
    wl_registry_destroy(registry_);
    wl_display_disconnect(display_);
    registry_ = nullptr;
    display_ = nullptr;
  }
}

WaylandConnection::~WaylandConnection() {
  if (display_ == nullptr) return;
  wl_registry_destroy(registry_);
  wl_display_disconnect(display_);
}

void WaylandConnection::Announce(void* data, wl_registry*, std::uint32_t name, const char* interface,
                                 std::uint32_t version) {
  static_cast<WaylandConnection*>(data)->globals_.push_back({name, interface, version});
}

bool WaylandConnection::Offers(const std::string& interface) const {
  return std::any_of(globals_.begin(), globals_.end(),
                     [&](const Global& global) { return global.interface == interface; });
}

void* WaylandConnection::Bind(const wl_interface& interface, std::uint32_t version) {
  for (const Global& global : globals_)
    if (global.interface == interface.name && global.version >= version)
      return wl_registry_bind(registry_, global.name, &interface, version);
  return nullptr;
}

bool WaylandConnection::Flush() {
  // A full buffer (EAGAIN) goes out with the next flush.
  return wl_display_flush(display_) >= 0 || errno == EAGAIN;
}

bool WaylandConnection::Roundtrip() { return wl_display_roundtrip(display_) >= 0; }

}  // namespace pausalo::testing
