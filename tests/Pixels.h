#pragma once
// Helpers for tests that check pixels of widgets rendered offscreen.

#include <QColor>
#include <QCoreApplication>
#include <QFont>
#include <QImage>
#include <QRect>
#include <QString>
#include <QThread>
#include <QWidget>
#include <functional>

#include "platform/Colors.h"

namespace pausalo::testing {

// The cell of a character of BlockFont.
inline constexpr int kCharWidth = 7;
inline constexpr int kLineHeight = 13;

// A monospaced font without antialiasing, 11 pixels: its lines are 13
// pixels high (ascent 10) and the full block "█" inks its whole 7 x 13 cell,
// so the ink of a text shows exactly where its line box lies. Full hinting
// keeps advances whole pixels.
inline QFont BlockFont() {
  QFont font("DejaVu Sans Mono");
  font.setPixelSize(11);
  font.setStyleStrategy(QFont::NoAntialias);
  font.setHintingPreference(QFont::PreferFullHinting);
  return font;
}

inline const QString kBlock = QString::fromUtf8("\u2588");

// The widget as it paints itself, over magenta where it paints nothing.
inline QImage Render(QWidget& widget) {
  QImage image(widget.size(), QImage::Format_RGB32);
  image.fill(Qt::magenta);
  widget.render(&image);
  return image;
}

inline TColor PixelAt(const QImage& image, int x, int y) { return FromQColor(image.pixelColor(x, y)); }

// The bounding box of the pixels of exactly this colour; empty when none.
inline QRect InkBox(const QImage& image, const QColor& color) {
  QRect box;
  const QRgb wanted = color.rgb();
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (image.pixel(x, y) == wanted) box |= QRect(x, y, 1, 1);
    }
  }
  return box;
}

inline int CountPixels(const QImage& image, const QColor& color, const QRect& area) {
  int count = 0;
  const QRect clipped = area & image.rect();
  for (int y = clipped.top(); y <= clipped.bottom(); ++y) {
    for (int x = clipped.left(); x <= clipped.right(); ++x) count += image.pixel(x, y) == color.rgb();
  }
  return count;
}

}  // namespace pausalo::testing
