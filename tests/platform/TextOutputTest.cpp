#include <gtest/gtest.h>

#include <QPainter>

#include "Pixels.h"
#include "platform/TextOutput.h"

using namespace pausalo;
using namespace pausalo::testing;

namespace {

QRect Measure(const QString& text, QRect rect, TTextFormat format = 0) {
  const QFontMetrics metrics(BlockFont());
  TextCanvas(metrics).DrawText(text, rect, format | DT_CALCRECT);
  return rect;
}

// Draws in red on black and returns the image.
QImage Draw(const QString& text, QRect rect, TTextFormat format, QSize size = {120, 60}) {
  QImage image(size, QImage::Format_RGB32);
  image.fill(Qt::black);
  QPainter painter(&image);
  painter.setFont(BlockFont());
  TextCanvas canvas(painter);
  canvas.SetTextColor(Qt::red);
  canvas.DrawText(text, rect, format);
  return image;
}

}  // namespace

TEST(PrefixRuleTest, AmpersandsMarkTheNextCharacterAndDoubleOnesShowOne) {
  EXPECT_EQ(StripAccelChars("&File"), "File");
  EXPECT_EQ(StripAccelChars("Fish && Chips"), "Fish & Chips");
  EXPECT_EQ(StripAccelChars("&&&x"), "&x");
  EXPECT_EQ(StripAccelChars("&"), "");
  EXPECT_EQ(StripAccelChars("end&"), "end");

  EXPECT_EQ(AcceleratorChar("&File &Save"), QChar('S')) << "the last single ampersand counts";
  EXPECT_EQ(AcceleratorChar("&&&x"), QChar('x'));
  EXPECT_TRUE(AcceleratorChar("Fish && Chips").isNull());
  EXPECT_TRUE(AcceleratorChar("end&").isNull());
}

TEST(TextMeasureTest, ExtentOfLinesKeepsLeftAndTop) {
  EXPECT_EQ(Measure("Hello", QRect(5, 7, 1, 1)), QRect(5, 7, 5 * kCharWidth, kLineHeight));
  EXPECT_EQ(Measure("ab\ncd\r\nlonger", QRect(0, 0, 1, 1)), QRect(0, 0, 6 * kCharWidth, 3 * kLineHeight));
  EXPECT_EQ(Measure("ab\ncd", QRect(0, 0, 1, 1), DT_SINGLELINE).height(), kLineHeight);
  EXPECT_EQ(Measure("", QRect(3, 4, 50, 50)), QRect(3, 4, 0, 0)) << "nothing to measure, no line";
  EXPECT_EQ(Measure("a ", QRect(0, 0, 1, 1)).width(), 2 * kCharWidth) << "trailing spaces count";
}

TEST(TextMeasureTest, PrefixRuleUnlessNoPrefix) {
  EXPECT_EQ(Measure("&Hello", QRect()).width(), 5 * kCharWidth);
  EXPECT_EQ(Measure("&Hello", QRect(), DT_NOPREFIX).width(), 6 * kCharWidth);
  EXPECT_EQ(Measure("&", QRect()).width(), 0);
  EXPECT_EQ(Measure("& ", QRect()).width(), kCharWidth) << "an underlined space";
}

TEST(TextMeasureTest, WordBreakFillsLinesGreedilyAndDropsTheBreakingSpaces) {
  // "aaa bbb" is 49 pixels.
  EXPECT_EQ(Measure("aaa bbb ccc", QRect(0, 0, 49, 0), DT_WORDBREAK), QRect(0, 0, 49, 2 * kLineHeight));
  EXPECT_EQ(Measure("aaa bbb ccc", QRect(0, 0, 48, 0), DT_WORDBREAK), QRect(0, 0, 21, 3 * kLineHeight));
  EXPECT_EQ(Measure("aaa   bbb", QRect(0, 0, 30, 0), DT_WORDBREAK), QRect(0, 0, 21, 2 * kLineHeight));
  EXPECT_EQ(Measure("aaa bbb ccc", QRect(0, 0, 48, 0)), QRect(0, 0, 77, kLineHeight)) << "no break without the flag";
}

