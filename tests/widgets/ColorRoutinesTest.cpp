#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QImage>
#include <QPainter>

#include "Pixels.h"
#include "widgets/FlatUtils.h"
#include "widgets/HSLUtils.h"
#include "widgets/SpinButton.h"

using namespace pausalo;
using pausalo::testing::PixelAt;

namespace {

constexpr TColor Gray(int level) { return level | (level << 8) | (level << 16); }

}  // namespace

TEST(HslTest, ConvertsPrimaryAndGrayColours) {
  EXPECT_EQ(ColorToHsl(clWhite), (THsl{0, 0, 240}));
  EXPECT_EQ(ColorToHsl(clBlack), (THsl{0, 0, 0}));
  EXPECT_EQ(ColorToHsl(clRed), (THsl{0, 240, 120}));
  EXPECT_EQ(ColorToHsl(clLime), (THsl{80, 240, 120}));   // 239 / 3 = 79.67
  EXPECT_EQ(ColorToHsl(clBlue), (THsl{159, 240, 120}));  // 239 * 2 / 3 = 159.33
  // Hue below zero wraps: magenta-red, r = 1, b = 0.5.
  EXPECT_EQ(ColorToHsl(0x8000FF).H, 219);
  EXPECT_EQ(ColorToHsl(0x80FF00), (THsl{100, 240, 120}));  // green largest: 239 * 2.5 / 6 = 99.6
  EXPECT_EQ(ColorToHsl(0xFF0080), (THsl{179, 240, 120}));  // blue largest: 239 * 4.5 / 6 = 179.3
}

TEST(HslTest, RoundsHalvesToTheEvenNeighbour) {
  // 255 * L / 240 is 8.5, 25.5 and 212.5 for these lightnesses.
  EXPECT_EQ(HslToColor(0, 0, 8), Gray(8));
  EXPECT_EQ(HslToColor(0, 0, 24), Gray(26));
  EXPECT_EQ(HslToColor(0, 0, 200), Gray(212));
  EXPECT_EQ(HslToColor(0, 0, 100), Gray(106));
}

TEST(HslTest, ConvertsHuesBack) {
  EXPECT_EQ(HslToColor(0, 240, 120), clRed);
  EXPECT_EQ(HslToColor(80, 240, 120), 0x02FF00);  // hue 80/239 lies a little past green
  EXPECT_EQ(HslToColor(0, 0, 240), clWhite);
  for (int level : {0, 17, 128, 200, 255}) {
    const THsl hsl = ColorToHsl(Gray(level));
    EXPECT_NEAR(HslToColor(hsl.H, hsl.S, hsl.L) & 0xFF, level, 1) << level;
  }
}

TEST(AdvancedColorTest, LightensAndDarkensWithTheLightnessCap) {
  // White: lightness 240 + 10; lightening caps at 100 of 240.
  EXPECT_EQ(AdvancedColor(clWhite, clRed, 10, TColorDirection::Lighten), Gray(106));
  EXPECT_EQ(AdvancedColor(clWhite, clRed, 50, TColorDirection::Darken), Gray(212));
  EXPECT_EQ(AdvancedColor(clBlack, clRed, 50, TColorDirection::Darken), clBlack);
  // 0 + 10 + 20 stays under the cap.
  EXPECT_EQ(AdvancedColor(clBlack, clRed, 20, TColorDirection::Lighten), HslToColor(0, 0, 30));
  EXPECT_EQ(AdvancedColor(clWhite, clRed, 0, TColorDirection::Lighten), clRed);
}

