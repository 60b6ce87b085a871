// GNOME's idle monitor as an idle inhibitor leaves it: its idle watches
// never fire, while the idle time it reports (the first argument, in ms,
// until the first input) says the user is away. Takes
// org.gnome.Mutter.IdleMonitor on the session bus from whoever has it,
// prints "ready", then a line for each call it gets ("AddIdleWatch 1000",
// "GetIdletime", ...). A line "input" on its standard input is input, which
// fires the user-active watches given out since; "fire" fires them alone;
// "stall" leaves the bus unanswered for five seconds, as a busy compositor.
#include <poll.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr char Path[] = "/org/gnome/Mutter/IdleMonitor/Core";
constexpr char Interface[] = "org.gnome.Mutter.IdleMonitor";

using Clock = std::chrono::steady_clock;
std::chrono::milliseconds idleBeforeInput{0};
std::optional<Clock::time_point> lastInput;
std::uint32_t lastWatch = 0;
std::vector<std::uint32_t> activeWatches;

void Print(const std::string& line) {
  std::printf("%s\n", line.c_str());
  std::fflush(stdout);
}

int AddIdleWatch(sd_bus_message* call, void*, sd_bus_error*) {
  std::uint64_t interval = 0;
  if (sd_bus_message_read(call, "t", &interval) < 0) return -EINVAL;
  Print("AddIdleWatch " + std::to_string(interval));
  return sd_bus_reply_method_return(call, "u", ++lastWatch);
}

int AddUserActiveWatch(sd_bus_message* call, void*, sd_bus_error*) {
  Print("AddUserActiveWatch");
  activeWatches.push_back(++lastWatch);
  return sd_bus_reply_method_return(call, "u", lastWatch);
}

int GetIdletime(sd_bus_message* call, void*, sd_bus_error*) {
  Print("GetIdletime");
  const auto idle = lastInput ? std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - *lastInput)
                              : idleBeforeInput;
  return sd_bus_reply_method_return(call, "t", static_cast<std::uint64_t>(idle.count()));
}

const sd_bus_vtable monitor[] = {SD_BUS_VTABLE_START(0), SD_BUS_METHOD("AddIdleWatch", "t", "u", AddIdleWatch, 0),
                                 SD_BUS_METHOD("AddUserActiveWatch", "", "u", AddUserActiveWatch, 0),
                                 SD_BUS_METHOD("GetIdletime", "", "t", GetIdletime, 0), SD_BUS_VTABLE_END};

void FireActiveWatches(sd_bus* bus) {
  for (const std::uint32_t watch : activeWatches) sd_bus_emit_signal(bus, Path, Interface, "WatchFired", "u", watch);
  activeWatches.clear();
}

}  // namespace

int main(int argc, char* argv[]) {
  idleBeforeInput = std::chrono::milliseconds(argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 0);
  sd_bus* bus = nullptr;
  if (sd_bus_open_user(&bus) < 0 || sd_bus_add_object_vtable(bus, nullptr, Path, Interface, monitor, nullptr) < 0 ||
      sd_bus_request_name(bus, Interface, SD_BUS_NAME_ALLOW_REPLACEMENT | SD_BUS_NAME_REPLACE_EXISTING) < 0) {
    std::fputs("stand-in idle monitor: no session bus or name\n", stderr);
    return 1;
  }
  Print("ready");
  for (;;) {
    while (sd_bus_process(bus, nullptr) > 0) {
    }
    pollfd waits[] = {{sd_bus_get_fd(bus), static_cast<short>(sd_bus_get_events(bus)), 0}, {STDIN_FILENO, POLLIN, 0}};
    if (poll(waits, 2, -1) < 0 || (waits[0].revents & (POLLHUP | POLLERR)) != 0) return 0;
    if (waits[1].revents == 0) continue;
    char line[64];
    if (std::fgets(line, sizeof line, stdin) == nullptr) return 0;
    const std::string command(line);
    if (command == "input\n") lastInput = Clock::now();
    if (command == "input\n" || command == "fire\n") FireActiveWatches(bus);
    if (command == "stall\n") std::this_thread::sleep_for(std::chrono::seconds(5));
  }
}
