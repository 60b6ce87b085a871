#include "widgets/TrayIcon.h"

#include <QApplication>
#include <QCoreApplication>
#include <algorithm>
#include <atomic>
#include <chrono>

#include "platform/Application.h"
#include "platform/MessageWindow.h"
#include "platform/Thread.h"

namespace pausalo {

namespace {

// Posted by the animation thread: the next frame is due.
constexpr std::uint32_t FrameMessage = 0x0401;

// Where a UTF-8 text may be cut so that no character is split.
std::size_t CharacterBoundaryAtOrBefore(const std::string& text, std::size_t limit) {
  if (limit >= text.size()) return text.size();
  std::size_t cut = limit;
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
  return cut;
}

}  // namespace

std::string ShortTip(const QString& hint, std::size_t maxBytes) {
  const std::string tip = hint.section(QLatin1Char('|'), 0, 0).toStdString();
  return tip.substr(0, CharacterBoundaryAtOrBefore(tip, maxBytes));
}

// The hidden window that the notification area talks to.
class TTrayIcon::TrayWindow final : public MessageWindow {
 public:
  explicit TrayWindow(TTrayIcon& tray) : tray_(tray) {}

 protected:
  void WndProc(TMessage& message) override { tray_.TrayWndProc(message); }

 private:
  friend class TTrayIcon;
  void DefaultHandler(TMessage& message) { MessageWindow::WndProc(message); }
  TTrayIcon& tray_;
};

// Paces the animation: every Interval milliseconds, while running, it asks
// the tray icon's window for the next frame. The frame itself is drawn on
// the GUI thread, so the thread shares nothing with the component but its
// interval and window handle.
class TTrayIcon::AnimationThread final : private TThread {
 public:
  AnimationThread(PausaloWindow window, std::uint16_t interval) : window_(window), interval_(interval) {}
  // The thread is asleep or waiting, so it ends at once.
  ~AnimationThread() override { Shutdown(); }

  // Starts or stops the frames; the thread is made stopped.
  void SetRunning(bool running) {
    if (running == running_) return;
    running_ = running;
    if (running) {
      Resume();
    } else {
      Suspend();
    }
  }
  // Takes effect from the next frame on.
  void SetInterval(std::uint16_t interval) { interval_ = interval; }

 private:
  void Execute() override {
    while (WaitWhileSuspended()) {
      if (Sleep(std::chrono::milliseconds(interval_.load()))) pausalo_post_message(window_, FrameMessage, 0, 0);
    }
  }

