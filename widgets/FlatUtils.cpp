#include "widgets/FlatUtils.h"

#include <QPainter>

#include "platform/TextOutput.h"
#include "widgets/HSLUtils.h"

namespace pausalo {

TColor AdvancedColor(TColor base, TColor fallback, TAdvColors percent, TColorDirection direction) {
  if (percent == 0) return fallback;
  THsl hsl = ColorToHsl(ColorToRGB(base));
  hsl.L += 10;
  if (direction == TColorDirection::Lighten) {
    hsl.L = hsl.L + percent > 100 ? 100 : hsl.L + percent;
  } else {
    hsl.L = hsl.L - percent < 0 ? 0 : hsl.L - percent;
  }
  return HslToColor(hsl.H, hsl.S, hsl.L);
}

QRect DrawBevelFrame(QPainter& painter, QRect rect, TColor topColor, TColor bottomColor, int width) {
  const QColor top = ToQColor(topColor);
  const QColor bottom = ToQColor(bottomColor);
  for (int ring = 0; ring < width && rect.width() > 0 && rect.height() > 0; ++ring) {
    painter.fillRect(QRect(rect.left(), rect.top(), rect.width() - 1, 1), top);
    painter.fillRect(QRect(rect.left(), rect.top(), 1, rect.height() - 1), top);
    painter.fillRect(QRect(rect.left(), rect.bottom(), rect.width(), 1), bottom);
    painter.fillRect(QRect(rect.right(), rect.top(), 1, rect.height()), bottom);
    rect.adjust(1, 1, -1, -1);
  }
  return rect;
}

namespace {

bool IsMonochrome(const QImage& image) {
  return image.format() == QImage::Format_Mono || image.format() == QImage::Format_MonoLSB;
}

QImage OutlineMask(const QImage& image, TColor outline) {
  const QRgb marked = IsMonochrome(image) ? qRgb(255, 255, 255) : ToQColor(outline).rgb();
  QImage mask(image.size(), QImage::Format_Mono);
  mask.fill(0);
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if ((image.pixel(x, y) & RGB_MASK) == (marked & RGB_MASK)) mask.setPixel(x, y, 1);
    }
  }
  return mask;
}

void PaintThroughMask(QImage& target, const QImage& mask, QPoint offset, QRgb color) {
  for (int y = 0; y < mask.height(); ++y) {
    for (int x = 0; x < mask.width(); ++x) {
      const QPoint at(x + offset.x(), y + offset.y());
      if (mask.pixelIndex(x, y) == 1 && target.rect().contains(at)) target.setPixel(at, color);
    }
  }
}

}  // namespace

QImage MakeDisabledGlyph(const QImage& image, TColor outline, TColor background, TColor highlight, TColor shadow,
                         bool withHighlight) {
  const QImage mask = OutlineMask(image, outline);
  QImage result(image.size(), QImage::Format_RGB32);
  result.fill(ToQColor(background));
  if (withHighlight) PaintThroughMask(result, mask, QPoint(1, 1), ToQColor(highlight).rgb());
  PaintThroughMask(result, mask, QPoint(0, 0), ToQColor(shadow).rgb());
  return result;
}

QImage WithTransparentColor(const QImage& image, QRgb transparent) {
  QImage result = image.convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < result.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(result.scanLine(y));
    for (int x = 0; x < result.width(); ++x) {
      if ((line[x] & RGB_MASK) == (transparent & RGB_MASK)) line[x] = 0;
    }
  }
  return result;
}

TColor TransparentColorOf(const QImage& bitmap) {
  if (bitmap.isNull()) return clNone;
  if (bitmap.depth() == 1) return clWhite;
  return FromQColor(bitmap.pixelColor(0, bitmap.height() - 1));
}

QImage WithTransparentKey(const QImage& bitmap, TColor key) {
  if (bitmap.isNull() || key == clNone) return bitmap;
  if (key == clDefault) key = FromQColor(bitmap.pixelColor(0, bitmap.height() - 1));
  return WithTransparentColor(bitmap, bitmap.depth() == 1 ? qRgb(255, 255, 255) : ToQColor(key).rgb());
}

TGlyphTextPlacement LayoutGlyphAndText(const QRect& client, QPoint offset, const QString& caption, TButtonLayout layout,
                                       int margin, int spacing, QSize glyphStrip, int numGlyphs,
                                       const QFontMetrics& metrics) {
  const int w = client.width();
  const int h = client.height();
  const QSize glyph = glyphStrip.isEmpty() || numGlyphs < 1
                          ? QSize(0, 0)
                          : QSize(glyphStrip.width() / numGlyphs, glyphStrip.height());
  QRect text;
  if (!caption.isEmpty()) {
    text = QRect(0, 0, w, 0);
    TextCanvas(metrics).DrawText(caption, text, DT_CALCRECT | DT_SINGLELINE);
  }
  const QSize textSize = caption.isEmpty() ? QSize(0, 0) : text.size();

  QPoint glyphPos;
  QPoint textPos;
  const bool horizontal = layout == TButtonLayout::blGlyphLeft || layout == TButtonLayout::blGlyphRight;
  if (horizontal) {
    glyphPos.setY((h - glyph.height() + 1) / 2);
    textPos.setY((h - textSize.height() + 1) / 2);
  } else {
    glyphPos.setX((w - glyph.width() + 1) / 2);
    textPos.setX((w - textSize.width() + 1) / 2);
  }

  if (textSize.width() == 0 || glyph.width() == 0) spacing = 0;
  const int along = horizontal ? w : h;
  const int glyphAlong = horizontal ? glyph.width() : glyph.height();
  const int textAlong = horizontal ? textSize.width() : textSize.height();
  if (margin == -1 && spacing == -1) {
    margin = (along - glyphAlong - textAlong) / 3;
    spacing = margin;
  } else if (margin == -1) {
    margin = (along - (glyphAlong + spacing + textAlong) + 1) / 2;
  } else if (spacing == -1) {
    spacing = (along - (margin + glyphAlong) - textAlong) / 2;
  }

  switch (layout) {
    case TButtonLayout::blGlyphLeft:
      glyphPos.setX(margin);
      textPos.setX(glyphPos.x() + glyph.width() + spacing);
      break;
    case TButtonLayout::blGlyphRight:
      glyphPos.setX(w - margin - glyph.width());
      textPos.setX(glyphPos.x() - spacing - textSize.width());
      break;
    case TButtonLayout::blGlyphTop:
      glyphPos.setY(margin);
      textPos.setY(glyphPos.y() + glyph.height() + spacing);
      break;
    case TButtonLayout::blGlyphBottom:
      glyphPos.setY(h - margin - glyph.height());
      textPos.setY(glyphPos.y() - spacing - textSize.height());
      break;
  }
  const QPoint shift = client.topLeft() + offset;
  return {glyphPos + shift, text.isNull() ? QRect() : text.translated(textPos + shift)};
}

}  // namespace pausalo
