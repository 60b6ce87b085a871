// pausalo_inject: user activity through the compositor, for tests and
// benchmarks on a test desktop (tools/test-desktop).
//
//   pausalo_inject [--for kwin|sway|mutter] [--moves N | --seconds S] [--interval-ms M] [--right PX]
//
// With --right, first moves the pointer PX pixels to the right (onto a
// second monitor, say). Then moves the pointer one pixel back and forth N times (default 1), or for S
// seconds, every M milliseconds (default 10), and returns once the
// compositor has handled the last move; prints "moves N" then. Without --for it takes what the
// session offers: KWin's fake input, else a wlroots virtual pointer, else
// mutter's remote desktop. Exit status 1 when the compositor refuses or goes
// away, 2 on a wrong command line.
#include <charconv>
#include <chrono>
#include <cstdio>
#include <iostream>
#include <optional>
#include <string_view>
#include <thread>

#include "ActivityInjector.h"
#include "WaylandConnection.h"

using namespace pausalo::testing;
using Clock = std::chrono::steady_clock;

namespace {

struct Plan {
  std::string_view compositor;
  long moves = 1;
  std::optional<std::chrono::milliseconds> duration;
  std::chrono::milliseconds interval{10};
  long right = 0;
};

std::optional<long> Number(std::string_view text) {
  long value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value < 0) return std::nullopt;
  return value;
}

std::optional<Plan> ReadPlan(int argc, char** argv) {
  Plan plan;
  for (int index = 1; index + 1 < argc; index += 2) {
    const std::string_view option = argv[index], value = argv[index + 1];
    const std::optional<long> number = Number(value);
    if (option == "--for" && (value == "kwin" || value == "sway" || value == "mutter"))
      plan.compositor = value;
    else if (option == "--moves" && number)
      plan.moves = *number;
    else if (option == "--seconds" && number)
      plan.duration = std::chrono::seconds(*number);
    else if (option == "--interval-ms" && number)
      plan.interval = std::chrono::milliseconds(*number);
    else if (option == "--right" && number)
      plan.right = *number;
    else
      return std::nullopt;
  }
  if (argc % 2 == 0) return std::nullopt;
  return plan;
}

std::string_view OfferedCompositor() {
  const WaylandConnection connection;
  if (connection.Offers("org_kde_kwin_fake_input")) return "kwin";
  if (connection.Offers("zwlr_virtual_pointer_manager_v1")) return "sway";
  return "mutter";
}

std::unique_ptr<ActivityInjector> Connect(std::string_view compositor, std::string& error) {
  if (compositor == "kwin") return ConnectKWinFakeInput(error);
  if (compositor == "sway") return ConnectWlrVirtualPointer(error);
  return ConnectMutterRemoteDesktop(error);
}

}  // namespace

int main(int argc, char** argv) {
  const std::optional<Plan> plan = ReadPlan(argc, argv);
  if (!plan) {
    std::cerr << "usage: pausalo_inject [--for kwin|sway|mutter] [--moves N | --seconds S] [--interval-ms M] "
                 "[--right PX]\n";
    return 2;
  }
  const std::string_view compositor = plan->compositor.empty() ? OfferedCompositor() : plan->compositor;
  std::string error;
  const std::unique_ptr<ActivityInjector> injector = Connect(compositor, error);
  if (!injector) {
    std::cerr << "pausalo_inject (" << compositor << "): " << error << '\n';
    return 1;
  }
  if (plan->right != 0 && !injector->MovePointer(static_cast<int>(plan->right), 0)) return 1;
  const Clock::time_point start = Clock::now();
  Clock::time_point next = start;
  long move = 0;
  for (; plan->duration ? Clock::now() - start < *plan->duration : move < plan->moves; ++move) {
    if (move > 0) std::this_thread::sleep_until(next += plan->interval);
    if (!injector->MovePointer(move % 2 == 0 ? 1 : -1, 0)) {
      std::cerr << "pausalo_inject (" << compositor << "): the compositor went away\n";
      return 1;
    }
  }
  if (!injector->Settle()) return 1;
  std::printf("moves %ld\n", move);
  return 0;
}
