#include <gtest/gtest.h>

#include <QCursor>
#include <QTest>

#include "ManualTimer.h"
#include "WidgetTestAccess.h"
#include "WidgetTestSupport.h"
#include "platform/Exception.h"
#include "widgets/SpinButton.h"

using namespace pausalo;
using namespace pausalo::testing;

namespace {

constexpr TColor Border = 0x8396A0;
constexpr TColor Hot = 0xE1EAEB;
constexpr TColor Pressed = 0xC5D6D9;

// Moves the real pointer, so that hover tracking sees it.
void MovePointer(QWidget& widget, QPoint local) {
  QCursor::setPos(widget.mapToGlobal(local));
  QApplication::processEvents();
}

void ExpectBlack(const QImage& image, std::initializer_list<QPoint> points) {
  for (const QPoint at : points) EXPECT_EQ(PixelAt(image, at.x(), at.y()), clBlack) << at.x() << "," << at.y();
}

class SpinButtonTest : public ::testing::Test {
 protected:
  SpinButtonTest() {
    spin.setGeometry(10, 10, 22, 17);
    for (TTimerSpeedButton* arrow : {SpinButtonTestAccess::UpButton(spin), SpinButtonTestAccess::DownButton(spin)})
      arrow->SetTimerFactory(clock.Factory());
    spin.OnUpClick = [this](QObject* sender) {
      EXPECT_EQ(sender, &spin);
      ++upClicks;
    };
    spin.OnDownClick = [this](QObject*) { ++downClicks; };
  }
  ~SpinButtonTest() override { Deactivate(); }

  TTimerSpeedButton& Up() { return *SpinButtonTestAccess::UpButton(spin); }
  TTimerSpeedButton& Down() { return *SpinButtonTestAccess::DownButton(spin); }

  ManualClock clock;
  Host host;
  TSpinButton spin{&host};
  int upClicks = 0;
  int downClicks = 0;
};

}  // namespace

TEST_F(SpinButtonTest, ArrowsAreFlatFramesWithTheDefaultGlyphs) {
  ASSERT_TRUE(host.Activate());
  EXPECT_EQ(Up().geometry(), QRect(0, 0, 11, 17));
  EXPECT_EQ(Down().geometry(), QRect(10, 0, 11, 17));
  const QImage image = Render(spin);
  EXPECT_EQ(PixelAt(image, 0, 0), Border);
  EXPECT_EQ(PixelAt(image, 0, 16), Border);
  EXPECT_EQ(PixelAt(image, 10, 8), Border);  // the down arrow's left edge covers the up arrow's right edge
  EXPECT_EQ(PixelAt(image, 20, 16), Border);
  EXPECT_EQ(PixelAt(image, 2, 8), clWhite);   // face: the parent's colour
  EXPECT_EQ(PixelAt(image, 21, 8), clWhite);  // the spin button's own last column
  // "FlatUp" at (3, 2), "FlatDown" at (13, 10).
  ExpectBlack(image, {{5, 3}, {4, 4}, {6, 4}, {3, 5}, {7, 5}, {13, 11}, {17, 11}, {14, 12}, {15, 13}});
  EXPECT_EQ(PixelAt(image, 5, 2), clWhite);
  EXPECT_EQ(PixelAt(image, 3, 6), clWhite);
  EXPECT_EQ(PixelAt(image, 13, 13), clWhite);
}

TEST_F(SpinButtonTest, PressedArrowShowsTheDownFaceAndMovesItsGlyph) {
  ASSERT_TRUE(host.Activate());
  QTest::mousePress(&Up(), Qt::LeftButton, {}, QPoint(5, 8));
  EXPECT_EQ(Up().State(), TButtonState::bsPressed);
  const QImage image = Render(Up());
  EXPECT_EQ(PixelAt(image, 1, 12), Pressed);
  EXPECT_EQ(PixelAt(image, 0, 0), clBlack);
  EXPECT_EQ(PixelAt(image, 0, 15), clBlack);
  EXPECT_EQ(PixelAt(image, 10, 0), clWhite);
  EXPECT_EQ(PixelAt(image, 0, 16), clWhite);
  EXPECT_EQ(PixelAt(image, 10, 16), clWhite);
  ExpectBlack(image, {{6, 4}, {4, 6}, {8, 6}});
  EXPECT_EQ(PixelAt(image, 5, 3), Pressed);
  QTest::mouseRelease(&Up(), Qt::LeftButton, {}, QPoint(5, 8));
}