TEST(DrawBevelFrameTest, CornersTakeTheBottomColour) {
  QImage image(6, 5, QImage::Format_RGB32);
  image.fill(Qt::white);
  {
    QPainter painter(&image);
    DrawBevelFrame(painter, image.rect(), clRed, clBlue, 1);
  }
  EXPECT_EQ(PixelAt(image, 0, 0), clRed);
  EXPECT_EQ(PixelAt(image, 4, 0), clRed);
  EXPECT_EQ(PixelAt(image, 0, 3), clRed);
  EXPECT_EQ(PixelAt(image, 5, 0), clBlue);  // top-right corner
  EXPECT_EQ(PixelAt(image, 0, 4), clBlue);  // bottom-left corner
  EXPECT_EQ(PixelAt(image, 5, 4), clBlue);
  EXPECT_EQ(PixelAt(image, 3, 4), clBlue);
  EXPECT_EQ(PixelAt(image, 5, 2), clBlue);
  EXPECT_EQ(PixelAt(image, 1, 1), clWhite);
}

TEST(DrawBevelFrameTest, WidthDrawsNestedRings) {
  QImage image(6, 6, QImage::Format_RGB32);
  image.fill(Qt::white);
  {
    QPainter painter(&image);
    EXPECT_EQ(DrawBevelFrame(painter, image.rect(), clRed, clBlue, 2), QRect(2, 2, 2, 2)) << "the inside is left";
  }
  EXPECT_EQ(PixelAt(image, 1, 1), clRed);
  EXPECT_EQ(PixelAt(image, 4, 1), clBlue);
  EXPECT_EQ(PixelAt(image, 1, 4), clBlue);
  EXPECT_EQ(PixelAt(image, 2, 2), clWhite);
}

TEST(TransparentKeyTest, BottomLeftPixelNoneAndMonochromeRules) {
  QImage colour(2, 2, QImage::Format_RGB32);
  colour.fill(Qt::red);
  colour.setPixelColor(0, 1, Qt::green);
  EXPECT_EQ(TransparentColorOf(colour), FromQColor(Qt::green));
  const QImage keyed = WithTransparentKey(colour, clDefault);
  EXPECT_EQ(qAlpha(keyed.pixel(0, 1)), 0);
  EXPECT_EQ(qAlpha(keyed.pixel(1, 1)), 255);
  EXPECT_EQ(WithTransparentKey(colour, clNone), colour);
  EXPECT_EQ(qAlpha(WithTransparentKey(colour, clRed).pixel(0, 0)), 0);

  QImage mono(2, 2, QImage::Format_Mono);
  mono.fill(1);
  mono.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
  mono.setPixel(0, 0, 0);
  EXPECT_EQ(TransparentColorOf(mono), clWhite);
  const QImage monoKeyed = WithTransparentKey(mono, clBlack);
  EXPECT_EQ(qAlpha(monoKeyed.pixel(0, 0)), 255) << "monochrome bitmaps always key on white";
  EXPECT_EQ(qAlpha(monoKeyed.pixel(1, 1)), 0);
}

TEST(MakeDisabledGlyphTest, EngravesTheArrow) {
  const QImage arrow = GlyphResource("FlatUp");
  const TColor face = 0x101010;
  const TColor light = 0xEEEEEE;
  const TColor dark = 0x777777;
  const QImage disabled = MakeDisabledGlyph(arrow, clBlack, face, light, dark);
  ASSERT_EQ(disabled.size(), QSize(5, 5));
  for (int y = 0; y < 5; ++y) {
    for (int x = 0; x < 5; ++x) {
      const bool arrowPixel = arrow.pixel(x, y) == qRgb(0, 0, 0);
      const bool lightPixel = x > 0 && y > 0 && arrow.pixel(x - 1, y - 1) == qRgb(0, 0, 0);
      const TColor expected = arrowPixel ? dark : lightPixel ? light : face;
      EXPECT_EQ(PixelAt(disabled, x, y), expected) << x << "," << y;
    }
  }
  EXPECT_EQ(PixelAt(disabled, 0, 4), face);  // becomes the transparent colour
}

