#pragma once

#include <QImage>
#include <QWidget>
#include <optional>

#include "platform/Colors.h"
#include "platform/Events.h"
#include "widgets/Accelerator.h"
#include "widgets/FlatUtils.h"

namespace pausalo {

// A windowless flat button: a face, a one-pixel frame that turns 3-D while
// the pointer is over it or it is pressed, an optional glyph strip and a
// caption. Buttons with the same non-zero GroupIndex latch down in turn.
// One shared hover timer watches the button under the pointer.
class TFlatSpeedButton : public QWidget {
  Q_OBJECT
  Q_PROPERTY(pausalo::TTransparentMode TransparentMode READ TransparentMode WRITE SetTransparentMode)
  Q_PROPERTY(bool AllowAllUp READ AllowAllUp WRITE SetAllowAllUp)
  Q_PROPERTY(pausalo::TColor Color READ Color WRITE SetColor)
  Q_PROPERTY(bool ParentColor READ ParentColor WRITE SetParentColor)
  Q_PROPERTY(pausalo::TColor ColorFocused READ ColorFocused WRITE SetColorFocused)
  Q_PROPERTY(pausalo::TColor ColorDown READ ColorDown WRITE SetColorDown)
  Q_PROPERTY(pausalo::TColor ColorBorder READ ColorBorder WRITE SetColorBorder)
  Q_PROPERTY(pausalo::TColor ColorHighLight READ ColorHighLight WRITE SetColorHighLight)
  Q_PROPERTY(pausalo::TColor ColorShadow READ ColorShadow WRITE SetColorShadow)
  Q_PROPERTY(int AdvColorFocused READ AdvColorFocused WRITE SetAdvColorFocused)
  Q_PROPERTY(int AdvColorDown READ AdvColorDown WRITE SetAdvColorDown)
  Q_PROPERTY(int AdvColorBorder READ AdvColorBorder WRITE SetAdvColorBorder)
  Q_PROPERTY(bool UseAdvColors READ UseAdvColors WRITE SetUseAdvColors)
  Q_PROPERTY(int GroupIndex READ GroupIndex WRITE SetGroupIndex)
  Q_PROPERTY(bool Down READ Down WRITE SetDown)
  Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
  Q_PROPERTY(bool Enabled READ Enabled WRITE SetEnabled)
  Q_PROPERTY(QImage Glyph READ Glyph WRITE SetGlyph)
  Q_PROPERTY(pausalo::TButtonLayout Layout READ Layout WRITE SetLayout)
  Q_PROPERTY(int Margin READ Margin WRITE SetMargin)
  Q_PROPERTY(int NumGlyphs READ NumGlyphs WRITE SetNumGlyphs)
  Q_PROPERTY(int ModalResult READ ModalResult WRITE SetModalResult)
  Q_PROPERTY(int Spacing READ Spacing WRITE SetSpacing)

 public:
  // The size of a new button, and the least that sizeHint asks for.
  static constexpr QSize DefaultSize{25, 25};

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

  // Glyph and caption as Layout and Spacing place them, inside the frame.
  QSize minimumSizeHint() const override;
  QSize sizeHint() const override;

  TButtonState State() const { return state_; }

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
  friend class FlatSpeedButtonTestAccess;

  friend struct THoverWatch;

  void SetColorMember(TColor& member, TColor color);
  void SetAdvColorMember(TAdvColors& member, TAdvColors percent);
  void DeriveAdvancedColors();
  void ColorsChanged();
  // Glyph, caption or their arrangement changed: a new size hint and look.
  void ContentChanged();
  bool Inside(QPoint at) const;
  void HoverBegin();
  void HoverEnd();
  void HoverCheck();
  void RefreshHover();
  void StopWatching();
  void NotifyGroup();
  void GroupChanged(const TFlatSpeedButton& sender);
  // The colour the face is filled with, or none.
  std::optional<TColor> FaceColor() const;
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
  TAccelerator accelerator_{*this};
  TButtonState state_ = TButtonState::bsUp;
};

}  // namespace pausalo
