#pragma once

#include <QImage>
#include <QPointer>
#include <QWidget>
#include <memory>

#include "platform/Colors.h"
#include "widgets/ControlEvents.h"
#include "widgets/FlatUtils.h"
#include "widgets/IntervalTimer.h"

namespace pausalo {

// When a flat speed button fills its face.
enum class TTransparentMode { tmAlways, tmNotFocused, tmNone };

// The drawing state of a flat speed button.
enum class TButtonState { bsUp, bsDisabled, bsPressed, bsLatched };

// A windowless flat button: a face, a one-pixel frame that turns 3-D while
// the pointer is over it or it is pressed, an optional glyph strip and a
// caption. Buttons with the same non-zero GroupIndex latch down in turn.
// One shared hover timer watches the button under the pointer.
class TFlatSpeedButton : public QWidget {
 public:
  explicit TFlatSpeedButton(QWidget* parent = nullptr);
  ~TFlatSpeedButton() override;
  TFlatSpeedButton(const TFlatSpeedButton&) = delete;
  TFlatSpeedButton& operator=(const TFlatSpeedButton&) = delete;

  TTransparentMode TransparentMode() const { return transparentMode_; }
  void SetTransparentMode(TTransparentMode mode);
  bool AllowAllUp() const { return allowAllUp_; }
  void SetAllowAllUp(bool allow);
  // The face colour; it follows the parent's colour while ParentColor is on.
  TColor Color() const;
  void SetColor(TColor color);
  bool ParentColor() const { return parentColor_; }
  void SetParentColor(bool parentColor);
  TColor ColorFocused() const { return colorFocused_; }
  void SetColorFocused(TColor color) { SetColorMember(colorFocused_, color); }
  TColor ColorDown() const { return colorDown_; }
  void SetColorDown(TColor color) { SetColorMember(colorDown_, color); }
  TColor ColorBorder() const { return colorBorder_; }
  void SetColorBorder(TColor color) { SetColorMember(colorBorder_, color); }
  TColor ColorHighLight() const { return colorHighLight_; }
  void SetColorHighLight(TColor color) { SetColorMember(colorHighLight_, color); }
  TColor ColorShadow() const { return colorShadow_; }
  void SetColorShadow(TColor color) { SetColorMember(colorShadow_, color); }
  TAdvColors AdvColorFocused() const { return advColorFocused_; }
  void SetAdvColorFocused(TAdvColors percent) { SetAdvColorMember(advColorFocused_, percent); }
  TAdvColors AdvColorDown() const { return advColorDown_; }
  void SetAdvColorDown(TAdvColors percent) { SetAdvColorMember(advColorDown_, percent); }
  TAdvColors AdvColorBorder() const { return advColorBorder_; }
  void SetAdvColorBorder(TAdvColors percent) { SetAdvColorMember(advColorBorder_, percent); }
  bool UseAdvColors() const { return useAdvColors_; }
  void SetUseAdvColors(bool use);
  int GroupIndex() const { return groupIndex_; }
  void SetGroupIndex(int index);
  bool Down() const { return down_; }
  void SetDown(bool down);
  QString Caption() const { return caption_; }
  // An "&" marks the next character as the button's accelerator.
  void SetCaption(const QString& caption);
  // The button's own flag; a disabled parent does not change it.
  bool Enabled() const { return !testAttribute(Qt::WA_ForceDisabled); }
  void SetEnabled(bool enabled) { setEnabled(enabled); }
  const QImage& Glyph() const { return glyph_; }
  // A strip whose width is a multiple of its height sets NumGlyphs to the
  // number of images, or to 1 when there are more than 4.
  void SetGlyph(const QImage& glyph);
  TButtonLayout Layout() const { return layout_; }
  void SetLayout(TButtonLayout layout);
  int Margin() const { return margin_; }
  // Values below -1 are ignored.
  void SetMargin(int margin);
  int NumGlyphs() const { return numGlyphs_; }
  void SetNumGlyphs(int numGlyphs);
  int ModalResult() const { return modalResult_; }
  void SetModalResult(int result) { modalResult_ = result; }
  int Spacing() const { return spacing_; }
  void SetSpacing(int spacing);

  TButtonState State() const { return state_; }
  bool Hot() const { return hot_; }
  bool Dragging() const { return dragging_; }

