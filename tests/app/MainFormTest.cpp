#include <gtest/gtest.h>

#include <dlfcn.h>
#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTabWidget>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QToolButton>
#include <QWindow>
#include <functional>

#include "ApplicationWindowTestAccess.h"
#include "EventLoopWaits.h"
#include "MainFormTestAccess.h"
#include "RecordingNotificationArea.h"
#include "UnexpectedMessageBoxes.h"
#include "app/MainForm.h"
#include "input/TestHookLibrary.h"
#include "platform/Application.h"

using namespace pausalo;
using namespace std::chrono_literals;
using pausalo::testing::ProcessEventsUntil;
using pausalo::testing::RecordingNotificationArea;
using pausalo::testing::UnexpectedMessageBoxes;

namespace {

constexpr char KeyboardTestHook[] = "libtesthook_kb.so";
constexpr char MouseTestHook[] = "libtesthook_m.so";

// Runs a step as soon as a modal window is up and active, as the user
// meets it (inside its event loop). The window gets its focus when it is
// activated, which the window system reports after it was shown: on a
// loaded machine, after an overdue poll may have found it.
void WhenModal(std::function<void(QWidget*)> step) {
  auto* poll = new QTimer;
  QObject::connect(poll, &QTimer::timeout, [poll, step] {
    if (QWidget* modal = QApplication::activeModalWidget(); modal && modal->isActiveWindow()) {
      poll->stop();
      poll->deleteLater();
      step(modal);
    }
  });
  poll->start(10);
}

// Fires one notification of a test hook library, as a real input event.
void FireInput(const char* library) {
  void* module = dlopen(library, RTLD_NOW | RTLD_NOLOAD);
  ASSERT_NE(module, nullptr);
  auto fire = reinterpret_cast<int (*)()>(dlsym(module, "TestHook_Fire"));
  ASSERT_EQ(fire(), 1);
  dlclose(module);
}

class MainFormTest : public ::testing::Test {
 protected:
  explicit MainFormTest(const char* keyboard = KeyboardTestHook, const char* mouse = MouseTestHook)
      : form({&clock, &area, keyboard, mouse}) {
    application.SetMainForm(&form);
    form.show();
  }
  ~MainFormTest() override { form.B_StopClick(); }

  // Replaces a field's text by typing, as a user who clicked into it; an
  // empty text is a Backspace over the whole of it.
  static void Edit(TLimitSpinEdit* field, const QString& text) {
    field->setFocus(Qt::MouseFocusReason);
    field->selectAll();
    if (text.isEmpty()) QTest::keyClick(field, Qt::Key_Backspace);
    QTest::keyClicks(field, text);
  }
  static void PressEnter(TLimitSpinEdit* field) { QTest::keyClick(field, Qt::Key_Return); }
  static void TypeLimit(TLimitSpinEdit* field, int minutes) {
    Edit(field, QString::number(minutes));
    PressEnter(field);
  }
  // A screen reader's toggle action, which chooses a radio or a profile
  // without a click.
  static void ToggleAsAScreenReader(QAbstractButton* choice) {
    QAccessibleInterface* button = QAccessible::queryAccessibleInterface(choice);
    ASSERT_NE(button, nullptr);
    ASSERT_NE(button->actionInterface(), nullptr);
    ASSERT_TRUE(button->actionInterface()->actionNames().contains(QAccessibleActionInterface::toggleAction()));
    button->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
  }
  // Tabs on to the next control.
  static void Leave(TLimitSpinEdit* field) {
    QTest::keyClick(field, Qt::Key_Tab);
    EXPECT_FALSE(field->hasFocus());
  }
  // The minutes of work, pause and idle time, typed in manual setup.
  void TypeLimits(int work, int pause, int idle) {
    form.R_manuale->click();
    TypeLimit(form.FSActivity, work);
    TypeLimit(form.FSPause, pause);
    TypeLimit(form.FSTimeout, idle);
  }
  // Lets time pass and the tick timer's next tick come.
  void Tick(std::chrono::milliseconds elapsed = 500ms) {
    clock.Advance(elapsed);
    form.OpTimerTimer();
  }
  // The same with the mouse moving just before the tick.
  void Work(std::chrono::milliseconds elapsed) {
    clock.Advance(elapsed);
    form.rasWinGod1MouseMsg();
    form.OpTimerTimer();
  }
  // The limits the break logic works with, and those the fields show.
  TBreakLimits Limits() const {
    return {form.FSActivity->CommittedValue(), form.FSPause->CommittedValue(), form.FSTimeout->CommittedValue()};
  }
  TBreakLimits Shown() const { return {form.FSActivity->Value(), form.FSPause->Value(), form.FSTimeout->Value()}; }
  // A break window still open after a while is closed and fails the test:
  // a tick timer that no longer runs inside the window must not hang it.
  void CloseTheBreakWindowAfter(std::chrono::milliseconds span) {
    QTimer::singleShot(span, &form, [this] {
      if (form.BreakForm.isNull()) return;
      ADD_FAILURE() << "the break window was still open";
      form.BreakForm->close();
    });
  }

