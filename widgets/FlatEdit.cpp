#include "widgets/FlatEdit.h"

#include <QApplication>
#include <QEnterEvent>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QPainter>
#include <algorithm>

#include "platform/Application.h"
#include "widgets/AutoSize.h"

namespace pausalo {

namespace {

// A one-pixel outline along the inside of rect.
void FrameRect(QPainter& painter, const QRect& rect, const QColor& color) {
  painter.fillRect(rect.left(), rect.top(), rect.width(), 1, color);
  painter.fillRect(rect.left(), rect.bottom(), rect.width(), 1, color);
  painter.fillRect(rect.left(), rect.top(), 1, rect.height(), color);
  painter.fillRect(rect.right(), rect.top(), 1, rect.height(), color);
}

// Whether a focus change moves the active control, as opposed to a popup
// opening or the application going to or coming from the background.
bool MovesActiveControl(Qt::FocusReason reason) {
  return reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason;
}

TAdvColors ToAdvColors(int percent) { return std::clamp(percent, 0, 100); }

}  // namespace

TCustomFlatEdit::TCustomFlatEdit(QWidget* parent) : QLineEdit(parent) {
  setFrame(false);
  setContentsMargins(BorderWidth, BorderWidth, BorderWidth, BorderWidth);
  setGeometry(0, 0, 121, 19);
  connect(this, &QLineEdit::textChanged, this, [this] { DoChange(); });
  WatchParent();
  PaintFlatBorder();
}

void TCustomFlatEdit::SetColorFocused(TColor color) {
  if (colorFocused_ == color) return;
  colorFocused_ = color;
  PaintFlatBorder();
}

void TCustomFlatEdit::SetColorBorder(TColor color) {
  if (colorBorder_ == color) return;
  colorBorder_ = color;
  PaintFlatBorder();
}

void TCustomFlatEdit::SetColorFlat(TColor color) {
  parentColor_ = false;
  if (colorFlat_ == color) return;
  colorFlat_ = color;
  PaintFlatBorder();
}

void TCustomFlatEdit::SetParentColor(bool parentColor) {
  if (parentColor_ == parentColor) return;
  parentColor_ = parentColor;
  if (parentColor_ && parentWidget()) colorFlat_ = ParentWidgetColor();
  PaintFlatBorder();
}

void TCustomFlatEdit::SetAdvColorFocused(TAdvColors percent) {
  percent = ToAdvColors(percent);
  if (advColorFocused_ == percent) return;
  advColorFocused_ = percent;
  if (!useAdvColors_) return;
  DeriveAdvancedColors();
  PaintFlatBorder();
}

void TCustomFlatEdit::SetAdvColorBorder(TAdvColors percent) {
  percent = ToAdvColors(percent);
  if (advColorBorder_ == percent) return;
  advColorBorder_ = percent;
  if (!useAdvColors_) return;
  DeriveAdvancedColors();
  PaintFlatBorder();
}

void TCustomFlatEdit::SetUseAdvColors(bool use) {
  if (useAdvColors_ == use) return;
  useAdvColors_ = use;
  SetParentColor(use);
  DeriveAdvancedColors();
  PaintFlatBorder();
}

TColor TCustomFlatEdit::FontColor() const { return FromQColor(palette().color(QPalette::Active, QPalette::Text)); }

void TCustomFlatEdit::SetFontColor(TColor color) {
  if (FontColor() == ColorToRGB(color)) return;
  QPalette colors = palette();
  colors.setColor(QPalette::Active, QPalette::Text, ToQColor(color));
  colors.setColor(QPalette::Inactive, QPalette::Text, ToQColor(color));
  setPalette(colors);
}

TColor TCustomFlatEdit::Color() const { return FromQColor(palette().color(QPalette::Base)); }

void TCustomFlatEdit::Loaded() { FitHeightToFont(); }

bool TCustomFlatEdit::FocusedLook() const {
  if (hasFocus()) return true;
  return hovered_ && qobject_cast<TFlatEdit*>(QApplication::focusWidget()) == nullptr;
}

void TCustomFlatEdit::PaintFlatBorder() {
  SetBackground(FocusedLook() ? colorFocused_ : colorFlat_);
  update();
}

void TCustomFlatEdit::SetBackground(TColor color) {
  const QColor background = ToQColor(color);
  QPalette colors = palette();
  if (colors.color(QPalette::Base) == background && colors.color(QPalette::Window) == background) return;
  for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
    colors.setColor(group, QPalette::Base, background);
    colors.setColor(group, QPalette::Window, background);
  }
  setPalette(colors);
}