  // Hands a non-zero ModalResult to the dialog around the button, then
  // raises OnClick.
  void Click();

  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;
  TMouseEvent OnMouseDown;
  TMouseMoveEvent OnMouseMove;
  TMouseEvent OnMouseUp;
  TNotifyEvent OnMouseEnter;
  TNotifyEvent OnMouseLeave;

 protected:
  virtual void DoClick();
  virtual void DoDblClick();
  virtual void DoMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, QPoint at);
  virtual void DoMouseMove(Qt::KeyboardModifiers shift, QPoint at);
  virtual void DoMouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, QPoint at);
  // The left button went down on this button and has not been released.
  bool HasMouseCapture() const { return captured_; }

  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  friend struct THoverWatch;

  void SetColorMember(TColor& member, TColor color);
  void SetAdvColorMember(TAdvColors& member, TAdvColors percent);
  void DeriveAdvancedColors();
  void ColorsChanged();
  bool Inside(QPoint at) const;
  void HoverBegin();
  void HoverEnd();
  void HoverCheck();
  void RefreshHover();
  void StopWatching();
  void NotifyGroup();
  void GroupChanged(const TFlatSpeedButton& sender);
  TColor FaceColor(bool& filled) const;
  QImage StateImage() const;

  TTransparentMode transparentMode_ = TTransparentMode::tmNone;
  bool useAdvColors_ = false;
  TAdvColors advColorFocused_ = 10;
  TAdvColors advColorDown_ = 10;
  TAdvColors advColorBorder_ = 50;
  int numGlyphs_ = 1;
  TColor colorDown_ = 0xC5D6D9;
  TColor colorBorder_ = 0x8396A0;
  TColor colorHighLight_ = clWhite;
  TColor colorShadow_ = clBlack;
  TColor colorFocused_ = 0xE1EAEB;
  TColor color_ = 0xE1EAEB;
  bool parentColor_ = true;
  int groupIndex_ = 0;
  QImage glyph_;
  bool down_ = false;
  bool dragging_ = false;
  bool captured_ = false;
  bool allowAllUp_ = false;
  TButtonLayout layout_ = TButtonLayout::blGlyphTop;
  int spacing_ = 4;
  int margin_ = -1;
  bool hot_ = false;
  int modalResult_ = 0;
  QString caption_;
  int accelerator_ = 0;
  TButtonState state_ = TButtonState::bsUp;
};

// A flat speed button that repeats its click while held: the first repeat
// 400 ms after the press, then every 100 ms while it stays pressed.
class TTimerSpeedButton : public TFlatSpeedButton {
 public:
  static constexpr int FirstRepeatDelay = 400;
  static constexpr int RepeatInterval = 100;

  explicit TTimerSpeedButton(QWidget* parent = nullptr);

  bool AutoRepeat() const { return autoRepeat_; }
  void SetAutoRepeat(bool autoRepeat) { autoRepeat_ = autoRepeat; }
  // Where the repeat timer comes from; it is made on the first press.
  void SetTimerFactory(TTimerFactory factory) { timerFactory_ = std::move(factory); }
  TIntervalTimer* RepeatTimer() const { return repeatTimer_.get(); }

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void RepeatTick();

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

  TTimerSpeedButton* UpButton() const { return upButton_; }
  TTimerSpeedButton* DownButton() const { return downButton_; }
  // The arrow that Space clicks.
  TTimerSpeedButton* FocusedButton() const { return focusedButton_; }

  TNotifyEvent OnUpClick;
  TNotifyEvent OnDownClick;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  TTimerSpeedButton* CreateArrowButton();
  void LayoutArrowButtons(int height);
  void ArrowClick(QObject* sender);
  void ArrowMouseDown(QObject* sender, Qt::MouseButton button);
  void SelectArrowButton(TTimerSpeedButton* button);
  void LoadDefaultGlyph(TTimerSpeedButton* button, const QString& name, TButtonLayout layout);

  TTimerSpeedButton* upButton_ = nullptr;
  TTimerSpeedButton* downButton_ = nullptr;
  TTimerSpeedButton* focusedButton_ = nullptr;
  QPointer<QWidget> focusControl_;
};

}  // namespace pausalo
