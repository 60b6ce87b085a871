// A Wayland server that offers a seat and nothing else: no idle protocol.
// Listens on a free socket in XDG_RUNTIME_DIR, prints its name on a line of
// its own and serves until it is killed.
#include <wayland-server.h>

#include <cstdint>
#include <cstdio>

namespace {

void BindSeat(wl_client* client, void*, std::uint32_t version, std::uint32_t id) {
  if (wl_resource_create(client, &wl_seat_interface, static_cast<int>(version), id) == nullptr) {
    wl_client_post_no_memory(client);
  }
}

}  // namespace

int main() {
  wl_display* display = wl_display_create();
  const char* socket = display != nullptr ? wl_display_add_socket_auto(display) : nullptr;
  if (socket == nullptr || wl_global_create(display, &wl_seat_interface, 1, nullptr, &BindSeat) == nullptr) {
    std::fputs("bare compositor: no display or socket\n", stderr);
    return 1;
  }
  std::printf("%s\n", socket);
  std::fflush(stdout);
  wl_display_run(display);
  wl_display_destroy(display);
  return 0;
}
