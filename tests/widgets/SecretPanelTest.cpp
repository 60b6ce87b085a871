#include <gtest/gtest.h>

#include <QAccessible>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <atomic>
#include <climits>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "EventLoopWaits.h"
#include "WidgetTestAccess.h"
#include "platform/Application.h"
#include "platform/Exception.h"
#include "widgets/Credits.h"
#include "widgets/SecretPanel.h"

using namespace pausalo;
using namespace std::chrono_literals;
using pausalo::testing::ProcessEventsFor;
using pausalo::testing::ProcessEventsUntil;

namespace {

const QColor Yellow(255, 255, 0);
const QColor Blue(0, 0, 255);

// The smallest DejaVu Sans whose line height (height plus leading) is lineHeight.
QFont FontWithLineHeight(int lineHeight) {
  for (int pixels = 6; pixels < 40; ++pixels) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(pixels);
    const QFontMetrics metrics(font);
    if (metrics.height() + std::max(0, metrics.leading()) == lineHeight) return font;
  }
  ADD_FAILURE() << "no font with line height " << lineHeight;
  return QFont();
}

QFont SmallFont() {
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setPixelSize(11);
  return font;
}

// Where a shot differs from the background inside an area.
struct Ink {
  int left = INT_MAX, top = INT_MAX, right = -1, bottom = -1;
  int pixels = 0;
  bool None() const { return pixels == 0; }
};

// Where the pixels inside an area are of a kind.
Ink InkWhere(const QImage& shot, const QRect& area, const std::function<bool(QColor)>& isInk) {
  Ink ink;
  for (int y = area.top(); y <= area.bottom(); ++y) {
    for (int x = area.left(); x <= area.right(); ++x) {
      if (!isInk(shot.pixelColor(x, y))) continue;
      ++ink.pixels;
      ink.left = std::min(ink.left, x);
      ink.right = std::max(ink.right, x);
      ink.top = std::min(ink.top, y);
      ink.bottom = std::max(ink.bottom, y);
    }
  }
  return ink;
}

Ink InkIn(const QImage& shot, const QRect& area, const QColor& background) {
  return InkWhere(shot, area, [&](QColor pixel) { return pixel != background; });
}

// Lighter than the yellow background: only a white copy gives those.
Ink LighterThanYellow(const QImage& shot, const QRect& area) {
  return InkWhere(shot, area,
                  [](QColor pixel) { return pixel.red() == 255 && pixel.green() == 255 && pixel.blue() > 0; });
}

// Counts the paint events of a widget that reach an area while it lives.
struct TextAreaPaints final : QObject {
  TextAreaPaints(QWidget& widget, const QRect& area) : widget(widget), area(area) { widget.installEventFilter(this); }
  ~TextAreaPaints() override { widget.removeEventFilter(this); }
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint && static_cast<QPaintEvent*>(event)->region().intersects(area)) ++count;
    return false;
  }
  QWidget& widget;
  const QRect area;
  int count = 0;
};

class SecretPanelTest : public ::testing::Test {
 protected:
  SecretPanelTest() {
    application.OnException = [this](const std::exception& error) { reported.push_back(error.what()); };
  }

  // A shown panel on a yellow background with blue lettering whose timer
  // never ticks (Interval 0): the tests step it with ScrollTick.
  std::unique_ptr<TSecretPanel> SteppedPanel(QSize size = {200, 120}) {
    auto panel = std::make_unique<TSecretPanel>();
    panel->resize(size);
    panel->setFont(SmallFont());
    panel->SetColor(clYellow);
    panel->SetFontColor(clBlue);
    panel->SetInterval(0);
    panel->show();
    return panel;
  }

  static void Step(TSecretPanel& panel, int ticks) {
    for (int i = 0; i < ticks; ++i) panel.ScrollTick(nullptr);
  }
  static QImage Shot(TSecretPanel& panel) { return panel.grab().toImage().convertToFormat(QImage::Format_RGB32); }

  TApplication application;
  std::vector<std::string> reported;
};

}  // namespace

