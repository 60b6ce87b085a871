// Cost of what the program does with its spin edits most often: reading
// Value on every 500 ms tick (three fields), and repainting a field as the
// mouse moves over it.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>

#include "widgets/FlatSpinEditInteger.h"
#include "widgets/IntegerText.h"

namespace {

using namespace pausalo;

void BM_ParseInt32(benchmark::State& state) {
  const std::string texts[] = {"120", " -2147483648", "$1F", "12a"};
  for (auto _ : state) {
    for (const std::string& text : texts) benchmark::DoNotOptimize(ParseInt32(text));
  }
}
BENCHMARK(BM_ParseInt32);

void BM_ReadValue(benchmark::State& state) {
  TFlatSpinEditInteger edit;
  edit.SetMinValue(1);
  edit.SetMaxValue(240);
  edit.SetValue(120);
  for (auto _ : state) benchmark::DoNotOptimize(edit.Value());
}
BENCHMARK(BM_ReadValue);

void BM_RenderField(benchmark::State& state) {
  QWidget host;
  TFlatSpinEditInteger edit(&host);
  edit.setGeometry(213, 10, 57, 23);
  edit.SetColorFocused(clBtnFace);
  edit.SetColorFlat(clWhite);
  host.show();
  QImage target(edit.size(), QImage::Format_RGB32);
  for (auto _ : state) {
    edit.render(&target);
    benchmark::DoNotOptimize(target.constBits());
  }
}
BENCHMARK(BM_RenderField);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
