#include "widgets/FlatSpeedButton.h"

#include <QApplication>
#include <QCursor>
#include <QDialog>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <algorithm>
#include <array>
#include <memory>

#include "platform/Application.h"

namespace pausalo {

// The hover timer shared by all flat speed buttons: it runs only while a
// button is watched, and lives while any button does.
struct THoverWatch {
  static constexpr int Interval = 100;

  static THoverWatch& Instance() {
    static THoverWatch watch;
    return watch;
  }

  void Register() {
    if (instances++ == 0) {
      timer = std::make_unique<QTimer>();
      timer->setInterval(Interval);
      QObject::connect(timer.get(), &QTimer::timeout, [this] {
        if (hovered) hovered->HoverCheck();
      });
    }
  }

  void Unregister(TFlatSpeedButton* button) {
    if (hovered == button) hovered = nullptr;
    if (--instances == 0) timer.reset();
  }

  void Watch(TFlatSpeedButton* button) {
    timer->stop();
    hovered = button;
    timer->start();
  }

  void Release(TFlatSpeedButton* button) {
    if (hovered != button) return;
    timer->stop();
    hovered = nullptr;
  }

  std::unique_ptr<QTimer> timer;
  TFlatSpeedButton* hovered = nullptr;
  int instances = 0;
};

namespace {

// The control under the pointer, disabled ones included.
QWidget* ControlAtPointer() { return QApplication::widgetAt(QCursor::pos()); }

TAdvColors ToAdvColors(int percent) { return std::clamp(percent, 0, 100); }

}  // namespace

TFlatSpeedButton::TFlatSpeedButton(QWidget* parent) : QWidget(parent) {
  THoverWatch::Instance().Register();
  setMouseTracking(true);
  setGeometry(QRect(QPoint(0, 0), DefaultSize));
}

TFlatSpeedButton::~TFlatSpeedButton() { THoverWatch::Instance().Unregister(this); }

void TFlatSpeedButton::SetTransparentMode(TTransparentMode mode) {
  if (transparentMode_ == mode) return;
  transparentMode_ = mode;
  update();
}

void TFlatSpeedButton::SetAllowAllUp(bool allow) {
  if (allowAllUp_ == allow) return;
  allowAllUp_ = allow;
  NotifyGroup();
}

TColor TFlatSpeedButton::Color() const { return parentColor_ ? FromQColor(palette().color(QPalette::Window)) : color_; }

void TFlatSpeedButton::SetColor(TColor color) {
  parentColor_ = false;
  if (color_ == color) return;
  color_ = color;
  update();
}

void TFlatSpeedButton::SetParentColor(bool parentColor) {
  if (parentColor_ == parentColor) return;
  if (!parentColor) color_ = Color();
  parentColor_ = parentColor;
  update();
}

void TFlatSpeedButton::SetColorMember(TColor& member, TColor color) {
  if (member == color) return;
  member = color;
  update();
}

void TFlatSpeedButton::SetAdvColorMember(TAdvColors& member, TAdvColors percent) {
  percent = ToAdvColors(percent);
  if (member == percent) return;
  member = percent;
  DeriveAdvancedColors();
  update();
}

void TFlatSpeedButton::SetUseAdvColors(bool use) {
  if (useAdvColors_ == use) return;
  useAdvColors_ = use;
  SetParentColor(use);
  DeriveAdvancedColors();
  update();
}

void TFlatSpeedButton::DeriveAdvancedColors() {
  if (!useAdvColors_) return;
  const TColor base = Color();
  colorFocused_ = AdvancedColor(base, colorFocused_, advColorFocused_, TColorDirection::Lighten);
  colorDown_ = AdvancedColor(base, colorDown_, advColorDown_, TColorDirection::Darken);
  colorBorder_ = AdvancedColor(base, colorBorder_, advColorBorder_, TColorDirection::Darken);
}

void TFlatSpeedButton::ColorsChanged() {
  if (useAdvColors_) {
    parentColor_ = true;
    DeriveAdvancedColors();
  }
  update();
}

void TFlatSpeedButton::SetGroupIndex(int index) {
  if (groupIndex_ == index) return;
  groupIndex_ = index;
  NotifyGroup();
}

void TFlatSpeedButton::SetDown(bool down) {
  if (groupIndex_ == 0) down = false;
  if (down_ == down) return;
  if (!down && !allowAllUp_) return;
  down_ = down;
  if (down) {
    if (state_ == TButtonState::bsUp) update();
    state_ = TButtonState::bsLatched;
    NotifyGroup();
  } else {
    state_ = TButtonState::bsUp;
    repaint();
  }
}

void TFlatSpeedButton::NotifyGroup() {
  if (groupIndex_ == 0 || parentWidget() == nullptr) return;
  for (QObject* child : parentWidget()->children()) {
    if (auto* button = qobject_cast<TFlatSpeedButton*>(child)) button->GroupChanged(*this);
  }
}

void TFlatSpeedButton::GroupChanged(const TFlatSpeedButton& sender) {
  if (&sender == this || sender.groupIndex_ != groupIndex_) return;
  if (sender.down_ && down_) {
    down_ = false;
    state_ = TButtonState::bsUp;
    update();
  }
  allowAllUp_ = sender.allowAllUp_;
}

void TFlatSpeedButton::SetCaption(const QString& caption) {
  if (caption_ == caption) return;
  caption_ = caption;
  accelerator_.SetText(caption_);
  ContentChanged();
}

void TFlatSpeedButton::SetGlyph(const QImage& glyph) {
  glyph_ = glyph;
  if (!glyph_.isNull() && glyph_.width() % glyph_.height() == 0) {
    numGlyphs_ = glyph_.width() / glyph_.height();
    if (numGlyphs_ > 4) numGlyphs_ = 1;
  }
  ContentChanged();
}

void TFlatSpeedButton::SetLayout(TButtonLayout layout) {
  if (layout_ == layout) return;
  layout_ = layout;
  ContentChanged();
}

void TFlatSpeedButton::SetMargin(int margin) {
  if (margin < -1 || margin_ == margin) return;
  margin_ = margin;
  update();
}

void TFlatSpeedButton::SetNumGlyphs(int numGlyphs) {
  numGlyphs = std::clamp(numGlyphs, 1, 4);
  if (numGlyphs_ == numGlyphs) return;
  numGlyphs_ = numGlyphs;
  ContentChanged();
}

void TFlatSpeedButton::SetSpacing(int spacing) {
  if (spacing_ == spacing) return;
  spacing_ = spacing;
  ContentChanged();
}

QSize TFlatSpeedButton::minimumSizeHint() const {
  const QSize glyph = glyph_.isNull() ? QSize(0, 0) : QSize(glyph_.width() / numGlyphs_, glyph_.height());
  const QSize text = caption_.isEmpty() ? QSize(0, 0) : fontMetrics().size(Qt::TextShowMnemonic, caption_);
  const int gap = glyph.isEmpty() || text.isEmpty() ? 0 : std::max(spacing_, 0);
  const bool sideBySide = layout_ == TButtonLayout::blGlyphLeft || layout_ == TButtonLayout::blGlyphRight;
  const QSize content = sideBySide ? QSize(glyph.width() + gap + text.width(), std::max(glyph.height(), text.height()))
                                   : QSize(std::max(glyph.width(), text.width()), glyph.height() + gap + text.height());
  // The frame, and the pixel by which a pressed face moves, on every side.
  return content + QSize(4, 4);
}

QSize TFlatSpeedButton::sizeHint() const { return minimumSizeHint().expandedTo(DefaultSize); }

void TFlatSpeedButton::ContentChanged() {
  updateGeometry();
  update();
}

void TFlatSpeedButton::Click() {
  if (parentWidget() != nullptr && modalResult_ != 0) {
    if (auto* dialog = qobject_cast<QDialog*>(window())) dialog->done(modalResult_);
  }
  DoClick();
}

void TFlatSpeedButton::DoClick() {
  if (OnClick) OnClick(this);
}

void TFlatSpeedButton::DoDblClick() {
  if (OnDblClick) OnDblClick(this);
}

void TFlatSpeedButton::DoMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, QPoint at) {
  if (OnMouseDown) OnMouseDown(this, MouseButtonOf(button), ShiftStateOf(shift, button), at.x(), at.y());
}

