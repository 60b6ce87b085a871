#pragma once

#include <QImage>
#include <QPointer>
#include <QStaticText>
#include <QStringList>
#include <QWidget>
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/Colors.h"
#include "platform/Enumerations.h"
#include "platform/Events.h"
#include "platform/GuiThreadQueue.h"
#include "widgets/ThreadedTimer.h"

class QPainter;

namespace pausalo {

// Custom background painting: Canvas is where to paint, Rect the area.
using TPanelDrawEvent = std::function<void(QObject* Sender, QPainter& Canvas, QRect Rect)>;

// A framed panel that, while Active, scrolls its Lines through its interior
// one pixel per timer tick, upwards from the bottom edge or leftwards from
// the right edge, with an optional picture (the glyph) beside the text.
// While it is active its child widgets are hidden.
//
// Each frame is drawn into an off-screen text image the size of the text
// area, by default on the timer's worker thread; the frame is then copied
// into the panel's screen image, which paintEvent shows on the GUI thread.
// The worker never touches the widget. Two locks: the image lock (text
// image, layout, lines and everything else a frame is drawn from; the GUI
// thread writes those only under it) and, inside it, the canvas lock
// (screen image). A tick pauses only between frames.
class TSecretPanel : public QWidget {
  Q_OBJECT
  Q_PROPERTY(bool AsyncDrawing READ AsyncDrawing WRITE SetAsyncDrawing)
  Q_PROPERTY(bool Active READ Active WRITE SetActive)
  Q_PROPERTY(pausalo::TAlignment Alignment READ Alignment WRITE SetAlignment)
  Q_PROPERTY(bool Cycled READ Cycled WRITE SetCycled)
  Q_PROPERTY(QImage Glyph READ Glyph WRITE SetGlyph)
  Q_PROPERTY(pausalo::TGlyphLayout GlyphLayout READ GlyphLayout WRITE SetGlyphLayout)
  Q_PROPERTY(quint32 Interval READ Interval WRITE SetInterval)
  Q_PROPERTY(QStringList Lines READ Lines WRITE SetLines)
  Q_PROPERTY(pausalo::TScrollDirection ScrollDirection READ ScrollDirection WRITE SetScrollDirection)
  Q_PROPERTY(pausalo::TBevelCut TextStyle READ TextStyle WRITE SetTextStyle)
  Q_PROPERTY(pausalo::TBevelCut BevelInner READ BevelInner WRITE SetBevelInner)
  Q_PROPERTY(pausalo::TBevelCut BevelOuter READ BevelOuter WRITE SetBevelOuter)
  Q_PROPERTY(int BevelWidth READ BevelWidth WRITE SetBevelWidth)
  Q_PROPERTY(int BorderWidth READ BorderWidth WRITE SetBorderWidth)
  Q_PROPERTY(pausalo::TColor Color READ Color WRITE SetColor)
  Q_PROPERTY(pausalo::TColor FontColor READ FontColor WRITE SetFontColor)

 public:
  explicit TSecretPanel(QWidget* owner = nullptr);
  ~TSecretPanel() override;

  bool AsyncDrawing() const { return asyncDrawing_; }
  void SetAsyncDrawing(bool asyncDrawing);
  bool Active() const { return active_; }
  void SetActive(bool active);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment alignment);
  bool Cycled() const { return cycled_; }
  void SetCycled(bool cycled) { cycled_ = cycled; }
  const QImage& Glyph() const { return glyph_; }
  void SetGlyph(const QImage& glyph);
  TGlyphLayout GlyphLayout() const { return glyphLayout_; }
  void SetGlyphLayout(TGlyphLayout layout);
  // Milliseconds between frames; the timer's interval.
  std::uint32_t Interval() const { return timer_.Interval(); }
  void SetInterval(std::uint32_t interval) { timer_.SetInterval(interval); }
  const QStringList& Lines() const { return lines_; }
  void SetLines(const QStringList& lines);
  TScrollDirection ScrollDirection() const { return scrollDirection_; }
  void SetScrollDirection(TScrollDirection direction);
  TBevelCut TextStyle() const { return textStyle_; }
  void SetTextStyle(TBevelCut style);

  TBevelCut BevelInner() const { return bevelInner_; }
  void SetBevelInner(TBevelCut bevel);
  TBevelCut BevelOuter() const { return bevelOuter_; }
  void SetBevelOuter(TBevelCut bevel);
  int BevelWidth() const { return bevelWidth_; }
  void SetBevelWidth(int width);
  int BorderWidth() const { return borderWidth_; }
  void SetBorderWidth(int width);
  TColor Color() const { return color_; }
  void SetColor(TColor color);
  // The colour of the font.
  TColor FontColor() const { return fontColor_; }
  void SetFontColor(TColor color);

