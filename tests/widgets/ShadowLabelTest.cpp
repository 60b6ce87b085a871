#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QShortcut>
#include <QTest>
#include <memory>

#include "Pixels.h"
#include "WidgetTestSupport.h"
#include "platform/Application.h"
#include "widgets/ShadowLabel.h"

using namespace pausalo;
using namespace pausalo::testing;

namespace {

const QColor kFormColor(0, 0, 128);
const QColor kTextColor(255, 0, 0);
const QColor kShadowColor(0, 255, 0);

const QString kTwoBlocks = kBlock + kBlock;

// Where a shadow shows: its box, less the text over it, clipped to the label.
QRect VisibleShadow(const QRect& shadow, const QRect& text, const QRect& label) {
  QRect visible;
  for (int y = shadow.top(); y <= shadow.bottom(); ++y) {
    for (int x = shadow.left(); x <= shadow.right(); ++x) {
      if (!text.contains(x, y) && label.contains(x, y)) visible |= QRect(x, y, 1, 1);
    }
  }
  return visible;
}

bool GoesRight(TShadowPosition position) { return position == spRightBottom || position == spRightTop; }
bool GoesDown(TShadowPosition position) { return position == spLeftBottom || position == spRightBottom; }

class ShadowLabelTest : public ::testing::Test {
 protected:
  ShadowLabelTest() {
    form.setGeometry(0, 0, 240, 140);
    QPalette palette = form.palette();
    palette.setColor(QPalette::Window, kFormColor);
    form.setPalette(palette);
    form.setAutoFillBackground(true);
    label.move(40, 30);
    label.setFont(BlockFont());
    label.SetFontColor(FromQColor(kTextColor));
    label.SetShadowColor(FromQColor(kShadowColor));
  }

  void ShowForm() {
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
  }
  QImage Image() { return Render(form); }
  // Ink of a colour, in the form's coordinates.
  QRect Ink(const QColor& color) { return InkBox(Image(), color); }
  // The label at a fixed size, without auto size.
  void Fix(int width, int height) {
    label.SetAutoSize(false);
    label.resize(width, height);
  }

  QWidget form;
  TShadowLabel label{&form};
};

}  // namespace

TEST_F(ShadowLabelTest, StartsAsTheLayoutsExpect) {
  TShadowLabel fresh;
  EXPECT_EQ(fresh.size(), QSize(65, 17));
  EXPECT_TRUE(fresh.AutoSize());
  EXPECT_FALSE(fresh.Transparent());
  EXPECT_EQ(fresh.ShadowColor(), clBtnHighlight);
  EXPECT_EQ(fresh.ShadowSize(), 1);
  EXPECT_EQ(fresh.ShadowPos(), spLeftTop);
  EXPECT_EQ(fresh.Alignment(), taLeftJustify);
  EXPECT_EQ(fresh.Layout(), tlTop);
  EXPECT_TRUE(fresh.ShowAccelChar());
  EXPECT_FALSE(fresh.ShowFocus());
  EXPECT_FALSE(fresh.WordWrap());
  EXPECT_EQ(fresh.FocusControl(), nullptr);
}

TEST_F(ShadowLabelTest, AutoSizeCountsTheTextAndTheShadowOnlyWhereItGoesRightOrDown) {
  label.SetShadowSize(2);
  for (TShadowPosition position : {spLeftTop, spLeftBottom, spRightBottom, spRightTop}) {
    label.SetShadowPos(position);
    label.SetCaption("");
    label.SetCaption(kTwoBlocks);
    EXPECT_EQ(label.size(),
              QSize(2 * kCharWidth + 2 + (GoesRight(position) ? 2 : 0), kLineHeight + (GoesDown(position) ? 2 : 0)))
        << "position " << int(position);
    EXPECT_EQ(label.pos(), QPoint(40, 30));
  }
}

TEST_F(ShadowLabelTest, AnEmptyCaptionOrALoneAmpersandMeasuresOneSpace) {
  label.SetCaption("x");
  label.SetCaption("");
  EXPECT_EQ(label.size(), QSize(kCharWidth + 2, kLineHeight));

  label.SetCaption("&");
  EXPECT_EQ(label.size(), QSize(kCharWidth + 2, kLineHeight));
  EXPECT_TRUE(Ink(kTextColor).isEmpty()) << "the ampersand marks an (empty) accelerator";

  label.SetShowAccelChar(false);
  EXPECT_TRUE(InkBox(Image(), kTextColor).isValid()) << "shown as it is";
}

