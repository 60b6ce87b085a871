#include "widgets/ShadowLabel.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QCursor>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

#include "platform/Application.h"
#include "widgets/AccessibleFactory.h"
#include "widgets/AutoSize.h"

namespace pausalo {

namespace {

// The smallest rectangle holding both, also when one of them is empty.
QRect UnionOf(const QRect& a, const QRect& b) {
  const int left = std::min(a.left(), b.left());
  const int top = std::min(a.top(), b.top());
  const int right = std::max(a.left() + a.width(), b.left() + b.width());
  const int bottom = std::max(a.top() + a.height(), b.top() + b.height());
  return QRect(left, top, right - left, bottom - top);
}

TTextFormat AlignmentFormat(TAlignment alignment) {
  switch (alignment) {
    case taRightJustify: return DT_RIGHT;
    case taCenter: return DT_CENTER;
    case taLeftJustify: break;
  }
  return DT_LEFT;
}

// The dotted focus outline: every other pixel along the rectangle's edge
// inverted, in a checkerboard fixed to the painter's origin.
void DrawFocusRect(QPainter& painter, const QRect& rect) {
  if (rect.isEmpty()) return;
  painter.save();
  painter.setCompositionMode(QPainter::CompositionMode_Difference);
  const auto invert = [&](int x, int y) {
    if ((x + y) % 2 == 0) painter.fillRect(x, y, 1, 1, Qt::white);
  };
  for (int x = rect.left(); x <= rect.right(); ++x) {
    invert(x, rect.top());
    if (rect.bottom() != rect.top()) invert(x, rect.bottom());
  }
  for (int y = rect.top() + 1; y < rect.bottom(); ++y) {
    invert(rect.left(), y);
    if (rect.right() != rect.left()) invert(rect.right(), y);
  }
  painter.restore();
}

}  // namespace

// To assistive technology a shadow label is a label: its name is the text
// it shows, and it labels its FocusControl.
class ShadowLabelAccessible final : public QAccessibleWidget {
 public:
  explicit ShadowLabelAccessible(TCustomShadowLabel* label) : QAccessibleWidget(label, QAccessible::StaticText) {}

  QString text(QAccessible::Text kind) const override {
    if (kind != QAccessible::Name || !widget()->accessibleName().isEmpty()) return QAccessibleWidget::text(kind);
    const QString shown = Label()->GetDisplayText();
    return Label()->ShowAccelChar() ? StripAccelChars(shown) : shown;
  }

  QList<QPair<QAccessibleInterface*, QAccessible::Relation>> relations(QAccessible::Relation match) const override {
    auto related = QAccessibleWidget::relations(match);
    if ((match & QAccessible::Labelled) && Label()->FocusControl() != nullptr) {
      if (QAccessibleInterface* control = QAccessible::queryAccessibleInterface(Label()->FocusControl())) {
        related.append({control, QAccessible::Labelled});
      }
    }
    return related;
  }

 private:
  TCustomShadowLabel* Label() const { return static_cast<TCustomShadowLabel*>(widget()); }
};

namespace {

QAccessibleInterface* CreateShadowLabelAccessible(TCustomShadowLabel* label) {
  return new ShadowLabelAccessible(label);
}

}  // namespace

QPoint ShadowOffset(TShadowPosition position, int size) {
  switch (position) {
    case spLeftBottom: return {-size, size};
    case spRightBottom: return {size, size};
    case spRightTop: return {size, -size};
    case spLeftTop: break;
  }
  return {-size, -size};
}

void PaintShadowedText(TextCanvas& canvas, const QString& text, QRect& rect, TTextFormat format,
                       std::uint8_t shadowSize, TColor shadowColor, TShadowPosition position) {
  QRect textRect = rect;
  QRect shadowRect = rect.translated(ShadowOffset(position, shadowSize));
  const QColor textColor = canvas.TextColor();
  canvas.SetTextColor(ToQColor(shadowColor));
  canvas.DrawText(text, shadowRect, format);
  canvas.SetTextColor(textColor);
  canvas.DrawText(text, textRect, format);
  rect = UnionOf(textRect, shadowRect);
}

TCustomShadowLabel::TCustomShadowLabel(QWidget* parent) : QWidget(parent) {
  InstallAccessibleFactory<TCustomShadowLabel, &CreateShadowLabelAccessible>();
  setAttribute(Qt::WA_OpaquePaintEvent);
  resize(65, 17);
  connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) { FocusChanged(now); });
}

void TCustomShadowLabel::SetCaption(const QString& caption) {
  if (caption == caption_) return;
  caption_ = caption;
  update();
  FitBoundsToText();
  SyncAccelerator();
  QAccessibleEvent changed(this, QAccessible::NameChanged);
  QAccessible::updateAccessibility(&changed);
}

void TCustomShadowLabel::SetAlignment(TAlignment alignment) {
  if (alignment == alignment_) return;
  alignment_ = alignment;
  update();
}

