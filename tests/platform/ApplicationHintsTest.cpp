#include <gtest/gtest.h>

#include <QHelpEvent>
#include <QTest>
#include <QToolTip>
#include <QWidget>
#include <functional>
#include <stdexcept>
#include <vector>

#include "ApplicationHintsTestAccess.h"
#include "EventLoopWaits.h"
#include "Pixels.h"
#include "platform/Application.h"
#include "platform/Hint.h"

using namespace pausalo;
using namespace pausalo::testing;

namespace {

// A hint window that remembers how it was activated.
class RecordingHintWindow final : public THintWindow {
  Q_OBJECT

 public:
  void ActivateHint(const QRect& rect, const QString& hint) override {
    proposed = rect;
    THintWindow::ActivateHint(rect, hint);
  }
  QRect proposed;
};

// A widget that tells whether Qt's tooltip request reached it.
class ToolTipProbe final : public QWidget {
 public:
  using QWidget::QWidget;
  bool reached = false;

 protected:
  bool event(QEvent* event) override {
    if (event->type() == QEvent::ToolTip) reached = true;
    return QWidget::event(event);
  }
};

class ApplicationHintsTest : public ::testing::Test {
 protected:
  ApplicationHintsTest() {
    application.SetHintWindowClass(&MakeHintWindow<RecordingHintWindow>);
    application.SetHintPause(30);
    application.SetHintShortPause(5);
    application.SetHintHidePause(0);
    form.setGeometry(0, 0, 300, 200);
    first.setGeometry(10, 10, 60, 30);
    first.setToolTip("Tip one");
    second.setGeometry(100, 10, 60, 30);
    second.setToolTip("Tip two");
    bare.setGeometry(10, 100, 60, 30);
    form.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&form));
    // Start away from the tooltips: a move to where the cursor already is
    // would bring no event.
    QTest::mouseMove(&form, QPoint(290, 190));
  }

  ApplicationHints& Hints() { return application.Hints(); }
  RecordingHintWindow* Window() {
    return qobject_cast<RecordingHintWindow*>(ApplicationHintsTestAccess::HintWindow(Hints()));
  }
  bool WaitForHint(const QString& text) {
    return ProcessEventsUntil(
        [&] { return Hints().HintShowing() && ApplicationHintsTestAccess::HintWindow(Hints())->Caption() == text; });
  }

  TApplication application;
  QWidget form;
  QWidget first{&form};
  QWidget second{&form};
  ToolTipProbe bare{&form};
};

}  // namespace

TEST_F(ApplicationHintsTest, ATooltipShowsInAWindowOfTheHintClassAfterTheCursorRests) {
  EXPECT_EQ(ApplicationHintsTestAccess::HintWindow(Hints()), nullptr) << "made at the first hint";
  QTest::mouseMove(&first, QPoint(5, 6));
  EXPECT_EQ(ApplicationHintsTestAccess::PendingHintPause(Hints()), 30);
  ASSERT_TRUE(WaitForHint("Tip one"));
  ASSERT_NE(Window(), nullptr);
  EXPECT_EQ(Window()->proposed.left(), first.mapToGlobal(QPoint(5, 6)).x()) << "the proposal starts at the cursor";
  EXPECT_GT(Window()->proposed.top(), first.mapToGlobal(QPoint(5, 6)).y()) << "and below it";
}

TEST_F(ApplicationHintsTest, MovingWithinTheControlKeepsTheHintAndMovingOnFollowsAfterTheShortPause) {
  QTest::mouseMove(&first, QPoint(5, 6));
  ASSERT_TRUE(WaitForHint("Tip one"));
  QTest::mouseMove(&first, QPoint(20, 8));
  EXPECT_TRUE(Hints().HintShowing());
  EXPECT_EQ(ApplicationHintsTestAccess::PendingHintPause(Hints()), -1);

  QTest::mouseMove(&second, QPoint(5, 6));
  EXPECT_FALSE(Hints().HintShowing()) << "the old hint goes at once";
  EXPECT_EQ(ApplicationHintsTestAccess::PendingHintPause(Hints()), 5);
  EXPECT_TRUE(WaitForHint("Tip two"));

  QTest::mouseMove(&bare, QPoint(5, 6));
  EXPECT_FALSE(Hints().HintShowing());
  EXPECT_EQ(ApplicationHintsTestAccess::PendingHintPause(Hints()), -1) << "no tooltip, no hint";
}