TEST_F(SecretPanelTest, StartsInactiveWithItsDefaultsAndAnIdleTimer) {
  TSecretPanel panel;
  EXPECT_FALSE(panel.Active());
  EXPECT_EQ(panel.Alignment(), taCenter);
  EXPECT_TRUE(panel.AsyncDrawing());
  EXPECT_FALSE(panel.Cycled());
  EXPECT_EQ(panel.GlyphLayout(), glGlyphLeft);
  EXPECT_EQ(panel.Interval(), 30u);
  EXPECT_EQ(panel.ScrollDirection(), sdVertical);
  EXPECT_EQ(panel.TextStyle(), bvNone);
  EXPECT_EQ(panel.BevelOuter(), bvLowered);
  EXPECT_EQ(panel.BevelInner(), bvNone);
  EXPECT_EQ(panel.BevelWidth(), 1);
  EXPECT_EQ(panel.Color(), clBtnFace);
  EXPECT_TRUE(panel.Lines().isEmpty());
  EXPECT_TRUE(panel.Glyph().isNull());
  EXPECT_FALSE(SecretPanelTestAccess::HasTextImage(panel));
  EXPECT_EQ(panel.LineHeight(), 1);
  EXPECT_FALSE(SecretPanelTestAccess::Timer(panel).Enabled());
  EXPECT_FALSE(SecretPanelTestAccess::Timer(panel).SyncEvent());
  EXPECT_TRUE(SecretPanelTestAccess::Timer(panel).Worker().Suspended());
}

TEST_F(SecretPanelTest, BorderInsetCountsBorderAndTheBevelsThatAreDrawn) {
  TSecretPanel panel;
  EXPECT_EQ(panel.BorderInset(), 1);
  panel.SetBorderWidth(3);
  EXPECT_EQ(panel.BorderInset(), 4);
  panel.SetBevelInner(bvRaised);
  panel.SetBevelWidth(2);
  EXPECT_EQ(panel.BorderInset(), 7);
  panel.SetBevelOuter(bvNone);
  EXPECT_EQ(panel.BorderInset(), 5);
}

// The Info page's panel: inset 4, text area 167 x 190, extent 333.
TEST_F(SecretPanelTest, TheProgramsInstanceLaysOutAsWorkedOut) {
  TSecretPanel panel;
  panel.resize(276, 204);
  panel.SetInterval(0);
  panel.SetCycled(true);
  panel.SetGlyph(QImage(QString::fromLatin1(CreditGlyphResource)));
  ASSERT_EQ(panel.Glyph().size(), QSize(85, 100));
  panel.SetGlyphLayout(glGlyphRight);
  panel.SetBorderWidth(3);
  panel.setFont(FontWithLineHeight(13));
  panel.SetFontColor(clBlue);
  panel.SetLines(CreditLines());
  ASSERT_EQ(panel.Lines().size(), 11);
  panel.SetActive(true);

  EXPECT_EQ(panel.BorderInset(), 4);
  EXPECT_EQ(panel.minimumSizeHint(), QSize(85 + 2 * 4, 100 + 2 * 4)) << "the glyph in its frame";
  EXPECT_EQ(SecretPanelTestAccess::InnerArea(panel), QRect(QPoint(4, 4), QPoint(271, 199)));
  EXPECT_EQ(SecretPanelTestAccess::GlyphPosition(panel), QPoint(181, 52));
  EXPECT_EQ(SecretPanelTestAccess::TextArea(panel), QRect(7, 7, 167, 190));
  EXPECT_EQ(SecretPanelTestAccess::TextImageSize(panel), QSize(167, 190));
  EXPECT_EQ(panel.LineHeight(), 13);
  EXPECT_EQ(SecretPanelTestAccess::FirstTextLine(panel), 0);
  EXPECT_EQ(SecretPanelTestAccess::ScrollExtent(panel), 333);
}

TEST_F(SecretPanelTest, GlyphLayoutsPlaceTheGlyphAndLeaveTheirGap) {
  auto panel = SteppedPanel({100, 80});
  panel->SetGlyph(QImage(20, 10, QImage::Format_RGB32));
  panel->SetActive(true);
  const QRect withoutGlyphSide(QPoint(4, 4), QPoint(95, 75));

  struct Case {
    TGlyphLayout layout;
    QPoint glyph;
    QRect text;
  };
  const Case cases[] = {
      {glGlyphLeft, {7, 35}, QRect(QPoint(31, 4), withoutGlyphSide.bottomRight())},
      {glGlyphRight, {73, 35}, QRect(withoutGlyphSide.topLeft(), QPoint(68, 75))},
      {glGlyphTop, {40, 7}, QRect(QPoint(4, 24), withoutGlyphSide.bottomRight())},
      {glGlyphBottom, {40, 63}, QRect(withoutGlyphSide.topLeft(), QPoint(95, 55))},
  };
  for (const Case& c : cases) {
    panel->SetGlyphLayout(c.layout);
    EXPECT_EQ(SecretPanelTestAccess::GlyphPosition(*panel), c.glyph) << "layout " << int(c.layout);
    EXPECT_EQ(SecretPanelTestAccess::TextArea(*panel), c.text) << "layout " << int(c.layout);
  }

  panel->SetGlyph(QImage());
  EXPECT_EQ(SecretPanelTestAccess::TextArea(*panel), withoutGlyphSide) << "no glyph, no gap";

  panel->SetGlyphLayout(glGlyphRight);
  panel->SetGlyph(QImage(200, 10, QImage::Format_RGB32));
  EXPECT_EQ(SecretPanelTestAccess::GlyphPosition(*panel).x(), 4) << "a glyph wider than the area starts at its left";
  EXPECT_EQ(SecretPanelTestAccess::TextArea(*panel), QRect(0, 0, 0, 0)) << "no room for text";
}

