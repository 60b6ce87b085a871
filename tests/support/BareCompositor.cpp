// A Wayland server that offers a seat and, when given a version (1 or 2),
// ext_idle_notifier_v1 at that version, and org_kde_kwin_idle when a
// second argument says "kde". Listens on a free socket in XDG_RUNTIME_DIR,
// prints its name on a line of its own, then a line for each idle
// notification asked for ("input-idle 1000", "idle 1000" or "kde-idle
// 1000": the request and its timeout), and serves until it is killed.
#include <wayland-server.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "ext-idle-notify-v1-server-protocol.h"
#include "idle-server-protocol.h"

namespace {

void DestroyResource(wl_client*, wl_resource* resource) { wl_resource_destroy(resource); }

const struct ext_idle_notification_v1_interface notificationRequests = {&DestroyResource};

void SimulateUserActivity(wl_client*, wl_resource*) {}

const struct org_kde_kwin_idle_timeout_interface kdeTimeoutRequests = {&DestroyResource, &SimulateUserActivity};

void CreateNotification(wl_client* client, wl_resource* factory, const wl_interface& interface, std::uint32_t id,
                        const void* requests, std::uint32_t timeout, const char* kind) {
  wl_resource* notification = wl_resource_create(client, &interface, wl_resource_get_version(factory), id);
  if (notification == nullptr) {
    wl_client_post_no_memory(client);
    return;
  }
  wl_resource_set_implementation(notification, requests, nullptr, nullptr);
  std::printf("%s %u\n", kind, timeout);
  std::fflush(stdout);
}

void GetIdleNotification(wl_client* client, wl_resource* notifier, std::uint32_t id, std::uint32_t timeout,
                         wl_resource*) {
  CreateNotification(client, notifier, ext_idle_notification_v1_interface, id, &notificationRequests, timeout, "idle");
}

void GetInputIdleNotification(wl_client* client, wl_resource* notifier, std::uint32_t id, std::uint32_t timeout,
                              wl_resource*) {
  CreateNotification(client, notifier, ext_idle_notification_v1_interface, id, &notificationRequests, timeout,
                     "input-idle");
}

void GetKdeIdleTimeout(wl_client* client, wl_resource* idle, std::uint32_t id, wl_resource*, std::uint32_t timeout) {
  CreateNotification(client, idle, org_kde_kwin_idle_timeout_interface, id, &kdeTimeoutRequests, timeout, "kde-idle");
}

const struct org_kde_kwin_idle_interface kdeIdleRequests = {&GetKdeIdleTimeout};

const struct ext_idle_notifier_v1_interface notifierRequests = {&DestroyResource, &GetIdleNotification,
                                                                &GetInputIdleNotification};

// Makes the client's object of a global, answering its requests through
// the implementation given.
void Bind(wl_client* client, const wl_interface& interface, std::uint32_t version, std::uint32_t id,
          const void* requests) {
  wl_resource* resource = wl_resource_create(client, &interface, static_cast<int>(version), id);
  if (resource == nullptr) {
    wl_client_post_no_memory(client);
    return;
  }
  wl_resource_set_implementation(resource, requests, nullptr, nullptr);
}

void BindSeat(wl_client* client, void*, std::uint32_t version, std::uint32_t id) {
  Bind(client, wl_seat_interface, version, id, nullptr);
}

void BindNotifier(wl_client* client, void*, std::uint32_t version, std::uint32_t id) {
  Bind(client, ext_idle_notifier_v1_interface, version, id, &notifierRequests);
}

void BindKdeIdle(wl_client* client, void*, std::uint32_t version, std::uint32_t id) {
  Bind(client, org_kde_kwin_idle_interface, version, id, &kdeIdleRequests);
}

}  // namespace

int main(int argc, char* argv[]) {
  const int notifierVersion = argc > 1 ? std::atoi(argv[1]) : 0;
  const bool kdeIdle = argc > 2 && std::strcmp(argv[2], "kde") == 0;
  wl_display* display = wl_display_create();
  const char* socket = display != nullptr ? wl_display_add_socket_auto(display) : nullptr;
  const bool offered = socket != nullptr &&
                       wl_global_create(display, &wl_seat_interface, 1, nullptr, &BindSeat) != nullptr &&
                       (notifierVersion == 0 || wl_global_create(display, &ext_idle_notifier_v1_interface,
                                                                 notifierVersion, nullptr, &BindNotifier) != nullptr) &&
                       (!kdeIdle ||
                        wl_global_create(display, &org_kde_kwin_idle_interface, 1, nullptr, &BindKdeIdle) != nullptr);
  if (!offered) {
    std::fputs("bare compositor: no display, socket or global\n", stderr);
    return 1;
  }
  std::printf("%s\n", socket);
  std::fflush(stdout);
  wl_display_run(display);
  wl_display_destroy(display);
  return 0;
}
