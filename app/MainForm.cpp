#include "app/MainForm.h"

#include <QAccessible>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QDialog>
#include <QEvent>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <algorithm>

#include "app/EnterPressesButtons.h"
#include "platform/Application.h"
#include "platform/DesktopWindows.h"
#include "platform/GuiThreadQueue.h"

namespace pausalo {

// The Setup page's spin edits as the break logic's limit fields: the break
// logic sees what was committed, never a half-typed text.
class TMainForm::Limits final : public LimitFields {
 public:
  explicit Limits(const TMainForm& form) : form_(form) {}
  int Value(TLimit limit) const override { return form_.LimitField(limit)->CommittedValue(); }
  void SetValue(TLimit limit, int minutes) override { form_.LimitField(limit)->CommitValue(minutes); }

 private:
  const TMainForm& form_;
};

// Where the break logic's requests land in the window.
class TMainForm::Outputs final : public BreakOutputs {
 public:
  explicit Outputs(TMainForm& form) : form_(form) {}

  void ShowIdleClock(const std::string& text) override { form_.StaticText1->setText(QString::fromUtf8(text)); }
  void ShowWorkingClock(const std::string& text) override { form_.StaticText2->setText(QString::fromUtf8(text)); }
  void ShowTrayHint(const std::string& text) override { form_.Tray1->SetHint(QString::fromUtf8(text)); }

  // The break window runs its own event loop. Run from inside the timer's
  // tick, that loop would never see the timer again (a timer does not fire
  // while its own handler runs), so it is opened right after the tick.
  void OpenBreakWindow() override {
    RunLater([form = QPointer<TMainForm>(&form_)] {
      if (form) form->sveglia();
    });
  }
  void CloseBreakWindow() override {
    if (!form_.BreakForm) return;
    // Where assistive technology listens, it is told that the pause is over
    // (not after a snooze).
    if (form_.breaks_.State() == ssWaiting && QAccessible::isActive()) {
      form_.CloseBreakWindowTellingPauseOver();
    } else {
      form_.BreakForm->close();
    }
  }
  bool BreakWindowShown() const override { return form_.BreakForm && form_.BreakForm->isVisible(); }
  void ShowPauseRunning() override {
    // The focus goes to the bar before the buttons lose it: a screen reader
    // reads the bar's name and position as the pause starts.
    if (form_.PauseBar) {
      form_.PauseBar->setFocusPolicy(Qt::TabFocus);
      form_.PauseBar->setFocus();
    }
    if (form_.BreakLabel) form_.ShowBreakMessage(QString::fromUtf8(PauseRunningText));
    if (form_.SnoozeButton) form_.SnoozeButton->setEnabled(false);
    if (form_.OkButton) form_.OkButton->setEnabled(false);
  }
  void SetPauseProgress(int percent) override {
    if (form_.PauseBar) form_.PauseBar->setValue(std::clamp(percent, 0, 100));
  }
  void SetTickTimerEnabled(bool enabled) override {
    if (enabled) {
      form_.OpTimer->start();
    } else {
      form_.OpTimer->stop();
    }
  }