TEST_F(SecretPanelTest, LeadingBlankLinesAreSkippedAndTheRestLengthenTheVerticalPass) {
  auto panel = SteppedPanel();
  panel->SetLines({"", " \t", "Alpha", "", "Beta"});
  panel->SetActive(true);
  const int height = SecretPanelTestAccess::TextArea(*panel).height();
  const int lineHeight = panel->LineHeight();
  EXPECT_EQ(SecretPanelTestAccess::FirstTextLine(*panel), 2);
  EXPECT_EQ(SecretPanelTestAccess::ScrollExtent(*panel), height + 3 * lineHeight);

  panel->SetLines({"", "   "});
  EXPECT_EQ(SecretPanelTestAccess::FirstTextLine(*panel), 2);
  EXPECT_EQ(SecretPanelTestAccess::ScrollExtent(*panel), height) << "every line blank";

  panel->SetLines({});
  EXPECT_EQ(SecretPanelTestAccess::FirstTextLine(*panel), 0);
  EXPECT_EQ(SecretPanelTestAccess::ScrollExtent(*panel), height);

  const QFontMetrics metrics(SmallFont());
  EXPECT_EQ(panel->LineHeight(), metrics.height() + std::max(0, metrics.leading()));
  panel->SetTextStyle(bvSpace);
  EXPECT_EQ(panel->LineHeight(), lineHeight + 1) << "any text style adds a pixel";
}

TEST_F(SecretPanelTest, HorizontalExtentIsTheWidestWholeLineAndTheLinesStandCentred) {
  auto panel = SteppedPanel({200, 120});
  const QString longLine(300, QLatin1Char('M'));
  panel->SetScrollDirection(sdHorizontal);
  panel->SetLines({"", "short", longLine, "", " "});
  panel->SetActive(true);
  const QFontMetrics metrics(SmallFont());
  const int lineHeight = panel->LineHeight();
  const QRect text = SecretPanelTestAccess::TextArea(*panel);
  EXPECT_EQ(text.width(), 200 - 2 * 4);
  EXPECT_EQ(SecretPanelTestAccess::ScrollExtent(*panel), metrics.horizontalAdvance(longLine) + text.width());

  const int freeHeight = (120 - 2 * 4) - 2 * lineHeight;  // trailing blanks do not count
  EXPECT_EQ(text.top(), 4 + freeHeight / 2);
  EXPECT_EQ(text.bottom() + 1, 116 - freeHeight / 2);
}

TEST_F(SecretPanelTest, VerticalFramesBringTheLinesUpFromTheBottomEdge) {
  auto panel = SteppedPanel();
  panel->SetLines({"Pausalo", "Hello"});
  panel->SetActive(true);
  const QRect text = SecretPanelTestAccess::TextArea(*panel);
  const int lineHeight = panel->LineHeight();
  EXPECT_TRUE(InkIn(Shot(*panel), text, Yellow).None()) << "position 0 shows nothing yet";

  Step(*panel, lineHeight);
  EXPECT_EQ(SecretPanelTestAccess::ScrollPosition(*panel), lineHeight);
  Ink ink = InkIn(Shot(*panel), text, Yellow);
  ASSERT_FALSE(ink.None());
  EXPECT_GE(ink.top, text.bottom() + 1 - lineHeight) << "only the first line is in";

  Step(*panel, text.height() / 2);
  ink = InkIn(Shot(*panel), text, Yellow);
  EXPECT_GE(ink.top, text.bottom() + 1 - lineHeight - text.height() / 2);
  EXPECT_LT(ink.bottom, text.bottom() + 1 - text.height() / 2 + lineHeight);

  Step(*panel, SecretPanelTestAccess::ScrollExtent(*panel) - SecretPanelTestAccess::ScrollPosition(*panel));
  EXPECT_EQ(SecretPanelTestAccess::ScrollPosition(*panel), SecretPanelTestAccess::ScrollExtent(*panel));
  EXPECT_TRUE(InkIn(Shot(*panel), text, Yellow).None()) << "every line has left at the top";
}