  // Read on the worker while frames are drawn, hence a setter.
  TPanelDrawEvent OnPaintClient() const { return onPaintClient_; }
  void SetOnPaintClient(TPanelDrawEvent handler);
  TNotifyEvent OnStartPlay;
  TNotifyEvent OnStopPlay;
  TNotifyEvent OnClick;

  // Border plus the bevels that are drawn.
  int BorderInset() const;
  // The frame around the glyph: the least room in which the glyph shows whole.
  QSize minimumSizeHint() const override;
  std::uint8_t LineHeight() const;

  // The timer's tick: advances one pixel and draws the frame; at the end of
  // a pass begins the next one (Cycled) or deactivates on the GUI thread.
  virtual void ScrollTick(QObject* Sender);

 protected:
  // Paints the background: OnPaintClient when assigned, otherwise a fill
  // with the canvas's brush. Runs on the worker for the text frames.
  virtual void FillClient(QPainter& Canvas, const QRect& Rect);
  virtual void NotifyStartPlay();
  virtual void NotifyStopPlay();
  virtual void Click();

  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  friend class SecretPanelTestAccess;

  // The state of the scrolling, as the last rebuild left it.
  int ScrollPosition() const;
  int ScrollExtent() const;
  int FirstTextLine() const;
  QRect TextArea() const;
  QRect InnerArea() const;
  QPoint GlyphPosition() const;
  // The text image exists from activation to deactivation.
  bool HasTextImage() const;
  QSize TextImageSize() const;

  struct Areas {
    QRect inner;
    QRect text;
    QPoint glyph;
  };
  // What a frame is drawn with, taken on the GUI thread by a rebuild.
  struct ImageCanvas {
    QFont font;
    QColor brush;
    QColor text;
    QColor highlight;
    Qt::LayoutDirection direction = Qt::LeftToRight;
  };
  enum Reaction : unsigned { ResetPosition = 1, Rebuild = 2, Invalidate = 4 };

  void Paint();
  bool PaintFrameOnly(const QRect& dirty);
  QRect ScreenArea() const;
  Areas LayoutAreas() const;
  // From here to PresentFrame: callers hold the image lock.
  void RebuildTextImage();
  // Resets the position and rebuilds the image as asked, while active.
  void UpdateImage(unsigned reactions);
  void RenderFrame();
  void PrepareLineTexts();
  void DrawLines(QPainter& canvas) const;
  void PresentFrame();
  void DrawGlyph(QPainter& canvas) const;
  void Activate();
  void Deactivate();
  void HideChildren();
  void RestoreChildren();
  // Takes the image lock for UpdateImage, then repaints when asked.
  void React(unsigned reactions);
  void Realigned();
  void EndPass();
  void NotifyAccessibility(bool activeChanged);

  bool asyncDrawing_ = true;
  bool active_ = false;
  TAlignment alignment_ = taCenter;
  QStringList lines_;
  std::atomic<bool> cycled_{false};
  int scrollPosition_ = 0;
  int scrollExtent_ = 0;
  std::uint8_t lineHeight_ = 1;
  int firstTextLine_ = 0;
  QRect textArea_;
  QRect innerArea_;
  QPoint glyphPosition_;
  std::optional<QImage> textImage_;
  ImageCanvas imageCanvas_;
  // The lines from the first text line on, laid out once per rebuild.
  std::vector<QStaticText> lineTexts_;
  QImage glyph_;
  QImage transparentGlyph_;
  std::vector<QPointer<QWidget>> hiddenChildren_;
  TBevelCut textStyle_ = bvNone;
  TScrollDirection scrollDirection_ = sdVertical;
  TGlyphLayout glyphLayout_ = glGlyphLeft;
  TPanelDrawEvent onPaintClient_;

  TBevelCut bevelInner_ = bvNone;
  TBevelCut bevelOuter_ = bvLowered;
  int bevelWidth_ = 1;
  int borderWidth_ = 0;
  TColor color_ = clBtnFace;
  TColor fontColor_ = clWindowText;

  bool destroying_ = false;
  bool pressed_ = false;
  std::atomic<bool> handleAllocated_{false};
  mutable std::mutex imageLock_;

  mutable std::mutex canvasLock_;
  QImage screen_;
  QPoint screenOrigin_;
  std::atomic<bool> repaintPending_{false};
  GuiThreadQueue repaints_;

  // Last, so that it goes first: its destruction waits for a tick that is
  // still drawing from the members above.
  TThreadedTimer timer_;
};

}  // namespace pausalo