TEST_F(ShadowLabelTest, WithTopLayoutTheTextStartsOnePixelInAndTheShadowIsClippedToTheLabel) {
  label.SetCaption(kTwoBlocks);
  Fix(40, 25);
  label.SetShadowSize(2);
  const QRect labelRect(40, 30, 40, 25);
  const QRect text(41, 30, 2 * kCharWidth, kLineHeight);
  for (TShadowPosition position : {spLeftTop, spLeftBottom, spRightBottom, spRightTop}) {
    label.SetShadowPos(position);
    EXPECT_EQ(Ink(kTextColor), text) << "position " << int(position);
    EXPECT_EQ(Ink(kShadowColor), VisibleShadow(text.translated(ShadowOffset(position, 2)), text, labelRect))
        << "position " << int(position);
  }
}

TEST_F(ShadowLabelTest, ShadowSizeZeroLiesExactlyUnderTheText) {
  label.SetCaption(kTwoBlocks);
  label.SetShadowSize(0);
  EXPECT_EQ(Ink(kTextColor), QRect(41, 30, 2 * kCharWidth, kLineHeight));
  EXPECT_TRUE(Ink(kShadowColor).isEmpty());
  EXPECT_EQ(label.size(), QSize(2 * kCharWidth + 2, kLineHeight));
}

TEST_F(ShadowLabelTest, CentreAndBottomLayoutsMoveTheMeasuredBlockAndStartLinesAtTheLeftEdge) {
  label.SetCaption(kTwoBlocks);
  Fix(60, 40);
  label.SetShadowSize(2);

  // Upward shadow: the measured box runs from -2 to 13.
  label.SetLayout(tlCenter);
  EXPECT_EQ(Ink(kTextColor), QRect(40, 30 + 11, 2 * kCharWidth, kLineHeight));
  EXPECT_EQ(Ink(kShadowColor).top(), 30 + 9);
  EXPECT_EQ(Ink(kShadowColor).left(), 40) << "the shadow left of x = 0 is cut off";
  label.SetLayout(tlBottom);
  EXPECT_EQ(Ink(kTextColor), QRect(40, 30 + 25, 2 * kCharWidth, kLineHeight));

  // Downward shadow: the box runs from 0 to 15.
  label.SetShadowPos(spRightBottom);
  label.SetLayout(tlCenter);
  EXPECT_EQ(Ink(kTextColor), QRect(40, 30 + 12, 2 * kCharWidth, kLineHeight));
  EXPECT_EQ(Ink(kShadowColor), QRect(42 + 2 * kCharWidth - 2, 30 + 14, 2, kLineHeight)
                                   .united(QRect(42, 30 + 12 + kLineHeight, 2 * kCharWidth, 2)));
}

TEST_F(ShadowLabelTest, ATextBlockTallerThanTheLabelMovesUpWhenCentred) {
  label.SetCaption(kBlock + "\n ");
  Fix(30, 21);
  label.SetShadowSize(0);
  label.SetLayout(tlCenter);
  // (21 - 26) / 2 = -2, truncated toward zero: 11 rows of the first line show.
  EXPECT_EQ(Ink(kTextColor), QRect(40, 30, kCharWidth, 11));
}

TEST_F(ShadowLabelTest, ADisabledLabelIsEngravedOrKeepsItsOwnShadowInHighlightAndGreyText) {
  const QColor highlight = ToQColor(clBtnHighlight);
  const QColor grey = ToQColor(clGrayText);
  ASSERT_NE(highlight, grey);
  label.SetCaption(kTwoBlocks);
  Fix(40, 25);
  label.SetShadowSize(0);
  label.setEnabled(false);
  const QRect text(41, 30, 2 * kCharWidth, kLineHeight);
  EXPECT_EQ(Ink(grey), text);
  EXPECT_EQ(Ink(highlight), text.translated(1, 1)) << "engraved: one pixel right and down";
  EXPECT_TRUE(Ink(kShadowColor).isEmpty()) << "ShadowColor is not used";
  EXPECT_TRUE(Ink(kTextColor).isEmpty());

  label.SetShadowSize(2);
  label.SetShadowPos(spRightTop);
  EXPECT_EQ(Ink(grey), text);
  EXPECT_EQ(Ink(highlight), VisibleShadow(text.translated(2, -2), text, QRect(40, 30, 40, 25)));
}

