#include <gtest/gtest.h>

#include <QCursor>
#include <QTest>
#include <array>
#include <memory>

#include "ApplicationHintsTestAccess.h"
#include "EventLoopWaits.h"
#include "Pixels.h"
#include "platform/Application.h"
#include "widgets/FlatHint.h"

using namespace pausalo;
using namespace pausalo::testing;

namespace {

const QRect kScreen(0, 0, 800, 600);

// The arrow glyph for the top-left corner, its tip at the top left.
constexpr std::array<const char*, 8> kArrow{{
    "#######.",
    "#######.",
    "#####...",
    "######..",
    "#######.",
    "##.#####",
    "##..####",
    ".....##.",
}};

const QColor kBorder(0, 0, 255);
const QColor kArrowPen(255, 0, 0);
const QColor kText(0, 128, 0);
const QColor kStripDefault(255, 210, 83);
const QColor kWhite(255, 255, 255);

struct Expected {
  QPoint cursor;
  ArrowCorner corner;
  QRect bounds;
};

class FlatHintTest : public ::testing::Test {
 protected:
  // A TFlatHint on the form, in the block font, with colours the checks
  // can tell apart.
  TFlatHint& AddStyledHint() {
    auto* hint = new TFlatHint(&form);
    hint->SetFont(BlockFont());
    hint->SetFontColor(FromQColor(kText));
    hint->SetColorBorder(FromQColor(kBorder));
    hint->SetColorArrow(FromQColor(kArrowPen));
    return *hint;
  }
  // Activates a flat window with the cursor at the given place.
  TFlatHintWindow& Activate(const QString& text, QPoint cursor) {
    QCursor::setPos(cursor);
    window.ActivateHint(QRect(cursor + QPoint(0, 20), QSize(300, 40)), text);
    return window;
  }

  TApplication application;
  QWidget form;
  TFlatHintWindow window;
};

}  // namespace

TEST(FlatHintPlacementTest, TheWindowGrowsFromTheCursorTowardTheMiddleOfTheScreen) {
  const QSize size(100, 40);
  for (const Expected& e : {
           Expected{{10, 10}, ArrowCorner::TopLeft, QRect(22, 22, 100, 40)},
           Expected{{700, 10}, ArrowCorner::TopRight, QRect(595, 15, 100, 40)},
           Expected{{10, 500}, ArrowCorner::BottomLeft, QRect(15, 455, 100, 40)},
           Expected{{700, 500}, ArrowCorner::BottomRight, QRect(595, 455, 100, 40)},
           // The quadrants meet at (400, 300), which belongs to the bottom-right one.
           Expected{{400, 300}, ArrowCorner::BottomRight, QRect(295, 255, 100, 40)},
           Expected{{399, 299}, ArrowCorner::TopLeft, QRect(411, 311, 100, 40)},
           Expected{{400, 299}, ArrowCorner::TopRight, QRect(295, 304, 100, 40)},
           Expected{{399, 300}, ArrowCorner::BottomLeft, QRect(404, 255, 100, 40)},
           // Off the screen: bottom-right, and nothing is clamped.
           Expected{{-5, 10}, ArrowCorner::BottomRight, QRect(-110, -35, 100, 40)},
           Expected{{900, 10}, ArrowCorner::BottomRight, QRect(795, -35, 100, 40)},
       }) {
    const FlatHintPlacement placement = PlaceFlatHint(e.cursor, kScreen, size);
    EXPECT_EQ(placement.Corner, e.corner) << e.cursor.x() << "," << e.cursor.y();
    EXPECT_EQ(placement.Bounds, e.bounds) << e.cursor.x() << "," << e.cursor.y();
  }
  EXPECT_EQ(PlaceFlatHint({400, 300}, QRect(0, 0, 801, 601), size).Corner, ArrowCorner::BottomRight)
      << "halves are truncated";
  EXPECT_EQ(PlaceFlatHint({400, 300}, QRect(0, 0, 802, 602), size).Corner, ArrowCorner::TopLeft);
}

TEST_F(FlatHintTest, CreatingTheComponentInstallsTheFlatHintsForTheApplication) {
  int before = 0;
  application.OnShowHint = [&](QString&, bool&, THintInfo&) { ++before; };
  application.SetShowHint(false);
  TFlatHint hint(&form);
  EXPECT_EQ(application.HintWindowClass(), &MakeHintWindow<TFlatHintWindow>);
  EXPECT_FALSE(application.ShowHint()) << "the switch keeps its value";
  EXPECT_EQ(application.HintPause(), 500);
  EXPECT_EQ(application.HintShortPause(), 25);
  EXPECT_EQ(application.HintHidePause(), 5000);

  QString text = "Secondi trascorsi di attività";
  bool canShow = true;
  THintInfo info;
  application.OnShowHint(text, canShow, info);
  EXPECT_EQ(before, 0) << "the earlier handler is replaced";
  EXPECT_EQ(text, "Secondi trascorsi di attività");

  hint.OnShowHint = [](QString& hintStr, bool& show, THintInfo&) {
    hintStr += "!";
    show = false;
  };
  application.OnShowHint(text, canShow, info);
  EXPECT_EQ(text, "Secondi trascorsi di attività!");
  EXPECT_FALSE(canShow);

  EXPECT_EQ(hint.ColorBackground(), clWhite);
  EXPECT_EQ(hint.ColorBorder(), clBlack);
  EXPECT_EQ(hint.ColorArrowBackground(), 5493503);
  EXPECT_EQ(hint.ColorArrow(), clBlack);
  EXPECT_EQ(hint.MaxHintWidth(), 200);
}

