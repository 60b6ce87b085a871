#include <gtest/gtest.h>

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QCursor>
#include <QDialog>
#include <QEnterEvent>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QTimer>
#include <limits>

#include "ManualTimer.h"
#include "WidgetTestAccess.h"
#include "WidgetTestSupport.h"
#include "widgets/FlatSpinEditInteger.h"

using namespace pausalo;
using namespace pausalo::testing;

namespace {

constexpr std::int32_t Max32 = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t Min32 = std::numeric_limits<std::int32_t>::min();

// A spin edit that counts its beeps instead of sounding them.
class CountingSpinEdit : public TFlatSpinEditInteger {
 public:
  using TFlatSpinEditInteger::MinimumHeight;
  using TFlatSpinEditInteger::TFlatSpinEditInteger;
  int beeps = 0;

 protected:
  void Beep() override { ++beeps; }
};

// The captions (without shortcuts) of the items that the edit's context menu offers enabled.
QStringList OfferedByContextMenu(QWidget& edit) {
  QStringList offered;
  QTimer::singleShot(0, [&offered] {
    if (QWidget* menu = QApplication::activePopupWidget()) {
      for (const QAction* action : menu->actions())
        if (action->isEnabled()) offered << action->text().section(u'\t', 0, 0);
      menu->close();
    }
  });
  QContextMenuEvent request(QContextMenuEvent::Keyboard, QPoint(5, 5), edit.mapToGlobal(QPoint(5, 5)));
  QApplication::sendEvent(&edit, &request);
  QApplication::processEvents();
  return offered;
}

// Set up as the Setup page stores its limit fields.
void Configure(TFlatSpinEditInteger& edit, int top, std::int32_t min, std::int32_t max, std::int32_t value) {
  edit.setGeometry(213, top, 57, 23);
  edit.SetColorFocused(clBtnFace);
  edit.SetColorFlat(clWhite);
  QFont font("MS Sans Serif");
  font.setPixelSize(13);
  font.setBold(true);
  edit.SetFont(font);
  edit.SetFontColor(clRed);
  edit.SetMaxValue(max);
  edit.SetMinValue(min);
  edit.SetValue(value);
  edit.Loaded();
}

class FlatSpinEditIntegerTest : public ::testing::Test {
 protected:
  FlatSpinEditIntegerTest() {
    Configure(activity, 10, 1, 240, 120);
    Configure(pause, 40, 1, 30, 15);
    other.setGeometry(10, 80, 50, 20);
    for (TTimerSpeedButton* arrow : {SpinButtonTestAccess::UpButton(*activity.SpinButton()),
                                     SpinButtonTestAccess::DownButton(*activity.SpinButton())}) {
      arrow->SetTimerFactory(clock.Factory());
    }
  }
  ~FlatSpinEditIntegerTest() override { Deactivate(); }

  // Focuses the field, replaces its text and leaves it again.
  void TypeAndLeave(TFlatSpinEditInteger& edit, const QString& text) {
    edit.setFocus();
    edit.setText(text);
    other.setFocus();
  }

  ManualClock clock;
  Host host;
  CountingSpinEdit activity{&host};
  CountingSpinEdit pause{&host};
  QLineEdit other{&host};
};

}  // namespace

TEST_F(FlatSpinEditIntegerTest, LoadedValuesAreClampedAgainstTheLimits) {
  EXPECT_EQ(activity.text(), "120");
  TFlatSpinEditInteger timeout(&host);
  Configure(timeout, 70, 1, 10, 30);
  EXPECT_EQ(timeout.text(), "10");
  // Changing a limit later leaves the text alone.
  timeout.SetMaxValue(5);
  EXPECT_EQ(timeout.Value(), 10);
}

TEST_F(FlatSpinEditIntegerTest, ReadingParsesWithoutClamping) {
  const std::pair<QString, std::int32_t> reads[] = {
      {"0", 0},   {"500", 500}, {"-3", -3},  {"", 1},    {" 42", 42},  {"42 ", 1},
      {"4 2", 1}, {"+7", 7},    {"$1F", 31}, {"1.5", 1}, {"0x10", 16}, {"--1", 1},
  };
  for (const auto& [text, value] : reads) {
    activity.setText(text);
    EXPECT_EQ(activity.Value(), value) << text.toStdString();
    EXPECT_EQ(activity.text(), text);
  }
}

