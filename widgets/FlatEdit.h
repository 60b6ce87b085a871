#pragma once

#include <QLineEdit>
#include <QPointer>

#include "platform/Colors.h"
#include "platform/Events.h"
#include "widgets/FlatUtils.h"

namespace pausalo {

// A one-line edit with a flat 3-pixel border of its own: one ColorBorder
// ring around two rings of the current background. The background is
// ColorFocused while the edit has the focus or the mouse is over it (unless
// a TFlatEdit is the active control), ColorFlat otherwise. The height
// follows the font.
class TCustomFlatEdit : public QLineEdit {
  Q_OBJECT
  Q_PROPERTY(pausalo::TColor ColorFocused READ ColorFocused WRITE SetColorFocused)
  Q_PROPERTY(pausalo::TColor ColorBorder READ ColorBorder WRITE SetColorBorder)
  Q_PROPERTY(pausalo::TColor ColorFlat READ ColorFlat WRITE SetColorFlat)
  Q_PROPERTY(bool ParentColor READ ParentColor WRITE SetParentColor)
  Q_PROPERTY(int AdvColorFocused READ AdvColorFocused WRITE SetAdvColorFocused)
  Q_PROPERTY(int AdvColorBorder READ AdvColorBorder WRITE SetAdvColorBorder)
  Q_PROPERTY(bool UseAdvColors READ UseAdvColors WRITE SetUseAdvColors)
  Q_PROPERTY(bool Enabled READ Enabled WRITE SetEnabled)
  Q_PROPERTY(QFont Font READ Font WRITE SetFont)
  Q_PROPERTY(pausalo::TColor FontColor READ FontColor WRITE SetFontColor)

 public:
  // Width of the border on every side; the client area lies inside it.
  static constexpr int BorderWidth = 3;

  explicit TCustomFlatEdit(QWidget* parent = nullptr);

  TColor ColorFocused() const { return colorFocused_; }
  void SetColorFocused(TColor color);
  TColor ColorBorder() const { return colorBorder_; }
  void SetColorBorder(TColor color);
  // Setting ColorFlat turns ParentColor off.
  TColor ColorFlat() const { return colorFlat_; }
  void SetColorFlat(TColor color);
  // ColorFlat follows the parent's colour.
  bool ParentColor() const { return parentColor_; }
  void SetParentColor(bool parentColor);
  TAdvColors AdvColorFocused() const { return advColorFocused_; }
  void SetAdvColorFocused(TAdvColors percent);
  TAdvColors AdvColorBorder() const { return advColorBorder_; }
  void SetAdvColorBorder(TAdvColors percent);
  // Derive ColorFocused and ColorBorder from ColorFlat.
  bool UseAdvColors() const { return useAdvColors_; }
  void SetUseAdvColors(bool use);

  bool Enabled() const { return isEnabled(); }
  void SetEnabled(bool enabled) { setEnabled(enabled); }
  QFont Font() const { return font(); }
  void SetFont(const QFont& font) { setFont(font); }
  TColor FontColor() const;
  void SetFontColor(TColor color);

  // The background colour of the current look.
  TColor Color() const;
  int ClientWidth() const { return width() - 2 * BorderWidth; }
  int ClientHeight() const { return height() - 2 * BorderWidth; }

  // One line of text in the edit's font inside the border.
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

  // To be called once a stored layout has been applied.
  virtual void Loaded();

  TNotifyEvent OnChange;
  TNotifyEvent OnEnter;
  TNotifyEvent OnExit;

 protected:
  // Chooses the look, takes its background and repaints the border.
  void PaintFlatBorder();
  void FitHeightToFont();
  // The height of a line of text in the edit's font.
  int TextHeight() const;

  virtual void DoChange();
  virtual void DoEnter();
  virtual void DoExit();

  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  friend class FlatEditTestAccess;

  bool FocusedLook() const;
  TColor ParentWidgetColor() const;
  void WatchParent();
  // The parent's colour or the system colours changed.
  void ColorsChanged();
  void DeriveAdvancedColors();
  void SetBackground(TColor color);

  bool useAdvColors_ = false;
  TAdvColors advColorFocused_ = 10;
  TAdvColors advColorBorder_ = 50;
  bool parentColor_ = true;
  TColor colorFocused_ = clWhite;
  TColor colorBorder_ = 0x8396A0;
  TColor colorFlat_ = 0xE1EAEB;
  bool hovered_ = false;
  QPointer<QWidget> watchedParent_;
};

// The plain flat edit. While one of these is the active control, a hovered
// flat edit keeps its plain look.
class TFlatEdit : public TCustomFlatEdit {
  Q_OBJECT

 public:
  using TCustomFlatEdit::TCustomFlatEdit;
};

}  // namespace pausalo