TEST(MakeDisabledGlyphTest, MarksTheWhitePixelsOfAMonochromeImage) {
  QImage mono(3, 1, QImage::Format_Mono);
  mono.setColor(0, qRgb(0, 0, 0));
  mono.setColor(1, qRgb(255, 255, 255));
  mono.setPixel(0, 0, 1);
  mono.setPixel(1, 0, 0);
  mono.setPixel(2, 0, 1);
  const QImage disabled = MakeDisabledGlyph(mono, clBlack, clBlue, clRed, clLime, false);
  EXPECT_EQ(PixelAt(disabled, 0, 0), clLime);
  EXPECT_EQ(PixelAt(disabled, 1, 0), clBlue);
  EXPECT_EQ(PixelAt(disabled, 2, 0), clLime);
}

TEST(LayoutGlyphAndTextTest, PlacesArrowGlyphs) {
  const QFontMetrics metrics{QFont()};
  const QRect arrow(0, 0, 11, 17);
  const QSize glyph(5, 5);
  EXPECT_EQ(LayoutGlyphAndText(arrow, {}, {}, TButtonLayout::blGlyphTop, 2, 4, glyph, 1, metrics).GlyphPos,
            QPoint(3, 2));
  EXPECT_EQ(LayoutGlyphAndText(arrow, {}, {}, TButtonLayout::blGlyphBottom, 2, 4, glyph, 1, metrics).GlyphPos,
            QPoint(3, 10));
  EXPECT_EQ(LayoutGlyphAndText(arrow, {1, 1}, {}, TButtonLayout::blGlyphBottom, 2, 4, glyph, 1, metrics).GlyphPos,
            QPoint(4, 11));
  EXPECT_TRUE(
      LayoutGlyphAndText(arrow, {}, {}, TButtonLayout::blGlyphTop, 2, 4, glyph, 1, metrics).TextBounds.isNull());
}

TEST(LayoutGlyphAndTextTest, CentresGlyphAndCaptionAlongTheLayout) {
  const QFontMetrics metrics{QFont()};
  const QString caption = "&Ab";  // measured as shown: the ampersand takes no room
  const int textWidth = metrics.horizontalAdvance("Ab");
  const QRect client(10, 20, 100, 30);
  const QSize strip(20, 10);  // two images of 10 x 10

  const auto left = LayoutGlyphAndText(client, {}, caption, TButtonLayout::blGlyphLeft, -1, 4, strip, 2, metrics);
  const int margin = (100 - (10 + 4 + textWidth) + 1) / 2;
  EXPECT_EQ(left.GlyphPos, QPoint(10 + margin, 20 + (30 - 10 + 1) / 2));
  EXPECT_EQ(left.TextBounds.left(), 10 + margin + 10 + 4);

  const auto right = LayoutGlyphAndText(client, {}, caption, TButtonLayout::blGlyphRight, -1, -1, strip, 2, metrics);
  const int even = (100 - 10 - textWidth) / 3;
  EXPECT_EQ(right.GlyphPos.x(), 10 + 100 - even - 10);
  EXPECT_EQ(right.TextBounds.left(), 10 + 100 - even - 10 - even - textWidth);

  // With a margin, centred spacing takes half of the room left.
  const QRect tall(10, 20, 100, 60);
  const int textHeight = metrics.height();
  const auto top = LayoutGlyphAndText(tall, {}, caption, TButtonLayout::blGlyphTop, 3, -1, strip, 2, metrics);
  EXPECT_EQ(top.GlyphPos, QPoint(10 + (100 - 10 + 1) / 2, 20 + 3));
  EXPECT_EQ(top.TextBounds.top(), 20 + 3 + 10 + (60 - 13 - textHeight) / 2);

  // Without a caption the spacing does not count.
  const auto alone = LayoutGlyphAndText(client, {}, {}, TButtonLayout::blGlyphLeft, -1, 4, strip, 2, metrics);
  EXPECT_EQ(alone.GlyphPos.x(), 10 + (100 - 10 + 1) / 2);
}
