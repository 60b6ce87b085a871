#pragma once

#include <QColor>
#include <QFontMetrics>
#include <QRect>
#include <QString>
#include <cstdint>

#include "platform/Enumerations.h"

class QPainter;

namespace pausalo {

// Format flags of DrawText, with the values the layouts and callers know them by.
using TTextFormat = std::uint32_t;
inline constexpr TTextFormat DT_LEFT = 0x0000;
inline constexpr TTextFormat DT_CENTER = 0x0001;
inline constexpr TTextFormat DT_RIGHT = 0x0002;
inline constexpr TTextFormat DT_WORDBREAK = 0x0010;
inline constexpr TTextFormat DT_SINGLELINE = 0x0020;
inline constexpr TTextFormat DT_EXPANDTABS = 0x0040;
inline constexpr TTextFormat DT_NOCLIP = 0x0100;
inline constexpr TTextFormat DT_CALCRECT = 0x0400;
inline constexpr TTextFormat DT_NOPREFIX = 0x0800;
inline constexpr TTextFormat DT_RTLREADING = 0x20000;

// The prefix rule: "&" marks the next character as the accelerator and
// is not shown, "&&" shows one "&".
QString StripAccelChars(const QString& text);
// The accelerator of a text: the character after the last single "&", or
// a null character when there is none.
QChar AcceleratorChar(const QString& text);

// Where DrawText writes: a painter (its font, and a text colour of its own),
// or only a font's metrics when text is measured and never drawn.
class TextCanvas {
 public:
  // Draws on the painter with the painter's font; the text colour starts as
  // the painter's pen colour.
  explicit TextCanvas(QPainter& painter);
  // Measures only, with these metrics.
  explicit TextCanvas(const QFontMetrics& metrics);

  QColor TextColor() const { return textColor_; }
  void SetTextColor(const QColor& color) { textColor_ = color; }

  // Lays the text out in rect as the format says. With DT_CALCRECT nothing
  // is drawn and rect keeps its left and top and takes the text's extent;
  // otherwise the text is drawn in the text colour, clipped to rect unless
  // DT_NOCLIP. Returns the height of the text. A canvas that only measures
  // draws nothing.
  int DrawText(const QString& text, QRect& rect, TTextFormat format);

 private:
  QPainter* painter_;
  QFontMetrics metrics_;
  QColor textColor_;
};

}  // namespace pausalo