TEST_F(SecretPanelTest, APanelThatWasNeverShownKeepsTickingWithoutDrawing) {
  TSecretPanel panel;
  panel.resize(200, 120);
  panel.SetColor(clYellow);
  panel.SetInterval(0);
  panel.SetLines({"Pausalo"});
  panel.SetActive(true);
  Step(panel, 20);
  EXPECT_EQ(SecretPanelTestAccess::ScrollPosition(panel), 20);
  EXPECT_TRUE(InkIn(Shot(panel), SecretPanelTestAccess::TextArea(panel), Yellow).None());
}

TEST_F(SecretPanelTest, HorizontalFramesBringTheLineBoxInFromTheReadingSide) {
  auto panel = SteppedPanel();
  panel->SetScrollDirection(sdHorizontal);
  panel->SetAlignment(taLeftJustify);
  panel->SetLines({"Pausalo"});
  panel->SetActive(true);
  const QRect text = SecretPanelTestAccess::TextArea(*panel);
  Step(*panel, 20);
  Ink ink = InkIn(Shot(*panel), text, Yellow);
  ASSERT_FALSE(ink.None());
  EXPECT_GE(ink.left, text.left() + text.width() - 20 - 1);

  panel->SetActive(false);
  panel->setLayoutDirection(Qt::RightToLeft);
  panel->SetActive(true);
  Step(*panel, 20);
  ink = InkIn(Shot(*panel), text, Yellow);
  ASSERT_FALSE(ink.None());
  EXPECT_LE(ink.right, text.left() + 20) << "right-to-left reading enters at the left edge";
}

TEST_F(SecretPanelTest, OnlyTheFirst255CharactersOfALineAreDrawn) {
  auto panel = SteppedPanel({1400, 60});
  const QString line(300, QLatin1Char('i'));
  panel->SetAlignment(taLeftJustify);
  panel->SetLines({line});
  panel->SetActive(true);
  Step(*panel, panel->LineHeight());
  const QFontMetrics metrics(SmallFont());
  const Ink ink = InkIn(Shot(*panel), SecretPanelTestAccess::TextArea(*panel), Yellow);
  ASSERT_FALSE(ink.None());
  EXPECT_LT(ink.right, SecretPanelTestAccess::TextArea(*panel).left() + metrics.horizontalAdvance(line.left(256)));
  EXPECT_GT(ink.right, SecretPanelTestAccess::TextArea(*panel).left() + metrics.horizontalAdvance(line.left(250)));
}

TEST_F(SecretPanelTest, TextStylesDrawAHighlightCopyExceptTheSpaceStyle) {
  auto panel = SteppedPanel();
  panel->SetLines({"Pausalo"});
  panel->SetActive(true);
  ASSERT_EQ(ToQColor(clBtnHighlight), QColor(Qt::white));
  // The white copy's ink, and all ink.
  const auto styled = [&](TBevelCut style) {
    panel->SetTextStyle(style);
    Step(*panel, 1);
    const QImage shot = Shot(*panel);
    const QRect area = SecretPanelTestAccess::TextArea(*panel);
    return std::pair{LighterThanYellow(shot, area), InkIn(shot, area, Yellow)};
  };
  Step(*panel, 20);
  EXPECT_TRUE(styled(bvNone).first.None());
  EXPECT_TRUE(styled(bvSpace).first.None());
  // Raised: the copy one pixel up and left; lowered: down and right.
  const auto [raised, raisedInk] = styled(bvRaised);
  EXPECT_EQ(QPoint(raised.left, raised.top), QPoint(raisedInk.left, raisedInk.top));
  EXPECT_LT(raised.right, raisedInk.right);
  const auto [lowered, loweredInk] = styled(bvLowered);
  EXPECT_EQ(QPoint(lowered.right, lowered.bottom), QPoint(loweredInk.right, loweredInk.bottom));
  EXPECT_GT(lowered.left, loweredInk.left);
}

