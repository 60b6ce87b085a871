// Cost of laying out and drawing hint- and label-sized texts with the
// DrawText routine: measuring a word-wrapped paragraph, and drawing it.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include "platform/TextOutput.h"

namespace {

using namespace pausalo;

const QString kParagraph =
    "Pausalo counts how long you have been working without a break and, when the time is up, "
    "asks you to take one. Idle stretches stop the working clock.\tTabs expand to stops, "
    "&accelerators are underlined and long lines break at the spaces between words.";

void BM_MeasureWrapped(benchmark::State& state) {
  const QFontMetrics metrics(QFont("DejaVu Sans", 11));
  TextCanvas canvas(metrics);
  for (auto _ : state) {
    QRect rect(0, 0, static_cast<int>(state.range(0)), 0);
    benchmark::DoNotOptimize(canvas.DrawText(kParagraph, rect, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS));
  }
}
BENCHMARK(BM_MeasureWrapped)->Arg(178)->Arg(600);

void BM_DrawWrapped(benchmark::State& state) {
  QImage image(400, 300, QImage::Format_RGB32);
  QPainter painter(&image);
  painter.setFont(QFont("DejaVu Sans", 11));
  TextCanvas canvas(painter);
  for (auto _ : state) {
    QRect rect(0, 0, 178, 300);
    benchmark::DoNotOptimize(canvas.DrawText(kParagraph, rect, DT_WORDBREAK | DT_EXPANDTABS));
  }
}
BENCHMARK(BM_DrawWrapped);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