void TFlatSpeedButton::DoMouseMove(Qt::KeyboardModifiers shift, QPoint at) {
  if (OnMouseMove) OnMouseMove(this, ShiftStateOf(shift), at.x(), at.y());
}

void TFlatSpeedButton::DoMouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, QPoint at) {
  if (OnMouseUp) OnMouseUp(this, MouseButtonOf(button), ShiftStateOf(shift, button), at.x(), at.y());
}

bool TFlatSpeedButton::Inside(QPoint at) const {
  // The row just below the button still counts, the column to its right does not.
  return at.x() >= 0 && at.x() < width() && at.y() >= 0 && at.y() <= height();
}

void TFlatSpeedButton::HoverBegin() {
  if (!Enabled() || hot_) return;
  hot_ = true;
  update();
}

void TFlatSpeedButton::HoverEnd() {
  if (!Enabled() || !hot_ || dragging_) return;
  hot_ = false;
  StopWatching();
  update();
}

void TFlatSpeedButton::HoverCheck() {
  if (ControlAtPointer() != this) HoverEnd();
}

void TFlatSpeedButton::RefreshHover() {
  if (!Enabled()) return;
  const bool over = ControlAtPointer() == this;
  hot_ = !over;
  if (over) {
    HoverBegin();
  } else {
    HoverEnd();
  }
}