  TApplication application;
  UnexpectedMessageBoxes unexpectedBoxes;
  ManualClock clock{std::chrono::hours(24 * 100)};
  RecordingNotificationArea area;
  TMainForm form;
};

class MainFormWithoutHooks : public MainFormTest {
 protected:
  MainFormWithoutHooks() : MainFormTest("libmissing_kb.so", "libmissing_m.so") {}
};

}  // namespace

TEST_F(MainFormTest, StartsOnTheHomePageWithTheStoredValues) {
  EXPECT_TRUE(form.TabSheet1->isVisible());
  EXPECT_EQ(form.StaticText1->text(), "00:00:00");
  EXPECT_EQ(form.StaticText2->text(), "00:00:00");
  EXPECT_TRUE(form.B_Start->isEnabled());
  EXPECT_FALSE(form.B_Stop->isEnabled());
  EXPECT_TRUE(form.B_Fine->isEnabled());
  EXPECT_FALSE(form.Tray1->Active());
  EXPECT_FALSE(form.OpTimer->isActive());
  EXPECT_EQ(Limits(), (TBreakLimits{120, 15, 3}));
  EXPECT_TRUE(form.S_626->isChecked());
  EXPECT_TRUE(form.R_auto->isChecked());
  EXPECT_TRUE(form.S_web->isEnabled());
  EXPECT_FALSE(form.FSActivity->isEnabled());
  EXPECT_FALSE(form.L_idle->isEnabled());
}

TEST_F(MainFormTest, StartHidesIntoTheTrayAndStopComesBackToTheStartButtons) {
  form.B_Start->click();
  EXPECT_FALSE(form.B_Start->isEnabled());
  EXPECT_TRUE(form.B_Stop->isEnabled());
  EXPECT_FALSE(form.B_Fine->isEnabled());
  EXPECT_TRUE(form.Tray1->Added());
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(MainFormTestAccess::Breaks(form).State(), ssWorking);
  EXPECT_TRUE(form.OpTimer->isActive());

  Tick(5s);
  EXPECT_EQ(form.StaticText2->text(), "00:00:05");
  EXPECT_EQ(form.Tray1->Hint(), "Time elapsed: 00:00:05");

  ASSERT_GT(ApplicationWindowTestAccess::HookCount(application.Window()), 0u);
  form.B_StopClick();
  EXPECT_EQ(ApplicationWindowTestAccess::HookCount(application.Window()), 0u) << "a hook is still installed";
  EXPECT_TRUE(form.B_Start->isEnabled());
  EXPECT_FALSE(form.B_Stop->isEnabled());
  EXPECT_TRUE(form.B_Fine->isEnabled());
  EXPECT_EQ(MainFormTestAccess::Breaks(form).State(), ssWaiting);
  EXPECT_FALSE(form.OpTimer->isActive());
  EXPECT_EQ(form.StaticText2->text(), "00:00:05") << "the clocks keep their last texts";
}

TEST_F(MainFormTest, InputFromTheHookLibrariesReachesTheBreakLogic) {
  form.B_Start->click();
  clock.Advance(10s);
  FireInput(MouseTestHook);
  ASSERT_TRUE(ProcessEventsUntil([&] { return MainFormTestAccess::Breaks(form).LastInput() == clock.Now(); }));
  clock.Advance(10s);
  FireInput(KeyboardTestHook);
  ASSERT_TRUE(ProcessEventsUntil([&] { return MainFormTestAccess::Breaks(form).LastInput() == clock.Now(); }));
}