void TCustomShadowLabel::SetAutoSize(bool autoSize) {
  if (autoSize == autoSize_) return;
  autoSize_ = autoSize;
  FitBoundsToText();
}

void TCustomShadowLabel::SetLayout(TTextLayout layout) {
  if (layout == layout_) return;
  layout_ = layout;
  update();
}

void TCustomShadowLabel::SetShadowColor(TColor color) {
  if (color == shadowColor_) return;
  shadowColor_ = color;
  update();
}

void TCustomShadowLabel::SetShadowSize(std::uint8_t size) {
  if (size == shadowSize_) return;
  shadowSize_ = size;
  FitBoundsToText();
  update();
}

void TCustomShadowLabel::SetShadowPos(TShadowPosition position) {
  if (position == shadowPos_) return;
  shadowPos_ = position;
  update();
}

void TCustomShadowLabel::SetWordWrap(bool wordWrap) {
  if (wordWrap == wordWrap_) return;
  wordWrap_ = wordWrap;
  FitBoundsToText();
}

void TCustomShadowLabel::SetShowAccelChar(bool show) {
  if (show == showAccelChar_) return;
  showAccelChar_ = show;
  update();
  SyncAccelerator();
}

void TCustomShadowLabel::SetShowFocus(bool show) {
  if (show == showFocus_) return;
  showFocus_ = show;
  update();
}

bool TCustomShadowLabel::Transparent() const { return !testAttribute(Qt::WA_OpaquePaintEvent); }

void TCustomShadowLabel::SetTransparent(bool transparent) {
  if (transparent == Transparent()) return;
  setAttribute(Qt::WA_OpaquePaintEvent, !transparent);
  update();
}

void TCustomShadowLabel::SetFocusControl(QWidget* control) {
  if (focusControl_ != nullptr) focusControl_->removeEventFilter(this);
  disconnect(focusControlGone_);
  focusControl_ = control;
  if (control != nullptr) {
    focusControlGone_ = connect(control, &QObject::destroyed, this, [this] { SetFocusControl(nullptr); });
    control->installEventFilter(this);
  }
  SyncAccelerator();
  if (showFocus_) update();
}

TColor TCustomShadowLabel::Color() const { return FromQColor(palette().color(QPalette::Window)); }

void TCustomShadowLabel::SetColor(TColor color) {
  if (color == Color()) return;
  QPalette changed = palette();
  changed.setColor(QPalette::Window, ToQColor(color));
  setPalette(changed);
}

TColor TCustomShadowLabel::FontColor() const {
  return FromQColor(palette().color(QPalette::Active, QPalette::WindowText));
}

void TCustomShadowLabel::SetFontColor(TColor color) {
  if (color == FontColor()) return;
  QPalette changed = palette();
  changed.setColor(QPalette::WindowText, ToQColor(color));
  setPalette(changed);
}

TColor TCustomShadowLabel::GetPlainTextColor() const { return FontColor(); }

QString TCustomShadowLabel::GetDisplayText() const { return caption_; }

void TCustomShadowLabel::NotifyMouseEnter() {
  if (OnMouseEnter) OnMouseEnter(this);
}

void TCustomShadowLabel::NotifyMouseLeave() {
  if (OnMouseLeave) OnMouseLeave(this);
}

TTextFormat TCustomShadowLabel::BiDiFlags(TTextFormat format) const {
  if (layoutDirection() != Qt::RightToLeft) return format;
  format |= DT_RTLREADING;
  if (format & DT_RIGHT) return format & ~DT_RIGHT;
  if (!(format & DT_CENTER)) return format | DT_RIGHT;
  return format;
}

void TCustomShadowLabel::PaintCaption(TextCanvas& canvas, QRect& rect, TTextFormat format) const {
  QString text = GetDisplayText();
  // Measure one line at least.
  if ((format & DT_CALCRECT) && (text.isEmpty() || (showAccelChar_ && text == u"&"))) text += u' ';
  if (!showAccelChar_) format |= DT_NOPREFIX;
  format = BiDiFlags(format);
  canvas.SetTextColor(ToQColor(GetPlainTextColor()));
  TShadowPosition position = shadowPos_;
  std::uint8_t size = shadowSize_;
  TColor shadowColor = shadowColor_;
  if (!isEnabled()) {
    if (size == 0) {  // engraved
      position = spRightBottom;
      size = 1;
    }
    canvas.SetTextColor(ToQColor(clGrayText));
    shadowColor = clBtnHighlight;
  }
  PaintShadowedText(canvas, text, rect, format, size, ColorToRGB(shadowColor), position);
}