 private:
  TMainForm& form_;
};

namespace {
// How often the window, while it hides in the notification area, checks
// that the area is still there.
constexpr int TrayWatchInterval = 1000;
}  // namespace

TMainForm::TMainForm(TMainFormEnvironment environment)
    : environment_(std::move(environment)),
      ownClock_(environment_.clock != nullptr ? nullptr : std::make_unique<BootClock>()),
      limits_(std::make_unique<Limits>(*this)),
      outputs_(std::make_unique<Outputs>(*this)),
      breaks_(ProgramClock(), *limits_, *outputs_) {
  rasWinGod1 = std::make_unique<TrasWinGod>(environment_.keybrdHookLibrary, environment_.mouseHookLibrary);
  Tray1 = std::make_unique<TTrayIcon>(nullptr, *environment_.notificationArea);
  OpTimer = new QTimer(this);
  trayWatch_ = new QTimer(this);
  trayWatch_->setInterval(TrayWatchInterval);
  CreateLayout();
  ConnectHandlers();
  new EnterPressesButtons(this);
  Loaded();
  FormCreate();
}

// The minimise handler FormCreate installed goes with the form.
TMainForm::~TMainForm() {
  if (Application() != nullptr) Application()->OnMinimize = nullptr;
}

const Clock& TMainForm::ProgramClock() const {
  return environment_.clock != nullptr ? *environment_.clock : *ownClock_;
}

TLimitSpinEdit* TMainForm::LimitField(TLimit limit) const {
  switch (limit) {
    case TLimit::Activity: return FSActivity;
    case TLimit::Pause: return FSPause;
    case TLimit::Timeout: return FSTimeout;
  }
  return FSActivity;
}

void TMainForm::ConnectHandlers() {
  QObject::connect(B_Start, &QPushButton::clicked, this, [this] { B_StartClick(); });
  QObject::connect(B_Stop, &QPushButton::clicked, this, [this] { B_StopClick(); });
  QObject::connect(B_Fine, &QPushButton::clicked, this, [this] { B_FineClick(); });
  QObject::connect(BitBtn1, &QToolButton::clicked, this, [this] { BitBtn1Click(); });
  QObject::connect(B_Author, &QToolButton::clicked, this, [this] { B_AuthorClick(); });
  Sec1->OnClick = [this](QObject*) { Sec1Click(); };
  // The Info page is left when another page is shown.
  QObject::connect(PageControl1, &QTabWidget::currentChanged, this, [this](int page) {
    if (PageControl1->widget(shownPage_) == TabSheet4) TabSheet4Exit();
    shownPage_ = page;
  });
  QObject::connect(S_626, &QPushButton::clicked, this, [this] { S_626Click(); });
  QObject::connect(S_generic, &QPushButton::clicked, this, [this] { S_genericClick(); });
  QObject::connect(S_web, &QPushButton::clicked, this, [this] { S_webClick(); });
  QObject::connect(S_pgm, &QPushButton::clicked, this, [this] { S_pgmClick(); });
  // The mode follows the radio however it changes: a click, a key, or an
  // assistive technology toggling it (which clicks nothing).
  QObject::connect(R_auto, &QRadioButton::toggled, this, [this](bool checked) {
    if (checked) R_autoClick();
  });
  QObject::connect(R_manuale, &QRadioButton::toggled, this, [this](bool checked) {
    if (checked) R_manualeClick();
  });
  QObject::connect(OpTimer, &QTimer::timeout, this, [this] { OpTimerTimer(); });
  QObject::connect(trayWatch_, &QTimer::timeout, this, [this] { WatchTray(); });
  Tray1->OnClick = [this](QObject*, TMouseButton, TShiftState, int, int) { Tray1Click(); };
  rasWinGod1->OnKeybrdMsg = [this](std::int32_t, std::int32_t, std::int32_t) { rasWinGod1KeybrdMsg(); };
  rasWinGod1->OnMouseMsg = [this](std::int32_t, std::uint32_t, tagMOUSEHOOKSTRUCT) { rasWinGod1MouseMsg(); };
}

// Components finish their set-up once the whole layout is in place.
void TMainForm::Loaded() {
  for (TLimitSpinEdit* field : {FSActivity, FSPause, FSTimeout}) field->Loaded();
  Tray1->Loaded();
}

void TMainForm::FormCreate() {
  Application()->OnMinimize = [this] { Minimize(); };
}

// Into the notification area; where there is none, the window is
// minimised to the taskbar instead, so that it can always be brought back.
void TMainForm::Minimize() {
  Tray1->SetActive(true);
  if (Tray1->Added()) {
    hide();
    trayWatch_->start();
  } else if (!isVisible() || !isMinimized()) {
    showMinimized();
  }
}

// No one tells an icon that its notification area went away (its host
// ended): the window hiding there would be out of reach. It goes to the
// taskbar instead, as when there was no notification area to begin with.
void TMainForm::WatchTray() {
  if (isVisible() || !Tray1->Added()) {
    trayWatch_->stop();
  } else if (!environment_.notificationArea->Available()) {
    trayWatch_->stop();
    Tray1->SetActive(false);
    Minimize();
  }
}

void TMainForm::ShowAtStart() {
  show();
  BringIntoView(*this);
}

void TMainForm::Tray1Click() {
  showNormal();
  raise();
  KeepOnAScreen(*this);
  activateWindow();
  BringIntoView(*this);
  Tray1->SetActive(false);
}

void TMainForm::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::WindowStateChange && isMinimized() && isVisible()) Application()->Minimize();
}

void TMainForm::closeEvent(QCloseEvent* event) {
  event->accept();
  Application()->Terminate();
}

void TMainForm::B_StartClick() {
  breaks_.Start();
  B_Start->setEnabled(false);
  B_Stop->setEnabled(true);
  B_Fine->setEnabled(false);
  try {
    rasWinGod1->StartKeybrdHook();
    rasWinGod1->StartMouseHook();
  } catch (const HookError&) {
    ShowMessage("Error");
  }
  Application()->Minimize();
}

void TMainForm::B_StopClick() {
  breaks_.Stop();
  B_Start->setEnabled(true);
  B_Stop->setEnabled(false);
  B_Fine->setEnabled(true);
  rasWinGod1->StopMouseHook();
  rasWinGod1->StopKeybrdHook();
}

void TMainForm::B_FineClick() { Application()->Terminate(); }

void TMainForm::BitBtn1Click() { Application()->HelpCommand(HELP_CONTENTS, 1); }

void TMainForm::B_AuthorClick() {
  Sec1->SetActive(!Sec1->Active());
  Sec1->setVisible(!Sec1->isVisible());
}

void TMainForm::Sec1Click() {
  Sec1->setVisible(false);
  Sec1->SetActive(false);
}

void TMainForm::TabSheet4Exit() {
  if (Sec1->Active()) Sec1->SetActive(false);
  if (Sec1->isVisible()) Sec1->setVisible(false);
}

void TMainForm::rasWinGod1KeybrdMsg() { breaks_.KeyboardEvent(); }
void TMainForm::rasWinGod1MouseMsg() { breaks_.MouseEvent(); }
void TMainForm::OpTimerTimer() { breaks_.Tick(); }

void TMainForm::ApplyProfile(std::size_t profile) { pausalo::ApplyProfile(WorkProfiles[profile], *limits_); }
void TMainForm::S_626Click() { ApplyProfile(0); }
void TMainForm::S_genericClick() { ApplyProfile(1); }
void TMainForm::S_webClick() { ApplyProfile(2); }
void TMainForm::S_pgmClick() { ApplyProfile(3); }

void TMainForm::ApplySetupMode(TSetupMode mode) {
  const TSetupEnabling enabling = EnablingOf(mode);
  for (QPushButton* button : {S_626, S_generic, S_web, S_pgm}) button->setEnabled(enabling.ProfileButtons);
  for (QWidget* field : std::initializer_list<QWidget*>{L_act, L_pause, L_idle, FSActivity, FSPause, FSTimeout})
    field->setEnabled(enabling.LimitFields);
}
void TMainForm::R_autoClick() { ApplySetupMode(smAuto); }
void TMainForm::R_manualeClick() { ApplySetupMode(smManual); }

}  // namespace pausalo