void TFlatSpeedButton::StopWatching() { THoverWatch::Instance().Release(this); }

void TFlatSpeedButton::mousePressEvent(QMouseEvent* event) {
  const QPoint at = event->position().toPoint();
  if (event->button() == Qt::LeftButton) captured_ = true;
  DoMouseDown(event->button(), event->modifiers(), at);
  if (event->button() != Qt::LeftButton || !Enabled()) return;
  if (!down_) {
    state_ = TButtonState::bsPressed;
    update();
  }
  dragging_ = true;
}

void TFlatSpeedButton::mouseMoveEvent(QMouseEvent* event) {
  const QPoint at = event->position().toPoint();
  DoMouseMove(event->modifiers(), at);
  THoverWatch& watch = THoverWatch::Instance();
  if (watch.hovered != this && ControlAtPointer() == this) {
    if (watch.hovered) watch.hovered->HoverEnd();
    if (ApplicationIsForeground()) {
      watch.Watch(this);
      HoverBegin();
    }
  }
  if (!dragging_) return;
  TButtonState state = down_ ? TButtonState::bsLatched : TButtonState::bsUp;
  if (Inside(at)) state = down_ ? TButtonState::bsLatched : TButtonState::bsPressed;
  if (state_ != state) {
    state_ = state;
    update();
  }
}

void TFlatSpeedButton::mouseReleaseEvent(QMouseEvent* event) {
  const QPoint at = event->position().toPoint();
  if (event->button() == Qt::LeftButton) captured_ = false;
  DoMouseUp(event->button(), event->modifiers(), at);
  if (!dragging_) return;
  dragging_ = false;
  const bool inside = Inside(at);
  if (groupIndex_ == 0) {
    state_ = TButtonState::bsUp;
    hot_ = false;
    if (inside) update();
  } else if (inside) {
    SetDown(!down_);
    if (down_) repaint();
  } else {
    if (down_) state_ = TButtonState::bsLatched;
    repaint();
  }
  if (inside) {
    Click();
  } else {
    HoverEnd();
  }
  RefreshHover();
}

void TFlatSpeedButton::mouseDoubleClickEvent(QMouseEvent* event) {
  // The second press of a double click is a press like any other.
  mousePressEvent(event);
  if (event->button() == Qt::LeftButton && down_) DoDblClick();
}

void TFlatSpeedButton::enterEvent(QEnterEvent* event) {
  QWidget::enterEvent(event);
  if (OnMouseEnter) OnMouseEnter(this);
}

void TFlatSpeedButton::leaveEvent(QEvent* event) {
  QWidget::leaveEvent(event);
  if (OnMouseLeave) OnMouseLeave(this);
}

bool TFlatSpeedButton::event(QEvent* event) {
  if (accelerator_.IsPressed(*event)) {
    if (Enabled()) Click();
    return true;
  }
  const bool handled = QWidget::event(event);
  if (event->type() == QEvent::ApplicationPaletteChange) ColorsChanged();
  return handled;
}

