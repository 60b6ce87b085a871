// Cost of desktop-wide input capture: the filter that every message to the
// application window passes, the time from an XTEST event to the handler,
// and the process CPU time per 1,000 pointer motions. Needs an X display
// (run it under tools/test-desktop).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <ctime>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "FakeInput.h"
#include "input/WinGod.h"

namespace {

using namespace pausalo;
using Clock = std::chrono::steady_clock;

// The application object with the component, both hooks started and the
// handlers counting what arrives.
struct Capture {
  TApplication application;
  TrasWinGod god;
  pausalo::testing::FakeInput input;
  std::int64_t keys = 0;
  std::int64_t mice = 0;
  Clock::time_point lastMouse;
  bool started = false;

  Capture() {
    god.OnKeybrdMsg = [this](std::int32_t, std::int32_t vkCode, std::int32_t) { keys += vkCode; };
    god.OnMouseMsg = [this](std::int32_t, std::uint32_t, tagMOUSEHOOKSTRUCT) {
      ++mice;
      lastMouse = Clock::now();
    };
    try {
      god.StartKeybrdHook();
      god.StartMouseHook();
      started = input.Connected();
    } catch (const HookError&) {
    }
  }

  void ProcessUntilMice(std::int64_t count) {
    while (mice < count) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
};

double CpuSeconds(clockid_t clock) {
  timespec now{};
  clock_gettime(clock, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

void BM_FilterRecognisedNotification(benchmark::State& state) {
  Capture capture;
  if (!capture.started) return state.SkipWithError("no X display with XInput2");
  TMessage message{pausalo_register_window_message("KB_Hook"), 93, 39, 0};
  for (auto _ : state) benchmark::DoNotOptimize(capture.god.AppWindowHook(message));
  benchmark::DoNotOptimize(capture.keys);
}
BENCHMARK(BM_FilterRecognisedNotification);

void BM_FilterOtherMessage(benchmark::State& state) {
  Capture capture;
  if (!capture.started) return state.SkipWithError("no X display with XInput2");
  TMessage message{pausalo_register_window_message("Other"), 93, 39, 0};
  for (auto _ : state) benchmark::DoNotOptimize(capture.god.AppWindowHook(message));
}
BENCHMARK(BM_FilterOtherMessage);

// A notification through the application window's procedure and hook list.
void BM_ApplicationWindowNotification(benchmark::State& state) {
  Capture capture;
  if (!capture.started) return state.SkipWithError("no X display with XInput2");
  const std::uint32_t message = pausalo_register_window_message("M_Hook");
  for (auto _ : state) benchmark::DoNotOptimize(capture.application.Window().Perform(message, 47, 74));
}
BENCHMARK(BM_ApplicationWindowNotification);

// From sending one relative motion through XTEST to OnMouseMsg, one at a time.
void BM_XTestMotionToHandler(benchmark::State& state) {
  Capture capture;
  if (!capture.started) return state.SkipWithError("no X display with XInput2");
  std::vector<double> latencies;
  latencies.reserve(static_cast<std::size_t>(state.max_iterations));
  std::int16_t step = 1;
  for (auto _ : state) {
    const std::int64_t expected = capture.mice + 1;
    const Clock::time_point sent = Clock::now();
    capture.input.SendMoveBy(step, 0);
    capture.ProcessUntilMice(expected);
    const double seconds = std::chrono::duration<double>(capture.lastMouse - sent).count();
    state.SetIterationTime(seconds);
    latencies.push_back(seconds * 1e6);
    step = static_cast<std::int16_t>(-step);
  }
  std::sort(latencies.begin(), latencies.end());
  state.counters["median_us"] = latencies[latencies.size() / 2];
  state.counters["p99_us"] = latencies[latencies.size() * 99 / 100];
}
// Each motion waits out the listener's gathering (until the next half-second
// hand-over mark): 200 of them take under two minutes.
BENCHMARK(BM_XTestMotionToHandler)->UseManualTime()->Iterations(200)->Unit(benchmark::kMicrosecond);

// CPU time that capture costs for 1,000 relative motions sent at 1,000 a
// second, as a gaming mouse makes them: the process's CPU time (the hook
// thread and the GUI thread) without that of the thread sending them.
void BM_CaptureCpuPer1000MotionsAt1000PerSecond(benchmark::State& state) {
  Capture capture;
  if (!capture.started) return state.SkipWithError("no X display with XInput2");
  double captureSeconds = 0;
  for (auto _ : state) {
    const std::int64_t expected = capture.mice + 1000;
    const double before = CpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
    double senderSeconds = 0;
    std::thread sender([&senderSeconds] {
      pausalo::testing::FakeInput input;
      Clock::time_point next = Clock::now();
      for (int i = 0; i < 1000; ++i) {
        input.SendMoveBy(i % 2 == 0 ? 1 : -1, 0);
        next += std::chrono::milliseconds(1);
        std::this_thread::sleep_until(next);
      }
      senderSeconds = CpuSeconds(CLOCK_THREAD_CPUTIME_ID);
    });
    capture.ProcessUntilMice(expected);
    sender.join();
    captureSeconds += CpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - before - senderSeconds;
  }
  const double msPer1000 = captureSeconds * 1e3 / static_cast<double>(state.iterations());
  state.counters["capture_cpu_ms_per_1000"] = msPer1000;
  state.counters["core_percent_at_1000_per_s"] = msPer1000 / 10;
}
BENCHMARK(BM_CaptureCpuPer1000MotionsAt1000PerSecond)->Iterations(10)->Unit(benchmark::kMillisecond);

// Yardstick for the one above: the CPU time of a thread that does nothing
// but wake up on a condition variable, 1,000 times a second. Capture cannot
// cost less than one such wake-up per event on the GUI thread plus one on
// the hook thread.
void BM_BareWakeupCpuPer1000At1000PerSecond(benchmark::State& state) {
  double receiverSeconds = 0;
  for (auto _ : state) {
    std::mutex lock;
    std::condition_variable posted;
    int sent = 0;
    const double before = CpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
    double senderSeconds = 0;
    std::thread sender([&] {
      Clock::time_point next = Clock::now();
      for (int i = 0; i < 1000; ++i) {
        {
          std::lock_guard guard(lock);
          ++sent;
        }
        posted.notify_one();
        next += std::chrono::milliseconds(1);
        std::this_thread::sleep_until(next);
      }
      senderSeconds = CpuSeconds(CLOCK_THREAD_CPUTIME_ID);
    });
    std::unique_lock guard(lock);
    for (int seen = 0; seen < 1000;) {
      posted.wait(guard, [&] { return sent > seen; });
      seen = sent;
    }
    guard.unlock();
    sender.join();
    receiverSeconds += CpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - before - senderSeconds;
  }
  state.counters["wakeup_cpu_ms_per_1000"] = receiverSeconds * 1e3 / static_cast<double>(state.iterations());
}
BENCHMARK(BM_BareWakeupCpuPer1000At1000PerSecond)->Iterations(10)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);  // TApplication sets the application's palette
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
}
