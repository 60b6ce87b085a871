#include "platform/TextOutput.h"

#include <QPainter>

namespace pausalo {

namespace {

// The text as the prefix rule shows it.
QString ApplyPrefixRule(const QString& text) {
  QString shown;
  shown.reserve(text.size());
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] == u'&') {
      if (i + 1 == text.size()) break;  // a final "&" marks nothing
      ++i;
    }
    shown += text[i];
  }
  return shown;
}

// Qt's text flags for a DrawText format. The alignment is the visual one
// whatever the reading order, as DrawText's; tabs expand to Qt's stops,
// eight character widths apart.
int QtFlagsOf(TTextFormat format) {
  int flags = Qt::AlignTop | Qt::AlignAbsolute;
  flags |= (format & DT_RIGHT) ? Qt::AlignRight : (format & DT_CENTER) ? Qt::AlignHCenter : Qt::AlignLeft;
  if (format & DT_SINGLELINE) flags |= Qt::TextSingleLine;
  if (format & DT_WORDBREAK) flags |= Qt::TextWordWrap;
  if (format & DT_EXPANDTABS) flags |= Qt::TextExpandTabs;
  if (format & DT_NOCLIP) flags |= Qt::TextDontClip;
  if (!(format & DT_NOPREFIX)) flags |= Qt::TextShowMnemonic;
  return flags;
}

}  // namespace

QString StripAccelChars(const QString& text) { return ApplyPrefixRule(text); }

QChar AcceleratorChar(const QString& text) {
  QChar accelerator;
  for (qsizetype i = 0; i + 1 < text.size(); ++i) {
    if (text[i] != u'&') continue;
    ++i;
    if (text[i] != u'&') accelerator = text[i];
  }
  return accelerator;
}

TextCanvas::TextCanvas(QPainter& painter)
    : painter_(&painter), metrics_(painter.fontMetrics()), textColor_(painter.pen().color()) {}

TextCanvas::TextCanvas(const QFontMetrics& metrics) : painter_(nullptr), metrics_(metrics) {}

int TextCanvas::DrawText(const QString& text, QRect& rect, TTextFormat format) {
  const int flags = QtFlagsOf(format);
  const QRect extent = text.isEmpty() ? QRect() : metrics_.boundingRect(rect, flags, text);
  if (format & DT_CALCRECT) {
    rect.setSize(extent.size());
    return extent.height();
  }
  if (painter_ == nullptr || text.isEmpty()) return extent.height();

  QPainter& painter = *painter_;
  painter.save();
  if (!(format & DT_NOCLIP)) painter.setClipRect(rect, Qt::IntersectClip);
  painter.setPen(textColor_);
  painter.setLayoutDirection(format & DT_RTLREADING ? Qt::RightToLeft : Qt::LeftToRight);
  painter.drawText(rect, flags, text);
  painter.restore();
  return extent.height();
}

}  // namespace pausalo
