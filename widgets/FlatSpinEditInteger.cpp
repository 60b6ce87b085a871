#include "widgets/FlatSpinEditInteger.h"

#include <QAccessible>
#include <QApplication>
#include <QContextMenuEvent>
#include <QCursor>
#include <QDragEnterEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLocale>
#include <QMenu>
#include <QRegion>
#include <algorithm>
#include <limits>
#include <memory>

#include "widgets/FlatSpinEditIntegerAccessible.h"
#include "widgets/IntegerText.h"

namespace pausalo {

namespace {

constexpr char16_t Return = 13;
constexpr char16_t Backspace = 8;

std::int32_t Saturated(std::int64_t value) {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, std::numeric_limits<std::int32_t>::min(),
                                                            std::numeric_limits<std::int32_t>::max()));
}

// Cut and Paste of the edit's standard context menu, known by their captions
// (the part before the tab that leads a shortcut).
bool IsCutOrPaste(const QAction& action) {
  const QString caption = action.text().section(u'\t', 0, 0);
  return caption == QLineEdit::tr("Cu&t") || caption == QLineEdit::tr("&Paste");
}

}  // namespace

TFlatSpinEditInteger::TFlatSpinEditInteger(QWidget* parent) : TCustomFlatEdit(parent) {
  InstallFlatSpinEditAccessibleFactory();
  setMinimumHeight(MinimumHeight());
  spinButton_ = new TSpinButton(this);
  spinButton_->setGeometry(0, 0, SpinButtonWidth, 10);
  spinButton_->show();
  spinButton_->SetFocusControl(this);
  spinButton_->OnUpClick = [this](QObject*) { StepUp(); };
  spinButton_->OnDownClick = [this](QObject*) { StepDown(); };
  SetValue(0);
  PlaceSpinButton();
  UpdateEditRect();
}

std::int32_t TFlatSpinEditInteger::Value() const { return ParseInt32(text().toStdString()).value_or(minValue_); }

void TFlatSpinEditInteger::SetValue(std::int32_t value) { setText(QString::number(ClampValue(value))); }

std::int32_t TFlatSpinEditInteger::ClampValue(std::int32_t value) const {
  if (minValue_ == maxValue_) return value;
  if (value < minValue_) return minValue_;
  if (value > maxValue_) return maxValue_;
  return value;
}

bool TFlatSpinEditInteger::AcceptsChar(QChar key) const {
  const char16_t code = key.unicode();
  const bool allowed = (code >= u'0' && code <= u'9') || code == u'+' || code == u'-' ||
                       QLocale().decimalPoint() == QString(key);
  const bool control = code < 32 && code != Return;
  if (!allowed && !control) return false;
  if (!editorEnabled_ && (code >= 32 || code == Backspace)) return false;
  return true;
}

void TFlatSpinEditInteger::StepUp() { Step(increment_); }

void TFlatSpinEditInteger::StepDown() { Step(-std::int64_t{increment_}); }

void TFlatSpinEditInteger::Step(std::int64_t delta) {
  if (isReadOnly()) {
    Beep();
    return;
  }
  SetValue(Saturated(std::int64_t{Value()} + delta));
}

void TFlatSpinEditInteger::Beep() { QApplication::beep(); }

void TFlatSpinEditInteger::DoKeyDown(int& key, Qt::KeyboardModifiers shift) {
  if (OnKeyDown) OnKeyDown(this, key, ShiftStateOf(shift));
}

void TFlatSpinEditInteger::DoKeyPress(QChar& key) {
  if (OnKeyPress) OnKeyPress(this, key);
}

void TFlatSpinEditInteger::DoChange() {
  TCustomFlatEdit::DoChange();
  if (QAccessible::isActive()) {
    QAccessibleValueChangeEvent change(this, Value());
    QAccessible::updateAccessibility(&change);
  }
}

void TFlatSpinEditInteger::DoEnter() {
  if (autoSelect_ && !enteredByLeftClick_) selectAll();
  TCustomFlatEdit::DoEnter();
}

void TFlatSpinEditInteger::DoExit() {
  TCustomFlatEdit::DoExit();
  const std::int32_t value = Value();
  if (ClampValue(value) != value) SetValue(value);
}

void TFlatSpinEditInteger::Loaded() {
  UpdateEditRect();
  PlaceSpinButton();
  TCustomFlatEdit::Loaded();
}

int TFlatSpinEditInteger::MinimumHeight() const { return TextHeight() + 7; }

