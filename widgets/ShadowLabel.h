#pragma once

#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <functional>

#include "platform/Colors.h"
#include "platform/TextOutput.h"
#include "widgets/Accelerator.h"

namespace pausalo {

// The shadow's offset from the text for a size in pixels.
QPoint ShadowOffset(TShadowPosition position, int size);

// Outputs text twice with the canvas: first a shadow copy in shadowColor
// (an RGB value) offset by the shadow, then the text in the canvas's own
// text colour over it. rect returns the union of both rectangles: with
// DT_CALCRECT the bounding box of text and shadow, otherwise rect extended
// by the shadow in its two directions.
void PaintShadowedText(TextCanvas& canvas, const QString& text, QRect& rect, TTextFormat format,
                       std::uint8_t shadowSize, TColor shadowColor, TShadowPosition position);

class ShadowLabelAccessible;

// A label that draws its caption over a one-colour drop shadow, lays it out
// at the top, middle or bottom, sizes itself to text and shadow, reports the
// mouse entering and leaving, and hands the focus to FocusControl on its
// accelerator (Alt and the character after "&").
//
// The font is the widget's font; Color is the background (the palette's
// window colour, inherited from the parent until set) and FontColor the
// text colour (the palette's window-text colour).
class TCustomShadowLabel : public QWidget {
  Q_OBJECT
  Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
  Q_PROPERTY(pausalo::TAlignment Alignment READ Alignment WRITE SetAlignment)
  Q_PROPERTY(bool AutoSize READ AutoSize WRITE SetAutoSize)
  Q_PROPERTY(pausalo::TTextLayout Layout READ Layout WRITE SetLayout)
  Q_PROPERTY(pausalo::TColor ShadowColor READ ShadowColor WRITE SetShadowColor)
  Q_PROPERTY(quint8 ShadowSize READ ShadowSize WRITE SetShadowSize)
  Q_PROPERTY(pausalo::TShadowPosition ShadowPos READ ShadowPos WRITE SetShadowPos)
  Q_PROPERTY(bool WordWrap READ WordWrap WRITE SetWordWrap)
  Q_PROPERTY(bool ShowAccelChar READ ShowAccelChar WRITE SetShowAccelChar)
  Q_PROPERTY(bool ShowFocus READ ShowFocus WRITE SetShowFocus)
  Q_PROPERTY(bool Transparent READ Transparent WRITE SetTransparent)
  Q_PROPERTY(QWidget* FocusControl READ FocusControl WRITE SetFocusControl)
  Q_PROPERTY(pausalo::TColor Color READ Color WRITE SetColor)
  Q_PROPERTY(pausalo::TColor FontColor READ FontColor WRITE SetFontColor)

 public:
  explicit TCustomShadowLabel(QWidget* parent = nullptr);

  QString Caption() const { return caption_; }
  void SetCaption(const QString& caption);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment alignment);
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool autoSize);
  TTextLayout Layout() const { return layout_; }
  void SetLayout(TTextLayout layout);
  TColor ShadowColor() const { return shadowColor_; }
  void SetShadowColor(TColor color);
  std::uint8_t ShadowSize() const { return shadowSize_; }
  void SetShadowSize(std::uint8_t size);
  TShadowPosition ShadowPos() const { return shadowPos_; }
  void SetShadowPos(TShadowPosition position);
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool wordWrap);
  bool ShowAccelChar() const { return showAccelChar_; }
  void SetShowAccelChar(bool show);
  bool ShowFocus() const { return showFocus_; }
  void SetShowFocus(bool show);
  bool Transparent() const;
  void SetTransparent(bool transparent);
  QWidget* FocusControl() const { return focusControl_; }
  void SetFocusControl(QWidget* control);

  TColor Color() const;
  void SetColor(TColor color);
  TColor FontColor() const;
  void SetFontColor(TColor color);

  // Text and shadow, measured from the client origin at the current width.
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

  std::function<void(QObject* Sender)> OnMouseEnter;
  std::function<void(QObject* Sender)> OnMouseLeave;

 protected:
  // Text colour of an enabled label.
  virtual TColor GetPlainTextColor() const;
  // The text drawn and searched for the accelerator.
  virtual QString GetDisplayText() const;
  virtual void NotifyMouseEnter();
  virtual void NotifyMouseLeave();

  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void changeEvent(QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  friend class ShadowLabelAccessible;

  void PaintCaption(TextCanvas& canvas, QRect& rect, TTextFormat format) const;
  TTextFormat BiDiFlags(TTextFormat format) const;
  void FitBoundsToText();
  void RefreshMouseTracking();
  void FocusChanged(QWidget* now);
  bool CanFocusControl() const;
  // Keeps the accelerator's shortcut registered for the current caption,
  // and enabled only while it can give FocusControl the focus, so that a
  // key it cannot use stays with the other controls.
  void SyncAccelerator();

  QString caption_;
  QPointer<QWidget> focusControl_;
  QMetaObject::Connection focusControlGone_;
  TAlignment alignment_ = taLeftJustify;
  bool autoSize_ = true;
  TTextLayout layout_ = tlTop;
  TColor shadowColor_ = clBtnHighlight;
  std::uint8_t shadowSize_ = 1;
  TShadowPosition shadowPos_ = spLeftTop;
  bool wordWrap_ = false;
  bool showAccelChar_ = true;
  bool showFocus_ = false;
  bool focusShown_ = false;
  bool mouseInside_ = false;
  bool leftButtonHeld_ = false;
  TAccelerator accelerator_{*this};
};

// The shadow label as the window layouts place it.
class TShadowLabel : public TCustomShadowLabel {
  Q_OBJECT

 public:
  using TCustomShadowLabel::TCustomShadowLabel;
};

}  // namespace pausalo
