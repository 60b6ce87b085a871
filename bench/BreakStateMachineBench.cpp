// Cost of the break logic's hot paths: one input event, one 500 ms tick.
#include <benchmark/benchmark.h>

#include "breaks/BreakStateMachine.h"

namespace {

using namespace pausalo;

class FixedLimits final : public LimitFields {
 public:
  int Value(TLimit limit) const override { return InfoOf(limit).StartValue; }
  void SetValue(TLimit, int) override {}
};

// Keeps the texts, as a window would, so formatting is not optimised away.
class KeptTexts final : public BreakOutputs {
 public:
  void ShowIdleClock(const std::string& text) override { idle = text; }
  void ShowWorkingClock(const std::string& text) override { working = text; }
  void ShowTrayHint(const std::string& text) override { hint = text; }
  void OpenBreakWindow() override {}
  void CloseBreakWindow() override {}
  bool BreakWindowShown() const override { return false; }
  void ShowPauseRunning() override {}
  void SetPauseProgress(int) override {}
  void SetTickTimerEnabled(bool) override {}
  std::string idle, working, hint;
};

struct Bench {
  BootClock clock;
  FixedLimits limits;
  KeptTexts outputs;
  BreakStateMachine machine{clock, limits, outputs};
  Bench() { machine.Start(); }
};

void BM_MouseEventWhileWorking(benchmark::State& state) {
  Bench bench;
  for (auto _ : state) bench.machine.MouseEvent();
  benchmark::DoNotOptimize(bench.machine.LastInput());
}
BENCHMARK(BM_MouseEventWhileWorking);

void BM_KeyboardEventWhileWorking(benchmark::State& state) {
  Bench bench;
  for (auto _ : state) bench.machine.KeyboardEvent();
  benchmark::DoNotOptimize(bench.machine.LastInput());
}
BENCHMARK(BM_KeyboardEventWhileWorking);

void BM_TickWhileWorking(benchmark::State& state) {
  Bench bench;
  for (auto _ : state) {
    bench.machine.MouseEvent();
    bench.machine.Tick();
  }
  benchmark::DoNotOptimize(bench.outputs.hint.data());
}
BENCHMARK(BM_TickWhileWorking);

void BM_FormatSpan(benchmark::State& state) {
  TDateTime span = MinutesToDays(61);
  for (auto _ : state) {
    std::string text = FormatSpan(span);
    benchmark::DoNotOptimize(text.data());
  }
}
BENCHMARK(BM_FormatSpan);

}  // namespace
