#pragma once

#include <QImage>
#include <QPointer>
#include <QWidget>
#include <memory>

#include "widgets/FlatSpeedButton.h"
#include "widgets/IntervalTimer.h"

namespace pausalo {

// A flat speed button that repeats its click while held: the first repeat
// 400 ms after the press, then every 100 ms while it stays pressed. The
// repeat ends at the release, or when the button loses the mouse before it
// (a modal window opens, its window is deactivated or hidden, the grab is
// taken): that counts as a release outside the button, without a click.
class TTimerSpeedButton : public TFlatSpeedButton {
  Q_OBJECT
  Q_PROPERTY(bool AutoRepeat READ AutoRepeat WRITE SetAutoRepeat)

 public:
  static constexpr int FirstRepeatDelay = 400;
  static constexpr int RepeatInterval = 100;

  explicit TTimerSpeedButton(QWidget* parent = nullptr);

  bool AutoRepeat() const { return autoRepeat_; }
  void SetAutoRepeat(bool autoRepeat) { autoRepeat_ = autoRepeat; }
  // Where the repeat timer comes from; it is made on the first press.
  void SetTimerFactory(TTimerFactory factory) { timerFactory_ = std::move(factory); }

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  bool event(QEvent* event) override;

 private:
  friend class SpinButtonTestAccess;

  void RepeatTick();
  void LoseMouse();

  TTimerFactory timerFactory_ = MakeQtIntervalTimer;
  std::unique_ptr<TIntervalTimer> repeatTimer_;
  bool autoRepeat_ = false;
};

// The default arrow images, "FlatUp" and "FlatDown": 5 x 5 pixels, a black
// arrow on olive. Any other name gives a null image.
QImage GlyphResource(const QString& name);

// Two flat arrow buttons side by side, up on the left and down on the
// right, that repeat while held. A press on an arrow hands the keyboard
// focus to FocusControl.
class TSpinButton : public QWidget {
  Q_OBJECT
  Q_PROPERTY(QImage UpGlyph READ UpGlyph WRITE SetUpGlyph)
  Q_PROPERTY(QImage DownGlyph READ DownGlyph WRITE SetDownGlyph)
  Q_PROPERTY(int UpNumGlyphs READ UpNumGlyphs WRITE SetUpNumGlyphs)
  Q_PROPERTY(int DownNumGlyphs READ DownNumGlyphs WRITE SetDownNumGlyphs)
  Q_PROPERTY(QWidget* FocusControl READ FocusControl WRITE SetFocusControl)
  Q_PROPERTY(bool TabStop READ TabStop WRITE SetTabStop)

 public:
  static constexpr int ArrowWidth = 11;

  explicit TSpinButton(QWidget* parent = nullptr);

  QImage UpGlyph() const;
  // A null image loads the default "FlatUp" arrow.
  void SetUpGlyph(const QImage& glyph);
  QImage DownGlyph() const;
  // A null image loads the default "FlatDown" arrow.
  void SetDownGlyph(const QImage& glyph);
  int UpNumGlyphs() const;
  void SetUpNumGlyphs(int numGlyphs);
  int DownNumGlyphs() const;
  void SetDownNumGlyphs(int numGlyphs);
  QWidget* FocusControl() const { return focusControl_; }
  void SetFocusControl(QWidget* control) { focusControl_ = control; }
  bool TabStop() const { return focusPolicy() != Qt::NoFocus; }
  void SetTabStop(bool tabStop) { setFocusPolicy(tabStop ? Qt::StrongFocus : Qt::NoFocus); }

  // The two arrows side by side, as tall as the taller glyph needs.
  QSize minimumSizeHint() const override;
  QSize sizeHint() const override;

  TNotifyEvent OnUpClick;
  TNotifyEvent OnDownClick;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  friend class SpinButtonTestAccess;

  TTimerSpeedButton* CreateArrowButton();
  void LayoutArrowButtons(int height);
  void ArrowClick(QObject* sender);
  void ArrowMouseDown(QObject* sender, TMouseButton button);
  void SelectArrowButton(TTimerSpeedButton* button);
  void LoadDefaultGlyph(TTimerSpeedButton* button, const QString& name, TButtonLayout layout);

  TTimerSpeedButton* upButton_ = nullptr;
  TTimerSpeedButton* downButton_ = nullptr;
  TTimerSpeedButton* focusedButton_ = nullptr;
  QPointer<QWidget> focusControl_;
};

}  // namespace pausalo
