#pragma once

#include <QFontMetrics>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QString>

#include "platform/Colors.h"
#include "platform/Enumerations.h"

class QPainter;

namespace pausalo {

// Percent by which an advanced colour is lightened or darkened (0..100).
using TAdvColors = int;

enum class TColorDirection { Lighten, Darken };

// A colour derived from base by moving its lightness by percent; the
// fallback when percent is 0.
TColor AdvancedColor(TColor base, TColor fallback, TAdvColors percent, TColorDirection direction);

// A bevelled frame of width one-pixel rings inside rect: the top and left
// edges in topColor, the bottom and right edges in bottomColor. The
// top-right and bottom-left corner pixels take bottomColor. Returns the
// rectangle inside the frame.
QRect DrawBevelFrame(QPainter& painter, QRect rect, TColor topColor, TColor bottomColor, int width);

// The engraved look of a glyph for a disabled button: the pixels of the
// outline colour (the white ones of a monochrome image) become a shadow
// shape with a highlight copy one pixel to the right and below, on the
// background colour.
QImage MakeDisabledGlyph(const QImage& image, TColor outline = clBlack, TColor background = clBtnFace,
                         TColor highlight = clBtnHighlight, TColor shadow = clBtnShadow, bool withHighlight = true);

// The image with every pixel of the transparent colour made transparent.
QImage WithTransparentColor(const QImage& image, QRgb transparent);
// The transparent colour of a bitmap: its bottom-left pixel, white for a
// monochrome one.
TColor TransparentColorOf(const QImage& bitmap);
// The bitmap with the pixels of the key colour made transparent: clNone
// keeps every pixel, clDefault takes the bottom-left pixel's colour, and a
// monochrome bitmap always uses white.
QImage WithTransparentKey(const QImage& bitmap, TColor key);

struct TGlyphTextPlacement {
  QPoint GlyphPos;
  QRect TextBounds;
};

// Places a glyph (one image of a strip of numGlyphs) and a one-line caption
// inside client, moved by offset. margin and spacing -1 mean centred.
TGlyphTextPlacement LayoutGlyphAndText(const QRect& client, QPoint offset, const QString& caption, TButtonLayout layout,
                                       int margin, int spacing, QSize glyphStrip, int numGlyphs,
                                       const QFontMetrics& metrics);

}  // namespace pausalo