TEST_F(SecretPanelTest, ChangesWhileActiveRestartThePassOnlyForLinesAndDirection) {
  auto panel = SteppedPanel();
  panel->SetLines({"One", "Two"});
  panel->SetActive(true);
  const auto stepThen = [&](const std::function<void()>& change) {
    Step(*panel, 5);
    const int before = SecretPanelTestAccess::ScrollPosition(*panel);
    change();
    return std::pair(before, SecretPanelTestAccess::ScrollPosition(*panel));
  };
  auto [before, after] = stepThen([&] { panel->SetTextStyle(bvRaised); });
  EXPECT_EQ(after, before);
  std::tie(before, after) = stepThen([&] { panel->SetGlyphLayout(glGlyphTop); });
  EXPECT_EQ(after, before);
  std::tie(before, after) = stepThen([&] { panel->SetGlyph(QImage(8, 8, QImage::Format_RGB32)); });
  EXPECT_EQ(after, before);
  std::tie(before, after) = stepThen([&] { panel->setFont(FontWithLineHeight(20)); });
  EXPECT_EQ(after, before);
  EXPECT_EQ(panel->LineHeight(), 21) << "the font change rebuilt the image";
  std::tie(before, after) = stepThen([&] { panel->SetColor(clWhite); });
  EXPECT_EQ(after, before);
  std::tie(before, after) = stepThen([&] { panel->SetAlignment(taRightJustify); });
  EXPECT_EQ(after, before);
  std::tie(before, after) = stepThen([&] { panel->SetLines({"Three"}); });
  EXPECT_GT(before, 0);
  EXPECT_EQ(after, 0);
  std::tie(before, after) = stepThen([&] { panel->SetScrollDirection(sdHorizontal); });
  EXPECT_GT(before, 0);
  EXPECT_EQ(after, 0);
}

TEST_F(SecretPanelTest, ChangesWhileInactiveAreOnlyStored) {
  auto panel = SteppedPanel();
  panel->SetLines({"One"});
  panel->SetScrollDirection(sdHorizontal);
  panel->SetGlyph(QImage(8, 8, QImage::Format_RGB32));
  panel->resize(300, 200);
  EXPECT_FALSE(SecretPanelTestAccess::HasTextImage(*panel));
  EXPECT_EQ(SecretPanelTestAccess::TextArea(*panel), QRect());
  EXPECT_EQ(SecretPanelTestAccess::ScrollExtent(*panel), 0);
}

TEST_F(SecretPanelTest, ResizingKeepsThePositionAndAPositionPastTheNewEndEndsThePass) {
  auto panel = SteppedPanel({200, 200});
  panel->SetLines({"One"});
  panel->SetCycled(true);
  panel->SetActive(true);
  Step(*panel, 150);
  panel->resize(200, 80);
  EXPECT_EQ(SecretPanelTestAccess::ScrollPosition(*panel), 150);
  EXPECT_LT(SecretPanelTestAccess::ScrollExtent(*panel), 150);
  Step(*panel, 1);
  EXPECT_EQ(SecretPanelTestAccess::ScrollPosition(*panel), 0) << "cycled: a new pass";

  panel->SetCycled(false);
  panel->resize(200, 200);
  Step(*panel, 150);
  panel->resize(200, 80);
  Step(*panel, 1);
  EXPECT_FALSE(panel->Active()) << "not cycled: the scrolling ends";
}

TEST_F(SecretPanelTest, ACycledPassWrapsFromTheLastPositionToAnEmptyFrame) {
  auto panel = SteppedPanel();
  panel->SetLines({"One"});
  panel->SetCycled(true);
  panel->SetActive(true);
  const int extent = SecretPanelTestAccess::ScrollExtent(*panel);
  Step(*panel, extent);
  EXPECT_EQ(SecretPanelTestAccess::ScrollPosition(*panel), extent);
  Step(*panel, 1);
  EXPECT_EQ(SecretPanelTestAccess::ScrollPosition(*panel), 0);
  EXPECT_TRUE(InkIn(Shot(*panel), SecretPanelTestAccess::TextArea(*panel), Yellow).None())
      << "no text inside at position 0";
  Step(*panel, 1);
  EXPECT_EQ(SecretPanelTestAccess::ScrollPosition(*panel), 1);
  EXPECT_TRUE(panel->Active());
}