void TCustomShadowLabel::paintEvent(QPaintEvent*) {
  if (!isEnabled()) leftButtonHeld_ = false;
  QPainter painter(this);
  if (!Transparent()) painter.fillRect(rect(), ToQColor(Color()));
  painter.setFont(font());
  TextCanvas canvas(painter);

  QRect area(1, 0, width() - 2, height());
  const TTextFormat format = DT_EXPANDTABS | (wordWrap_ ? DT_WORDBREAK : 0) | AlignmentFormat(alignment_);
  if (layout_ != tlTop) {
    PaintCaption(canvas, area, format | DT_CALCRECT);
    area.setLeft(0);
    area.setWidth(width());
    const int bottom = area.top() + area.height();
    area.translate(0, layout_ == tlBottom ? height() - bottom : (height() - bottom) / 2);
  }
  PaintCaption(canvas, area, format);

  if (showFocus_ && focusControl_ != nullptr && focusShown_) DrawFocusRect(painter, area.adjusted(-1, 0, 1, 0));
}

QSize TCustomShadowLabel::sizeHint() const {
  QRect area(1, 0, width() - 2, height());
  TextCanvas screen{QFontMetrics(font())};
  PaintCaption(screen, area, DT_EXPANDTABS | DT_CALCRECT | (wordWrap_ ? DT_WORDBREAK : 0));
  area.adjust(-1, 0, 1, 0);
  // From the client origin: a shadow left of or above it does not count.
  return {area.left() + area.width(), area.top() + area.height()};
}

QSize TCustomShadowLabel::minimumSizeHint() const {
  // Wrapped text can take a narrower width; a single line cannot.
  return wordWrap_ ? QWidget::minimumSizeHint() : sizeHint();
}

void TCustomShadowLabel::FitBoundsToText() {
  if (!autoSize_) return;
  const bool rightAligned = (BiDiFlags(AlignmentFormat(alignment_)) & DT_RIGHT) != 0;
  FitToSizeHint(*this, Qt::Horizontal | Qt::Vertical, rightAligned);
}

void TCustomShadowLabel::RefreshMouseTracking() {
  const bool wasInside = mouseInside_;
  mouseInside_ = isEnabled() && QApplication::widgetAt(QCursor::pos()) == this && ApplicationIsForeground();
  if (mouseInside_ == wasInside) return;
  if (mouseInside_) {
    NotifyMouseEnter();
  } else {
    NotifyMouseLeave();
  }
}

void TCustomShadowLabel::FocusChanged(QWidget* now) {
  if (now == nullptr) return;  // the application lost the focus; the form keeps its focused control
  const bool shown = focusControl_ != nullptr && now == focusControl_;
  if (shown == focusShown_) return;
  focusShown_ = shown;
  if (showFocus_) update();
}

bool TCustomShadowLabel::CanFocusControl() const {
  return focusControl_ != nullptr && focusControl_->isVisible() && focusControl_->isEnabled();
}

void TCustomShadowLabel::SyncAccelerator() {
  accelerator_.SetText(showAccelChar_ && focusControl_ != nullptr ? GetDisplayText() : QString());
  accelerator_.SetEnabled(isEnabled() && CanFocusControl());
}

bool TCustomShadowLabel::event(QEvent* event) {
  if (accelerator_.IsPressed(*event)) {
    if (isEnabled() && showAccelChar_ && CanFocusControl()) focusControl_->setFocus(Qt::ShortcutFocusReason);
    return true;
  }
  return QWidget::event(event);
}

bool TCustomShadowLabel::eventFilter(QObject* watched, QEvent* event) {
  if (watched == focusControl_) {
    switch (event->type()) {
      case QEvent::EnabledChange:
      case QEvent::Show:
      case QEvent::Hide: SyncAccelerator(); break;
      default: break;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void TCustomShadowLabel::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  switch (event->type()) {
    case QEvent::FontChange: FitBoundsToText(); break;
    case QEvent::EnabledChange:
      SyncAccelerator();
      RefreshMouseTracking();
      break;
    default: break;
  }
}

void TCustomShadowLabel::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  RefreshMouseTracking();
}

void TCustomShadowLabel::enterEvent(QEnterEvent* event) {
  QWidget::enterEvent(event);
  if (!mouseInside_ && isEnabled() && ApplicationIsForeground()) {
    mouseInside_ = true;
    NotifyMouseEnter();
  }
}

void TCustomShadowLabel::leaveEvent(QEvent* event) {
  QWidget::leaveEvent(event);
  if (mouseInside_ && isEnabled() && !leftButtonHeld_) {
    mouseInside_ = false;
    NotifyMouseLeave();
  }
}

void TCustomShadowLabel::mousePressEvent(QMouseEvent* event) {
  event->accept();  // the label takes its clicks, so that the release comes back to it
  if (event->button() == Qt::LeftButton && isEnabled()) leftButtonHeld_ = true;
  if (event->button() == Qt::RightButton) RefreshMouseTracking();
}

void TCustomShadowLabel::mouseReleaseEvent(QMouseEvent* event) {
  event->accept();
  if (leftButtonHeld_ && event->button() == Qt::LeftButton) leftButtonHeld_ = false;
  RefreshMouseTracking();
}

}  // namespace pausalo