TEST_F(SpinButtonTest, HoveredArrowTurnsHotAndCoolsWhenThePointerLeaves) {
  ASSERT_TRUE(host.Activate());
  MovePointer(Up(), QPoint(5, 8));
  ASSERT_TRUE(FlatSpeedButtonTestAccess::Hot(Up()));
  const QImage image = Render(Up());
  EXPECT_EQ(PixelAt(image, 2, 12), Hot);
  EXPECT_EQ(PixelAt(image, 0, 0), clWhite);
  EXPECT_EQ(PixelAt(image, 0, 15), clWhite);
  EXPECT_EQ(PixelAt(image, 10, 0), clBlack);
  EXPECT_EQ(PixelAt(image, 5, 16), clBlack);

  // Onto the other arrow: the first one ends at once.
  MovePointer(Down(), QPoint(5, 8));
  EXPECT_FALSE(FlatSpeedButtonTestAccess::Hot(Up()));
  EXPECT_TRUE(FlatSpeedButtonTestAccess::Hot(Down()));
  // Off every flat button: the hover timer ends it.
  MovePointer(host, QPoint(200, 100));
  EXPECT_TRUE(QTest::qWaitFor([this] { return !FlatSpeedButtonTestAccess::Hot(Down()); }, 2000));
}

TEST_F(SpinButtonTest, NoHotLookWhileTheApplicationIsInTheBackground) {
  host.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));
  QApplication::processEvents();
  SetActiveWindow(nullptr);
  ASSERT_EQ(QApplication::activeWindow(), nullptr);
  MovePointer(Up(), QPoint(5, 8));
  EXPECT_FALSE(FlatSpeedButtonTestAccess::Hot(Up()));
}

