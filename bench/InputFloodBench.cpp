// How late the main window's 500 ms tick comes while a hundred thousand
// input notifications arrive within one second, and how long the GUI thread
// takes to handle them all.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <vector>

#include "RecordingNotificationArea.h"
#include "app/InputFlood.h"
#include "app/MainForm.h"
#include "platform/Application.h"

using namespace pausalo;
using namespace std::chrono_literals;

namespace {

constexpr int Notifications = 100'000;

void BM_TickUnderInputFlood(benchmark::State& state) {
  double worstLateness = 0, drained = 0;
  for (auto _ : state) {
    TApplication application;
    testing::RecordingNotificationArea area;
    TMainForm form({nullptr, &area, TEST_HOOK_DIR "/libtesthook_kb.so", TEST_HOOK_DIR "/libtesthook_m.so"});
    application.SetMainForm(&form);
    int handled = 0;
    form.rasWinGod1->OnKeybrdMsg = [&](std::int32_t, std::int32_t, std::int32_t) {
      ++handled;
      form.rasWinGod1KeybrdMsg();
    };
    QElapsedTimer clock;
    std::vector<qint64> ticks;
    QObject::connect(form.OpTimer, &QTimer::timeout, [&] { ticks.push_back(clock.elapsed()); });
    form.B_StartClick();
    clock.start();
    ticks.push_back(0);  // the timer starts here
    qint64 drainedAt = -1;
    {
      testing::InputFlood flood(application.Window().Handle(), Notifications, 1s);
      while (clock.elapsed() < 3'000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        if (drainedAt < 0 && handled == Notifications) drainedAt = clock.elapsed();
      }
    }
    form.B_StopClick();
    for (std::size_t i = 1; i < ticks.size(); ++i)
      worstLateness = std::max(worstLateness, static_cast<double>(ticks[i] - ticks[i - 1] - 500));
    drained = std::max(drained, static_cast<double>(drainedAt));
  }
  state.counters["worst_tick_late_ms"] = worstLateness;
  state.counters["all_handled_after_ms"] = drained;
}
BENCHMARK(BM_TickUnderInputFlood)->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