  const PausaloWindow window_;
  std::atomic<std::uint16_t> interval_;
  bool running_ = false;
};

TTrayIcon::TTrayIcon(QObject* owner, NotificationArea& area, const PointerState& pointer)
    : QObject(owner),
      area_(area),
      pointer_(pointer),
      window_(std::make_unique<TrayWindow>(*this)),
      icon_(std::make_unique<TIcon>()),
      icons_(std::make_unique<TIconList>()) {
  icon_->OnChange = [this] { RefreshIcon(); };
  icons_->OnChange = [this] { RefreshIcon(); };
}

TTrayIcon::~TTrayIcon() {
  destroying_ = true;
  enabled_ = false;
  icons_->OnChange = nullptr;
  icon_->OnChange = nullptr;
  SetAnimated(false);
  HideIcon();
  window_.reset();
  icon_.reset();
  icons_.reset();
}

PausaloWindow TTrayIcon::Handle() const { return window_->Handle(); }

void TTrayIcon::SetActive(bool active) {
  if (active == active_) return;
  active_ = active;
  if (designing_) return;
  if (active) {
    ShowIcon();
  } else {
    HideIcon();
  }
}

void TTrayIcon::SetHint(const QString& hint) {
  if (hint == hint_) return;
  hint_ = hint;
  RefreshIcon();
}

void TTrayIcon::SetInterval(std::uint16_t interval) {
  if (interval == interval_) return;
  interval_ = interval;
  if (animation_) animation_->SetInterval(interval);
}

void TTrayIcon::SetShowDesign(bool showDesign) {
  if (!designing_) return;
  if (showDesign) {
    ShowIcon();
  } else {
    HideIcon();
  }
  showDesign_ = added_;
}

void TTrayIcon::SetAnimated(bool animated) {
  const bool effective = animated && icons_->Count() > 0;
  if (effective == animated_) return;
  if (effective) {
    animation_ = std::make_unique<AnimationThread>(Handle(), interval_);
    animation_->SetRunning(added_);
    animated_ = true;
  } else {
    animated_ = false;
    animation_.reset();
  }
  currentFrame_ = 0;
  RefreshIcon();
}

void TTrayIcon::Loaded() {
  if (active_ && !designing_) ShowIcon();
}

const TIcon* TTrayIcon::CurrentIcon() const {
  if (animated_ && icons_->Count() > 0) return &icons_->Icon(std::clamp(currentFrame_, 0, icons_->Count() - 1));
  return icon_.get();
}

void TTrayIcon::FillIconData() {
  const TIcon* current = CurrentIcon();
  iconData_.cbSize = NotifyIconDataSize;
  iconData_.Wnd = Handle();
  iconData_.uID = 0;
  iconData_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  iconData_.uCallbackMessage = TrayCallbackMessage;
  iconData_.hIcon = current != nullptr ? current->Handle() : NoIcon;
  const std::string tip = ShortTip(hint_);
  iconData_.szTip.fill('\0');
  std::copy(tip.begin(), tip.end(), iconData_.szTip.begin());
}

void TTrayIcon::ShowIcon() {
  HideIcon();
  const TIcon* current = CurrentIcon();
  if (current == nullptr || current->Empty()) return;
  leftClicked_ = rightClicked_ = false;
  FillIconData();
  added_ = Notify(NIM_ADD);
  if (iconData_.Tip().empty() && added_) Notify(NIM_MODIFY);
  if (animated_) animation_->SetRunning(true);
}

void TTrayIcon::HideIcon() {
  Notify(NIM_DELETE);
  added_ = false;
  leftClicked_ = rightClicked_ = false;
  if (animated_) animation_->SetRunning(false);
}

void TTrayIcon::RefreshIcon() {
  if (icons_->Count() == 0) SetAnimated(false);
  if (added_) {
    const TIcon* current = CurrentIcon();
    if (current == nullptr || current->Empty()) {
      HideIcon();
    } else {
      FillIconData();
      Notify(NIM_MODIFY);
    }
  } else if (designing_ ? showDesign_ : active_) {
    ShowIcon();
  }
}

void TTrayIcon::NextFrame() {
  if (destroying_ || !animated_) return;
  ++currentFrame_;
  if (icons_->Count() == 0 || currentFrame_ >= icons_->Count()) currentFrame_ = 0;
  RefreshIcon();
}

void TTrayIcon::TrayWndProc(TMessage& message) {
  try {
    if (message.Msg == TrayCallbackMessage && enabled_) {
      HandleMouseMessage(message.LParam);
    } else if (message.Msg == FrameMessage) {
      NextFrame();
    } else {
      window_->DefaultHandler(message);
    }
  } catch (...) {
    ReportException(std::current_exception());
  }
}

void TTrayIcon::HandleMouseMessage(std::int32_t mouseMessage) {
  const QPoint at = pointer_.CursorPos();
  const TShiftState keys = pointer_.KeyboardShift();
  const int x = at.x(), y = at.y();
  switch (mouseMessage) {
    case WM_MOUSEMOVE: MouseMove(keys, x, y); break;
    case WM_LBUTTONDOWN:
      MouseDown(mbLeft, keys + ssLeft, x, y);
      leftClicked_ = true;
      break;
    case WM_LBUTTONUP: ButtonUp(mbLeft, keys + ssLeft, x, y); break;
    case WM_LBUTTONDBLCLK:
      DblClick();
      MouseDown(mbLeft, keys + ssDouble, x, y);
      break;
    case WM_RBUTTONDOWN:
      MouseDown(mbRight, keys + ssRight, x, y);
      rightClicked_ = true;
      break;
    case WM_RBUTTONUP: ButtonUp(mbRight, keys + ssRight, x, y); break;
    case WM_RBUTTONDBLCLK: MouseDown(mbRight, keys + ssDouble, x, y); break;
    case WM_MBUTTONDOWN: MouseDown(mbMiddle, keys + ssMiddle, x, y); break;
    case WM_MBUTTONUP: MouseUp(mbMiddle, keys + ssMiddle, x, y); break;
    case WM_MBUTTONDBLCLK: MouseDown(mbMiddle, keys + ssDouble, x, y); break;
    default: break;
  }
}

// A release clicks only when the press happened on the icon too.
void TTrayIcon::ButtonUp(TMouseButton button, TShiftState shift, int x, int y) {
  bool& pressed = button == mbLeft ? leftClicked_ : rightClicked_;
  if (pressed) {
    pressed = false;
    Click(button, shift, x, y);
  }
  MouseUp(button, shift, x, y);
}

void TTrayIcon::Click(TMouseButton button, TShiftState shift, int x, int y) {
  if (button == mbRight && ShowPopupMenu(x, y)) return;
  if (OnClick) OnClick(this, button, shift, x, y);
}

void TTrayIcon::DblClick() {
  if (RunDefaultItem()) return;
  if (OnDblClick) OnDblClick(this);
}

void TTrayIcon::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
}

void TTrayIcon::MouseMove(TShiftState shift, int x, int y) {
  if (OnMouseMove) OnMouseMove(this, shift, x, y);
}

void TTrayIcon::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (OnMouseUp) OnMouseUp(this, button, shift, x, y);
}

bool TTrayIcon::ShowPopupMenu(int x, int y) {
  if (designing_ || !active_ || popupMenu_.isNull() || !popupMenu_->AutoPopup()) return false;
  popupMenu_->SetPopupComponent(this);
  // Any menu still open elsewhere in the program closes first.
  if (!destroying_) {
    if (QWidget* open = QApplication::activePopupWidget()) open->close();
  }
  QCoreApplication::processEvents();
  if (popupMenu_.isNull()) return true;  // freed by a pending message
  popupMenu_->popup(QPoint(x, y));
  return true;
}

bool TTrayIcon::RunDefaultItem() {
  if (designing_ || !active_ || popupMenu_.isNull() || popupMenu_->actions().isEmpty()) return false;
  QAction* defaultItem = popupMenu_->defaultAction();
  for (QAction* item : popupMenu_->actions()) {
    if (item == defaultItem && item->isEnabled()) {
      item->trigger();
      return true;
    }
  }
  return false;
}

}  // namespace pausalo
