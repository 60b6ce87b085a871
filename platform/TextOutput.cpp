#include "platform/TextOutput.h"

#include <QPainter>
#include <algorithm>
#include <vector>

namespace pausalo {

namespace {

// Text as it is shown, with the characters the prefix rule underlines.
struct ShownText {
  QString text;
  std::vector<bool> underlined;
};

ShownText ApplyPrefixRule(const QString& text, bool prefix) {
  ShownText shown;
  shown.text.reserve(text.size());
  for (qsizetype i = 0; i < text.size(); ++i) {
    bool underline = false;
    if (prefix && text[i] == u'&') {
      if (i + 1 == text.size()) break;  // a final "&" marks nothing
      ++i;
      underline = text[i] != u'&';
    }
    shown.text += text[i];
    shown.underlined.push_back(underline);
  }
  return shown;
}

// One line of the shown text: [start, start + length).
struct Line {
  qsizetype start;
  qsizetype length;
};

// Measures and breaks text the DrawText way.
class LineLayout {
 public:
  LineLayout(const QFontMetrics& metrics, TTextFormat format)
      : metrics_(metrics), expandTabs_(format & DT_EXPANDTABS), tabWidth_(8 * metrics.averageCharWidth()) {}

  // Width of a run of text, tabs jumping to the next tab stop when expanded.
  int Advance(QStringView text) const {
    if (!expandTabs_) return metrics_.horizontalAdvance(text.toString());
    int x = 0;
    qsizetype from = 0;
    for (qsizetype tab = text.indexOf(u'\t'); tab >= 0; tab = text.indexOf(u'\t', from)) {
      x += metrics_.horizontalAdvance(text.mid(from, tab - from).toString());
      x = NextTabStop(x);
      from = tab + 1;
    }
    return x + metrics_.horizontalAdvance(text.mid(from).toString());
  }

  int NextTabStop(int x) const { return tabWidth_ > 0 ? (x / tabWidth_ + 1) * tabWidth_ : x; }

  std::vector<Line> Break(const QString& text, TTextFormat format, int width) const {
    std::vector<Line> lines;
    if (text.isEmpty()) return lines;
    if (format & DT_SINGLELINE) {
      lines.push_back({0, text.size()});
      return lines;
    }
    qsizetype start = 0;
    while (true) {
      qsizetype end = start;
      while (end < text.size() && text[end] != u'\r' && text[end] != u'\n') ++end;
      if (format & DT_WORDBREAK) {
        BreakParagraph(text, start, end, width, lines);
      } else {
        lines.push_back({start, end - start});
      }
      if (end == text.size()) break;
      start = end + (text[end] == u'\r' && end + 1 < text.size() && text[end + 1] == u'\n' ? 2 : 1);
    }
    return lines;
  }

 private:
  // Greedy breaking at spaces: a line takes words while they fit; the spaces
  // at a break belong to no line; a word wider than the width stands alone.
  void BreakParagraph(const QString& text, qsizetype start, qsizetype end, int width, std::vector<Line>& lines) const {
    while (true) {
      qsizetype lineEnd = start;
      qsizetype nextStart = start;
      bool broken = false;
      for (qsizetype i = start; i < end;) {
        qsizetype wordEnd = i;
        while (wordEnd < end && text[wordEnd] != u' ') ++wordEnd;
        qsizetype spaceEnd = wordEnd;
        while (spaceEnd < end && text[spaceEnd] == u' ') ++spaceEnd;
        if (lineEnd > start && Advance(QStringView(text).mid(start, wordEnd - start)) > width) {
          broken = true;
          break;
        }
        lineEnd = wordEnd;
        nextStart = spaceEnd;
        i = spaceEnd;
      }
      if (!broken) {
        lines.push_back({start, end - start});
        return;
      }
      lines.push_back({start, lineEnd - start});
      start = nextStart;
    }
  }

  const QFontMetrics& metrics_;
  bool expandTabs_;
  int tabWidth_;
};

int LineLeft(const QRect& rect, int lineWidth, TTextFormat format) {
  if (format & DT_RIGHT) return rect.left() + rect.width() - lineWidth;
  if (format & DT_CENTER) return rect.left() + (rect.width() - lineWidth) / 2;
  return rect.left();
}

}  // namespace

QString StripAccelChars(const QString& text) { return ApplyPrefixRule(text, true).text; }

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
  const ShownText shown = ApplyPrefixRule(text, !(format & DT_NOPREFIX));
  const LineLayout layout(metrics_, format);
  const std::vector<Line> lines = layout.Break(shown.text, format, rect.width());
  const int lineHeight = metrics_.height();
  const int height = static_cast<int>(lines.size()) * lineHeight;

  if (format & DT_CALCRECT) {
    int width = 0;
    for (const Line& line : lines) {
      width = std::max(width, layout.Advance(QStringView(shown.text).mid(line.start, line.length)));
    }
    rect.setWidth(width);
    rect.setHeight(height);
    return height;
  }
  if (painter_ == nullptr) return height;

  QPainter& painter = *painter_;
  painter.save();
  if (!(format & DT_NOCLIP)) painter.setClipRect(rect, Qt::IntersectClip);
  painter.setPen(textColor_);
  painter.setLayoutDirection(format & DT_RTLREADING ? Qt::RightToLeft : Qt::LeftToRight);
  for (std::size_t n = 0; n < lines.size(); ++n) {
    const Line& line = lines[n];
    const QStringView lineText = QStringView(shown.text).mid(line.start, line.length);
    const int left = LineLeft(rect, layout.Advance(lineText), format);
    const int baseline = rect.top() + static_cast<int>(n) * lineHeight + metrics_.ascent();

    // Tab by tab, each run starting at its tab stop.
    qsizetype from = 0;
    const bool expandTabs = format & DT_EXPANDTABS;
    while (from <= lineText.size()) {
      const qsizetype tab = expandTabs ? lineText.indexOf(u'\t', from) : -1;
      const qsizetype runEnd = tab < 0 ? lineText.size() : tab;
      const int x = left + layout.Advance(lineText.left(from));
      painter.drawText(QPoint(x, baseline), lineText.mid(from, runEnd - from).toString());
      from = runEnd + 1;
    }
    for (qsizetype i = 0; i < lineText.size(); ++i) {
      if (!shown.underlined[static_cast<std::size_t>(line.start + i)]) continue;
      const int x = left + layout.Advance(lineText.left(i));
      const int width = layout.Advance(lineText.left(i + 1)) - (x - left);
      painter.fillRect(QRect(x, baseline + metrics_.underlinePos(), width, std::max(1, metrics_.lineWidth())),
                       textColor_);
    }
  }
  painter.restore();
  return height;
}

}  // namespace pausalo