TEST_F(ShadowLabelTest, AnOpaqueLabelFillsItsAreaWithColorAndATransparentOneShowsItsParent) {
  label.SetCaption(kBlock);
  label.SetColor(clYellow);
  const QPoint corner(label.x() + label.width() - 1, label.y() + label.height() - 1);
  EXPECT_EQ(Image().pixelColor(corner), QColor(255, 255, 0));
  label.SetTransparent(true);
  EXPECT_TRUE(label.Transparent());
  EXPECT_EQ(Image().pixelColor(corner), kFormColor);
}

TEST_F(ShadowLabelTest, ARightJustifiedLabelGrowsToTheLeftAndACentredOneToTheRight) {
  label.move(100, 30);
  label.SetCaption(kTwoBlocks);
  label.SetAlignment(taRightJustify);
  const int right = label.geometry().right();
  label.SetCaption(kTwoBlocks + kTwoBlocks);
  EXPECT_EQ(label.geometry().right(), right);
  EXPECT_EQ(label.width(), 4 * kCharWidth + 2);

  label.SetAlignment(taCenter);
  const int left = label.x();
  label.SetCaption(kTwoBlocks);
  EXPECT_EQ(label.x(), left);
  EXPECT_EQ(label.width(), 2 * kCharWidth + 2);

  // Right to left, the alignment is mirrored first: left-justified text keeps the right edge.
  label.setLayoutDirection(Qt::RightToLeft);
  label.SetAlignment(taRightJustify);
  label.SetCaption(kTwoBlocks + kTwoBlocks);
  EXPECT_EQ(label.x(), left);
  label.SetAlignment(taLeftJustify);
  const int mirroredRight = label.geometry().right();
  label.SetCaption(kTwoBlocks);
  EXPECT_EQ(label.geometry().right(), mirroredRight);
}

TEST_F(ShadowLabelTest, InALayoutTheRefitIsLeftToTheLayout) {
  QWidget box;
  auto* row = new QHBoxLayout(&box);
  row->setContentsMargins(0, 0, 0, 0);
  TShadowLabel laidOut;
  laidOut.setFont(BlockFont());
  row->addWidget(&laidOut);
  row->addStretch();
  box.resize(300, 40);
  box.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));

  laidOut.SetCaption(kTwoBlocks + kTwoBlocks);
  EXPECT_EQ(laidOut.sizeHint(), QSize(4 * kCharWidth + 2, kLineHeight));
  QApplication::processEvents();
  EXPECT_EQ(laidOut.width(), 4 * kCharWidth + 2) << "the layout took the new size hint";
  row->removeWidget(&laidOut);
}

TEST_F(ShadowLabelTest, ShadowPositionAndAcceleratorDisplayRepaintWithoutRefitting) {
  label.SetShadowSize(2);
  label.SetCaption(kTwoBlocks);
  const QSize fitted = label.size();
  label.SetShadowPos(spRightBottom);
  label.SetShowAccelChar(false);
  EXPECT_EQ(label.size(), fitted);
  label.SetCaption(kTwoBlocks + kBlock);
  EXPECT_EQ(label.size(), QSize(3 * kCharWidth + 2 + 2, kLineHeight + 2)) << "the next re-fit catches up";
}

TEST_F(ShadowLabelTest, FontShadowSizeWordWrapAndAutoSizeRefit) {
  label.SetCaption(kTwoBlocks + " " + kTwoBlocks);
  EXPECT_EQ(label.size(), QSize(5 * kCharWidth + 2, kLineHeight));

  label.SetShadowSize(3);
  label.SetShadowPos(spRightBottom);
  label.SetShadowSize(2);
  EXPECT_EQ(label.size(), QSize(5 * kCharWidth + 4, kLineHeight + 2));

  label.resize(2 * kCharWidth + 2, 10);
  label.SetWordWrap(true);
  EXPECT_EQ(label.size(), QSize(2 * kCharWidth + 4, 2 * kLineHeight + 2)) << "broken to the width less 2";

  label.SetAutoSize(false);
  QFont bigger = BlockFont();
  bigger.setPixelSize(22);
  label.setFont(bigger);
  EXPECT_EQ(label.size(), QSize(2 * kCharWidth + 4, 2 * kLineHeight + 2)) << "no auto size, no re-fit";
  label.SetAutoSize(true);
  EXPECT_GT(label.height(), 2 * kLineHeight + 2);
}

