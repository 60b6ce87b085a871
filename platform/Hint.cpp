#include "platform/Hint.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <exception>

#include "platform/Application.h"
#include "platform/TextOutput.h"

namespace pausalo {

namespace {

// The proposed hint position lies this far below the cursor's hot spot,
// clear of the arrow cursor.
constexpr int kHintBelowCursor = 20;

// The control whose hint shows over a widget: the widget itself or the
// nearest ancestor in its window that has a tooltip.
QWidget* HintControlOf(QWidget* widget) {
  for (QWidget* w = widget; w != nullptr; w = w->isWindow() ? nullptr : w->parentWidget()) {
    if (!w->toolTip().isEmpty()) return w;
  }
  return nullptr;
}

}  // namespace

THintWindow::THintWindow()
    : QWidget(nullptr,
              Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowTransparentForInput | Qt::WindowDoesNotAcceptFocus) {
  setAttribute(Qt::WA_ShowWithoutActivating);
  setAttribute(Qt::WA_TransparentForMouseEvents);
}

QRect THintWindow::CalcHintRect(int maxWidth, const QString& hint) const {
  QRect rect(0, 0, maxWidth, 0);
  TextCanvas(fontMetrics()).DrawText(hint, rect, DT_CALCRECT | DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
  return rect.adjusted(0, 0, 8, 4);  // outline and margins
}

void THintWindow::ActivateHint(const QRect& rect, const QString& hint) {
  caption_ = hint;
  setGeometry(rect);
  show();
  update();
}

void THintWindow::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), ToQColor(color_));
  painter.setPen(ToQColor(clInfoText));
  painter.drawRect(rect().adjusted(0, 0, -1, -1));
  TextCanvas canvas(painter);
  QRect textRect = rect().adjusted(4, 2, -4, -2);
  canvas.DrawText(caption_, textRect, DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
}

ApplicationHints::ApplicationHints(TApplication& application) : application_(application) {
  showTimer_.setSingleShot(true);
  hideTimer_.setSingleShot(true);
  connect(&showTimer_, &QTimer::timeout, this, &ApplicationHints::ActivatePendingHint);
  connect(&hideTimer_, &QTimer::timeout, this, [this] {
    doneControl_ = shownControl_;
    HideHint();
  });
  if (QCoreApplication::instance() != nullptr) QCoreApplication::instance()->installEventFilter(this);
}

ApplicationHints::~ApplicationHints() {
  if (QCoreApplication::instance() != nullptr) QCoreApplication::instance()->removeEventFilter(this);
}

void ApplicationHints::SetShowHint(bool show) {
  if (show == showHint_) return;
  showHint_ = show;
  CancelHint();
  window_.reset();
}

void ApplicationHints::CancelHint() {
  showTimer_.stop();
  doneControl_ = HintShowing() ? shownControl_ : pendingControl_;
  pendingControl_ = nullptr;
  HideHint();
}

void ApplicationHints::HideHint() {
  hideTimer_.stop();
  shownControl_ = nullptr;
  if (window_ != nullptr) window_->hide();
}

bool ApplicationHints::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::MouseMove: {
      const auto* mouse = static_cast<QMouseEvent*>(event);
      if (mouse->buttons() != Qt::NoButton || !watched->isWidgetType()) break;
      const QPoint global = mouse->globalPosition().toPoint();
      // A parent sees the same move after its child did not take it.
      if (mouse->timestamp() == lastMoveTime_ && global == lastMovePos_) break;
      lastMoveTime_ = mouse->timestamp();
      lastMovePos_ = global;
      MouseMoved(static_cast<QWidget*>(watched), global);
      break;
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::Wheel:
      if (showTimer_.isActive() || HintShowing()) CancelHint();
      break;
    case QEvent::Leave:
      if (watched->isWidgetType() && static_cast<QWidget*>(watched)->isWindow()) CancelHint();
      break;
    case QEvent::ToolTip:
      // Hints of controls with a tooltip are ours; Qt's tooltip stays away.
      return watched->isWidgetType() && HintControlOf(static_cast<QWidget*>(watched)) != nullptr;
    default: break;
  }
  return false;
}

void ApplicationHints::MouseMoved(QWidget* widget, const QPoint& globalPos) {
  cursor_ = globalPos;
  QWidget* control = showHint_ ? HintControlOf(widget) : nullptr;
  if (HintShowing()) {
    if (control != nullptr && control == shownControl_ &&
        shownCursorRect_.contains(control->mapFromGlobal(globalPos))) {
      return;
    }
    // Moving on from a hint that is up: the next one follows quickly.
    HideHint();
    doneControl_ = nullptr;
    pendingControl_ = control;
    if (control != nullptr) {
      showTimer_.start(HintShortPause);
    } else {
      showTimer_.stop();
    }
    return;
  }
  if (control != doneControl_) doneControl_ = nullptr;
  if (control == nullptr || control == doneControl_) {
    showTimer_.stop();
    pendingControl_ = nullptr;
    return;
  }
  // The hint waits until the cursor has rested for the pause.
  pendingControl_ = control;
  showTimer_.start(HintPause);
}

void ApplicationHints::ActivatePendingHint() {
  QPointer<QWidget> control = pendingControl_;
  if (control == nullptr || !showHint_) return;
  doneControl_ = control;

  THintInfo info;
  info.HintControl = control;
  info.CursorPos = control->mapFromGlobal(cursor_);
  info.CursorRect = control->rect();
  info.HintPos = cursor_ + QPoint(0, kHintBelowCursor);
  const QScreen* screen = control->screen();
  info.HintMaxWidth = screen != nullptr ? screen->geometry().width() : 0;
  info.HideTimeout = HintHidePause;
  QString text = control->toolTip();
  bool canShow = true;
  if (application_.OnShowHint) {
    try {
      application_.OnShowHint(text, canShow, info);
    } catch (...) {
      ReportException(std::current_exception());
      canShow = false;
    }
  }
  if (!canShow || text.isEmpty() || control == nullptr || !showHint_) return;

  if (window_ == nullptr) window_ = windowClass_();
  window_->SetColor(info.HintColor);
  window_->ActivateHint(window_->CalcHintRect(info.HintMaxWidth, text).translated(info.HintPos), text);
  shownControl_ = control;
  shownCursorRect_ = info.CursorRect;
  if (info.HideTimeout > 0) {
    hideTimer_.start(info.HideTimeout);
  } else {
    hideTimer_.stop();
  }
}

}  // namespace pausalo
