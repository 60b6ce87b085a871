// The break window: built anew for every break, run modally, then freed.
#include <QDialog>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

#include "app/CaptionFit.h"
#include "app/LayoutFont.h"
#include "app/MainForm.h"

namespace pausalo {

namespace {

// The window is 320 x 240 outside; its client area is what remains inside a
// usual frame and title bar.
constexpr int BreakWindowWidth = 312;
constexpr int BreakWindowClientHeight = 213;
constexpr int BreakWindowHeight = 240;  // H: controls are placed from it

// A plain window run modally: Escape does not close it, only its buttons,
// the break logic or the window manager do.
class BreakDialog final : public QDialog {
 public:
  using QDialog::QDialog;

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    if (event->key() == Qt::Key_Escape) return;
    QDialog::keyPressEvent(event);
  }
};

}  // namespace

void TMainForm::BuildBreakWindow() {
  constexpr int H = BreakWindowHeight;
  BreakForm = new BreakDialog(this, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                        Qt::WindowStaysOnTopHint);
  BreakForm->setAttribute(Qt::WA_DeleteOnClose, false);
  BreakForm->setWindowTitle("Pausalo v1.0");
  BreakForm->setFont(DefaultWindowFont());
  BreakForm->setFixedSize(BreakWindowWidth, BreakWindowClientHeight);
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    BreakForm->move(screen->availableGeometry().center() - BreakForm->rect().center());

  BreakLabel = new QLabel(BreakForm);
  QFont font("Arial");
  font.setPointSize(22);
  BreakLabel->setFont(font);
  QPalette palette = BreakLabel->palette();
  palette.setColor(QPalette::WindowText, Qt::red);
  BreakLabel->setPalette(palette);
  BreakLabel->setText(" Break Time !");
  BreakLabel->move(65, H - 160);
  BreakLabel->adjustSize();

  SnoozeButton = new QPushButton(BreakForm);
  OkButton = new QPushButton(BreakForm);

  PauseBar = new QProgressBar(BreakForm);
  PauseBar->setTextVisible(false);
  PauseBar->setRange(0, 100);
  PauseBar->setValue(0);
  PauseBar->setGeometry(80, 20, 150, BreakForm->style()->pixelMetric(QStyle::PM_ScrollBarExtent));

  SnoozeButton->setGeometry(40, H - 70, 120, 25);
  QObject::connect(SnoozeButton, &QPushButton::clicked, this, [this] { SnoozeClick(); });
  SnoozeButton->setText("Snooze 5 minutes once");

  OkButton->setGeometry(180, H - 70, 90, 25);
  QObject::connect(OkButton, &QPushButton::clicked, this, [this] { OkClick(); });
  OkButton->setText("OK");
  WidenButtonsToCaptions(BreakForm);
}

void TMainForm::sveglia() {
  try {
    BuildBreakWindow();
    BreakForm->exec();
  } catch (...) {
    // A break window that cannot be built or run is given up quietly; the
    // break logic goes on timing the break without it.
  }
  delete BreakForm.data();
}

void TMainForm::SnoozeClick() { breaks_.Snooze(); }

void TMainForm::OkClick() { breaks_.AcceptBreak(); }

}  // namespace pausalo
