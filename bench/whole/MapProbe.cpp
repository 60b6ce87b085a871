// Prints one line per top-level window mapped on the display named by
// DISPLAY, with the CLOCK_MONOTONIC time it was seen at:
//   MAP <nanoseconds> <window> <width> <height>
// Windows that bypass the window manager (menus, tooltips) are left out.
// Prints READY once it is listening.
#include <time.h>
#include <xcb/xcb.h>

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

std::int64_t MonotonicNanoseconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return std::int64_t{now.tv_sec} * 1'000'000'000 + now.tv_nsec;
}

struct FreeDeleter {
  void operator()(void* p) const { std::free(p); }
};

}  // namespace

int main() {
  std::unique_ptr<xcb_connection_t, decltype(&xcb_disconnect)> connection(xcb_connect(nullptr, nullptr),
                                                                          &xcb_disconnect);
  if (xcb_connection_has_error(connection.get())) {
    std::fprintf(stderr, "map_probe: no X display\n");
    return 1;
  }
  const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection.get())).data->root;
  const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
  xcb_change_window_attributes(connection.get(), root, XCB_CW_EVENT_MASK, &mask);
  std::free(xcb_get_input_focus_reply(connection.get(), xcb_get_input_focus(connection.get()), nullptr));
  std::printf("READY\n");
  std::fflush(stdout);

  while (std::unique_ptr<xcb_generic_event_t, FreeDeleter> event{xcb_wait_for_event(connection.get())}) {
    if ((event->response_type & 0x7f) != XCB_MAP_NOTIFY) continue;
    const std::int64_t seen = MonotonicNanoseconds();
    const auto* map = reinterpret_cast<const xcb_map_notify_event_t*>(event.get());
    if (map->override_redirect) continue;
    std::unique_ptr<xcb_get_geometry_reply_t, FreeDeleter> geometry{
        xcb_get_geometry_reply(connection.get(), xcb_get_geometry(connection.get(), map->window), nullptr)};
    if (!geometry) continue;
    std::printf("MAP %" PRId64 " 0x%x %d %d\n", seen, map->window, geometry->width, geometry->height);
    std::fflush(stdout);
  }
  return 0;
}