void TFlatSpinEditInteger::PlaceSpinButton() {
  const QRect client = contentsRect();
  const QRect bounds(client.left() + width() - spinButton_->width() - 5, client.top(), spinButton_->width(),
                     height() - 2 * BorderWidth);
  spinButton_->setGeometry(bounds);
  // Children are clipped to the client area, as the border is not theirs.
  const QRect visible = bounds.intersected(client);
  if (visible == bounds) {
    spinButton_->clearMask();
  } else {
    spinButton_->setMask(QRegion(visible.translated(-bounds.topLeft())));
  }
}

void TFlatSpinEditInteger::UpdateEditRect() {
  // The text ends 3 pixels before the arrows.
  setTextMargins(0, 0, spinButton_->width() + 3, 0);
}

bool TFlatSpinEditInteger::TypesCharacter(const QKeyEvent& event) {
  return !event.text().isEmpty() && event.key() != Qt::Key_Delete;
}

bool TFlatSpinEditInteger::AcceptsText(const QString& text) const {
  return std::all_of(text.begin(), text.end(), [this](QChar key) { return AcceptsChar(key); });
}

void TFlatSpinEditInteger::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Up) StepUp();
  if (event->key() == Qt::Key_Down) StepDown();
  int key = event->key();
  DoKeyDown(key, event->modifiers());
  if (key == 0) return event->accept();

  if (event->matches(QKeySequence::Paste) || event->matches(QKeySequence::Cut)) {
    if (!ClipboardEditsAllowed()) return event->accept();
    return TCustomFlatEdit::keyPressEvent(event);
  }
  if (TypesCharacter(*event)) {
    if (!AcceptsText(event->text())) {
      Beep();
      return event->accept();
    }
    const QChar original = event->text().front();
    QChar typed = original;
    DoKeyPress(typed);
    if (typed.isNull()) return event->accept();
    if (typed != original) {
      // The edit takes a replaced character as typed text; a control character is no text.
      if (typed.unicode() >= 32) insert(QString(typed));
      return event->accept();
    }
  }
  TCustomFlatEdit::keyPressEvent(event);
}

// Committed text is filtered as if its characters were typed one by one.
void TFlatSpinEditInteger::inputMethodEvent(QInputMethodEvent* event) {
  QString accepted;
  for (const QChar key : event->commitString()) {
    if (AcceptsChar(key)) {
      accepted += key;
    } else {
      Beep();
    }
  }
  if (accepted == event->commitString()) return TCustomFlatEdit::inputMethodEvent(event);
  QInputMethodEvent filtered(event->preeditString(), event->attributes());
  filtered.setCommitString(accepted, event->replacementStart(), event->replacementLength());
  TCustomFlatEdit::inputMethodEvent(&filtered);
  event->accept();
}

void TFlatSpinEditInteger::mouseReleaseEvent(QMouseEvent* event) {
  // A middle click pastes the selection on X11.
  if (event->button() == Qt::MiddleButton && !ClipboardEditsAllowed()) return event->accept();
  TCustomFlatEdit::mouseReleaseEvent(event);
}

void TFlatSpinEditInteger::contextMenuEvent(QContextMenuEvent* event) {
  const std::unique_ptr<QMenu> menu(createStandardContextMenu());
  if (!ClipboardEditsAllowed()) {
    for (QAction* action : menu->actions()) {
      if (IsCutOrPaste(*action)) action->setEnabled(false);
    }
  }
  menu->exec(event->globalPos());
}

void TFlatSpinEditInteger::dragEnterEvent(QDragEnterEvent* event) {
  // A drop inserts text like a paste.
  if (!ClipboardEditsAllowed()) return event->ignore();
  TCustomFlatEdit::dragEnterEvent(event);
}

void TFlatSpinEditInteger::focusInEvent(QFocusEvent* event) {
  // A press on the arrows also focuses the edit by mouse; only a press on
  // the text area itself keeps the text unselected.
  enteredByLeftClick_ = event->reason() == Qt::MouseFocusReason && (QApplication::mouseButtons() & Qt::LeftButton) &&
                        QApplication::widgetAt(QCursor::pos()) == this;
  TCustomFlatEdit::focusInEvent(event);
}

void TFlatSpinEditInteger::resizeEvent(QResizeEvent* event) {
  TCustomFlatEdit::resizeEvent(event);
  if (spinButton_ == nullptr) return;
  PlaceSpinButton();
  UpdateEditRect();
}

void TFlatSpinEditInteger::changeEvent(QEvent* event) {
  // The minimum must be known before the height is fitted to the new font.
  if (event->type() == QEvent::FontChange) setMinimumHeight(MinimumHeight());
  TCustomFlatEdit::changeEvent(event);
}

}  // namespace pausalo