int TCustomFlatEdit::TextHeight() const { return QFontMetrics(font()).height(); }

QSize TCustomFlatEdit::sizeHint() const { return {QLineEdit::sizeHint().width(), TextHeight() + 2 * BorderWidth}; }

QSize TCustomFlatEdit::minimumSizeHint() const {
  return {QLineEdit::minimumSizeHint().width(), TextHeight() + 2 * BorderWidth};
}

void TCustomFlatEdit::FitHeightToFont() { FitToSizeHint(*this, Qt::Vertical); }

TColor TCustomFlatEdit::ParentWidgetColor() const {
  return FromQColor(parentWidget()->palette().color(QPalette::Window));
}

void TCustomFlatEdit::WatchParent() {
  if (watchedParent_ == parentWidget()) return;
  if (watchedParent_) watchedParent_->removeEventFilter(this);
  watchedParent_ = parentWidget();
  if (watchedParent_) {
    watchedParent_->installEventFilter(this);
    ColorsChanged();
  }
}

void TCustomFlatEdit::ColorsChanged() {
  if (useAdvColors_) {
    if (parentWidget()) colorFlat_ = ParentWidgetColor();
    DeriveAdvancedColors();
  } else if (parentColor_ && parentWidget()) {
    colorFlat_ = ParentWidgetColor();
  }
  PaintFlatBorder();
}

void TCustomFlatEdit::DeriveAdvancedColors() {
  if (!useAdvColors_) return;
  colorFocused_ = AdvancedColor(colorFlat_, colorFocused_, advColorFocused_, TColorDirection::Lighten);
  colorBorder_ = AdvancedColor(colorFlat_, colorBorder_, advColorBorder_, TColorDirection::Darken);
}

void TCustomFlatEdit::DoChange() {
  if (OnChange) OnChange(this);
}

void TCustomFlatEdit::DoEnter() {
  if (OnEnter) OnEnter(this);
}

void TCustomFlatEdit::DoExit() {
  if (OnExit) OnExit(this);
}

bool TCustomFlatEdit::event(QEvent* event) {
  const bool handled = QLineEdit::event(event);
  if (event->type() == QEvent::ParentChange) WatchParent();
  if (event->type() == QEvent::ApplicationPaletteChange) ColorsChanged();
  return handled;
}

bool TCustomFlatEdit::eventFilter(QObject* watched, QEvent* event) {
  if (watched == watchedParent_ && event->type() == QEvent::PaletteChange) ColorsChanged();
  return QLineEdit::eventFilter(watched, event);
}

void TCustomFlatEdit::paintEvent(QPaintEvent* event) {
  {
    QPainter background(this);
    background.fillRect(rect(), palette().color(QPalette::Base));
  }
  QLineEdit::paintEvent(event);
  QPainter painter(this);
  const QColor inner = palette().color(QPalette::Base);
  QRect ring = rect();
  FrameRect(painter, ring, ToQColor(colorBorder_));
  ring.adjust(1, 1, -1, -1);
  FrameRect(painter, ring, inner);
  ring.adjust(1, 1, -1, -1);
  FrameRect(painter, ring, inner);
}

void TCustomFlatEdit::enterEvent(QEnterEvent* event) {
  QLineEdit::enterEvent(event);
  if (!ApplicationIsForeground()) return;
  hovered_ = true;
  PaintFlatBorder();
}

void TCustomFlatEdit::leaveEvent(QEvent* event) {
  QLineEdit::leaveEvent(event);
  hovered_ = false;
  PaintFlatBorder();
}

void TCustomFlatEdit::focusInEvent(QFocusEvent* event) {
  QLineEdit::focusInEvent(event);
  PaintFlatBorder();
  if (MovesActiveControl(event->reason())) DoEnter();
}

void TCustomFlatEdit::focusOutEvent(QFocusEvent* event) {
  QLineEdit::focusOutEvent(event);
  PaintFlatBorder();
  if (MovesActiveControl(event->reason())) DoExit();
}

void TCustomFlatEdit::changeEvent(QEvent* event) {
  QLineEdit::changeEvent(event);
  if (event->type() == QEvent::EnabledChange) PaintFlatBorder();
  if (event->type() == QEvent::FontChange) FitHeightToFont();
}

}  // namespace pausalo