TEST_F(FlatHintTest, AComponentBeingDesignedChangesNothing) {
  const THintWindowClass original = application.HintWindowClass();
  const int pause = application.HintPause();
  TFlatHint hint(&form, true);
  EXPECT_EQ(application.HintWindowClass(), original);
  EXPECT_EQ(application.HintPause(), pause);
  EXPECT_FALSE(application.OnShowHint);
}

TEST_F(FlatHintTest, DestroyingTheComponentsUndoesTheirInstallationsInAnyOrder) {
  const THintWindowClass original = application.HintWindowClass();
  int earlier = 0;
  application.OnShowHint = [&](QString&, bool&, THintInfo&) { ++earlier; };
  auto first = std::make_unique<TFlatHint>(&form);
  auto second = std::make_unique<TFlatHint>(&form);
  int secondCalls = 0;
  second->OnShowHint = [&](QString&, bool&, THintInfo&) { ++secondCalls; };

  QString text;
  bool canShow = true;
  THintInfo info;
  first.reset();
  application.OnShowHint(text, canShow, info);
  EXPECT_EQ(secondCalls, 1) << "the newer installation stays";
  EXPECT_EQ(application.HintWindowClass(), &MakeHintWindow<TFlatHintWindow>);

  second.reset();
  EXPECT_EQ(application.HintWindowClass(), original);
  application.OnShowHint(text, canShow, info);
  EXPECT_EQ(earlier, 1) << "the handler from before both is back";
}

TEST_F(FlatHintTest, TheWindowIsTheTextPlus22By6AndWrapsAtMaxHintWidthLess22) {
  AddStyledHint();
  Activate(kBlock + kBlock, {100, 100});
  EXPECT_EQ(window.geometry(), QRect(112, 112, 2 * kCharWidth + 22, kLineHeight + 6));
  EXPECT_EQ(window.Corner(), ArrowCorner::TopLeft);
  EXPECT_TRUE(window.isVisible());
  EXPECT_EQ(window.Caption(), kBlock + kBlock);

  // Words of 70 pixels: two fit in 178, three do not.
  const QString word = kBlock.repeated(10);
  Activate(word + " " + word + " " + word, {700, 500});
  EXPECT_EQ(window.size(), QSize(21 * kCharWidth + 22, 2 * kLineHeight + 6));
  EXPECT_EQ(window.geometry().bottomRight(), QPoint(700 - 5 - 1, 500 - 5 - 1));

  Activate("&" + kBlock, {100, 100});
  EXPECT_EQ(window.width(), 2 * kCharWidth + 22) << "the ampersand is shown, not a prefix";
}

TEST_F(FlatHintTest, TheFirstComponentOnTheFormStylesTheHints) {
  TFlatHint& first = AddStyledHint();
  TFlatHint& second = AddStyledHint();
  first.SetMaxHintWidth(100);
  second.SetMaxHintWidth(300);
  first.SetColorArrowBackground(clLime);
  const QString word = kBlock.repeated(10);
  Activate(word + " " + word, {100, 100});
  EXPECT_EQ(window.width(), 10 * kCharWidth + 22);
  EXPECT_EQ(Render(window).pixelColor(1, window.height() - 2), QColor(0, 255, 0));

  delete &first;
  Activate(word + " " + word, {100, 100});
  EXPECT_EQ(window.width(), 21 * kCharWidth + 22);

  // Before there is a main form, the newest component's form.
  QWidget newerForm;
  auto* newer = new TFlatHint(&newerForm);
  newer->SetFont(BlockFont());
  newer->SetMaxHintWidth(100);
  Activate(word + " " + word, {100, 100});
  EXPECT_EQ(window.width(), 10 * kCharWidth + 22);
  application.SetMainForm(&form);
  Activate(word + " " + word, {100, 100});
  EXPECT_EQ(window.width(), 21 * kCharWidth + 22) << "the main form's";
}