TEST_F(SpinButtonTest, ShortClickGivesOneClickOnRelease) {
  QTest::mousePress(&Up(), Qt::LeftButton, {}, QPoint(5, 5));
  clock.Advance(399);
  EXPECT_EQ(upClicks, 0);
  QTest::mouseRelease(&Up(), Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_EQ(upClicks, 1);
  EXPECT_EQ(downClicks, 0);
  clock.Advance(1000);
  EXPECT_EQ(upClicks, 1);
}

TEST_F(SpinButtonTest, HoldingForOneSecondGivesEightClicks) {
  QTest::mousePress(&Down(), Qt::LeftButton, {}, QPoint(5, 5));
  clock.Advance(400);
  EXPECT_EQ(downClicks, 1);
  clock.Advance(600);
  EXPECT_EQ(downClicks, 7);
  QTest::mouseRelease(&Down(), Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_EQ(downClicks, 8);
  EXPECT_FALSE(SpinButtonTestAccess::RepeatTimer(Down())->Active());
}

TEST_F(SpinButtonTest, DraggingOffTheArrowPausesTheRepeats) {
  QTest::mousePress(&Up(), Qt::LeftButton, {}, QPoint(5, 5));
  clock.Advance(450);
  EXPECT_EQ(upClicks, 1);
  QTest::mouseMove(&Up(), QPoint(5, 40));
  EXPECT_EQ(Up().State(), TButtonState::bsUp);
  clock.Advance(300);
  EXPECT_EQ(upClicks, 1);
  QTest::mouseMove(&Up(), QPoint(5, 5));
  EXPECT_EQ(Up().State(), TButtonState::bsPressed);
  clock.Advance(100);
  EXPECT_EQ(upClicks, 2);
  QTest::mouseRelease(&Up(), Qt::LeftButton, {}, QPoint(30, 5));
  EXPECT_EQ(upClicks, 2);
}

// Another window becoming active takes the mouse, and the release with it.
TEST_F(SpinButtonTest, DeactivatingTheWindowEndsTheRepeatsWithoutAClick) {
  ASSERT_TRUE(host.Activate());
  QTest::mousePress(&Down(), Qt::LeftButton, {}, QPoint(5, 5));
  clock.Advance(400);
  EXPECT_EQ(downClicks, 1);
  Host other;
  ASSERT_TRUE(other.Activate());
  clock.Advance(1000);
  EXPECT_EQ(downClicks, 1);
  EXPECT_FALSE(SpinButtonTestAccess::RepeatTimer(Down())->Active());
  EXPECT_EQ(Down().State(), TButtonState::bsUp);
}

TEST_F(SpinButtonTest, RightButtonNeitherPressesNorClicks) {
  QTest::mousePress(&Up(), Qt::RightButton, {}, QPoint(5, 5));
  EXPECT_EQ(Up().State(), TButtonState::bsUp);
  EXPECT_TRUE(SpinButtonTestAccess::RepeatTimer(Up())->Active());
  clock.Advance(1000);
  QTest::mouseRelease(&Up(), Qt::RightButton, {}, QPoint(5, 5));
  EXPECT_FALSE(SpinButtonTestAccess::RepeatTimer(Up())->Active());
  EXPECT_EQ(upClicks, 0);
}

TEST_F(SpinButtonTest, ReleaseOnTheRowBelowCountsButNotOnTheColumnRight) {
  host.show();
  QTest::mousePress(&Up(), Qt::LeftButton, {}, QPoint(5, 5));
  QTest::mouseRelease(&Up(), Qt::LeftButton, {}, QPoint(5, 17));
  EXPECT_EQ(upClicks, 1);
  QTest::mousePress(&Up(), Qt::LeftButton, {}, QPoint(5, 5));
  QTest::mouseRelease(&Up(), Qt::LeftButton, {}, QPoint(11, 5));
  EXPECT_EQ(upClicks, 1);
}

TEST_F(SpinButtonTest, FailingClickStopsTheRepeatTimer) {
  spin.OnUpClick = [](QObject*) { throw Exception("step failed"); };
  QTest::mousePress(&Up(), Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_THROW(clock.Advance(400), Exception);
  EXPECT_FALSE(SpinButtonTestAccess::RepeatTimer(Up())->Active());
  spin.OnUpClick = nullptr;
  QTest::mouseRelease(&Up(), Qt::LeftButton, {}, QPoint(50, 50));
}

TEST_F(SpinButtonTest, KeysClickTheArrowsWhenTheSpinButtonHasTheFocus) {
  spin.SetTabStop(true);
  ASSERT_TRUE(host.Activate());
  spin.setFocus();
  QTest::keyClick(&spin, Qt::Key_Space);
  EXPECT_EQ(upClicks, 1);
  QTest::keyClick(&spin, Qt::Key_Down);
  EXPECT_EQ(downClicks, 1);
  EXPECT_EQ(SpinButtonTestAccess::FocusedButton(spin), &Down());
  QTest::keyClick(&spin, Qt::Key_Space);
  EXPECT_EQ(downClicks, 2);
  QTest::keyClick(&spin, Qt::Key_Up);
  EXPECT_EQ(upClicks, 2);
  EXPECT_EQ(SpinButtonTestAccess::FocusedButton(spin), &Up());
  QTest::keyClick(&spin, Qt::Key_Space);
  EXPECT_EQ(upClicks, 3);
  EXPECT_EQ(downClicks, 2);
}

TEST_F(SpinButtonTest, DisabledArrowShowsTheEngravedGlyph) {
  ASSERT_TRUE(host.Activate());
  Up().SetEnabled(false);
  const QImage image = Render(Up());
  const TColor shadow = ColorToRGB(clBtnShadow);
  const TColor light = ColorToRGB(clBtnHighlight);
  EXPECT_EQ(PixelAt(image, 5, 3), shadow);
  EXPECT_EQ(PixelAt(image, 3, 5), shadow);
  EXPECT_EQ(PixelAt(image, 6, 4), shadow);
  EXPECT_EQ(PixelAt(image, 8, 6), light);
  EXPECT_EQ(PixelAt(image, 6, 6), light);
  EXPECT_EQ(PixelAt(image, 2, 6), clWhite);  // the face colour shows through
  EXPECT_EQ(PixelAt(image, 0, 0), Border);
}

TEST_F(SpinButtonTest, DisabledParentKeepsTheArrowsLookingEnabled) {
  ASSERT_TRUE(host.Activate());
  spin.setEnabled(false);
  EXPECT_TRUE(Up().Enabled());
  ExpectBlack(Render(Up()), {{5, 3}, {3, 5}});
  spin.setEnabled(true);
  Up().SetEnabled(false);
  Up().SetEnabled(true);
  ExpectBlack(Render(Up()), {{5, 3}, {3, 5}});
}

TEST_F(SpinButtonTest, ArrowsKeepTheirWidthInAWiderSpinButton) {
  // Two arrows 11 wide that share a column; a frame and the pressed shift around a 5 x 5 glyph.
  EXPECT_EQ(spin.sizeHint(), QSize(21, 9));
  EXPECT_EQ(spin.minimumSizeHint(), QSize(21, 9));
  spin.resize(40, 20);
  host.show();
  EXPECT_EQ(Up().geometry(), QRect(0, 0, 11, 20));
  EXPECT_EQ(Down().geometry(), QRect(10, 0, 11, 20));
}

TEST(FlatSpeedButtonTest, GlyphStripSetsTheImageCount) {
  TFlatSpeedButton button;
  button.SetGlyph(QImage(20, 5, QImage::Format_RGB32));
  EXPECT_EQ(button.NumGlyphs(), 4);
  button.SetGlyph(QImage(30, 5, QImage::Format_RGB32));
  EXPECT_EQ(button.NumGlyphs(), 1);
  button.SetNumGlyphs(3);
  button.SetGlyph(QImage(12, 5, QImage::Format_RGB32));
  EXPECT_EQ(button.NumGlyphs(), 3);
}

TEST(FlatSpeedButtonTest, MarginBelowMinusOneIsIgnored) {
  TFlatSpeedButton button;
  button.SetMargin(2);
  button.SetMargin(-2);
  EXPECT_EQ(button.Margin(), 2);
  button.SetMargin(-1);
  EXPECT_EQ(button.Margin(), -1);
}

TEST(FlatSpeedButtonTest, StripImageFollowsTheState) {
  Host host;
  TFlatSpeedButton button(&host);
  button.setGeometry(0, 0, 20, 20);
  button.SetMargin(2);
  button.SetLayout(TButtonLayout::blGlyphLeft);
  // Two 4 x 4 images on an olive bottom-left pixel: red, then blue.
  QImage strip(8, 4, QImage::Format_RGB32);
  strip.fill(qRgb(255, 0, 0));
  for (int y = 0; y < 4; ++y)
    for (int x = 4; x < 8; ++x) strip.setPixel(x, y, qRgb(0, 0, 255));
  strip.setPixel(0, 3, qRgb(128, 128, 0));
  button.SetGlyph(strip);
  ASSERT_EQ(button.NumGlyphs(), 2);
  ASSERT_TRUE(host.Activate());
  // Glyph at (2, 8).
  EXPECT_EQ(PixelAt(Render(button), 3, 8), clRed);
  EXPECT_EQ(PixelAt(Render(button), 2, 11), clWhite);  // olive is transparent
  button.SetEnabled(false);
  EXPECT_EQ(PixelAt(Render(button), 3, 8), clBlue);
  Deactivate();
}

TEST(FlatSpeedButtonTest, GroupMembersLatchInTurn) {
  Host host;
  TFlatSpeedButton first(&host);
  TFlatSpeedButton second(&host);
  first.SetDown(true);
  EXPECT_FALSE(first.Down());  // no group
  first.SetGroupIndex(1);
  second.SetGroupIndex(1);
  first.SetDown(true);
  EXPECT_EQ(first.State(), TButtonState::bsLatched);
  second.SetDown(true);
  EXPECT_TRUE(second.Down());
  EXPECT_FALSE(first.Down());
  EXPECT_EQ(first.State(), TButtonState::bsUp);
  second.SetDown(false);
  EXPECT_TRUE(second.Down());  // a group without AllowAllUp keeps one down
  second.SetAllowAllUp(true);
  EXPECT_TRUE(first.AllowAllUp());
  second.SetDown(false);
  EXPECT_FALSE(second.Down());
}

TEST(FlatSpeedButtonTest, ClickInAGroupTogglesDown) {
  Host host;
  TFlatSpeedButton button(&host);
  button.SetGroupIndex(2);
  button.SetAllowAllUp(true);
  int clicks = 0;
  button.OnClick = [&](QObject*) { ++clicks; };
  QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_TRUE(button.Down());
  QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_FALSE(button.Down());
  EXPECT_EQ(clicks, 2);
}

TEST(GlyphResourceTest, ArrowsAreFiveByFiveOnOlive) {
  const QImage up = GlyphResource("FlatUp");
  const QImage down = GlyphResource("FlatDown");
  ASSERT_EQ(up.size(), QSize(5, 5));
  ASSERT_EQ(down.size(), QSize(5, 5));
  EXPECT_EQ(up.pixel(0, 4), qRgb(128, 128, 0));
  EXPECT_EQ(up.pixel(2, 1), qRgb(0, 0, 0));
  EXPECT_EQ(down.pixel(0, 1), qRgb(0, 0, 0));
  EXPECT_EQ(down.pixel(1, 3), qRgb(128, 128, 0));
  EXPECT_TRUE(GlyphResource("Other").isNull());
}

TEST(FlatSpeedButtonTest, AcceleratorClicksAnEnabledButton) {
  Host host;
  TFlatSpeedButton button(&host);
  button.SetCaption("&Go");
  int clicks = 0;
  button.OnClick = [&](QObject*) { ++clicks; };
  ASSERT_TRUE(host.Activate());
  QTest::keyClick(&host, Qt::Key_G, Qt::AltModifier);
  EXPECT_EQ(clicks, 1);
  // The character after the last single "&" is the accelerator; the old key is given back.
  button.SetCaption("&Go &Stop");
  QTest::keyClick(&host, Qt::Key_G, Qt::AltModifier);
  EXPECT_EQ(clicks, 1);
  QTest::keyClick(&host, Qt::Key_S, Qt::AltModifier);
  EXPECT_EQ(clicks, 2);
  button.SetEnabled(false);
  QTest::keyClick(&host, Qt::Key_S, Qt::AltModifier);
  EXPECT_EQ(clicks, 2);
  Deactivate();
}

TEST(FlatSpeedButtonTest, TransparentModesDecideWhetherTheFaceIsFilled) {
  Host host;
  TFlatSpeedButton button(&host);
  button.SetColor(clRed);
  ASSERT_TRUE(host.Activate());
  EXPECT_EQ(PixelAt(Render(button), 12, 12), clRed);
  button.SetTransparentMode(TTransparentMode::tmNotFocused);
  EXPECT_EQ(PixelAt(Render(button), 12, 12), clWhite);
  button.SetTransparentMode(TTransparentMode::tmAlways);
  EXPECT_EQ(PixelAt(Render(button), 12, 12), clWhite);
  EXPECT_EQ(PixelAt(Render(button), 0, 0), 0x8396A0);
  Deactivate();
}
