// The flat hint on a real X server: the pointer moved by the server,
// Qt's own mouse events, a real popup window.
#include <gtest/gtest.h>

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <QTest>

#include "ApplicationHintsTestAccess.h"
#include "EventLoopWaits.h"
#include "Pixels.h"
#include "platform/Application.h"
#include "widgets/FlatHint.h"

using namespace pausalo;
using namespace pausalo::testing;

TEST(FlatHintX11Test, AClockHintShowsFlatNextToThePointerAndGoesWhenThePointerMovesOff) {
  TApplication application;
  QWidget form;
  form.setGeometry(100, 100, 300, 200);
  QWidget clock(&form);
  clock.setGeometry(50, 50, 100, 25);
  clock.setToolTip("Secondi trascorsi di attività");
  auto* hint = new TFlatHint(&form);
  application.SetHintPause(10);
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));

  QCursor::setPos(form.mapToGlobal(QPoint(280, 180)));
  QTest::qWait(50);
  const QPoint pointer = clock.mapToGlobal(QPoint(20, 10));
  QCursor::setPos(pointer);
  ASSERT_TRUE(ProcessEventsUntil([&] { return application.Hints().HintShowing(); }));
  auto* window = qobject_cast<TFlatHintWindow*>(ApplicationHintsTestAccess::HintWindow(application.Hints()));
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(window->Caption(), "Secondi trascorsi di attività");
  EXPECT_EQ(window->Corner(), ArrowCorner::TopLeft);
  ASSERT_TRUE(ProcessEventsUntil([&] { return window->geometry().topLeft() == pointer + QPoint(12, 12); }))
      << "at " << window->geometry().x() << "," << window->geometry().y();

  // What the server shows: the outline and the strip.
  QTest::qWait(100);
  const QRect bounds = window->geometry();
  const QImage shown = QGuiApplication::primaryScreen()
                           ->grabWindow(0, bounds.x(), bounds.y(), bounds.width(), bounds.height())
                           .toImage();
  EXPECT_EQ(shown.pixelColor(0, 0), ToQColor(hint->ColorBorder()));
  EXPECT_EQ(shown.pixelColor(1, bounds.height() - 2), ToQColor(hint->ColorArrowBackground()));
  EXPECT_EQ(shown.pixelColor(bounds.width() - 2, bounds.height() - 2), ToQColor(hint->ColorBackground()));

  QCursor::setPos(form.mapToGlobal(QPoint(280, 180)));
  EXPECT_TRUE(ProcessEventsUntil([&] { return !window->isVisible(); }));
}