TEST_F(SecretPanelTest, AnUncycledPassEndsByDeactivatingAndLeavesFrameAndBackground) {
  auto panel = SteppedPanel();
  panel->SetLines({"One"});
  int stops = 0;
  panel->OnStopPlay = [&](QObject* sender) {
    EXPECT_EQ(sender, panel.get());
    ++stops;
  };
  panel->SetActive(true);
  Step(*panel, SecretPanelTestAccess::ScrollExtent(*panel));
  EXPECT_TRUE(panel->Active()) << "position E is still shown";
  Step(*panel, 1);
  EXPECT_FALSE(panel->Active());
  EXPECT_EQ(stops, 1);
  EXPECT_FALSE(SecretPanelTestAccess::HasTextImage(*panel));
  EXPECT_FALSE(SecretPanelTestAccess::Timer(*panel).Enabled());
  EXPECT_TRUE(panel->isVisible());
  EXPECT_TRUE(InkIn(Shot(*panel), SecretPanelTestAccess::InnerArea(*panel), Yellow).None());
}

TEST_F(SecretPanelTest, ActivatingTwiceDoesNotRestart) {
  auto panel = SteppedPanel();
  panel->SetLines({"One"});
  int starts = 0;
  panel->OnStartPlay = [&](QObject*) { ++starts; };
  panel->SetActive(true);
  Step(*panel, 7);
  panel->SetActive(true);
  EXPECT_EQ(starts, 1);
  EXPECT_EQ(SecretPanelTestAccess::ScrollPosition(*panel), 7);
}

TEST_F(SecretPanelTest, AFailedActivationStaysInactiveWithTheTimerOffAndTheChildrenUntouched) {
  auto panel = SteppedPanel();
  QWidget child(panel.get());
  child.show();
  panel->OnStartPlay = [](QObject*) { throw Exception("no show today"); };
  EXPECT_THROW(panel->SetActive(true), Exception);
  EXPECT_FALSE(panel->Active());
  EXPECT_FALSE(SecretPanelTestAccess::Timer(*panel).Enabled());
  EXPECT_TRUE(child.isVisible());
  EXPECT_TRUE(SecretPanelTestAccess::HasTextImage(*panel)) << "kept for the next activation";

  panel->OnStartPlay = nullptr;
  panel->SetActive(true);
  EXPECT_TRUE(panel->Active());
}

TEST_F(SecretPanelTest, ActivationHidesTheVisibleChildrenAndDeactivationShowsThemAgain) {
  auto panel = SteppedPanel();
  QWidget shown(panel.get());
  QWidget hidden(panel.get());
  shown.show();
  hidden.hide();
  panel->SetActive(true);
  EXPECT_FALSE(shown.isVisible());
  EXPECT_FALSE(hidden.isVisible());
  panel->SetActive(false);
  EXPECT_TRUE(shown.isVisible());
  EXPECT_FALSE(hidden.isVisible()) << "a child hidden before stays hidden";
  // Shown again, the children are no longer remembered as hidden.
  shown.hide();
  panel->SetActive(true);
  panel->SetActive(false);
  EXPECT_FALSE(shown.isVisible());
}

TEST_F(SecretPanelTest, TheGlyphIsDrawnOnlyWhileActiveWithItsBottomLeftColourLeftOut) {
  auto panel = SteppedPanel({276, 204});
  const QImage glyph(QString::fromLatin1(CreditGlyphResource));
  panel->SetGlyph(glyph);
  panel->SetGlyphLayout(glGlyphRight);
  const QPoint mugPixel(30, 60);
  ASSERT_NE(glyph.pixelColor(mugPixel), glyph.pixelColor(0, 99));

  panel->SetActive(true);
  const QPoint at = SecretPanelTestAccess::GlyphPosition(*panel);
  QImage shot = Shot(*panel);
  EXPECT_EQ(shot.pixelColor(at + QPoint(0, 99)), Yellow) << "the background shows through";
  EXPECT_EQ(shot.pixelColor(at + mugPixel), glyph.pixelColor(mugPixel));

  panel->SetActive(false);
  shot = Shot(*panel);
  EXPECT_EQ(shot.pixelColor(at + mugPixel), Yellow);
}