TEST_F(FlatSpinEditIntegerTest, LeavingTheFieldBringsTheNumberIntoRange) {
  ASSERT_TRUE(host.Activate());
  QString seenOnExit;
  activity.OnExit = [&](QObject*) { seenOnExit = activity.text(); };
  TypeAndLeave(activity, "500");
  EXPECT_EQ(seenOnExit, "500");
  EXPECT_EQ(activity.text(), "240");
  TypeAndLeave(activity, "0");
  EXPECT_EQ(activity.text(), "1");
  TypeAndLeave(pause, "-3");
  EXPECT_EQ(pause.text(), "1");
  for (const QString kept : {"", "1.5", "abc"}) {
    TypeAndLeave(activity, kept);
    EXPECT_EQ(activity.text(), kept);
    EXPECT_EQ(activity.Value(), 1);
  }
}

TEST_F(FlatSpinEditIntegerTest, APopupOrAnotherApplicationTakingTheFocusDoesNotCountAsLeaving) {
  ASSERT_TRUE(host.Activate());
  activity.setFocus();
  activity.setText("500");
  int exits = 0, enters = 0;
  activity.OnExit = [&](QObject*) { ++exits; };
  activity.OnEnter = [&](QObject*) { ++enters; };
  QMenu popup(&host);
  popup.addAction("Item");
  popup.popup(host.mapToGlobal(QPoint(20, 20)));
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&popup));
  popup.close();
  QApplication::processEvents();
  EXPECT_TRUE(activity.hasFocus());
  EXPECT_EQ(activity.text(), "500") << "not clamped";
  EXPECT_EQ(activity.selectedText(), "") << "not selected";
  SetActiveWindow(nullptr);
  EXPECT_EQ(activity.text(), "500");
  EXPECT_EQ(exits + enters, 0);
}

TEST_F(FlatSpinEditIntegerTest, TheFontColourHoldsInAnInactiveWindowButNotWhileDisabled) {
  activity.SetFont(BlockFont());
  activity.setText(kBlock);
  const auto redPixels = [&] { return CountPixels(Render(activity), Qt::red, activity.rect()); };
  ASSERT_TRUE(host.Activate());
  EXPECT_EQ(redPixels(), kCharWidth * kLineHeight) << "active";
  SetActiveWindow(nullptr);
  EXPECT_EQ(redPixels(), kCharWidth * kLineHeight) << "inactive";
  activity.SetEnabled(false);
  EXPECT_EQ(redPixels(), 0) << "the text is drawn as disabled";
}

TEST_F(FlatSpinEditIntegerTest, WritingClamps) {
  TFlatSpinEditInteger fresh;
  EXPECT_EQ(fresh.text(), "0");
  fresh.SetValue(-5);
  EXPECT_EQ(fresh.text(), "-5");

  fresh.SetMinValue(10);
  fresh.SetMaxValue(5);
  const std::pair<std::int32_t, QString> writes[] = {{3, "10"}, {7, "10"}, {10, "5"}, {20, "5"}};
  for (const auto& [value, text] : writes) {
    fresh.SetValue(value);
    EXPECT_EQ(fresh.text(), text) << value;
  }
}

TEST_F(FlatSpinEditIntegerTest, StepsStayInRangeAndCountUnparsableTextAsTheMinimum) {
  activity.setText("240");
  activity.StepUp();
  EXPECT_EQ(activity.text(), "240");
  activity.setText("");
  activity.StepUp();
  EXPECT_EQ(activity.text(), "2");
  activity.setText("");
  activity.StepDown();
  EXPECT_EQ(activity.text(), "1");
}

TEST_F(FlatSpinEditIntegerTest, StepsSaturateAtTheEndsOfTheIntegerRange) {
  CountingSpinEdit open(&host);
  open.SetValue(Max32);
  open.StepUp();
  EXPECT_EQ(open.Value(), Max32);
  open.SetValue(Min32);
  open.StepDown();
  EXPECT_EQ(open.Value(), Min32);
  open.SetIncrement(Min32);
  open.SetValue(-1);
  open.StepDown();
  EXPECT_EQ(open.Value(), Max32);
  open.SetIncrement(10);
  open.SetValue(Max32 - 3);
  open.StepUp();
  EXPECT_EQ(open.Value(), Max32);
}

TEST_F(FlatSpinEditIntegerTest, ArrowKeysStepBeforeOnKeyDown) {
  ASSERT_TRUE(host.Activate());
  activity.setFocus();
  QString seenOnKeyDown;
  activity.OnKeyDown = [&](QObject*, int&, TShiftState) { seenOnKeyDown = activity.text(); };
  QTest::keyClick(&activity, Qt::Key_Up);
  EXPECT_EQ(activity.text(), "121");
  EXPECT_EQ(seenOnKeyDown, "121");
  QTest::keyClick(&activity, Qt::Key_Down);
  QTest::keyClick(&activity, Qt::Key_Down);
  EXPECT_EQ(activity.text(), "119");
}

