// Pausalo: counts working and idle time and shows both clocks. Desktop-wide
// input capture and the full main window are still to come; until then the
// clocks count from start-up without seeing input.
#include <QApplication>
#include <QFormLayout>
#include <QLabel>
#include <QTimer>
#include <QWidget>

#include "breaks/BreakStateMachine.h"

namespace {

using namespace pausalo;

class StartLimitFields final : public LimitFields {
 public:
  int Value(TLimit limit) const override { return InfoOf(limit).StartValue; }
  void SetValue(TLimit, int) override {}
};

class ClockWindow final : public QWidget, public BreakOutputs {
 public:
  ClockWindow() {
    setWindowTitle("Pausalo 1.0");
    auto* layout = new QFormLayout(this);
    layout->addRow("Working time:", &working_);
    layout->addRow("Idle time:", &idle_);
    timer_.setInterval(500);
    QObject::connect(&timer_, &QTimer::timeout, [this] { machine_.Tick(); });
    machine_.Start();
  }

  void ShowIdleClock(const std::string& text) override { idle_.setText(QString::fromStdString(text)); }
  void ShowWorkingClock(const std::string& text) override { working_.setText(QString::fromStdString(text)); }
  void ShowTrayHint(const std::string& text) override { setToolTip(QString::fromStdString(text)); }
  void OpenBreakWindow() override {}
  void CloseBreakWindow() override {}
  void ShowPauseRunning() override {}
  void SetPauseProgress(int) override {}
  void SetTickTimerEnabled(bool enabled) override { enabled ? timer_.start() : timer_.stop(); }

 private:
  QLabel working_{"00:00:00"};
  QLabel idle_{"00:00:00"};
  QTimer timer_;
  BootClock clock_;
  StartLimitFields limits_;
  BreakStateMachine machine_{clock_, limits_, *this};
};

}  // namespace

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  ClockWindow window;
  window.show();
  return application.exec();
}