TEST_F(SecretPanelTest, BevelsAndBorderAreDrawnAsRings) {
  auto panel = SteppedPanel({40, 30});
  panel->SetBorderWidth(2);
  panel->SetBevelInner(bvRaised);
  const QColor shadow = ToQColor(clBtnShadow);
  const QColor highlight = ToQColor(clBtnHighlight);
  ASSERT_NE(shadow, highlight);
  const QImage shot = Shot(*panel);
  // Outer lowered ring.
  EXPECT_EQ(shot.pixelColor(0, 0), shadow);
  EXPECT_EQ(shot.pixelColor(10, 0), shadow);
  EXPECT_EQ(shot.pixelColor(0, 10), shadow);
  EXPECT_EQ(shot.pixelColor(39, 10), highlight);
  EXPECT_EQ(shot.pixelColor(10, 29), highlight);
  EXPECT_EQ(shot.pixelColor(39, 0), highlight);
  EXPECT_EQ(shot.pixelColor(0, 29), highlight);
  // Border in the panel colour.
  EXPECT_EQ(shot.pixelColor(1, 10), Yellow);
  EXPECT_EQ(shot.pixelColor(10, 2), Yellow);
  EXPECT_EQ(shot.pixelColor(37, 10), Yellow);
  // Inner raised ring, then the interior.
  EXPECT_EQ(shot.pixelColor(3, 10), highlight);
  EXPECT_EQ(shot.pixelColor(10, 3), highlight);
  EXPECT_EQ(shot.pixelColor(36, 10), shadow);
  EXPECT_EQ(shot.pixelColor(10, 26), shadow);
  EXPECT_EQ(shot.pixelColor(4, 4), Yellow);
}

TEST_F(SecretPanelTest, OnPaintClientPaintsTheBackgroundOfPanelAndFrames) {
  auto panel = SteppedPanel();
  std::vector<QRect> rects;
  panel->SetOnPaintClient([&](QObject* sender, QPainter& canvas, QRect rect) {
    EXPECT_EQ(sender, panel.get());
    rects.push_back(rect);
    canvas.fillRect(rect, Qt::red);
  });
  panel->SetLines({"One"});
  panel->SetActive(true);
  QImage shot = Shot(*panel);
  EXPECT_EQ(shot.pixelColor(SecretPanelTestAccess::InnerArea(*panel).topLeft()), QColor(Qt::red));

  rects.clear();
  Step(*panel, 3);
  ASSERT_FALSE(rects.empty());
  EXPECT_EQ(rects.front(), SecretPanelTestAccess::InnerArea(*panel))
      << "frames get the same fill, in panel coordinates";
  shot = Shot(*panel);
  EXPECT_EQ(shot.pixelColor(SecretPanelTestAccess::TextArea(*panel).topLeft()), QColor(Qt::red));
}