TEST_F(ShadowLabelTest, TheFocusRectangleOutlinesTheTextWhileFocusControlHasTheFocus) {
  QLineEdit target(&form);
  QLineEdit elsewhere(&form);
  target.setGeometry(10, 100, 50, 20);
  elsewhere.setGeometry(100, 100, 50, 20);
  label.SetCaption(kTwoBlocks);
  label.SetShadowSize(0);
  Fix(30, 20);
  label.SetFocusControl(&target);
  label.SetShowFocus(true);
  ShowForm();
  elsewhere.setFocus();
  const QImage plain = Image().copy(label.geometry());
  target.setFocus();
  const QImage focused = Image().copy(label.geometry());

  // Every other pixel of the label's border, inverted.
  int inverted = 0;
  for (int y = 0; y < plain.height(); ++y) {
    for (int x = 0; x < plain.width(); ++x) {
      const bool onBorder = x == 0 || y == 0 || x == plain.width() - 1 || y == plain.height() - 1;
      const bool expected = onBorder && (x + y) % 2 == 0;
      const QColor before = plain.pixelColor(x, y);
      const QColor inverse(255 - before.red(), 255 - before.green(), 255 - before.blue());
      EXPECT_EQ(focused.pixelColor(x, y), expected ? inverse : before) << x << "," << y;
      inverted += expected;
    }
  }
  EXPECT_EQ(inverted, (2 * 30 + 2 * (20 - 2)) / 2) << "half of the border";
  // The form keeps its focused control while the application is in the background.
  SetActiveWindow(nullptr);
  EXPECT_EQ(Image().copy(label.geometry()), focused);
  SetActiveWindow(&form);

  elsewhere.setFocus();
  EXPECT_EQ(Image().copy(label.geometry()), plain);
}

TEST_F(ShadowLabelTest, AFocusControlThatIsDestroyedIsForgotten) {
  auto target = std::make_unique<QLineEdit>(&form);
  auto former = std::make_unique<QLineEdit>(&form);
  label.SetFocusControl(former.get());
  label.SetFocusControl(target.get());
  former.reset();
  EXPECT_EQ(label.FocusControl(), target.get()) << "a former focus control is no longer watched";
  label.SetShowFocus(true);
  target.reset();
  EXPECT_EQ(label.FocusControl(), nullptr);
  Image();  // paints without it
}

TEST_F(ShadowLabelTest, MouseEnterAndLeaveFollowTheCursorWhileTheApplicationIsInFront) {
  int entered = 0, left = 0;
  label.OnMouseEnter = [&](QObject* sender) { entered += sender == &label; };
  label.OnMouseLeave = [&](QObject* sender) { left += sender == &label; };
  label.SetCaption(kTwoBlocks);
  ShowForm();

  QCursor::setPos(form.mapToGlobal(QPoint(5, 5)));
  QTest::mouseMove(&form, QPoint(5, 5));
  QTest::mouseMove(&label, QPoint(3, 3));
  EXPECT_EQ(entered, 1);
  QTest::mouseMove(&form, QPoint(5, 5));
  EXPECT_EQ(left, 1);

  // Dragging out with the left button down keeps the label "inside" until
  // the button comes up outside.
  QCursor::setPos(label.mapToGlobal(QPoint(3, 3)));
  QTest::mouseMove(&label, QPoint(3, 3));
  ASSERT_EQ(entered, 2);
  QTest::mousePress(&label, Qt::LeftButton, {}, QPoint(3, 3));
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(&label, &leave);
  EXPECT_EQ(left, 1);
  QCursor::setPos(form.mapToGlobal(QPoint(5, 5)));
  QTest::mouseRelease(&label, Qt::LeftButton, {}, QPoint(-30, -20));
  EXPECT_EQ(left, 2);
  EXPECT_EQ(entered, 2);
}