TEST(TextMeasureTest, AWordWiderThanTheWidthStandsAloneAndWidensTheText) {
  EXPECT_EQ(Measure("a verylongword b", QRect(0, 0, 30, 0), DT_WORDBREAK),
            QRect(0, 0, 12 * kCharWidth, 3 * kLineHeight));
}

TEST(TextMeasureTest, ExpandedTabsJumpToStopsEightCharactersApart) {
  EXPECT_EQ(Measure("a\tb", QRect(), DT_EXPANDTABS).width(), 8 * kCharWidth + kCharWidth);
  EXPECT_EQ(Measure("abcdefgh\tb", QRect(), DT_EXPANDTABS).width(), 16 * kCharWidth + kCharWidth);
  EXPECT_EQ(Measure("\t\t", QRect(), DT_EXPANDTABS).width(), 16 * kCharWidth);
}

TEST(TextDrawTest, LinesAreAlignedInTheRectangleAndStackedByLineHeight) {
  const QRect rect(10, 5, 50, 40);
  EXPECT_EQ(InkBox(Draw(kBlock, rect, DT_LEFT), Qt::red), QRect(10, 5, kCharWidth, kLineHeight));
  EXPECT_EQ(InkBox(Draw(kBlock, rect, DT_RIGHT), Qt::red), QRect(60 - kCharWidth, 5, kCharWidth, kLineHeight));
  EXPECT_EQ(InkBox(Draw(kBlock, rect, DT_CENTER), Qt::red), QRect(10 + (50 - 7) / 2, 5, kCharWidth, kLineHeight));
  EXPECT_EQ(InkBox(Draw(kBlock + "\n" + kBlock + kBlock, rect, DT_RIGHT), Qt::red),
            QRect(60 - 2 * kCharWidth, 5, 2 * kCharWidth, 2 * kLineHeight));
}

TEST(TextDrawTest, TabsExpandWhenDrawing) {
  EXPECT_EQ(InkBox(Draw("\t" + kBlock, QRect(0, 0, 120, 20), DT_EXPANDTABS), Qt::red),
            QRect(8 * kCharWidth, 0, kCharWidth, kLineHeight));
}

TEST(TextDrawTest, DrawingIsClippedToTheRectangleUnlessNoClip) {
  const QString wide = kBlock.repeated(6);
  EXPECT_EQ(InkBox(Draw(wide, QRect(10, 5, 14, 40), DT_LEFT), Qt::red), QRect(10, 5, 14, kLineHeight));
  EXPECT_EQ(InkBox(Draw(wide, QRect(10, 5, 14, 40), DT_LEFT | DT_NOCLIP), Qt::red),
            QRect(10, 5, 6 * kCharWidth, kLineHeight));
  EXPECT_EQ(InkBox(Draw(kBlock, QRect(10, 5, 14, 6), DT_LEFT), Qt::red), QRect(10, 5, kCharWidth, 6));
}

TEST(TextDrawTest, TheAcceleratorIsUnderlinedOnTheBaseline) {
  const QFontMetrics metrics(BlockFont());
  const QRect afterBlock(10 + kCharWidth, 0, 50, 60);
  const QRect underline = InkBox(Draw(kBlock + "& ", QRect(10, 5, 100, 40), DT_LEFT).copy(afterBlock), Qt::red)
                              .translated(afterBlock.topLeft());
  EXPECT_EQ(underline.left(), 10 + kCharWidth) << "under the character after the ampersand";
  EXPECT_EQ(underline.width(), kCharWidth);
  EXPECT_GE(underline.top(), 5 + metrics.ascent()) << "below the baseline";
  EXPECT_LT(underline.bottom(), 5 + kLineHeight) << "within the line";
  EXPECT_TRUE(InkBox(Draw("& ", QRect(10, 5, 100, 40), DT_NOPREFIX), Qt::red).left() < 10 + kCharWidth)
      << "the ampersand itself is drawn";
  EXPECT_TRUE(InkBox(Draw("  ", QRect(10, 5, 100, 40), DT_LEFT), Qt::red).isEmpty());
}

TEST(TextDrawTest, MeasuringDrawsNothing) {
  EXPECT_TRUE(InkBox(Draw(kBlock, QRect(10, 5, 50, 40), DT_CALCRECT), Qt::red).isEmpty());
}