TEST_F(MainFormTest, ATrayClickBringsTheWindowBackAndStartHidesItAgain) {
  form.B_Start->click();
  ASSERT_FALSE(form.isVisible());
  // Its monitor went away while it was hidden: it comes back on one.
  form.move(20'000, 20'000);
  pausalo_post_message(form.Tray1->Handle(), TrayCallbackMessage, 0, WM_LBUTTONDOWN);
  pausalo_post_message(form.Tray1->Handle(), TrayCallbackMessage, 0, WM_LBUTTONUP);
  ASSERT_TRUE(ProcessEventsUntil([&] { return form.isVisible(); }));
  EXPECT_FALSE(form.Tray1->Active());
  EXPECT_TRUE(area.shownIcons.empty());
  EXPECT_NE(QGuiApplication::screenAt(form.frameGeometry().center()), nullptr) << "back where no monitor shows it";

  // Minimised by the window manager: into the tray, not the taskbar. Its
  // top-left corner is off the monitor, but the user sees the window.
  form.move(-40, -30);
  form.windowHandle()->setWindowState(Qt::WindowMinimized);
  ASSERT_TRUE(ProcessEventsUntil([&] { return !form.isVisible(); }, 5s));
  EXPECT_TRUE(form.Tray1->Added());
  const QPoint putAt = form.pos();
  form.Tray1Click();
  EXPECT_TRUE(form.isVisible() && !form.isMinimized()) << "the window came back minimised";
  EXPECT_EQ(form.pos(), putAt) << "moved from a place on a monitor";

  form.B_Stop->click();
  form.B_Start->click();
  EXPECT_FALSE(form.isVisible());
  EXPECT_TRUE(form.Tray1->Added());
}

TEST_F(MainFormTest, WithoutANotificationAreaTheWindowMinimisesInsteadOfHiding) {
  area.available = false;
  form.B_Start->click();
  EXPECT_FALSE(form.Tray1->Added());
  EXPECT_TRUE(form.isVisible()) << "still reachable from the taskbar";
  EXPECT_TRUE(form.isMinimized());

  // The notification area goes away while the window hides in it.
  form.Tray1Click();
  EXPECT_FALSE(form.isMinimized()) << "a tray click leaves the window minimised";
  area.available = true;
  application.Minimize();
  ASSERT_FALSE(form.isVisible());
  pausalo::testing::ProcessEventsFor(1500ms);
  EXPECT_FALSE(form.isVisible()) << "came out of a notification area that is still there";
  area.available = false;
  ASSERT_TRUE(ProcessEventsUntil([&] { return form.isVisible(); }, 5s)) << "left out of reach";
  EXPECT_TRUE(form.isMinimized());
  EXPECT_FALSE(form.Tray1->Added());
}

TEST_F(MainFormWithoutHooks, StartWithAMissingHookLibraryReportsErrorThenWatchesIdleTime) {
  QString shown;
  WhenModal([&](QWidget* modal) {
    if (auto* box = qobject_cast<QMessageBox*>(modal)) shown = box->text();
    modal->close();
  });
  form.B_Start->click();
  EXPECT_EQ(shown, "Error");
  EXPECT_TRUE(form.Tray1->Added());
  EXPECT_EQ(MainFormTestAccess::Breaks(form).State(), ssWorking);

  Tick(2min + 59s);
  EXPECT_EQ(MainFormTestAccess::Breaks(form).State(), ssWorking);
  Tick(1s);
  EXPECT_EQ(MainFormTestAccess::Breaks(form).State(), ssIdle);
}

