#include "widgets/FlatHint.h"

#include <QApplication>
#include <QCursor>
#include <QPainter>
#include <QScreen>
#include <algorithm>
#include <cstdlib>
#include <vector>

#include "platform/Application.h"
#include "platform/DesktopWindows.h"
#include "platform/TextOutput.h"

namespace pausalo {

namespace {

// The frame and strip take this much of the window's width, and the outline
// and text margins this much of its height.
constexpr int kFrameWidth = 22;
constexpr int kFrameHeight = 6;
constexpr int kStripWidth = 14;

constexpr THintWindowClass kFlatHintWindowClass = &MakeHintWindow<TFlatHintWindow>;

// The installed components, oldest first.
std::vector<TFlatHint*>& Installations() {
  static std::vector<TFlatHint*> installations;
  return installations;
}

// The form whose first TFlatHint styles the hints: the application's main
// form; before there is one, the form of the newest installed component.
const QObject* HintStyleForm() {
  if (Application() != nullptr && Application()->MainForm() != nullptr) return Application()->MainForm();
  return Installations().empty() ? nullptr : Installations().back()->parent();
}

// The arrow glyph for the top-left corner, as offsets from its tip; the
// other corners mirror it.
constexpr std::array<QPoint, 18> kArrowGlyph{{{0, 0},
                                              {0, 6},
                                              {1, 6},
                                              {1, 0},
                                              {6, 0},
                                              {6, 1},
                                              {2, 1},
                                              {2, 4},
                                              {5, 7},
                                              {6, 7},
                                              {3, 4},
                                              {3, 3},
                                              {6, 6},
                                              {7, 6},
                                              {3, 2},
                                              {4, 2},
                                              {7, 5},
                                              {7, 6}}};

// Switches the hints off and on again (or on and off): the switch keeps its
// value and the next hint window is made from the current class.
void RenewHintWindow(TApplication& application) {
  application.SetShowHint(!application.ShowHint());
  application.SetShowHint(!application.ShowHint());
}

bool ArrowOnLeft(ArrowCorner corner) { return corner == ArrowCorner::TopLeft || corner == ArrowCorner::BottomLeft; }
bool ArrowAtBottom(ArrowCorner corner) {
  return corner == ArrowCorner::BottomLeft || corner == ArrowCorner::BottomRight;
}

// Plots a one-pixel polyline, every point of every segment included, the
// way the glyph is drawn whatever the painter's own line rules.
template <std::size_t N>
void PlotPolyline(QPainter& painter, const std::array<QPoint, N>& points, const QColor& color) {
  const auto plot = [&](QPoint from, QPoint to) {
    // Bresenham, both ends included.
    const int dx = std::abs(to.x() - from.x());
    const int dy = -std::abs(to.y() - from.y());
    const int stepX = from.x() < to.x() ? 1 : -1;
    const int stepY = from.y() < to.y() ? 1 : -1;
    int error = dx + dy;
    for (QPoint p = from;;) {
      painter.fillRect(p.x(), p.y(), 1, 1, color);
      if (p == to) break;
      if (2 * error >= dy) {
        error += dy;
        p.rx() += stepX;
      }
      if (2 * error <= dx) {
        error += dx;
        p.ry() += stepY;
      }
    }
  };
  for (std::size_t i = 0; i + 1 < N; ++i) plot(points[i], points[i + 1]);
}

}  // namespace

FlatHintPlacement PlaceFlatHint(QPoint cursor, const QRect& screen, QSize windowSize) {
  const int midX = screen.left() + screen.width() / 2;
  const int midY = screen.top() + screen.height() / 2;
  const auto within = [&](int left, int top, int right, int bottom) {
    return cursor.x() >= left && cursor.x() < right && cursor.y() >= top && cursor.y() < bottom;
  };
  const int right = screen.left() + screen.width();
  const int bottom = screen.top() + screen.height();

  ArrowCorner corner = ArrowCorner::BottomRight;
  if (within(screen.left(), screen.top(), midX, midY)) {
    corner = ArrowCorner::TopLeft;
  } else if (within(midX, screen.top(), right, midY)) {
    corner = ArrowCorner::TopRight;
  } else if (within(screen.left(), midY, midX, bottom)) {
    corner = ArrowCorner::BottomLeft;
  }
  const int gap = corner == ArrowCorner::TopLeft ? 12 : 5;
  const int left = ArrowOnLeft(corner) ? cursor.x() + gap : cursor.x() - gap - windowSize.width();
  const int top = ArrowAtBottom(corner) ? cursor.y() - gap - windowSize.height() : cursor.y() + gap;
  return {QRect(QPoint(left, top), windowSize), corner};
}

TFlatHint* FindFlatHint(const QObject* form) {
  if (form == nullptr) return nullptr;
  for (QObject* child : form->children()) {
    if (auto* hint = qobject_cast<TFlatHint*>(child)) return hint;
  }
  return nullptr;
}

// The application's show-hint handler while a TFlatHint is installed; does
// nothing once its component is gone.
struct TFlatHint::ShowHintForwarder {
  QPointer<TFlatHint> hint;