void TFlatSpeedButton::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::PaletteChange && parentColor_) ColorsChanged();
  if (event->type() == QEvent::FontChange) ContentChanged();
  if (event->type() == QEvent::EnabledChange) {
    if (!Enabled()) {
      hot_ = false;
      state_ = TButtonState::bsDisabled;
      StopWatching();
    }
    RefreshHover();
    update();
  }
}

std::optional<TColor> TFlatSpeedButton::FaceColor() const {
  const bool filled = transparentMode_ == TTransparentMode::tmNone ||
                      (transparentMode_ == TTransparentMode::tmNotFocused && hot_);
  if (!filled) return std::nullopt;
  switch (state_) {
    case TButtonState::bsUp: return hot_ ? colorFocused_ : Color();
    case TButtonState::bsDisabled: return Color();
    case TButtonState::bsPressed: return colorDown_;
    case TButtonState::bsLatched: return hot_ ? colorFocused_ : colorDown_;
  }
  return Color();
}

QImage TFlatSpeedButton::StateImage() const {
  // Image of the strip per state (up, disabled, pressed, latched) and NumGlyphs.
  static constexpr std::array<std::array<int, 4>, 4> images{{
      {0, 0, 0, 0},
      {0, 1, 0, 0},
      {0, 1, 2, 2},
      {0, 1, 2, 3},
  }};
  if (numGlyphs_ == 1) return glyph_;
  const int width = glyph_.width() / numGlyphs_;
  const int index = images[numGlyphs_ - 1][static_cast<int>(state_)];
  return glyph_.copy(index * width, 0, width, glyph_.height());
}

void TFlatSpeedButton::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setFont(font());
  const bool pushed = state_ == TButtonState::bsPressed || state_ == TButtonState::bsLatched;
  const QPoint offset = pushed ? QPoint(1, 1) : QPoint(0, 0);
  const TGlyphTextPlacement placement = LayoutGlyphAndText(rect(), offset, caption_, layout_, margin_, spacing_,
                                                           glyph_.size(), numGlyphs_, painter.fontMetrics());
  if (Enabled()) {
    if (state_ == TButtonState::bsDisabled) {
      state_ = down_ && groupIndex_ != 0 ? TButtonState::bsLatched : TButtonState::bsUp;
    }
  } else {
    state_ = TButtonState::bsDisabled;
    dragging_ = false;
  }

  if (const std::optional<TColor> face = FaceColor()) painter.fillRect(rect(), ToQColor(*face));

  if (state_ == TButtonState::bsPressed || state_ == TButtonState::bsLatched) {
    DrawBevelFrame(painter, rect(), colorShadow_, colorHighLight_, 1);
  } else if (state_ == TButtonState::bsUp && hot_) {
    DrawBevelFrame(painter, rect(), colorHighLight_, colorShadow_, 1);
  } else {
    DrawBevelFrame(painter, rect(), colorBorder_, colorBorder_, 1);
  }

  if (!glyph_.isNull()) {
    QImage image = StateImage();
    QRgb transparent = glyph_.pixel(0, glyph_.height() - 1);
    if (numGlyphs_ == 1 && state_ == TButtonState::bsDisabled) {
      image = MakeDisabledGlyph(image);
      transparent = image.pixel(0, image.height() - 1);
    }
    painter.drawImage(placement.GlyphPos, WithTransparentColor(image, transparent));
  }

  if (!caption_.isEmpty()) {
    constexpr int flags = Qt::AlignCenter | Qt::TextSingleLine | Qt::TextShowMnemonic;
    if (state_ == TButtonState::bsDisabled) {
      painter.setPen(ToQColor(clBtnHighlight));
      painter.drawText(placement.TextBounds.translated(1, 1), flags, caption_);
      painter.setPen(ToQColor(clBtnShadow));
      painter.drawText(placement.TextBounds, flags, caption_);
    } else {
      painter.setPen(palette().color(QPalette::ButtonText));
      painter.drawText(placement.TextBounds, flags, caption_);
    }
  }
}

}  // namespace pausalo