TEST_F(MainFormTest, ProfilesFillTheLimitsAndSetupModesOnlyChangeWhatIsEditable) {
  const struct {
    QPushButton* button;
    QString caption;
    TBreakLimits limits;
  } profiles[] = {{form.S_626, "Default", {120, 15, 4}},
                  {form.S_generic, "Generic (Office etc.)", {60, 10, 4}},
                  {form.S_pgm, "Development", {60, 10, 6}},
                  {form.S_web, "Internet browsing", {120, 15, 5}}};
  for (const auto& profile : profiles) {
    profile.button->click();
    EXPECT_EQ(profile.button->text(), profile.caption);
    EXPECT_EQ(Limits(), profile.limits) << profile.caption.toStdString();
    EXPECT_EQ(Shown(), profile.limits) << profile.caption.toStdString();
    EXPECT_TRUE(profile.button->isChecked());
  }
  EXPECT_FALSE(form.S_626->isChecked());
  const struct {
    TLimitSpinEdit* field;
    int min, max;
  } ranges[] = {{form.FSActivity, 1, 240}, {form.FSPause, 1, 30}, {form.FSTimeout, 1, 10}};
  for (const auto& range : ranges) {
    EXPECT_EQ(range.field->MinValue(), range.min);
    EXPECT_EQ(range.field->MaxValue(), range.max);
  }

  form.R_manuale->click();
  EXPECT_EQ(Limits(), (TBreakLimits{120, 15, 5}));
  for (QWidget* field : std::initializer_list<QWidget*>{form.FSActivity, form.FSPause, form.FSTimeout, form.L_act,
                                                        form.L_pause, form.L_idle})
    EXPECT_TRUE(field->isEnabled());
  for (QPushButton* button : {form.S_626, form.S_generic, form.S_web, form.S_pgm}) EXPECT_FALSE(button->isEnabled());

  TypeLimit(form.FSActivity, 45);
  form.R_auto->click();
  EXPECT_EQ(Limits().Activity, 45) << "typed values stay until a profile is clicked";
  ASSERT_NO_FATAL_FAILURE(ToggleAsAScreenReader(form.S_pgm));
  EXPECT_EQ(Limits(), (TBreakLimits{60, 10, 6})) << "a profile chosen by a screen reader";
  form.R_manuale->click();
  TypeLimit(form.FSActivity, 1);
  form.R_auto->click();
  form.S_pgm->click();
  EXPECT_EQ(Limits().Activity, 60) << "clicking the profile that is down applies it again";
  EXPECT_EQ(Shown().Activity, 60);
}

TEST_F(MainFormTest, ALimitCountsOnceEditingFinishesAndAFieldLeftWithoutANumberGetsItBack) {
  form.B_Start->click();
  form.Tray1Click();
  form.PageControl1->setCurrentWidget(form.TabSheet2);
  form.R_manuale->click();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&form));

  // Emptied to type a new number: that is no working time of one minute.
  Edit(form.FSActivity, "");
  Work(61s);
  EXPECT_EQ(MainFormTestAccess::Breaks(form).State(), ssWorking);

  // Left without a number in it, a field shows the value that counts again.
  for (const QString& typed : {QString(), QString("99999999999")}) {
    Edit(form.FSActivity, typed);
    Leave(form.FSActivity);
    EXPECT_EQ(form.FSActivity->text(), "120") << typed.toStdString();
  }
  form.FSActivity->setFocus(Qt::MouseFocusReason);
  form.FSActivity->selectAll();
  QApplication::clipboard()->setText("net");
  QTest::keyClick(form.FSActivity, Qt::Key_V, Qt::ControlModifier);
  ASSERT_EQ(form.FSActivity->text(), "net");
  Leave(form.FSActivity);
  EXPECT_EQ(form.FSActivity->text(), "120");

  // Out of range: the nearer end of the range, whether leaving the field or
  // Enter finishes the edit.
  const struct {
    TLimitSpinEdit* field;
    QString typed, shown;
    void (*finish)(TLimitSpinEdit*);
  } clamped[] = {{form.FSActivity, "500", "240", Leave},
                 {form.FSPause, "99", "30", PressEnter},
                 {form.FSPause, "0", "1", Leave},
                 {form.FSTimeout, "99", "10", PressEnter}};
  for (const auto& entry : clamped) {
    Edit(entry.field, entry.typed);
    entry.finish(entry.field);
    EXPECT_EQ(entry.field->text(), entry.shown) << entry.typed.toStdString();
  }
  EXPECT_EQ(Limits(), (TBreakLimits{240, 1, 10}));
  Work(1s);
  EXPECT_EQ(MainFormTestAccess::Breaks(form).State(), ssWorking);

  // A number still being typed is not used; an arrow step counts at once,
  // also where it cannot move the number any further.
  // Each checked before the focus moves on, which would commit it too.
  Edit(form.FSPause, "30");
  QTest::keyClick(form.FSPause, Qt::Key_Up);
  EXPECT_EQ(Limits().Pause, 30) << "a step at the maximum did not commit";
  Edit(form.FSTimeout, "1");
  QTest::keyClick(form.FSTimeout, Qt::Key_Down);
  EXPECT_EQ(Limits().Timeout, 1) << "a step at the minimum did not commit";
  Edit(form.FSActivity, "1");
  Work(1s);
  EXPECT_EQ(MainFormTestAccess::Breaks(form).State(), ssWorking);
  QTest::keyClick(form.FSActivity, Qt::Key_Up);
  EXPECT_EQ(Limits().Activity, 2);
  CloseTheBreakWindowAfter(5s);
  Work(59s);
  EXPECT_EQ(MainFormTestAccess::Breaks(form).State(), ssBreakDue) << "two minutes of work are up";
}

