#include <gtest/gtest.h>

#include <QCursor>
#include <QEnterEvent>
#include <QFontMetrics>
#include <QLineEdit>

#include "WidgetTestAccess.h"
#include "WidgetTestSupport.h"
#include "widgets/FlatEdit.h"

using namespace pausalo;
using namespace pausalo::testing;

namespace {

constexpr TColor DefaultBorder = 0x8396A0;
constexpr TColor Grey = 0xC0C0C0;

void SendEnter(QWidget& widget) {
  QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), widget.mapToGlobal(QPointF(5, 5)));
  QApplication::sendEvent(&widget, &enter);
}

void SendLeave(QWidget& widget) {
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(&widget, &leave);
}

class FlatEditTest : public ::testing::Test {
 protected:
  FlatEditTest() {
    edit.setGeometry(10, 10, 80, 24);
    other.setGeometry(150, 10, 80, 24);
    edit.SetColorFlat(clWhite);
    edit.SetColorFocused(Grey);
  }
  ~FlatEditTest() override { Deactivate(); }

  // The three border rings and the text area, as rendered.
  void ExpectLook(TColor background) {
    const QImage image = Render(edit);
    for (const QPoint at : {QPoint(0, 0), QPoint(79, 23), QPoint(40, 0), QPoint(0, 12)}) {
      EXPECT_EQ(PixelAt(image, at.x(), at.y()), DefaultBorder) << at.x() << "," << at.y();
    }
    for (const QPoint at :
         {QPoint(1, 1), QPoint(2, 2), QPoint(78, 22), QPoint(77, 21), QPoint(40, 1), QPoint(70, 12)}) {
      EXPECT_EQ(PixelAt(image, at.x(), at.y()), background) << at.x() << "," << at.y();
    }
  }

  Host host{QColor(Qt::white)};
  TFlatEdit edit{&host};
  QLineEdit other{&host};
};

}  // namespace

TEST_F(FlatEditTest, PlainLookIsOneBorderRingAroundTheFlatColour) {
  ASSERT_TRUE(host.Activate());
  other.setFocus();
  EXPECT_EQ(edit.Color(), clWhite);
  ExpectLook(clWhite);
  EXPECT_EQ(edit.ClientWidth(), 74);
  EXPECT_EQ(edit.contentsRect(), QRect(3, 3, 74, 18));
}

TEST_F(FlatEditTest, FocusedLookUsesTheFocusColourAndEndsWithTheFocus) {
  ASSERT_TRUE(host.Activate());
  edit.setFocus();
  EXPECT_EQ(edit.Color(), Grey);
  ExpectLook(Grey);
  other.setFocus();
  ExpectLook(clWhite);
}

TEST_F(FlatEditTest, HoverTakesTheFocusedLookOnlyInTheForeground) {
  SendEnter(edit);
  EXPECT_FALSE(FlatEditTestAccess::Hovered(edit));
  EXPECT_EQ(edit.Color(), clWhite);

  ASSERT_TRUE(host.Activate());
  other.setFocus();
  SendEnter(edit);
  EXPECT_TRUE(FlatEditTestAccess::Hovered(edit));
  ExpectLook(Grey);
  SendLeave(edit);
  EXPECT_FALSE(FlatEditTestAccess::Hovered(edit));
  ExpectLook(clWhite);
}

TEST_F(FlatEditTest, DisabledEditUnderThePointerTakesTheFocusedLook) {
  ASSERT_TRUE(host.Activate());
  other.setFocus();
  edit.SetEnabled(false);
  QCursor::setPos(edit.mapToGlobal(QPoint(20, 10)));
  QApplication::processEvents();
  EXPECT_EQ(edit.Color(), Grey);
  QCursor::setPos(host.mapToGlobal(QPoint(250, 100)));
  QApplication::processEvents();
  EXPECT_EQ(edit.Color(), clWhite);
}

TEST_F(FlatEditTest, HoverKeepsThePlainLookWhileAFlatEditIsActive) {
  TFlatEdit active(&host);
  TCustomFlatEdit hovered(&host);
  hovered.SetColorFlat(clWhite);
  hovered.SetColorFocused(Grey);
  ASSERT_TRUE(host.Activate());
  active.setFocus();
  SendEnter(hovered);
  EXPECT_EQ(hovered.Color(), clWhite);
  SendLeave(hovered);

  // Another kind of active control does not stop the hovered look.
  other.setFocus();
  SendEnter(hovered);
  EXPECT_EQ(hovered.Color(), Grey);
}

TEST(FlatEditColoursTest, ParentColorFollowsTheParentUntilColorFlatIsSet) {
  Host host(QColor(0x12, 0x34, 0x56));
  TFlatEdit edit(&host);
  EXPECT_TRUE(edit.ParentColor());
  EXPECT_EQ(edit.ColorFlat(), 0x563412);

  QPalette colors = host.palette();
  colors.setColor(QPalette::Window, QColor(0x65, 0x43, 0x21));
  host.setPalette(colors);
  EXPECT_EQ(edit.ColorFlat(), 0x214365);
  EXPECT_EQ(edit.Color(), 0x214365);

  edit.SetColorFlat(clRed);
  EXPECT_FALSE(edit.ParentColor());
  host.setPalette(QPalette(Qt::green));
  EXPECT_EQ(edit.ColorFlat(), clRed);

  edit.SetParentColor(true);
  EXPECT_EQ(edit.ColorFlat(), FromQColor(host.palette().color(QPalette::Window)));
  edit.SetColorFlat(clBlue);
  EXPECT_FALSE(edit.ParentColor());
}

TEST(FlatEditColoursTest, DefaultsWithoutAParent) {
  TFlatEdit edit;
  EXPECT_EQ(edit.ColorFlat(), 0xE1EAEB);
  EXPECT_EQ(edit.ColorFocused(), clWhite);
  EXPECT_EQ(edit.ColorBorder(), DefaultBorder);
  EXPECT_EQ(edit.size(), QSize(121, 19));
  EXPECT_FALSE(edit.UseAdvColors());
}

TEST(FlatEditColoursTest, AdvancedColoursDeriveFromTheParentColour) {
  Host host(Qt::white);
  TFlatEdit edit(&host);
  edit.SetColorFlat(clRed);
  edit.SetUseAdvColors(true);
  EXPECT_TRUE(edit.ParentColor());
  EXPECT_EQ(edit.ColorFlat(), clWhite);
  EXPECT_EQ(edit.ColorFocused(), 0x6A6A6A);  // lightness 100 of 240
  EXPECT_EQ(edit.ColorBorder(), 0xD4D4D4);   // lightness 200 of 240

  TFlatEdit keeps(&host);
  keeps.SetAdvColorFocused(0);
  keeps.SetColorFocused(clYellow);
  keeps.SetUseAdvColors(true);
  EXPECT_EQ(keeps.ColorFocused(), clYellow);
  EXPECT_EQ(keeps.ColorBorder(), 0xD4D4D4);
}

TEST(FlatEditColoursTest, HeightFollowsTheFont) {
  TFlatEdit edit;
  QFont font = edit.font();
  font.setPixelSize(30);
  edit.SetFont(font);
  EXPECT_EQ(edit.height(), QFontMetrics(font).height() + 6);
  edit.resize(edit.width(), 80);
  edit.Loaded();
  EXPECT_EQ(edit.height(), QFontMetrics(font).height() + 6);
}
