#include "widgets/SecretPanel.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QTextOption>
#include <algorithm>
#include <cstring>
#include <limits>

#include "platform/Application.h"
#include "widgets/AccessibleFactory.h"
#include "widgets/FlatUtils.h"

namespace pausalo {

namespace {

constexpr int MaxDrawnCharacters = 255;
constexpr QImage::Format ImageFormat = QImage::Format_ARGB32_Premultiplied;

// A line is blank when it holds nothing above the space character.
bool IsBlank(const QString& line) {
  return std::all_of(line.begin(), line.end(), [](QChar c) { return c.unicode() <= 32; });
}

int FirstNonBlank(const QStringList& lines) {
  const auto found = std::find_if_not(lines.begin(), lines.end(), IsBlank);
  return static_cast<int>(found - lines.begin());
}

int LastNonBlank(const QStringList& lines) {
  int index = static_cast<int>(lines.size()) - 1;
  while (index >= 0 && IsBlank(lines[index])) --index;
  return index;
}

int ClampToInt(std::int64_t value) {
  return static_cast<int>(std::min<std::int64_t>(value, std::numeric_limits<int>::max()));
}

// The distance between two lines, kept within its 8 bits: a font too tall
// for them gets the greatest line height, never a wrapped small one.
std::uint8_t LineHeightOf(const QFontMetrics& metrics, TBevelCut textStyle) {
  int height = metrics.height() + std::max(0, metrics.leading());
  if (textStyle != bvNone) ++height;
  return static_cast<std::uint8_t>(std::clamp(height, 1, 255));
}

Qt::Alignment AlignmentFlag(TAlignment alignment) {
  switch (alignment) {
    case taLeftJustify: return Qt::AlignLeft;
    case taRightJustify: return Qt::AlignRight;
    case taCenter: break;
  }
  return Qt::AlignHCenter;
}

// Saves a painter's state and puts it back, also when a handler raises.
class SavedState {
 public:
  explicit SavedState(QPainter& painter) : painter_(painter) { painter_.save(); }
  ~SavedState() { painter_.restore(); }
  SavedState(const SavedState&) = delete;
  SavedState& operator=(const SavedState&) = delete;

 private:
  QPainter& painter_;
};

// Exposes the scrolled lines as the panel's text and whether it scrolls.
class SecretPanelAccessible final : public QAccessibleWidget {
 public:
  explicit SecretPanelAccessible(TSecretPanel* panel) : QAccessibleWidget(panel, QAccessible::StaticText) {}

  QString text(QAccessible::Text kind) const override {
    if (kind == QAccessible::Name) return Panel().Lines().join(QLatin1Char('\n'));
    return QAccessibleWidget::text(kind);
  }
  QAccessible::State state() const override {
    QAccessible::State state = QAccessibleWidget::state();
    state.animated = Panel().Active();
    return state;
  }