TEST_F(MainFormTest, TheRealTickTimerOpensTheBreakWindowAndTimesThePauseInsideIt) {
  TypeLimits(1, 1, 3);
  form.B_Start->click();
  QStringList seen;
  WhenModal([&](QWidget* modal) {
    EXPECT_EQ(modal, form.BreakForm.data());
    seen << modal->windowTitle() << form.BreakLabel->text();
    EXPECT_TRUE(modal->windowFlags() & Qt::WindowStaysOnTopHint);
    QTest::mouseClick(form.OkButton, Qt::LeftButton);  // a click counts at once
    seen << form.BreakLabel->text();
    EXPECT_FALSE(form.OkButton->isEnabled());
    EXPECT_FALSE(form.SnoozeButton->isEnabled());
    clock.Advance(30s);
    ASSERT_TRUE(ProcessEventsUntil([&] { return form.PauseBar && form.PauseBar->value() == 50; }, 5s));
    clock.Advance(31s);
  });
  CloseTheBreakWindowAfter(8s);
  clock.Advance(60s);  // the tick timer's next tick finds the minute of work up
  ASSERT_TRUE(ProcessEventsUntil([&] { return MainFormTestAccess::Breaks(form).State() == ssWaiting; }, 15s));
  EXPECT_EQ(seen, (QStringList{"Pausalo v1.0", " Break Time !", "Pause running..."}));
  EXPECT_TRUE(ProcessEventsUntil([&] { return form.BreakForm.isNull(); })) << "the window is freed";
}

TEST_F(MainFormTest, NoKeyPressesABreakWindowButtonInItsFirstTwoSeconds) {
  TypeLimits(1, 15, 3);
  form.B_Start->click();
  WhenModal([&](QWidget* modal) {
    EXPECT_EQ(modal->focusWidget(), form.SnoozeButton.data());
    QTest::keyClick(form.SnoozeButton, Qt::Key_Space);
    QTest::keyClick(form.SnoozeButton, Qt::Key_Return);
    QTest::keyClick(modal, Qt::Key_Enter);
    clock.Advance(1999ms);
    QTest::keyClick(form.SnoozeButton, Qt::Key_Space);
    QTest::keyClick(form.OkButton, Qt::Key_Space);
    EXPECT_EQ(MainFormTestAccess::Breaks(form).State(), ssBreakDue);
    EXPECT_EQ(modal->focusWidget(), form.SnoozeButton.data()) << "the focus stays on Snooze";
    clock.Advance(1ms);
    // Past the guard, Escape still leaves the window to its buttons, and
    // only a plain Enter, pressed afresh, presses one.
    QTest::keyClick(modal, Qt::Key_Escape);
    QTest::keyClick(form.SnoozeButton, Qt::Key_Escape);
    QTest::keyClick(form.SnoozeButton, Qt::Key_Return, Qt::ControlModifier);
    QTest::keyClick(form.SnoozeButton, Qt::Key_Return, Qt::AltModifier);
    QKeyEvent repeated(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QString(), true);
    QApplication::sendEvent(form.SnoozeButton, &repeated);
    pausalo::testing::ProcessEventsFor(300ms);
    EXPECT_TRUE(modal->isVisible()) << "Escape closed the break window";
    EXPECT_EQ(MainFormTestAccess::Breaks(form).State(), ssBreakDue) << "a held or modified Enter pressed Snooze";
    QTest::keyClick(form.SnoozeButton, Qt::Key_Space);
  });
  CloseTheBreakWindowAfter(8s);
  Tick(60s);
  ASSERT_TRUE(ProcessEventsUntil([&] { return MainFormTestAccess::Breaks(form).State() == ssSnoozed; }, 15s));
}

TEST_F(MainFormTest, SnoozeClosesAtOnceAndWorkGoesOn) {
  TypeLimits(1, 15, 3);
  form.B_Start->click();
  WhenModal([&](QWidget*) {
    clock.Advance(20s);
    form.SnoozeButton->click();
  });
  Tick(60s);
  ASSERT_TRUE(ProcessEventsUntil([&] { return MainFormTestAccess::Breaks(form).State() == ssSnoozed; }));
  EXPECT_EQ(MainFormTestAccess::Breaks(form).LastInput(), clock.Now()) << "Snooze counts as input";
  EXPECT_TRUE(ProcessEventsUntil([&] { return form.BreakForm.isNull(); }));
}