TEST_F(FlatHintTest, WithoutAComponentTheWindowUsesThePublishedDefaults) {
  window.setFont(BlockFont());
  const QString word = kBlock.repeated(10);
  Activate(word + " " + word + " " + word, {100, 100});
  EXPECT_EQ(window.width(), 21 * kCharWidth + 22) << "wraps at 200 - 22";
  const QImage image = Render(window);
  EXPECT_EQ(image.pixelColor(0, 0), QColor(0, 0, 0));
  EXPECT_EQ(image.pixelColor(1, window.height() - 2), kStripDefault);
  EXPECT_EQ(image.pixelColor(window.width() - 2, window.height() - 2), kWhite);
}

TEST_F(FlatHintTest, PaintingDrawsOutlineStripArrowAndTextOnTheCursorsSide) {
  AddStyledHint();
  struct Case {
    QPoint cursor;
    bool left;
    bool bottom;
  };
  for (const Case& c : {Case{{100, 100}, true, false}, Case{{700, 100}, false, false}, Case{{100, 500}, true, true},
                        Case{{700, 500}, false, true}}) {
    Activate(kBlock + kBlock, c.cursor);
    const QImage image = Render(window);
    const int w = image.width();
    const int h = image.height();
    ASSERT_EQ(QSize(w, h), QSize(36, 19));
    SCOPED_TRACE(::testing::Message() << "cursor " << c.cursor.x() << "," << c.cursor.y());

    const QRect strip = c.left ? QRect(1, 1, 14, h - 2) : QRect(w - 15, 1, 14, h - 2);
    const QRect textArea = c.left ? QRect(15, 1, w - 16, h - 2) : QRect(1, 1, w - 16, h - 2);
    const QPoint tip(c.left ? 3 : w - 4, c.bottom ? h - 4 : 3);
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        const QColor pixel = image.pixelColor(x, y);
        const int dx = c.left ? x - tip.x() : tip.x() - x;
        const int dy = c.bottom ? tip.y() - y : y - tip.y();
        const bool inGlyph = dx >= 0 && dx < 8 && dy >= 0 && dy < 8;
        if (x == 0 || y == 0 || x == w - 1 || y == h - 1) {
          EXPECT_EQ(pixel, kBorder) << x << "," << y;
        } else if (inGlyph) {
          EXPECT_EQ(pixel, kArrow[dy][dx] == '#' ? kArrowPen : kStripDefault) << x << "," << y;
        } else if (strip.contains(x, y)) {
          EXPECT_EQ(pixel, kStripDefault) << x << "," << y;
        } else {
          ASSERT_TRUE(textArea.contains(x, y));
          EXPECT_TRUE(pixel == kWhite || pixel == kText) << x << "," << y;
        }
      }
    }
    // The text sits 3 pixels in from the text area's left and 1 below its top.
    EXPECT_EQ(InkBox(image, kText), QRect(textArea.left() + 3, 2, 2 * kCharWidth, kLineHeight));
  }
}

TEST_F(FlatHintTest, EveryTooltipOfTheApplicationShowsInTheFlatWindow) {
  form.setGeometry(0, 0, 300, 200);
  QWidget clock(&form);
  clock.setGeometry(50, 50, 100, 25);
  clock.setToolTip("Secondi trascorsi di inattività");
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  QTest::mouseMove(&form, QPoint(290, 190));
  application.SetHintPause(10);
  QTest::mouseMove(&clock, QPoint(10, 10));
  ASSERT_TRUE(ProcessEventsUntil([&] { return application.Hints().HintShowing(); }));
  EXPECT_EQ(qobject_cast<TFlatHintWindow*>(ApplicationHintsTestAccess::HintWindow(application.Hints())), nullptr)
      << "the plain window first";

  TFlatHint& hint = AddStyledHint();
  hint.OnShowHint = [](QString&, bool&, THintInfo& info) {
    info.HintMaxWidth = 20;  // the flat window sizes itself
    info.HintColor = clRed;
  };
  EXPECT_EQ(ApplicationHintsTestAccess::HintWindow(application.Hints()), nullptr) << "the old window is gone";
  application.SetHintPause(10);
  QCursor::setPos(clock.mapToGlobal(QPoint(20, 10)));
  QTest::mouseMove(&clock, QPoint(20, 10));
  ASSERT_TRUE(ProcessEventsUntil([&] { return application.Hints().HintShowing(); }));
  auto* flat = qobject_cast<TFlatHintWindow*>(ApplicationHintsTestAccess::HintWindow(application.Hints()));
  ASSERT_NE(flat, nullptr);
  EXPECT_EQ(flat->Caption(), "Secondi trascorsi di inattività");
  // 31 characters wrap at 178 pixels after "Secondi trascorsi di".
  EXPECT_EQ(flat->size(), QSize(20 * kCharWidth + 22, 2 * kLineHeight + 6));
  EXPECT_EQ(flat->geometry().topLeft(), clock.mapToGlobal(QPoint(20, 10)) + QPoint(12, 12));

  delete &hint;
  EXPECT_EQ(ApplicationHintsTestAccess::HintWindow(application.Hints()), nullptr) << "the flat window went with it";
}
