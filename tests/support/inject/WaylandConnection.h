#pragma once
// A client connection to the compositor named by WAYLAND_DISPLAY, with the
// globals it offers.

#include <wayland-client.h>

#include <cstdint>
#include <string>
#include <vector>

namespace pausalo::testing {

class WaylandConnection {
 public:
  WaylandConnection();
  ~WaylandConnection();
  WaylandConnection(const WaylandConnection&) = delete;
  WaylandConnection& operator=(const WaylandConnection&) = delete;

  bool Connected() const { return display_ != nullptr; }
  bool Offers(const std::string& interface) const;
  // Binds the global of that interface at version; null when it is not
  // offered in that version.
  void* Bind(const wl_interface& interface, std::uint32_t version);
  // Sends what is queued; false once the compositor has gone.
  bool Flush();
  // Waits until the compositor has handled every request sent so far.
  bool Roundtrip();

 private:
  struct Global {
    std::uint32_t name;
    std::string interface;
    std::uint32_t version;
  };
  static void Announce(void* data, wl_registry*, std::uint32_t name, const char* interface, std::uint32_t version);
  static void Withdraw(void*, wl_registry*, std::uint32_t) {}
  static constexpr wl_registry_listener Listener{&Announce, &Withdraw};

  wl_display* display_;
  wl_registry* registry_ = nullptr;
  std::vector<Global> globals_;
};

}  // namespace pausalo::testing