TEST_F(MainFormTest, TheBreakWindowClosesAPauseAfterTheLastInputEvenInputWhileItStands) {
  TypeLimits(1, 2, 3);
  form.B_Start->click();
  bool stoodAfterTheInput = false;
  WhenModal([&](QWidget*) {
    clock.Advance(30s);
    FireInput(MouseTestHook);  // the user works on in another window
    ASSERT_TRUE(ProcessEventsUntil([&] { return MainFormTestAccess::Breaks(form).LastInput() == clock.Now(); }, 5s));
    clock.Advance(1min + 30s);
    stoodAfterTheInput = ProcessEventsUntil([&] { return form.StaticText1->text() == "00:01:30"; }, 5s) &&
                         form.BreakForm;
    clock.Advance(30s);
  });
  CloseTheBreakWindowAfter(8s);
  Tick(60s);
  ASSERT_TRUE(ProcessEventsUntil([&] { return MainFormTestAccess::Breaks(form).State() == ssWaiting; }, 15s));
  EXPECT_TRUE(stoodAfterTheInput);
  EXPECT_TRUE(ProcessEventsUntil([&] { return form.BreakForm.isNull(); }));
}

TEST_F(MainFormTest, AuthorTogglesTheCreditsAndLeavingTheInfoPageHidesThem) {
  form.PageControl1->setCurrentWidget(form.TabSheet4);
  form.B_Author->click();
  EXPECT_TRUE(form.Sec1->isVisible());
  EXPECT_TRUE(form.Sec1->Active());
  EXPECT_EQ(form.Sec1->Lines().size(), 11);
  EXPECT_EQ(form.Sec1->Glyph().size(), QSize(85, 100)) << "the credits picture is compiled in";
  form.B_Author->click();
  EXPECT_FALSE(form.Sec1->isVisible());
  EXPECT_FALSE(form.Sec1->Active());

  form.B_Author->click();
  form.PageControl1->setCurrentWidget(form.TabSheet2);
  EXPECT_FALSE(form.Sec1->isVisible());
  EXPECT_FALSE(form.Sec1->Active());

  form.PageControl1->setCurrentWidget(form.TabSheet4);
  form.B_Author->click();
  form.Sec1->OnClick(form.Sec1);
  EXPECT_FALSE(form.Sec1->isVisible());
  EXPECT_FALSE(form.Sec1->Active());

  // From the keyboard: Enter and the keypad's Enter press the focused button.
  form.B_Author->setFocus();
  QTest::keyClick(form.B_Author, Qt::Key_Return);
  EXPECT_TRUE(ProcessEventsUntil([&] { return form.Sec1->isVisible(); })) << "Enter did not press the button";
  QTest::keyClick(form.B_Author, Qt::Key_Enter, Qt::KeypadModifier);
  EXPECT_TRUE(ProcessEventsUntil([&] { return !form.Sec1->isVisible(); })) << "keypad Enter did not press it";
}

TEST_F(MainFormTest, HelpShowsItsContentsPageCentredAboveTheMainWindowAndEscapeClosesIt) {
  application.SetHelpFile("PAUSALO_ENG.HLP");
  form.BitBtn1->click();
  QTextBrowser* viewer = nullptr;
  for (QWidget* window : QApplication::topLevelWidgets())
    if (auto* browser = qobject_cast<QTextBrowser*>(window); browser && browser->isVisible()) viewer = browser;
  ASSERT_NE(viewer, nullptr);
  EXPECT_TRUE(viewer->toPlainText().contains("Snooze 5 minutes once"));
  const QPoint offCentre = viewer->geometry().center() - form.geometry().center();
  EXPECT_LE(offCentre.manhattanLength(), 2) << "not centred over the main window";
  ASSERT_NE(viewer->windowHandle(), nullptr);
  EXPECT_EQ(viewer->windowHandle()->transientParent(), form.windowHandle()) << "not kept above the main window";
  EXPECT_TRUE(viewer->windowFlags() & Qt::WindowStaysOnTopHint) << "under the main window, which stays on top";

  QTest::keyClick(viewer, Qt::Key_Escape);
  EXPECT_FALSE(viewer->isVisible()) << "Escape did not close the help";

  // Over a main window at the screen's corner the help stays on the screen.
  const QRect room = form.screen()->availableGeometry();
  form.move(room.bottomRight() - QPoint(form.width() / 3, form.height() / 3));
  form.BitBtn1->click();
  ASSERT_TRUE(viewer->isVisible());
  EXPECT_TRUE(room.contains(viewer->geometry())) << "the help is off the screen";
  viewer->close();
}

