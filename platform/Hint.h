#pragma once

#include <QObject>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>

#include "platform/Colors.h"

namespace pausalo {

class TApplication;

// What the application knows about the hint it is about to show; a
// show-hint handler may change it.
struct THintInfo {
  QWidget* HintControl = nullptr;  // the control whose hint this is
  QPoint CursorPos;                // the cursor, in HintControl's coordinates
  QRect CursorRect;                // moving out of it, in HintControl's coordinates, ends the hint
  QPoint HintPos;                  // screen position proposed for the hint window
  int HintMaxWidth = 0;            // width at which the hint text wraps
  TColor HintColor = clInfoBk;
  int HideTimeout = 0;  // how long the hint stays up, ms; 0 or less: until the cursor moves on
};

using TShowHintEvent = std::function<void(QString& HintStr, bool& CanShow, THintInfo& HintInfo)>;

// The popup window that shows a hint: borderless on the desktop's side,
// never activated, transparent to the mouse. The application makes one from
// its hint-window class and reuses it for every hint.
class THintWindow : public QWidget {
  Q_OBJECT

 public:
  THintWindow();

  QString Caption() const { return caption_; }
  // The fill colour, set before each activation.
  TColor Color() const { return color_; }
  void SetColor(TColor color) { color_ = color; }

  // The size the window proposes for a text, at (0, 0).
  virtual QRect CalcHintRect(int maxWidth, const QString& hint) const;
  // Shows the text in the given screen rectangle.
  virtual void ActivateHint(const QRect& rect, const QString& hint);

 protected:
  void SetCaption(const QString& caption) { caption_ = caption; }
  void paintEvent(QPaintEvent* event) override;

 private:
  QString caption_;
  TColor color_ = clInfoBk;
};

// A hint-window class: makes a fresh hint window.
using THintWindowClass = std::unique_ptr<THintWindow> (*)();

template <class T>
std::unique_ptr<THintWindow> MakeHintWindow() {
  return std::make_unique<T>();
}

// The application's hint machinery: watches the mouse over every widget and
// shows a widget's tooltip in the hint window after the hint pause, hides
// it after the hide pause, when the cursor moves on, or on a click or key.
class ApplicationHints final : public QObject {
  Q_OBJECT

 public:
  explicit ApplicationHints(TApplication& application);
  ~ApplicationHints() override;

  THintWindowClass HintWindowClass() const { return windowClass_; }
  void SetHintWindowClass(THintWindowClass windowClass) { windowClass_ = windowClass; }

  // Switching on drops the current window, so that the next hint makes a
  // fresh one from the hint-window class; switching off frees it.
  bool ShowHint() const { return showHint_; }
  void SetShowHint(bool show);

  int HintPause = 500;
  int HintShortPause = 50;
  int HintHidePause = 2500;

  bool HintShowing() const { return window_ != nullptr && window_->isVisible(); }
  void CancelHint();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  friend class ApplicationHintsTestAccess;

  void MouseMoved(QWidget* widget, const QPoint& globalPos);
  void ActivatePendingHint();
  void HideHint();

  TApplication& application_;
  THintWindowClass windowClass_ = &MakeHintWindow<THintWindow>;
  bool showHint_ = true;
  std::unique_ptr<THintWindow> window_;

  QTimer showTimer_;
  QTimer hideTimer_;
  QPointer<QWidget> pendingControl_;  // the control under the cursor whose hint waits for the pause
  QPoint cursor_;                     // the cursor at the last move, on the screen
  QPointer<QWidget> shownControl_;    // the control whose hint is up
  QRect shownCursorRect_;
  QPointer<QWidget> doneControl_;  // its hint has been shown and has gone: no second one
  quint64 lastMoveTime_ = 0;
  QPoint lastMovePos_;
};

}  // namespace pausalo