TEST_F(ApplicationHintsTest, TheShowHintHandlerCanChangeTheTextOrSuppressTheHint) {
  std::vector<THintInfo> seen;
  application.OnShowHint = [&](QString& text, bool& canShow, THintInfo& info) {
    seen.push_back(info);
    if (info.HintControl == &first) {
      text = "Changed";
      info.HintColor = clLime;
    }
    if (info.HintControl == &second) canShow = false;
  };
  QTest::mouseMove(&first, QPoint(5, 6));
  ASSERT_TRUE(WaitForHint("Changed"));
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].CursorPos, QPoint(5, 6));
  EXPECT_EQ(seen[0].CursorRect, first.rect());
  EXPECT_EQ(seen[0].HideTimeout, 0);
  EXPECT_EQ(seen[0].HintColor, clInfoBk);
  EXPECT_EQ(Render(*ApplicationHintsTestAccess::HintWindow(Hints())).pixelColor(1, 1), QColor(0, 255, 0))
      << "filled in HintColor";

  QTest::mouseMove(&second, QPoint(5, 6));
  ASSERT_TRUE(ProcessEventsUntil([&] { return seen.size() == 2; }));
  QTest::qWait(20);
  EXPECT_FALSE(Hints().HintShowing());
}

TEST_F(ApplicationHintsTest, AHandlerThatThrowsIsReportedAndNoHintShows) {
  std::vector<std::string> shown;
  application.OnException = [&](const std::exception& error) { shown.push_back(error.what()); };
  application.OnShowHint = [](QString&, bool&, THintInfo&) { throw std::runtime_error("handler failed"); };
  QTest::mouseMove(&first, QPoint(5, 6));
  ASSERT_TRUE(ProcessEventsUntil([&] { return !shown.empty(); }));
  EXPECT_EQ(shown, std::vector<std::string>{"handler failed"});
  EXPECT_FALSE(Hints().HintShowing());
}

TEST_F(ApplicationHintsTest, AHintGoesAfterItsHideTimeoutAndDoesNotReturnOnTheSameControl) {
  application.OnShowHint = [](QString&, bool&, THintInfo& info) { info.HideTimeout = 20; };
  QTest::mouseMove(&first, QPoint(5, 6));
  ASSERT_TRUE(WaitForHint("Tip one"));
  ASSERT_TRUE(ProcessEventsUntil([&] { return !Hints().HintShowing(); }));
  QTest::mouseMove(&first, QPoint(9, 9));
  EXPECT_EQ(ApplicationHintsTestAccess::PendingHintPause(Hints()), -1);
  QTest::mouseMove(&second, QPoint(5, 6));
  EXPECT_EQ(ApplicationHintsTestAccess::PendingHintPause(Hints()), 30) << "no hint up: the full pause";
}

TEST_F(ApplicationHintsTest, AClickOrAKeyCancelsTheHintUpOrPending) {
  const std::function<void()> inputs[] = {[&] { QTest::mouseClick(&first, Qt::LeftButton, {}, QPoint(5, 6)); },
                                          [&] { QTest::keyClick(&form, Qt::Key_A); }};
  for (const auto& input : inputs) {
    QTest::mouseMove(&first, QPoint(5, 6));
    ASSERT_TRUE(WaitForHint("Tip one"));
    input();
    EXPECT_FALSE(Hints().HintShowing());
    QTest::mouseMove(&first, QPoint(6, 6));
    EXPECT_EQ(ApplicationHintsTestAccess::PendingHintPause(Hints()), -1) << "not again on the same control";

    QTest::mouseMove(&second, QPoint(5, 6));
    ASSERT_EQ(ApplicationHintsTestAccess::PendingHintPause(Hints()), 30);
    input();
    EXPECT_EQ(ApplicationHintsTestAccess::PendingHintPause(Hints()), -1) << "the pending hint stays";
  }
}

TEST_F(ApplicationHintsTest, TheShowHintSwitchStopsHintsAndRenewsTheWindow) {
  QTest::mouseMove(&first, QPoint(5, 6));
  ASSERT_TRUE(WaitForHint("Tip one"));
  application.SetShowHint(false);
  EXPECT_EQ(ApplicationHintsTestAccess::HintWindow(Hints()), nullptr);
  QTest::mouseMove(&second, QPoint(5, 6));
  EXPECT_EQ(ApplicationHintsTestAccess::PendingHintPause(Hints()), -1);

  application.SetHintWindowClass(&MakeHintWindow<THintWindow>);
  application.SetShowHint(true);
  QTest::mouseMove(&first, QPoint(5, 6));
  ASSERT_TRUE(WaitForHint("Tip one"));
  EXPECT_EQ(Window(), nullptr) << "a fresh window of the new class";
}

TEST_F(ApplicationHintsTest, QtsOwnTooltipStaysAwayFromControlsWithAHint) {
  const QPoint inside(5, 5);
  QHelpEvent request(QEvent::ToolTip, inside, first.mapToGlobal(inside));
  QApplication::sendEvent(&first, &request);
  EXPECT_FALSE(QToolTip::isVisible());

  QHelpEvent bareRequest(QEvent::ToolTip, inside, bare.mapToGlobal(inside));
  QApplication::sendEvent(&bare, &bareRequest);
  EXPECT_TRUE(bare.reached) << "a control without a tooltip handles the request itself";
}

#include "ApplicationHintsTest.moc"