 private:
  const TSecretPanel& Panel() const { return *static_cast<const TSecretPanel*>(widget()); }
};

QAccessibleInterface* CreateSecretPanelAccessible(TSecretPanel* panel) { return new SecretPanelAccessible(panel); }

}  // namespace

TSecretPanel::TSecretPanel(QWidget* owner) : QWidget(owner) {
  InstallAccessibleFactory<TSecretPanel, &CreateSecretPanelAccessible>();
  setAttribute(Qt::WA_OpaquePaintEvent);
  timer_.SetEnabled(false);
  timer_.SetOnTimer([this](QObject* sender) { ScrollTick(sender); });
  timer_.SetInterval(30);
  timer_.SetSyncEvent(false);
}

TSecretPanel::~TSecretPanel() {
  destroying_ = true;
  SetActive(false);
}

void TSecretPanel::SetAsyncDrawing(bool asyncDrawing) {
  if (asyncDrawing == asyncDrawing_) return;
  timer_.SetSyncEvent(!asyncDrawing);
  asyncDrawing_ = asyncDrawing;
}

void TSecretPanel::SetActive(bool active) {
  if (active == active_) return;
  if (active) {
    Activate();
  } else {
    Deactivate();
  }
}

void TSecretPanel::SetAlignment(TAlignment alignment) {
  if (alignment == alignment_) return;
  {
    std::lock_guard lock(imageLock_);
    alignment_ = alignment;
    if (active_) PrepareLineTexts();
  }
  React(Invalidate);
}

void TSecretPanel::SetGlyph(const QImage& glyph) {
  if (glyph == glyph_) return;
  glyph_ = glyph;
  // Kept in the painter's own format, so that painting needs no conversion.
  transparentGlyph_ = WithTransparentKey(glyph_, TransparentColorOf(glyph_)).convertToFormat(ImageFormat);
  updateGeometry();
  React(Rebuild | Invalidate);
}

void TSecretPanel::SetGlyphLayout(TGlyphLayout layout) {
  if (layout == glyphLayout_) return;
  glyphLayout_ = layout;
  React(Rebuild | Invalidate);
}

void TSecretPanel::SetLines(const QStringList& lines) {
  if (lines == lines_) return;
  {
    std::lock_guard lock(imageLock_);
    lines_ = lines;
    UpdateImage(ResetPosition | Rebuild);
  }
  React(Invalidate);
  NotifyAccessibility(false);
}

void TSecretPanel::SetScrollDirection(TScrollDirection direction) {
  if (direction == scrollDirection_) return;
  {
    std::lock_guard lock(imageLock_);
    scrollDirection_ = direction;
    UpdateImage(ResetPosition | Rebuild);
  }
  React(Invalidate);
}

void TSecretPanel::SetTextStyle(TBevelCut style) {
  if (style == textStyle_) return;
  {
    std::lock_guard lock(imageLock_);
    textStyle_ = style;
    UpdateImage(Rebuild);
  }
  React(Invalidate);
}

void TSecretPanel::SetBevelInner(TBevelCut bevel) {
  if (bevel == bevelInner_) return;
  bevelInner_ = bevel;
  Realigned();
}

void TSecretPanel::SetBevelOuter(TBevelCut bevel) {
  if (bevel == bevelOuter_) return;
  bevelOuter_ = bevel;
  Realigned();
}

void TSecretPanel::SetBevelWidth(int width) {
  if (width == bevelWidth_) return;
  bevelWidth_ = width;
  Realigned();
}

void TSecretPanel::SetBorderWidth(int width) {
  if (width == borderWidth_) return;
  borderWidth_ = width;
  Realigned();
}

void TSecretPanel::SetColor(TColor color) {
  if (color == color_) return;
  color_ = color;
  update();
  React(Rebuild);
}

void TSecretPanel::SetFontColor(TColor color) {
  if (color == fontColor_) return;
  fontColor_ = color;
  React(Rebuild);
}

void TSecretPanel::SetOnPaintClient(TPanelDrawEvent handler) {
  {
    std::lock_guard lock(imageLock_);
    onPaintClient_ = std::move(handler);
  }
  update();
}

int TSecretPanel::BorderInset() const {
  int inset = borderWidth_;
  if (bevelOuter_ != bvNone) inset += bevelWidth_;
  if (bevelInner_ != bvNone) inset += bevelWidth_;
  return inset;
}

QSize TSecretPanel::minimumSizeHint() const {
  const int frame = 2 * BorderInset();
  return glyph_.deviceIndependentSize().toSize() + QSize(frame, frame);
}

int TSecretPanel::ScrollPosition() const {
  std::lock_guard lock(imageLock_);
  return scrollPosition_;
}

int TSecretPanel::ScrollExtent() const {
  std::lock_guard lock(imageLock_);
  return scrollExtent_;
}

std::uint8_t TSecretPanel::LineHeight() const {
  std::lock_guard lock(imageLock_);
  return lineHeight_;
}

int TSecretPanel::FirstTextLine() const {
  std::lock_guard lock(imageLock_);
  return firstTextLine_;
}

QRect TSecretPanel::TextArea() const {
  std::lock_guard lock(imageLock_);
  return textArea_;
}

QRect TSecretPanel::InnerArea() const {
  std::lock_guard lock(imageLock_);
  return innerArea_;
}

QPoint TSecretPanel::GlyphPosition() const {
  std::lock_guard lock(imageLock_);
  return glyphPosition_;
}

bool TSecretPanel::HasTextImage() const {
  std::lock_guard lock(imageLock_);
  return textImage_.has_value();
}

QSize TSecretPanel::TextImageSize() const {
  std::lock_guard lock(imageLock_);
  return textImage_ ? textImage_->deviceIndependentSize().toSize() : QSize();
}

// Computes the areas from the current size, bevels, glyph, lines, first
// text line and line height. Right and bottom edges are exclusive here.
TSecretPanel::Areas TSecretPanel::LayoutAreas() const {
  const int inset = BorderInset();
  Areas areas;
  areas.inner = rect().adjusted(inset, inset, -inset, -inset);
  int left = inset + 3;
  int top = inset + 3;
  int right = width() - inset - 3;
  int bottom = height() - inset - 3;

  const int gw = glyph_.isNull() ? 0 : glyph_.width();
  const int gh = glyph_.isNull() ? 0 : glyph_.height();
  const int sideGap = inset + 3;
  const int endGap = inset + 6;
  int gx = 0;
  int gy = 0;
  switch (glyphLayout_) {
    case glGlyphLeft:
    case glGlyphRight:
      gy = std::max((bottom + top - gh) / 2, top);
      if (glyphLayout_ == glGlyphLeft) {
        gx = left;
        if (gw > 0) {
          gx += 3;
          left = gx + gw + sideGap;
        }
      } else {
        gx = right - gw;
        if (gw > 0) {
          gx = std::max(gx - 3, left);
          right = gx - sideGap;
        }
      }
      break;
    case glGlyphTop:
    case glGlyphBottom:
      gx = std::max((right + left - gw) / 2, left);
      if (glyphLayout_ == glGlyphTop) {
        gy = top;
        if (gh > 0) {
          gy += 3;
          top = gy + gh + endGap;
        }
      } else {
        gy = bottom - gh;
        if (gh > 0) {
          gy = std::max(gy - 3, top);
          bottom = gy - endGap;
        }
      }
      break;
  }
  areas.glyph = QPoint(gx, gy);

  if (scrollDirection_ == sdHorizontal) {
    // Centres the block of lines up to the last one that is not blank.
    const std::int64_t lines = LastNonBlank(lines_) + 1 - firstTextLine_;
    const std::int64_t free = (bottom - top) - lines * lineHeight_;
    if (free > 0) {
      top += static_cast<int>(free / 2);
      bottom -= static_cast<int>(free / 2);
    }
  }
  areas.text = (left >= right || top >= bottom) ? QRect(0, 0, 0, 0) : QRect(left, top, right - left, bottom - top);
  return areas;
}

void TSecretPanel::RebuildTextImage() {
  if (!textImage_) textImage_.emplace();
  firstTextLine_ = FirstNonBlank(lines_);
  const QFontMetrics metrics(font());
  lineHeight_ = LineHeightOf(metrics, textStyle_);

  const Areas areas = LayoutAreas();
  innerArea_ = areas.inner;
  textArea_ = areas.text;
  glyphPosition_ = areas.glyph;

  const int lineCount = static_cast<int>(lines_.size());
  if (scrollDirection_ == sdVertical) {
    scrollExtent_ = ClampToInt(textArea_.height() + std::int64_t{lineCount - firstTextLine_} * lineHeight_);
  } else {
    int widest = 0;
    for (int i = firstTextLine_; i < lineCount; ++i) widest = std::max(widest, metrics.horizontalAdvance(lines_[i]));
    scrollExtent_ = ClampToInt(std::int64_t{widest} + textArea_.width());
  }

  // In the screen's pixels, so that the text is as sharp as on the rest of
  // the window.
  const qreal pixelRatio = devicePixelRatioF();
  if (textImage_->size() != textArea_.size() * pixelRatio || textImage_->devicePixelRatio() != pixelRatio) {
    *textImage_ = textArea_.isEmpty() ? QImage() : QImage(textArea_.size() * pixelRatio, ImageFormat);
    textImage_->setDevicePixelRatio(pixelRatio);
  }
  imageCanvas_ = ImageCanvas{font(), ToQColor(color_), ToQColor(fontColor_), ToQColor(clBtnHighlight),
                             layoutDirection()};
  PrepareLineTexts();
}

void TSecretPanel::ScrollTick(QObject*) {
  {
    std::lock_guard lock(imageLock_);
    // No image: the panel was deactivated while this tick was on its way.
    if (!textImage_) return;
    if (scrollPosition_ < scrollExtent_ || cycled_) {
      scrollPosition_ = scrollPosition_ < scrollExtent_ ? scrollPosition_ + 1 : 0;
      RenderFrame();
      return;
    }
  }
  // Not under the image lock: deactivation takes it on the GUI thread.
  timer_.CallSynchronized([this] { EndPass(); });
}

void TSecretPanel::EndPass() {
  bool passOver = false;
  {
    std::lock_guard lock(imageLock_);
    passOver = textImage_ && scrollPosition_ >= scrollExtent_ && !cycled_;
  }
  // A pass restarted meanwhile (new activation, new lines) goes on.
  if (passOver) SetActive(false);
}

void TSecretPanel::RenderFrame() {
  if (!textImage_ || lines_.isEmpty() || textArea_.isEmpty() || !handleAllocated_) return;
  {
    QPainter canvas(&*textImage_);
    {
      const SavedState saved(canvas);
      canvas.translate(-textArea_.topLeft());
      canvas.setBrush(imageCanvas_.brush);
      canvas.setPen(Qt::NoPen);
      FillClient(canvas, innerArea_);
    }
    DrawLines(canvas);
  }
  PresentFrame();
}

void TSecretPanel::PrepareLineTexts() {
  const int boxWidth = scrollDirection_ == sdVertical ? textArea_.width() : scrollExtent_ - textArea_.width();
  QTextOption option(AlignmentFlag(alignment_));
  option.setWrapMode(QTextOption::NoWrap);
  option.setTextDirection(imageCanvas_.direction);
  option.setTabStopDistance(8.0 * QFontMetricsF(imageCanvas_.font).averageCharWidth());
  lineTexts_.clear();
  for (int i = firstTextLine_; i < lines_.size(); ++i) {
    QStaticText text(lines_[i].left(MaxDrawnCharacters));
    text.setTextFormat(Qt::PlainText);
    text.setTextOption(option);
    text.setTextWidth(boxWidth);
    text.prepare(QTransform(), imageCanvas_.font);
    lineTexts_.push_back(std::move(text));
  }
}

void TSecretPanel::DrawLines(QPainter& canvas) const {
  const int areaWidth = textArea_.width();
  const int areaHeight = textArea_.height();
  const int lineHeight = lineHeight_;
  QPoint at(0, areaHeight - scrollPosition_);
  if (scrollDirection_ == sdHorizontal) {
    // One box as wide as the widest line enters from the reading side.
    const int boxWidth = scrollExtent_ - areaWidth;
    at = QPoint(imageCanvas_.direction == Qt::RightToLeft ? scrollPosition_ - boxWidth : areaWidth - scrollPosition_,
                0);
  }
  canvas.setFont(imageCanvas_.font);
  const int shift = textStyle_ == bvLowered ? 1 : textStyle_ == bvRaised ? -1 : 0;
  for (const QStaticText& text : lineTexts_) {
    if (at.y() >= areaHeight) break;
    if (at.y() + lineHeight > 0) {
      if (shift != 0) {
        canvas.setPen(imageCanvas_.highlight);
        canvas.drawStaticText(at + QPoint(shift, shift), text);
      }
      canvas.setPen(imageCanvas_.text);
      canvas.drawStaticText(at, text);
    }
    at.ry() += lineHeight;
  }
}

// Copies the text image into the screen image and asks the GUI thread to
// show it. Runs with the image lock held.
void TSecretPanel::PresentFrame() {
  {
    std::lock_guard canvas(canvasLock_);
    if (screen_.size() != textImage_->size()) screen_ = QImage(textImage_->size(), ImageFormat);
    screen_.setDevicePixelRatio(textImage_->devicePixelRatio());
    std::memcpy(screen_.bits(), textImage_->constBits(), static_cast<std::size_t>(textImage_->sizeInBytes()));
    screenOrigin_ = textArea_.topLeft();
  }
  if (repaintPending_.exchange(true)) return;
  repaints_.Post([this] {
    repaintPending_ = false;
    std::lock_guard canvas(canvasLock_);
    update(ScreenArea());
  });
}

void TSecretPanel::FillClient(QPainter& Canvas, const QRect& Rect) {
  if (onPaintClient_) {
    onPaintClient_(this, Canvas, Rect);
  } else {
    Canvas.fillRect(Rect, Canvas.brush());
  }
}

void TSecretPanel::NotifyStartPlay() {
  if (OnStartPlay) OnStartPlay(this);
}

void TSecretPanel::NotifyStopPlay() {
  if (OnStopPlay) OnStopPlay(this);
}

void TSecretPanel::Click() {
  if (OnClick) OnClick(this);
}

void TSecretPanel::paintEvent(QPaintEvent* event) {
  // A new frame only: it covers all there is to paint.
  if (active_ && PaintFrameOnly(event->rect())) return;
  // An exception from a handler is shown, as for every window message.
  try {
    Paint();
  } catch (...) {
    ReportException(std::current_exception());
  }
}

void TSecretPanel::Paint() {
  QPainter canvas(this);
  const auto bevel = [&](const QRect& area, TBevelCut cut) {
    if (cut == bvNone) return area;
    const bool lowered = cut == bvLowered;
    return DrawBevelFrame(canvas, area, lowered ? clBtnShadow : clBtnHighlight, lowered ? clBtnHighlight : clBtnShadow,
                          bevelWidth_);
  };
  QRect area = bevel(rect(), bevelOuter_);
  area = DrawBevelFrame(canvas, area, color_, color_, borderWidth_);
  area = bevel(area, bevelInner_);
  const QColor face = ToQColor(color_);

  {
    const SavedState saved(canvas);
    canvas.setClipRect(area);
    canvas.setBrush(face);
    canvas.setPen(Qt::NoPen);
    FillClient(canvas, area);
  }

  if (!active_) return;
  DrawGlyph(canvas);
  // The last frame: Qt repaints from scratch, so it is drawn here too.
  std::lock_guard lock(canvasLock_);
  if (!screen_.isNull()) canvas.drawImage(screenOrigin_, screen_);
}

bool TSecretPanel::PaintFrameOnly(const QRect& dirty) {
  std::lock_guard lock(canvasLock_);
  if (screen_.isNull() || !ScreenArea().contains(dirty)) return false;
  QPainter(this).drawImage(screenOrigin_, screen_);
  return true;
}

// Where the last frame lies on the panel. Called with the canvas lock held.
QRect TSecretPanel::ScreenArea() const { return QRect(screenOrigin_, screen_.deviceIndependentSize().toSize()); }

void TSecretPanel::DrawGlyph(QPainter& canvas) const {
  if (glyph_.isNull()) return;
  // Smoothly where the screen has more pixels than the picture; pixel for
  // pixel otherwise, where smoothing has nothing to do (and would only hand
  // the copy to Qt's worker threads).
  const SavedState saved(canvas);
  canvas.setRenderHint(QPainter::SmoothPixmapTransform,
                       canvas.device()->devicePixelRatioF() > transparentGlyph_.devicePixelRatioF());
  // Into locals: the frames go on being drawn from the published layout.
  canvas.drawImage(LayoutAreas().glyph, transparentGlyph_);
}

void TSecretPanel::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  React(Rebuild | Invalidate);
}