  void operator()(QString& hintStr, bool& canShow, THintInfo& hintInfo) const {
    if (hint != nullptr && hint->OnShowHint) hint->OnShowHint(hintStr, canShow, hintInfo);
  }
};

TFlatHint::TFlatHint(QObject* owner, bool designing) : QObject(owner) {
  if (!designing) Install();
  style_.Font = QApplication::font();
}

TFlatHint::~TFlatHint() { Uninstall(); }

void TFlatHint::Install() {
  TApplication* application = Application();
  if (application == nullptr) return;
  previousClass_ = application->HintWindowClass();
  previousHandler_ = application->OnShowHint;
  application->SetHintWindowClass(kFlatHintWindowClass);
  RenewHintWindow(*application);
  application->OnShowHint = ShowHintForwarder{this};
  application->SetHintPause(500);
  application->SetHintShortPause(25);
  application->SetHintHidePause(5000);
  Installations().push_back(this);
}

void TFlatHint::Uninstall() {
  auto& installations = Installations();
  const auto self = std::find(installations.begin(), installations.end(), this);
  if (self == installations.end()) return;
  if (self + 1 != installations.end()) {
    // A later installation replaced this one: on its undo it goes back to
    // what this one found.
    (*(self + 1))->previousClass_ = previousClass_;
    (*(self + 1))->previousHandler_ = previousHandler_;
    installations.erase(self);
    return;
  }
  installations.erase(self);
  TApplication* application = Application();
  if (application == nullptr) return;
  const auto* forwarder = application->OnShowHint.target<ShowHintForwarder>();
  if (forwarder != nullptr && forwarder->hint == this) application->OnShowHint = previousHandler_;
  if (application->HintWindowClass() == kFlatHintWindowClass && previousClass_ != kFlatHintWindowClass) {
    application->SetHintWindowClass(previousClass_);
    RenewHintWindow(*application);
  }
}

TColor* TFlatHint::ColorAt(int index) {
  switch (index) {
    case 0: return &style_.ColorBackground;
    case 1: return &style_.ColorBorder;
    case 2: return &style_.ColorArrowBackground;
    case 3: return &style_.ColorArrow;
    default: return nullptr;
  }
}

void TFlatHint::SetColor(int index, TColor color) {
  if (TColor* stored = ColorAt(index)) *stored = color;
}

FlatHintStyle TFlatHintWindow::CurrentStyle() const {
  return styleSource_ != nullptr ? styleSource_->Style() : FlatHintStyle{};
}

void TFlatHintWindow::ActivateHint(const QRect& rect, const QString& hint) {
  SetCaption(hint);
  styleSource_ = FindFlatHint(HintStyleForm());
  if (styleSource_ != nullptr) {
    setFont(styleSource_->Font());
    fontColor_ = styleSource_->FontColor();
  }
  QRect text(rect.topLeft(), QSize(CurrentStyle().MaxHintWidth - kFrameWidth, 0));
  TextCanvas(fontMetrics()).DrawText(hint, text, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
  const QSize size(text.width() + kFrameWidth, text.height() + kFrameHeight);

  const QPoint pointer = QCursor::pos();
  const QScreen* screen = ScreenTheUserIsAt(pointer);
  const FlatHintPlacement placement = PlaceFlatHint(pointer, screen != nullptr ? screen->geometry() : QRect(), size);
  corner_ = placement.Corner;
  setGeometry(placement.Bounds);
  show();
  update();
}

void TFlatHintWindow::paintEvent(QPaintEvent*) {
  const FlatHintStyle style = CurrentStyle();
  const int w = width();
  const int h = height();
  const bool left = ArrowOnLeft(corner_);
  const bool bottom = ArrowAtBottom(corner_);
  const QRect strip = left ? QRect(1, 1, kStripWidth, h - 2) : QRect(w - 1 - kStripWidth, 1, kStripWidth, h - 2);
  QRect textArea = left ? QRect(1 + kStripWidth, 1, w - 2 - kStripWidth, h - 2)
                        : QRect(1, 1, w - 2 - kStripWidth, h - 2);

  QPainter painter(this);
  painter.fillRect(strip, ToQColor(style.ColorArrowBackground));
  painter.fillRect(textArea, ToQColor(style.ColorBackground));
  painter.setPen(QPen(ToQColor(style.ColorBorder), 0));
  painter.drawRect(QRect(0, 0, w - 1, h - 1));

  // The arrow's tip lies 2 pixels inside the strip's corner on each axis.
  const QPoint anchor(left ? strip.left() + 2 : strip.left() + strip.width() - 3,
                      bottom ? strip.top() + strip.height() - 3 : strip.top() + 2);
  std::array<QPoint, kArrowGlyph.size()> arrow;
  for (std::size_t i = 0; i < arrow.size(); ++i) {
    arrow[i] = anchor + QPoint(left ? kArrowGlyph[i].x() : -kArrowGlyph[i].x(),
                               bottom ? -kArrowGlyph[i].y() : kArrowGlyph[i].y());
  }
  PlotPolyline(painter, arrow, ToQColor(style.ColorArrow));

  painter.setFont(font());
  TextCanvas canvas(painter);
  canvas.SetTextColor(ToQColor(fontColor_));
  textArea.adjust(3, 1, -3, -1);
  canvas.DrawText(Caption(), textArea, DT_WORDBREAK | DT_NOPREFIX);
}

}  // namespace pausalo
