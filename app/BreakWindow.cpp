// The break window: built anew for every break, run modally, then freed.
#include <QAccessible>
#include <QDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QTimer>
#include <chrono>

#include "app/BreakWindowAccessible.h"
#include "app/CaptionFit.h"
#include "app/EnterPressesButtons.h"
#include "app/LayoutFont.h"
#include "app/MainForm.h"
#include "platform/Application.h"
#include "platform/DesktopNotification.h"
#include "platform/DesktopWindows.h"
#include "widgets/AccessibleFactory.h"

namespace pausalo {

namespace {

// The window is 320 x 240 outside; its client area is what remains inside a
// usual frame and title bar.
constexpr int BreakWindowWidth = 312;
constexpr int BreakWindowClientHeight = 213;
constexpr int BreakWindowHeight = 240;  // H: controls are placed from it

// Someone typing when the window appears would press its focused button
// with the next space or Enter before reading a word of it: for this long
// after it appears, no key reaches the window or its controls.
constexpr std::chrono::seconds KeysHeldBackFor{2};

// What a screen reader's user hears when the pause is over, and how long the
// window stays after saying so: a screen reader reads a window's change
// only while the window is still there.
constexpr char PauseOverText[] = "Pause over";
constexpr std::chrono::milliseconds PauseOverReadFor{1500};

// A plain window run modally: Escape does not close it, only its buttons,
// the break logic or the window manager do. Mouse clicks count at once;
// keys only once the window has stood for a moment, on the program's clock.
// Once shown, it is brought into view over any full-screen window.
class BreakDialog final : public QDialog {
  Q_OBJECT

 public:
  BreakDialog(const Clock& clock, QWidget* parent, Qt::WindowFlags flags) : QDialog(parent, flags), clock_(clock) {}

  // Keys aimed at the control are held back with those aimed at the window.
  void GuardKeysOf(QWidget* control) { control->installEventFilter(this); }

 protected:
  void showEvent(QShowEvent* event) override {
    shownAt_ = clock_.Now();
    QDialog::showEvent(event);
    BringIntoView(*this);
  }
  bool event(QEvent* event) override { return (IsKey(*event) && KeysHeldBack()) || QDialog::event(event); }
  bool eventFilter(QObject* watched, QEvent* event) override {
    return (IsKey(*event) && KeysHeldBack()) || QDialog::eventFilter(watched, event);
  }
  void keyPressEvent(QKeyEvent* event) override {
    if (event->key() == Qt::Key_Escape) return;
    QDialog::keyPressEvent(event);
  }

 private:
  static bool IsKey(const QEvent& event) {
    return event.type() == QEvent::KeyPress || event.type() == QEvent::KeyRelease;
  }
  bool KeysHeldBack() const {
    constexpr TDateTime heldBackFor = static_cast<double>(std::chrono::milliseconds(KeysHeldBackFor).count()) /
                                      MillisecondsPerDay;
    return !Reaches(clock_.Now() - shownAt_, heldBackFor);
  }

  const Clock& clock_;
  TDateTime shownAt_ = 0;
};

QAccessibleInterface* CreateBreakWindowAccessible(BreakDialog* window) { return new BreakWindowAccessible(window); }

}  // namespace

void TMainForm::BuildBreakWindow() {
  constexpr int H = BreakWindowHeight;
  InstallAccessibleFactory<BreakDialog, &CreateBreakWindowAccessible>();
  // Not always the main window's dialog: sveglia frees it.
  auto* form = new BreakDialog(ProgramClock(), DialogOwner(*this),
                               Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint);
  BreakForm = form;
  BreakForm->setAttribute(Qt::WA_DeleteOnClose, false);
  BreakForm->setWindowTitle("Pausalo v1.0");
  BreakForm->setFont(DefaultWindowFont());
  BreakForm->setFixedSize(BreakWindowWidth, BreakWindowClientHeight);
  CentreOnScreen(*BreakForm);

  BreakLabel = new QLabel(BreakForm);
  QFont font("Arial");
  font.setPointSize(22);
  BreakLabel->setFont(font);
  QPalette palette = BreakLabel->palette();
  palette.setColor(QPalette::WindowText, Qt::red);
  BreakLabel->setPalette(palette);
  BreakLabel->move(65, H - 160);
  ShowBreakMessage(" Break Time !");

  SnoozeButton = new QPushButton(BreakForm);
  OkButton = new QPushButton(BreakForm);

  PauseBar = new QProgressBar(BreakForm);
  PauseBar->setTextVisible(false);
  PauseBar->setRange(0, 100);
  PauseBar->setValue(0);
  PauseBar->setAccessibleName("Pause");
  PauseBar->setGeometry(80, 20, 150, BreakForm->style()->pixelMetric(QStyle::PM_ScrollBarExtent));

  SnoozeButton->setGeometry(40, H - 70, 120, 25);
  QObject::connect(SnoozeButton, &QPushButton::clicked, this, [this] { SnoozeClick(); });
  SnoozeButton->setText("Snooze 5 minutes once");

  OkButton->setGeometry(180, H - 70, 90, 25);
  QObject::connect(OkButton, &QPushButton::clicked, this, [this] { OkClick(); });
  OkButton->setText("OK");
  WidenButtonsToCaptions(BreakForm);
  // Enter as on the main window; the guard comes first (filters installed
  // later run first).
  new EnterPressesButtons(BreakForm);
  for (QWidget* button : {SnoozeButton.data(), OkButton.data()}) form->GuardKeysOf(button);
}

void TMainForm::sveglia() {
  try {
    BuildBreakWindow();
    BreakForm->exec();
  } catch (...) {
    // A break window that cannot be built or run is given up quietly; the
    // break logic goes on timing the break without it.
  }
  // The focus is reported elsewhere before the window and its controls go.
  if (QAccessible::isActive()) NothingFocused::TakeFocus();
  delete BreakForm.data();
}

// The label shows the message as it is; assistive technology reads it as
// the window's description, without the label's leading space.
void TMainForm::ShowBreakMessage(const QString& text) {
  BreakLabel->setText(text);
  BreakLabel->adjustSize();
  BreakForm->setAccessibleDescription(text.trimmed());
}

// The window looks the same to the end; to assistive technology the alert
// says that the pause is over and takes the focus from the bar, so that a
// screen reader reads it out before the window closes a moment later. The
// desktop's notifications then say it once more.
void TMainForm::CloseBreakWindowTellingPauseOver() {
  QDialog* const form = BreakForm;
  form->setAccessibleDescription(PauseOverText);
  form->setFocus();
  QTimer::singleShot(PauseOverReadFor, form, [form] {
    form->close();
    ShowDesktopNotification(PauseOverText);
  });
}

void TMainForm::SnoozeClick() { breaks_.Snooze(); }

void TMainForm::OkClick() { breaks_.AcceptBreak(); }

}  // namespace pausalo

#include "BreakWindow.moc"