void TSecretPanel::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  switch (event->type()) {
    case QEvent::FontChange:
    case QEvent::PaletteChange:
    case QEvent::LayoutDirectionChange: React(Rebuild); break;
    default: break;
  }
}

void TSecretPanel::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  handleAllocated_ = true;
}

void TSecretPanel::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) pressed_ = true;
  QWidget::mousePressEvent(event);
}

void TSecretPanel::mouseReleaseEvent(QMouseEvent* event) {
  const bool clicked = pressed_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
  if (event->button() == Qt::LeftButton) pressed_ = false;
  QWidget::mouseReleaseEvent(event);
  if (clicked) Click();
}

void TSecretPanel::Activate() {
  active_ = true;
  {
    std::lock_guard lock(imageLock_);
    scrollPosition_ = 0;
    RebuildTextImage();
  }
  try {
    timer_.SetEnabled(true);
    NotifyStartPlay();
  } catch (...) {
    active_ = false;
    timer_.SetEnabled(false);
    throw;
  }
  if (!destroying_) HideChildren();
  update();
  NotifyAccessibility(true);
}

void TSecretPanel::Deactivate() {
  active_ = false;
  {
    // Waits for a frame in progress; a tick after this finds no image.
    std::lock_guard lock(imageLock_);
    timer_.SetEnabled(false);
    scrollPosition_ = 0;
    textImage_.reset();
    lineTexts_.clear();
  }
  {
    std::lock_guard canvas(canvasLock_);
    screen_ = QImage();
  }
  NotifyStopPlay();
  if (!destroying_) RestoreChildren();
  hiddenChildren_.clear();
  update();
  NotifyAccessibility(true);
}