TEST_F(FlatSpinEditIntegerTest, ReadOnlyBeepsInsteadOfStepping) {
  ASSERT_TRUE(host.Activate());
  activity.SetReadOnly(true);
  activity.setFocus();
  QTest::keyClick(&activity, Qt::Key_Up);
  QTest::mouseClick(SpinButtonTestAccess::DownButton(*activity.SpinButton()), Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_EQ(activity.text(), "120");
  EXPECT_EQ(activity.beeps, 2);
}

TEST_F(FlatSpinEditIntegerTest, FilterAcceptsDigitsSignsAndTheDecimalSeparator) {
  for (const char16_t accepted : {u'0', u'9', u'+', u'-', u'.', char16_t(8), char16_t(9), char16_t(27), char16_t(1)}) {
    EXPECT_TRUE(activity.AcceptsChar(QChar(accepted))) << int(accepted);
  }
  for (const char16_t refused : {u'a', u' ', u',', u'$', char16_t(13), u'\u00e9'}) {
    EXPECT_FALSE(activity.AcceptsChar(QChar(refused))) << int(refused);
  }
  QLocale::setDefault(QLocale(QLocale::German));
  EXPECT_TRUE(activity.AcceptsChar(u','));
  EXPECT_FALSE(activity.AcceptsChar(u'.'));
  QLocale::setDefault(QLocale::c());
}

TEST_F(FlatSpinEditIntegerTest, WithoutTheEditorOnlyControlCharactersPass) {
  activity.SetEditorEnabled(false);
  for (const char16_t refused : {u'0', u'-', char16_t(8), char16_t(13)}) {
    EXPECT_FALSE(activity.AcceptsChar(QChar(refused))) << int(refused);
  }
  for (const char16_t accepted : {char16_t(9), char16_t(27), char16_t(1)}) {
    EXPECT_TRUE(activity.AcceptsChar(QChar(accepted))) << int(accepted);
  }
}

TEST_F(FlatSpinEditIntegerTest, RefusedKeysBeepAndInsertNothing) {
  ASSERT_TRUE(host.Activate());
  activity.setFocus();
  activity.setText("");
  QTest::keyClicks(&activity, "1a2");
  QTest::keyClick(&activity, Qt::Key_Return);
  EXPECT_EQ(activity.text(), "12");
  EXPECT_EQ(activity.beeps, 2);
  // Text committed by an input method is filtered character by character.
  const auto commit = [&](const QString& text) {
    QInputMethodEvent composed;
    composed.setCommitString(text);
    QApplication::sendEvent(&activity, &composed);
  };
  commit("3b4");
  EXPECT_EQ(activity.text(), "1234");
  EXPECT_EQ(activity.beeps, 3);

  activity.SetEditorEnabled(false);
  QTest::keyClick(&activity, Qt::Key_3);
  QTest::keyClick(&activity, Qt::Key_Backspace);
  commit("5");
  EXPECT_EQ(activity.text(), "1234");
  EXPECT_EQ(activity.beeps, 6);
  QTest::keyClick(&activity, Qt::Key_Up);  // the arrows still step
  EXPECT_EQ(activity.text(), "240");
  EXPECT_EQ(activity.beeps, 6);
}

TEST_F(FlatSpinEditIntegerTest, OnKeyPressMayReplaceOrDropACharacter) {
  ASSERT_TRUE(host.Activate());
  activity.setFocus();
  activity.setText("");
  activity.OnKeyPress = [](QObject*, QChar& key) {
    if (key == u'1') key = u'7';
    if (key == u'2') key = QChar();
  };
  QTest::keyClicks(&activity, "123");
  EXPECT_EQ(activity.text(), "73");
}

TEST_F(FlatSpinEditIntegerTest, PasteNeedsTheEditorAndAWritableField) {
  ASSERT_TRUE(host.Activate());
  QApplication::clipboard()->setText("$1F");
  activity.setFocus();

  activity.SetEditorEnabled(false);
  activity.selectAll();
  const QStringList withoutEditor = OfferedByContextMenu(activity);
  EXPECT_TRUE(withoutEditor.contains(QLineEdit::tr("&Copy")));
  EXPECT_FALSE(withoutEditor.contains(QLineEdit::tr("Cu&t")));
  EXPECT_FALSE(withoutEditor.contains(QLineEdit::tr("&Paste")));
  QTest::keyClick(&activity, Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(activity.text(), "120");
  activity.selectAll();
  QTest::keyClick(&activity, Qt::Key_X, Qt::ControlModifier);
  EXPECT_EQ(activity.text(), "120");

  activity.SetEditorEnabled(true);
  activity.SetReadOnly(true);
  QTest::keyClick(&activity, Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(activity.text(), "120");
  EXPECT_EQ(activity.beeps, 0);

  activity.SetReadOnly(false);
  activity.selectAll();
  const QStringList withEditor = OfferedByContextMenu(activity);
  EXPECT_TRUE(withEditor.contains(QLineEdit::tr("Cu&t")));
  EXPECT_TRUE(withEditor.contains(QLineEdit::tr("&Paste")));
  QTest::keyClick(&activity, Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(activity.text(), "$1F");
  EXPECT_EQ(activity.Value(), 31);
}

TEST_F(FlatSpinEditIntegerTest, HeightFollowsTheFontWithOneMorePixel) {
  const int textHeight = QFontMetrics(activity.font()).height();
  EXPECT_EQ(activity.MinimumHeight(), textHeight + 7);
  EXPECT_EQ(activity.height(), textHeight + 7);
  activity.resize(57, 10);
  EXPECT_EQ(activity.height(), textHeight + 7);
  activity.resize(57, 40);
  EXPECT_EQ(activity.height(), 40);
  QFont larger = activity.font();
  larger.setPixelSize(20);
  activity.SetFont(larger);
  EXPECT_EQ(activity.height(), QFontMetrics(larger).height() + 7);
}

TEST_F(FlatSpinEditIntegerTest, ArrowsFillTheClientHeightAtTheRightEdge) {
  ASSERT_TRUE(host.Activate());
  activity.resize(57, 40);
  const TSpinButton& spin = *activity.SpinButton();
  EXPECT_EQ(spin.geometry(), QRect(3 + 57 - 22 - 5, 3, 22, 34));
  EXPECT_EQ(spin.mask().boundingRect(), QRect(0, 0, 21, 34));  // the last column is clipped
  EXPECT_EQ(activity.textMargins(), QMargins(0, 0, 25, 0));
  // Down arrow glyph at (13, 34 - 7) inside the spin button.
  const QImage image = Render(activity);
  EXPECT_EQ(PixelAt(image, 33 + 13, 3 + 28), clBlack);
  EXPECT_EQ(PixelAt(image, 33 + 15, 3 + 30), clBlack);
  EXPECT_EQ(PixelAt(image, 33 + 5, 3 + 3), clBlack);
  EXPECT_EQ(PixelAt(image, 56, 20), 0x8396A0);
}

TEST_F(FlatSpinEditIntegerTest, ArrowFacesShowTheFieldsBackground) {
  ASSERT_TRUE(host.Activate());
  other.setFocus();
  // The up arrow's face inside the spin button at (33, 3).
  EXPECT_EQ(PixelAt(Render(activity), 33 + 2, 3 + 8), clWhite);
  activity.setFocus();
  EXPECT_EQ(PixelAt(Render(activity), 33 + 2, 3 + 8), ColorToRGB(clBtnFace));
  EXPECT_EQ(PixelAt(Render(activity), 33, 3), 0x8396A0);
}

TEST_F(FlatSpinEditIntegerTest, PointerOnTheArrowsKeepsTheHoveredLook) {
  ASSERT_TRUE(host.Activate());
  other.setFocus();
  const auto movePointer = [](QWidget& widget, QPoint at) {
    QCursor::setPos(widget.mapToGlobal(at));
    QApplication::processEvents();
  };
  movePointer(activity, QPoint(10, 8));
  EXPECT_EQ(activity.Color(), ColorToRGB(clBtnFace));
  movePointer(*SpinButtonTestAccess::DownButton(*activity.SpinButton()), QPoint(5, 5));
  EXPECT_EQ(activity.Color(), ColorToRGB(clBtnFace));
  movePointer(host, QPoint(150, 110));
  EXPECT_EQ(activity.Color(), clWhite);
}

TEST_F(FlatSpinEditIntegerTest, DisabledFieldTakesWritesAndKeepsItsArrowsEnabled) {
  ASSERT_TRUE(host.Activate());
  TFlatSpinEditInteger timeout(&host);
  Configure(timeout, 70, 1, 10, 3);
  timeout.SetEnabled(false);
  timeout.SetValue(4);
  EXPECT_EQ(timeout.text(), "4");
  EXPECT_TRUE(SpinButtonTestAccess::UpButton(*timeout.SpinButton())->Enabled());

  QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
  QApplication::sendEvent(&timeout, &enter);
  EXPECT_EQ(timeout.Color(), ColorToRGB(clBtnFace));
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(&timeout, &leave);
  EXPECT_EQ(timeout.Color(), clWhite);
}

TEST_F(FlatSpinEditIntegerTest, PressingAnArrowFocusesTheFieldBeforeTheStep) {
  ASSERT_TRUE(host.Activate());
  other.setFocus();
  bool focusedAtClick = false;
  activity.OnChange = [&](QObject* sender) {
    EXPECT_EQ(sender, &activity);
    focusedAtClick = activity.hasFocus();
  };
  TTimerSpeedButton* up = SpinButtonTestAccess::UpButton(*activity.SpinButton());
  QCursor::setPos(up->mapToGlobal(QPoint(5, 5)));
  QApplication::processEvents();
  QTest::mousePress(up, Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_TRUE(activity.hasFocus());
  EXPECT_EQ(activity.selectedText(), "120");
  QTest::mouseRelease(up, Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_EQ(activity.text(), "121");
  EXPECT_TRUE(focusedAtClick);
}

TEST_F(FlatSpinEditIntegerTest, HoldingAnArrowRepeatsTheStepUntilAModalWindowTakesTheMouse) {
  ASSERT_TRUE(host.Activate());
  TTimerSpeedButton* up = SpinButtonTestAccess::UpButton(*activity.SpinButton());
  QTest::mousePress(up, Qt::LeftButton, {}, QPoint(5, 5));
  clock.Advance(1000);
  QTest::mouseRelease(up, Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_EQ(activity.text(), "128");

  // The release of an arrow held while a modal window opens goes to that window.
  QTest::mousePress(up, Qt::LeftButton, {}, QPoint(5, 5));
  clock.Advance(400);
  EXPECT_EQ(activity.text(), "129");
  QDialog dialog(&host);
  dialog.setWindowModality(Qt::ApplicationModal);
  dialog.show();
  QApplication::processEvents();
  clock.Advance(1000);
  EXPECT_EQ(activity.text(), "129");
  EXPECT_EQ(up->State(), TButtonState::bsUp);
  dialog.hide();
  QApplication::processEvents();
  clock.Advance(1000);
  EXPECT_EQ(activity.text(), "129");
}

TEST_F(FlatSpinEditIntegerTest, TabbingInSelectsTheText) {
  ASSERT_TRUE(host.Activate());
  other.setFocus();
  activity.SetAutoSelect(false);
  activity.setFocus(Qt::OtherFocusReason);
  EXPECT_EQ(activity.selectedText(), "");
  other.setFocus();
  activity.SetAutoSelect(true);
  activity.setFocus(Qt::OtherFocusReason);
  EXPECT_EQ(activity.selectedText(), "120");
}

TEST_F(FlatSpinEditIntegerTest, AssistiveTechnologySeesANamedSpinBox) {
  QLabel label("&Working time:", &host);
  label.setBuddy(&activity);
  QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&activity);
  ASSERT_NE(accessible, nullptr);
  EXPECT_EQ(accessible->role(), QAccessible::SpinBox);
  EXPECT_EQ(accessible->text(QAccessible::Name), "Working time:");
  EXPECT_EQ(accessible->text(QAccessible::Value), "120");

  QAccessibleValueInterface* value = accessible->valueInterface();
  ASSERT_NE(value, nullptr);
  EXPECT_EQ(value->currentValue().toInt(), 120);
  EXPECT_EQ(value->minimumValue().toInt(), 1);
  EXPECT_EQ(value->maximumValue().toInt(), 240);
  value->setCurrentValue(500);
  EXPECT_EQ(activity.text(), "240");
  value->setCurrentValue(qlonglong(1) << 40);
  EXPECT_EQ(activity.text(), "240");
  value->setCurrentValue(QString("oops"));
  EXPECT_EQ(activity.text(), "240");

  // Equal limits leave the value unbounded.
  activity.SetMinValue(0);
  activity.SetMaxValue(0);
  EXPECT_EQ(value->minimumValue().toInt(), std::numeric_limits<std::int32_t>::min());
  EXPECT_EQ(value->maximumValue().toInt(), std::numeric_limits<std::int32_t>::max());

  pause.setAccessibleName("Pause");
  EXPECT_EQ(QAccessible::queryAccessibleInterface(&pause)->text(QAccessible::Name), "Pause");
}
