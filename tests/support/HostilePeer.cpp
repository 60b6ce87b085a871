// Peers of the session that misbehave, each started by a test as
//   hostile_peer silent-socket PATH   listens on a Unix socket and never
//                                     answers (a hung compositor or bus)
//   hostile_peer garbage-socket PATH  accepts and sends bytes of no protocol
//   hostile_peer silent-name NAME     owns NAME on the session bus and never
//                                     reads a message (a hung panel)
//   hostile_peer impostor             sends the idle monitor's WatchFired for
//                                     the ids 1 to 300 twice a second, from a
//                                     connection of its own
// It prints "ready" when set up (the impostor "sweep" after each round) and
// runs until it is killed.
#include <sys/socket.h>
#include <sys/un.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

void Say(const char* line) {
  std::printf("%s\n", line);
  std::fflush(stdout);
}

int Listen(const char* path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, path, sizeof address.sun_path - 1);
  const int listening = socket(AF_UNIX, SOCK_STREAM, 0);
  if (bind(listening, reinterpret_cast<const sockaddr*>(&address), sizeof address) < 0 || listen(listening, 64) < 0)
    return -1;
  return listening;
}

sd_bus* SessionBus() {
  sd_bus* bus = nullptr;
  return sd_bus_open_user(&bus) < 0 ? nullptr : bus;
}

}  // namespace

int main(int argc, char* argv[]) {
  const std::string mode = argc > 1 ? argv[1] : "";
  const char* name = argc > 2 ? argv[2] : "";
  if (mode == "silent-socket" || mode == "garbage-socket") {
    const int listening = Listen(name);
    if (listening < 0) return 1;
    Say("ready");
    static const char garbage[] = "\xff\xff\xff\xff\x13\x37 this is no protocol at all \x00\x01\x02";
    // Each connection is kept open.
    for (int connection; mode == "garbage-socket" && (connection = accept(listening, nullptr, nullptr)) >= 0;) {
      for (int copy = 0; copy < 64; ++copy) (void)!write(connection, garbage, sizeof garbage);
    }
  } else if (mode == "silent-name") {
    sd_bus* bus = SessionBus();
    if (bus == nullptr || sd_bus_request_name(bus, name, 0) < 0) return 1;
    Say("ready");
  } else if (mode == "impostor") {
    sd_bus* bus = SessionBus();
    if (bus == nullptr) return 1;
    Say("ready");
    for (;;) {
      for (std::uint32_t id = 1; id <= 300; ++id)
        sd_bus_emit_signal(bus, "/org/gnome/Mutter/IdleMonitor/Core", "org.gnome.Mutter.IdleMonitor", "WatchFired", "u",
                           id);
      sd_bus_flush(bus);
      Say("sweep");
      usleep(500'000);
    }
  } else {
    return 2;
  }
  for (;;) pause();
}