TEST_F(MainFormTest, ClosingTheHelpWindowKeepsTheProgramAndClosingTheMainWindowEndsIt) {
  bool stillRunning = false, gaveUp = false;
  QTimer::singleShot(0, [&] {
    form.B_Start->click();
    application.SetHelpFile("PAUSALO_ENG.HLP");
    form.BitBtn1->click();
    for (QWidget* window : QApplication::topLevelWidgets())
      if (qobject_cast<QTextBrowser*>(window) != nullptr) window->close();
    QTimer::singleShot(300, [&] {
      stillRunning = true;
      form.B_StopClick();
      form.Tray1Click();
      form.windowHandle()->close();  // the close box
      QTimer::singleShot(5'000, &form, [&] {
        gaveUp = true;
        application.Terminate();
      });
    });
  });
  QApplication::exec();
  EXPECT_TRUE(stillRunning) << "the program ended when the help window closed";
  EXPECT_FALSE(gaveUp) << "closing the main window left the program running";
}

TEST_F(MainFormTest, LimitFieldsAndClocksAreNamedForAssistiveTechnology) {
  QAccessibleInterface* field = QAccessible::queryAccessibleInterface(form.FSPause);
  ASSERT_NE(field, nullptr);
  EXPECT_EQ(field->text(QAccessible::Name), "Pause time (minutes)");
  ASSERT_NE(field->valueInterface(), nullptr);
  field->valueInterface()->setCurrentValue(7);
  EXPECT_EQ(Limits().Pause, 7) << "a value set by assistive technology counts at once";
  form.B_Start->click();
  Tick(30s);
  FireInput(KeyboardTestHook);
  ASSERT_TRUE(ProcessEventsUntil([&] { return MainFormTestAccess::Breaks(form).LastInput() == clock.Now(); }));
  Tick(35s);
  for (QLabel* clock : {form.StaticText2, form.StaticText1}) {
    QAccessibleInterface* clockText = QAccessible::queryAccessibleInterface(clock);
    ASSERT_NE(clockText, nullptr);
    EXPECT_EQ(clockText->text(QAccessible::Name), clock == form.StaticText2 ? "Activity time" : "Idle time");
    EXPECT_EQ(clockText->text(QAccessible::Value), clock == form.StaticText2 ? "00:01:05" : "00:00:35");
    QAccessibleTextInterface* shown = clockText->textInterface();
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->text(0, shown->characterCount()), clock->text());
  }
}

// A screen reader offers the radios' toggle action, which checks a radio
// without a click: the mode follows all the same, both ways.
TEST_F(MainFormTest, TheSetupModeFollowsTheRadiosToggledByAssistiveTechnology) {
  form.S_web->click();
  const auto expectMode = [&](TSetupMode mode) {
    const bool manual = mode == smManual;
    EXPECT_EQ(form.R_manuale->isChecked(), manual);
    EXPECT_EQ(form.R_auto->isChecked(), !manual);
    for (QWidget* field : std::initializer_list<QWidget*>{form.FSActivity, form.FSPause, form.FSTimeout, form.L_act,
                                                          form.L_pause, form.L_idle})
      EXPECT_EQ(field->isEnabled(), manual) << "a limit field or its label, in mode " << mode;
    for (QPushButton* button : {form.S_626, form.S_generic, form.S_web, form.S_pgm})
      EXPECT_EQ(button->isEnabled(), !manual) << "a profile button, in mode " << mode;
  };

  ASSERT_NO_FATAL_FAILURE(ToggleAsAScreenReader(form.R_manuale));
  expectMode(smManual);
  EXPECT_EQ(Limits(), (TBreakLimits{120, 15, 5})) << "the mode changes only what is editable";
  ASSERT_NO_FATAL_FAILURE(ToggleAsAScreenReader(form.R_auto));
  expectMode(smAuto);
}
