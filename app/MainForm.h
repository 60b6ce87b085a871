#pragma once

#include <QPointer>
#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "app/LimitSpinEdit.h"
#include "breaks/BreakStateMachine.h"
#include "breaks/Clock.h"
#include "input/WinGod.h"
#include "platform/NotificationArea.h"
#include "widgets/FlatHint.h"
#include "widgets/SecretPanel.h"
#include "widgets/ShadowLabel.h"
#include "widgets/TrayIcon.h"

class QButtonGroup;
class QDialog;
class QFrame;
class QGroupBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QTimer;
class QToolButton;

namespace pausalo {

// What the main window works with; the defaults are the real desktop's.
struct TMainFormEnvironment {
  const Clock* clock = nullptr;  // null: the boot-time clock
  NotificationArea* notificationArea = &NotificationArea::System();
  std::string keybrdHookLibrary = DefaultKeybrdHookLibrary;
  std::string mouseHookLibrary = DefaultMouseHookLibrary;
};

// The program's one stored window: the Home, Setup and Info pages, the
// input hook component, the tick timer and the tray icon, wired to the break
// state machine and the work profiles. Controls keep the names of the
// stored layout.
class TMainForm : public QWidget {
  Q_OBJECT

 public:
  explicit TMainForm(TMainFormEnvironment environment = {});
  ~TMainForm() override;

  // Shows the window as the program starts, in front of a full-screen
  // window too.
  void ShowAtStart();

  // Pages and their controls.
  QTabWidget* PageControl1 = nullptr;
  QWidget* TabSheet1 = nullptr;
  TShadowLabel* ShadowLabel6 = nullptr;
  QLabel* Image1 = nullptr;
  TShadowLabel* ShadowLabel1 = nullptr;
  TShadowLabel* ShadowLabel2 = nullptr;
  QLabel* StaticText2 = nullptr;
  QLabel* StaticText1 = nullptr;
  QFrame* Panel3 = nullptr;
  QPushButton* B_Start = nullptr;
  QPushButton* B_Stop = nullptr;
  QPushButton* B_Fine = nullptr;
  QWidget* TabSheet2 = nullptr;
  QFrame* Panel2 = nullptr;
  QGroupBox* GroupAuto = nullptr;
  QPushButton* S_626 = nullptr;
  QPushButton* S_generic = nullptr;
  QPushButton* S_web = nullptr;
  QPushButton* S_pgm = nullptr;
  TShadowLabel* ShadowLabel7 = nullptr;
  QGroupBox* GroupManual = nullptr;
  QLabel* L_act = nullptr;
  QLabel* L_pause = nullptr;
  QLabel* L_idle = nullptr;
  TLimitSpinEdit* FSActivity = nullptr;
  TLimitSpinEdit* FSPause = nullptr;
  TLimitSpinEdit* FSTimeout = nullptr;
  QRadioButton* R_auto = nullptr;
  QRadioButton* R_manuale = nullptr;
  QWidget* TabSheet4 = nullptr;
  QLabel* Image2 = nullptr;
  QLabel* Image3 = nullptr;
  QFrame* Panel1 = nullptr;
  TShadowLabel* ShadowLabel5 = nullptr;
  TShadowLabel* ShadowLabel3 = nullptr;
  TSecretPanel* Sec1 = nullptr;
  QToolButton* B_Author = nullptr;
  QToolButton* BitBtn1 = nullptr;

  // Components without a window.
  std::unique_ptr<TrasWinGod> rasWinGod1;
  QTimer* OpTimer = nullptr;
  std::unique_ptr<TTrayIcon> Tray1;
  std::vector<QIcon> ImmList;
  TFlatHint* FlatHint1 = nullptr;

  // The break window of the current break; null while none is open.
  QPointer<QDialog> BreakForm;
  QPointer<QLabel> BreakLabel;
  QPointer<QPushButton> SnoozeButton;
  QPointer<QPushButton> OkButton;
  QPointer<QProgressBar> PauseBar;

  // Handlers.
  void FormCreate();
  void Minimize();
  void Tray1Click();
  void B_StartClick();
  void B_StopClick();
  void B_FineClick();
  void BitBtn1Click();
  void B_AuthorClick();
  void Sec1Click();
  void TabSheet4Exit();
  void rasWinGod1KeybrdMsg();
  void rasWinGod1MouseMsg();
  void OpTimerTimer();
  void S_626Click();
  void S_genericClick();
  void S_webClick();
  void S_pgmClick();
  void R_autoClick();
  void R_manualeClick();

  // The break window.
  void sveglia();
  void SnoozeClick();
  void OkClick();

 protected:
  void changeEvent(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  friend class MainFormTestAccess;

  class Limits;
  class Outputs;

  void CreateLayout();
  void ConnectHandlers();
  void Loaded();
  void ApplyProfile(std::size_t profile);
  void ApplySetupMode(TSetupMode mode);
  void BuildBreakWindow();
  void ShowBreakMessage(const QString& text);
  void CloseBreakWindowTellingPauseOver();
  void WatchTray();
  TLimitSpinEdit* LimitField(TLimit limit) const;
  const Clock& ProgramClock() const;

  TMainFormEnvironment environment_;
  std::unique_ptr<Clock> ownClock_;
  std::unique_ptr<Limits> limits_;
  std::unique_ptr<Outputs> outputs_;
  BreakStateMachine breaks_;
  QButtonGroup* profileGroup_ = nullptr;
  QTimer* trayWatch_ = nullptr;
  int shownPage_ = 0;
};

}  // namespace pausalo
