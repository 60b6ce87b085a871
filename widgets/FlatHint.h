#pragma once

#include <QFont>
#include <QPointer>
#include <array>
#include <cstdint>

#include "platform/Colors.h"
#include "platform/Hint.h"

namespace pausalo {

// The look of flat hints.
struct FlatHintStyle {
  TColor ColorBackground = clWhite;
  TColor ColorBorder = clBlack;
  TColor ColorArrowBackground = 5493503;  // a warm yellow, RGB 255, 210, 83
  TColor ColorArrow = clBlack;
  int MaxHintWidth = 200;  // where the text wraps, the window's frame included
  QFont Font;
  TColor FontColor = clWindowText;
};

// The window corner nearest the cursor, where the arrow points from.
enum class ArrowCorner : std::uint8_t { TopRight, TopLeft, BottomRight, BottomLeft };

struct FlatHintPlacement {
  QRect Bounds;
  ArrowCorner Corner;
};

// Where a flat hint window of the given size goes for a cursor position:
// diagonally off the cursor toward the middle of the screen, so that it
// grows away from the corner of the cursor's quadrant. Not clamped to the
// screen.
FlatHintPlacement PlaceFlatHint(QPoint cursor, const QRect& screen, QSize windowSize);

class TFlatHint;

// A hint window with a one-pixel outline, a coloured strip on the side
// nearest the cursor with an arrow pointing at it, and the word-wrapped text
// beside it. Colours, font and width come from the application's TFlatHint
// at each activation.
class TFlatHintWindow : public THintWindow {
  Q_OBJECT

 public:
  TFlatHintWindow() = default;

  void ActivateHint(const QRect& rect, const QString& hint) override;
  ArrowCorner Corner() const { return corner_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  FlatHintStyle CurrentStyle() const;

  ArrowCorner corner_ = ArrowCorner::TopLeft;
  QPointer<TFlatHint> styleSource_;
  TColor fontColor_ = clWindowText;
};

// A component that makes every hint of the application a flat hint: on
// creation it installs TFlatHintWindow as the application's hint window
// class, sets the hint pauses to 500 / 25 / 5000 ms and forwards the
// application's show-hint notification to OnShowHint. Destroying the
// component undoes its installation: the class and the handler go back to
// what it found, unless someone changed them since.
class TFlatHint : public QObject {
  Q_OBJECT
  Q_PROPERTY(pausalo::TColor ColorBackground READ ColorBackground WRITE SetColorBackground)
  Q_PROPERTY(pausalo::TColor ColorBorder READ ColorBorder WRITE SetColorBorder)
  Q_PROPERTY(pausalo::TColor ColorArrowBackground READ ColorArrowBackground WRITE SetColorArrowBackground)
  Q_PROPERTY(pausalo::TColor ColorArrow READ ColorArrow WRITE SetColorArrow)
  Q_PROPERTY(int MaxHintWidth READ MaxHintWidth WRITE SetMaxHintWidth)
  Q_PROPERTY(QFont Font READ Font WRITE SetFont)
  Q_PROPERTY(pausalo::TColor FontColor READ FontColor WRITE SetFontColor)

 public:
  // A component being designed only holds its values.
  explicit TFlatHint(QObject* owner, bool designing = false);
  ~TFlatHint() override;

  // Colour by index: 0 ColorBackground, 1 ColorBorder,
  // 2 ColorArrowBackground, 3 ColorArrow. A change shows at the next hint.
  void SetColor(int index, TColor color);
  TColor ColorBackground() const { return style_.ColorBackground; }
  void SetColorBackground(TColor color) { SetColor(0, color); }
  TColor ColorBorder() const { return style_.ColorBorder; }
  void SetColorBorder(TColor color) { SetColor(1, color); }
  TColor ColorArrowBackground() const { return style_.ColorArrowBackground; }
  void SetColorArrowBackground(TColor color) { SetColor(2, color); }
  TColor ColorArrow() const { return style_.ColorArrow; }
  void SetColorArrow(TColor color) { SetColor(3, color); }
  int MaxHintWidth() const { return style_.MaxHintWidth; }
  void SetMaxHintWidth(int width) { style_.MaxHintWidth = width; }
  QFont Font() const { return style_.Font; }
  void SetFont(const QFont& font) { style_.Font = font; }
  TColor FontColor() const { return style_.FontColor; }
  void SetFontColor(TColor color) { style_.FontColor = color; }

  const FlatHintStyle& Style() const { return style_; }

  // Called before every hint of the application, once installed.
  TShowHintEvent OnShowHint;

 private:
  struct ShowHintForwarder;

  void Install();
  void Uninstall();
  TColor* ColorAt(int index);

  FlatHintStyle style_;
  THintWindowClass previousClass_ = nullptr;
  TShowHintEvent previousHandler_;
};

// The first TFlatHint, in creation order, among the form's components.
TFlatHint* FindFlatHint(const QObject* form);

}  // namespace pausalo
