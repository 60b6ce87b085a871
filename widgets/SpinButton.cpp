#include "widgets/SpinButton.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <array>

namespace pausalo {

TTimerSpeedButton::TTimerSpeedButton(QWidget* parent) : TFlatSpeedButton(parent) {}

void TTimerSpeedButton::mousePressEvent(QMouseEvent* event) {
  TFlatSpeedButton::mousePressEvent(event);
  if (!autoRepeat_) return;
  if (!repeatTimer_) {
    repeatTimer_ = timerFactory_();
    repeatTimer_->OnTimer = [this] { RepeatTick(); };
  }
  repeatTimer_->Start(FirstRepeatDelay);
}

void TTimerSpeedButton::mouseReleaseEvent(QMouseEvent* event) {
  TFlatSpeedButton::mouseReleaseEvent(event);
  if (repeatTimer_) repeatTimer_->Stop();
}

bool TTimerSpeedButton::event(QEvent* event) {
  switch (event->type()) {
    case QEvent::WindowBlocked:
    case QEvent::WindowDeactivate:
    case QEvent::Hide:
    case QEvent::UngrabMouse: LoseMouse(); break;
    default: break;
  }
  return TFlatSpeedButton::event(event);
}

// The release that will not reach the button now.
void TTimerSpeedButton::LoseMouse() {
  if (HasMouseCapture()) {
    const QPointF outside(-1, -1);
    QMouseEvent release(QEvent::MouseButtonRelease, outside, mapToGlobal(outside), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    mouseReleaseEvent(&release);
  }
  if (repeatTimer_) repeatTimer_->Stop();
}

void TTimerSpeedButton::RepeatTick() {
  repeatTimer_->SetInterval(RepeatInterval);
  if (State() != TButtonState::bsPressed || !HasMouseCapture()) return;
  try {
    Click();
  } catch (...) {
    repeatTimer_->Stop();
    throw;
  }
}

QImage GlyphResource(const QString& name) {
  static constexpr std::array<const char*, 5> up{".....", "..#..", ".###.", "#####", "....."};
  static constexpr std::array<const char*, 5> down{".....", "#####", ".###.", "..#..", "....."};
  const std::array<const char*, 5>* rows = name == QLatin1String("FlatUp")     ? &up
                                           : name == QLatin1String("FlatDown") ? &down
                                                                               : nullptr;
  if (rows == nullptr) return {};
  QImage image(5, 5, QImage::Format_RGB32);
  for (int y = 0; y < 5; ++y) {
    for (int x = 0; x < 5; ++x) image.setPixel(x, y, (*rows)[y][x] == '#' ? qRgb(0, 0, 0) : qRgb(128, 128, 0));
  }
  return image;
}

TSpinButton::TSpinButton(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setCursor(Qt::ArrowCursor);
  SetTabStop(false);
  upButton_ = CreateArrowButton();
  downButton_ = CreateArrowButton();
  SetUpGlyph({});
  SetDownGlyph({});
  resize(21, 10);
  LayoutArrowButtons(height());
  focusedButton_ = upButton_;
}

TTimerSpeedButton* TSpinButton::CreateArrowButton() {
  auto* button = new TTimerSpeedButton(this);
  button->OnClick = [this](QObject* sender) { ArrowClick(sender); };
  button->OnMouseDown = [this](QObject* sender, TMouseButton mouseButton, TShiftState, int, int) {
    ArrowMouseDown(sender, mouseButton);
  };
  button->SetEnabled(true);
  button->SetAutoRepeat(true);
  button->show();
  return button;
}

void TSpinButton::LoadDefaultGlyph(TTimerSpeedButton* button, const QString& name, TButtonLayout layout) {
  button->SetGlyph(GlyphResource(name));
  button->SetNumGlyphs(1);
  button->SetMargin(2);
  button->update();
  button->SetLayout(layout);
}

QImage TSpinButton::UpGlyph() const { return upButton_->Glyph(); }

void TSpinButton::SetUpGlyph(const QImage& glyph) {
  if (glyph.isNull()) {
    LoadDefaultGlyph(upButton_, QStringLiteral("FlatUp"), TButtonLayout::blGlyphTop);
  } else {
    upButton_->SetGlyph(glyph);
  }
}

QImage TSpinButton::DownGlyph() const { return downButton_->Glyph(); }

void TSpinButton::SetDownGlyph(const QImage& glyph) {
  if (glyph.isNull()) {
    LoadDefaultGlyph(downButton_, QStringLiteral("FlatDown"), TButtonLayout::blGlyphBottom);
  } else {
    downButton_->SetGlyph(glyph);
  }
}

int TSpinButton::UpNumGlyphs() const { return upButton_->NumGlyphs(); }
void TSpinButton::SetUpNumGlyphs(int numGlyphs) { upButton_->SetNumGlyphs(numGlyphs); }
int TSpinButton::DownNumGlyphs() const { return downButton_->NumGlyphs(); }
void TSpinButton::SetDownNumGlyphs(int numGlyphs) { downButton_->SetNumGlyphs(numGlyphs); }

QSize TSpinButton::minimumSizeHint() const {
  return {2 * ArrowWidth - 1, std::max(upButton_->minimumSizeHint().height(), downButton_->minimumSizeHint().height())};
}

QSize TSpinButton::sizeHint() const { return minimumSizeHint(); }

void TSpinButton::LayoutArrowButtons(int height) {
  if (upButton_ == nullptr || downButton_ == nullptr) return;
  // The down arrow covers the up arrow's last column, whatever the width.
  upButton_->setGeometry(0, 0, ArrowWidth, height);
  downButton_->setGeometry(ArrowWidth - 1, 0, ArrowWidth, height);
}

void TSpinButton::ArrowClick(QObject* sender) {
  if (sender == upButton_ && OnUpClick) OnUpClick(this);
  if (sender == downButton_ && OnDownClick) OnDownClick(this);
}

void TSpinButton::ArrowMouseDown(QObject* sender, TMouseButton button) {
  if (button != mbLeft) return;
  SelectArrowButton(static_cast<TTimerSpeedButton*>(sender));
  const auto canFocus = [](const QWidget* control) { return control->isVisible() && control->isEnabled(); };
  if (focusControl_ && (focusControl_->focusPolicy() & Qt::TabFocus) && canFocus(focusControl_) &&
      !focusControl_->hasFocus()) {
    focusControl_->setFocus(Qt::OtherFocusReason);
  } else if (TabStop() && !hasFocus() && canFocus(this)) {
    setFocus(Qt::OtherFocusReason);
  }
}

void TSpinButton::SelectArrowButton(TTimerSpeedButton* button) {
  if (!TabStop() || !isVisible() || !isEnabled() || button == focusedButton_) return;
  focusedButton_ = button;
  if (hasFocus()) update();
}

void TSpinButton::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().color(QPalette::Window));
}

void TSpinButton::resizeEvent(QResizeEvent* event) {
  LayoutArrowButtons(height());
  QWidget::resizeEvent(event);
}

void TSpinButton::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Space: focusedButton_->Click(); break;
    case Qt::Key_Up:
      SelectArrowButton(upButton_);
      upButton_->Click();
      break;
    case Qt::Key_Down:
      SelectArrowButton(downButton_);
      downButton_->Click();
      break;
    default: QWidget::keyPressEvent(event);
  }
}

void TSpinButton::focusInEvent(QFocusEvent* event) {
  QWidget::focusInEvent(event);
  focusedButton_->update();
}

void TSpinButton::focusOutEvent(QFocusEvent* event) {
  QWidget::focusOutEvent(event);
  focusedButton_->update();
}

}  // namespace pausalo