TEST_F(ShadowLabelTest, NoMouseEnterWhileAnotherApplicationIsActiveOrTheLabelIsDisabled) {
  int entered = 0;
  label.OnMouseEnter = [&](QObject*) { ++entered; };
  label.SetCaption(kTwoBlocks);
  ShowForm();
  {
    // The active window goes away and nothing of this application is
    // active any more, as when the user turned to another program.
    QWidget passing;
    passing.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&passing));
  }
  ASSERT_FALSE(ApplicationIsForeground());
  QEnterEvent enter(QPointF(3, 3), QPointF(3, 3), QPointF(label.mapToGlobal(QPoint(3, 3))));
  QApplication::sendEvent(&label, &enter);
  EXPECT_EQ(entered, 0);

  form.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
  ASSERT_TRUE(ApplicationIsForeground());
  label.setEnabled(false);
  QApplication::sendEvent(&label, &enter);
  EXPECT_EQ(entered, 0);
  label.setEnabled(true);
  QApplication::sendEvent(&label, &enter);
  EXPECT_EQ(entered, 1);
}

TEST_F(ShadowLabelTest, TheAcceleratorFocusesFocusControlOrLeavesTheKeyToOthers) {
  QLineEdit target(&form);
  QLineEdit elsewhere(&form);
  target.setGeometry(10, 100, 50, 20);
  elsewhere.setGeometry(100, 100, 50, 20);
  int othersGotIt = 0, ambiguous = 0;
  QShortcut other(QKeySequence(Qt::ALT | Qt::Key_N), &form);
  other.setEnabled(false);
  QObject::connect(&other, &QShortcut::activated, [&] { ++othersGotIt; });
  QObject::connect(&other, &QShortcut::activatedAmbiguously, [&] { ++ambiguous; });

  label.SetCaption("&name");
  label.SetFocusControl(&target);
  ShowForm();
  elsewhere.setFocus();
  QTest::keyClick(&elsewhere, Qt::Key_N, Qt::AltModifier);
  EXPECT_TRUE(target.hasFocus()) << "letters compared without regard to case";

  elsewhere.setFocus();
  target.setEnabled(false);
  other.setEnabled(true);
  QTest::keyClick(&elsewhere, Qt::Key_N, Qt::AltModifier);
  EXPECT_TRUE(elsewhere.hasFocus());
  EXPECT_EQ(othersGotIt, 1) << "a focus control that cannot take the focus leaves the key alone";
  target.setEnabled(true);
  target.hide();
  QTest::keyClick(&elsewhere, Qt::Key_N, Qt::AltModifier);
  EXPECT_EQ(othersGotIt, 2) << "nor does a hidden one";
  target.show();
  other.setEnabled(false);
  QTest::keyClick(&elsewhere, Qt::Key_N, Qt::AltModifier);
  EXPECT_TRUE(target.hasFocus()) << "shown again, it takes the key";
  other.setEnabled(true);

  label.SetShowAccelChar(false);
  othersGotIt = 0;
  elsewhere.setFocus();
  QTest::keyClick(&elsewhere, Qt::Key_N, Qt::AltModifier);
  EXPECT_TRUE(elsewhere.hasFocus());
  EXPECT_EQ(othersGotIt, 1);
  EXPECT_EQ(ambiguous, 0);
}

TEST_F(ShadowLabelTest, AssistiveTechnologySeesALabelNamedByItsShownTextThatLabelsFocusControl) {
  QLineEdit target(&form);
  label.SetCaption("&Fish && Chips");
  label.SetFocusControl(&target);
  QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&label);
  ASSERT_NE(accessible, nullptr);
  EXPECT_EQ(accessible->role(), QAccessible::StaticText);
  EXPECT_EQ(accessible->text(QAccessible::Name), "Fish & Chips");
  const auto labelled = accessible->relations(QAccessible::Labelled);
  ASSERT_EQ(labelled.size(), 1);
  EXPECT_EQ(labelled[0].first->object(), &target);

  label.SetShowAccelChar(false);
  EXPECT_EQ(accessible->text(QAccessible::Name), "&Fish && Chips");
  label.SetFocusControl(nullptr);
  EXPECT_TRUE(accessible->relations(QAccessible::Labelled).isEmpty());
}