TEST_F(SecretPanelTest, AClickRaisesOnClick) {
  auto panel = SteppedPanel();
  int clicks = 0;
  panel->OnClick = [&](QObject* sender) {
    EXPECT_EQ(sender, panel.get());
    ++clicks;
  };
  const QPointF inside(10, 10);
  QMouseEvent press(QEvent::MouseButtonPress, inside, panel->mapToGlobal(inside), Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
  QMouseEvent release(QEvent::MouseButtonRelease, inside, panel->mapToGlobal(inside), Qt::LeftButton, Qt::NoButton,
                      Qt::NoModifier);
  QCoreApplication::sendEvent(panel.get(), &press);
  QCoreApplication::sendEvent(panel.get(), &release);
  EXPECT_EQ(clicks, 1);

  // A press released outside the panel is no click.
  const QPointF outside(panel->width(), 10);
  QMouseEvent releaseOutside(QEvent::MouseButtonRelease, outside, panel->mapToGlobal(outside), Qt::LeftButton,
                             Qt::NoButton, Qt::NoModifier);
  QCoreApplication::sendEvent(panel.get(), &press);
  QCoreApplication::sendEvent(panel.get(), &releaseOutside);
  EXPECT_EQ(clicks, 1);
}

TEST_F(SecretPanelTest, AssistiveTechnologyReadsTheLinesAndTheActiveState) {
  auto panel = SteppedPanel();
  panel->SetLines(CreditLines());
  QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(panel.get());
  ASSERT_NE(accessible, nullptr);
  EXPECT_EQ(accessible->role(), QAccessible::StaticText);
  EXPECT_EQ(accessible->text(QAccessible::Name), CreditLines().join(QLatin1Char('\n')));
  EXPECT_FALSE(accessible->state().animated);
  panel->SetActive(true);
  EXPECT_TRUE(accessible->state().animated);
}

// With the real worker from here on.

// A shot repaints the panel itself, so the frames' own way to the screen
// is checked by the repaints of the text area they bring about.
TEST_F(SecretPanelTest, TheWorkerDrawsFramesThatReachTheScreen) {
  auto panel = SteppedPanel();
  panel->SetInterval(1);
  panel->SetCycled(true);
  panel->SetLines({"Pausalo", "Hello", "World"});
  panel->SetActive(true);
  const QRect text = SecretPanelTestAccess::TextArea(*panel);
  const TextAreaPaints paints(*panel, text);
  EXPECT_TRUE(ProcessEventsUntil([&] { return paints.count >= 20; })) << paints.count << " repaints";
  EXPECT_TRUE(ProcessEventsUntil([&] { return !InkIn(Shot(*panel), text, Yellow).None(); }));
}

TEST_F(SecretPanelTest, AnUncycledPassEndsOnTheGuiThread) {
  auto panel = SteppedPanel({100, 40});
  panel->SetInterval(1);
  panel->SetLines({"One"});
  std::thread::id stoppedOn;
  panel->OnStopPlay = [&](QObject*) { stoppedOn = std::this_thread::get_id(); };
  panel->SetActive(true);
  ASSERT_TRUE(ProcessEventsUntil([&] { return !panel->Active(); }));
  EXPECT_EQ(stoppedOn, std::this_thread::get_id());
  EXPECT_FALSE(SecretPanelTestAccess::HasTextImage(*panel));
}

TEST_F(SecretPanelTest, WithoutAsyncDrawingTheFramesAreDrawnOnTheGuiThread) {
  auto panel = SteppedPanel();
  panel->SetAsyncDrawing(false);
  EXPECT_TRUE(SecretPanelTestAccess::Timer(*panel).SyncEvent());
  std::atomic<bool> drawnElsewhere{false};
  std::atomic<int> frames{0};
  const auto gui = std::this_thread::get_id();
  panel->SetOnPaintClient([&](QObject*, QPainter& canvas, QRect rect) {
    if (std::this_thread::get_id() != gui) drawnElsewhere = true;
    ++frames;
    canvas.fillRect(rect, Yellow);
  });
  panel->SetInterval(1);
  panel->SetCycled(true);
  panel->SetLines({"One"});
  panel->SetActive(true);
  ASSERT_TRUE(ProcessEventsUntil([&] { return frames > 5; }));
  EXPECT_FALSE(drawnElsewhere);
}

TEST_F(SecretPanelTest, AFrameThatRaisesOnTheWorkerIsReportedAndScrollingGoesOn) {
  auto panel = SteppedPanel();
  std::atomic<int> frames{0};
  const auto gui = std::this_thread::get_id();
  panel->SetOnPaintClient([&](QObject*, QPainter& canvas, QRect rect) {
    if (std::this_thread::get_id() != gui && ++frames == 3) throw Exception("paint failed");
    canvas.fillRect(rect, Yellow);
  });
  panel->SetInterval(1);
  panel->SetCycled(true);
  panel->SetLines({"One"});
  panel->SetActive(true);
  ASSERT_TRUE(ProcessEventsUntil([&] { return !reported.empty() && frames > 10; }));
  EXPECT_EQ(reported.front(), "paint failed");
  EXPECT_TRUE(panel->Active());
}

// Run under the thread sanitizer: every change the GUI thread makes while
// the worker draws.
TEST_F(SecretPanelTest, RepeatedChangesWhileScrollingKeepPanelAndWorkerApart) {
  auto panel = SteppedPanel({276, 204});
  panel->SetGlyph(QImage(QString::fromLatin1(CreditGlyphResource)));
  panel->SetInterval(1);
  panel->SetLines(CreditLines());
  auto* child = new QWidget(panel.get());  // the panel's to free
  child->show();
  for (int round = 0; round < 50; ++round) {
    panel->SetCycled(round % 2 == 0);
    panel->SetActive(true);
    ProcessEventsFor(1ms);
    panel->resize(276 - round % 7 * 20, 204 - round % 5 * 30);
    panel->SetLines(round % 3 == 0 ? CreditLines() : QStringList{"Line", QString(round, QLatin1Char('x'))});
    panel->SetScrollDirection(round % 2 == 0 ? sdHorizontal : sdVertical);
    panel->SetTextStyle(static_cast<TBevelCut>(round % 4));
    panel->SetAlignment(static_cast<TAlignment>(round % 3));
    panel->SetGlyphLayout(static_cast<TGlyphLayout>(round % 4));
    panel->SetColor(round % 2 == 0 ? clWhite : clYellow);
    ProcessEventsFor(1ms);
    panel->SetActive(false);
    EXPECT_TRUE(child->isVisible());
  }
  panel->SetActive(true);
  ProcessEventsFor(2ms);
  panel.reset();  // destroyed while scrolling
}