void TSecretPanel::HideChildren() {
  for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    if (child->isWindow()) continue;
    if (!child->isHidden()) hiddenChildren_.emplace_back(child);
    child->setVisible(false);
  }
}

void TSecretPanel::RestoreChildren() {
  for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    if (std::find(hiddenChildren_.begin(), hiddenChildren_.end(), child) == hiddenChildren_.end()) continue;
    child->setVisible(true);
    child->update();
  }
}

void TSecretPanel::React(unsigned reactions) {
  if (!active_) return;
  {
    std::lock_guard lock(imageLock_);
    UpdateImage(reactions);
  }
  if (reactions & Invalidate) update();
}

void TSecretPanel::UpdateImage(unsigned reactions) {
  if (!active_) return;
  if (reactions & ResetPosition) scrollPosition_ = 0;
  if (reactions & Rebuild) RebuildTextImage();
}

// Bevels and border moved the interior: the children are realigned as a whole.
void TSecretPanel::Realigned() {
  updateGeometry();
  update();
  React(Rebuild);
}

void TSecretPanel::NotifyAccessibility(bool activeChanged) {
  if (activeChanged) {
    QAccessible::State changed;
    changed.animated = true;
    QAccessibleStateChangeEvent event(this, changed);
    QAccessible::updateAccessibility(&event);
  } else {
    QAccessibleEvent event(this, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&event);
  }
}

}  // namespace pausalo
