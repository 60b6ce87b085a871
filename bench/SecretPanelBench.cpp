// Cost of the scrolling credits panel: one frame, and the process's CPU
// share while the Info page's panel scrolls at its 30 ms interval.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <ctime>
#include <memory>

#include "platform/Application.h"
#include "widgets/Credits.h"
#include "widgets/SecretPanel.h"

using namespace pausalo;

namespace {

// The Info page's panel, shown.
std::unique_ptr<TSecretPanel> InfoPagePanel(std::uint32_t interval) {
  auto panel = std::make_unique<TSecretPanel>();
  panel->resize(276, 204);
  panel->SetInterval(interval);
  panel->SetCycled(true);
  panel->SetGlyph(QImage(QString::fromLatin1(CreditGlyphResource)));
  panel->SetGlyphLayout(glGlyphRight);
  panel->SetBorderWidth(3);
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setPixelSize(11);
  panel->setFont(font);
  panel->SetFontColor(clBlue);
  panel->SetLines(CreditLines());
  panel->show();
  return panel;
}

double ProcessCpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// One tick on the calling thread: advance, draw the frame, copy it out.
void BM_ScrollFrame(benchmark::State& state) {
  auto panel = InfoPagePanel(0);
  panel->SetActive(true);
  for (auto _ : state) panel->ScrollTick(nullptr);
  QCoreApplication::processEvents();
}
BENCHMARK(BM_ScrollFrame);

// The panel scrolling on its worker for a few seconds, with the GUI thread
// showing every frame.
void BM_ScrollingCpuShare(benchmark::State& state) {
  auto panel = InfoPagePanel(30);
  for (auto _ : state) {
    panel->SetActive(true);
    const double cpuBefore = ProcessCpuSeconds();
    QElapsedTimer wall;
    wall.start();
    QEventLoop loop;
    QTimer::singleShot(5000, &loop, &QEventLoop::quit);
    loop.exec();
    const double cpu = ProcessCpuSeconds() - cpuBefore;
    state.counters["cpu_percent_of_one_core"] = 100.0 * cpu / (static_cast<double>(wall.elapsed()) / 1000.0);
    panel->SetActive(false);
  }
}
BENCHMARK(BM_ScrollingCpuShare)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  TApplication pausalo;
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
