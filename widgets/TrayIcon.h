#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <cstdint>
#include <memory>

#include "platform/Events.h"
#include "platform/Icon.h"
#include "platform/Message.h"
#include "platform/NotificationArea.h"
#include "platform/PointerState.h"
#include "platform/PopupMenu.h"
#include "widgets/IconList.h"

namespace pausalo {

// The message the notification area sends to the tray icon's window.
inline constexpr std::uint32_t TrayCallbackMessage = 0xB054;
// Bytes of the hint the notification area shows, not counting the final zero.
inline constexpr std::size_t MaxTipBytes = 63;

// The part of a hint before its first '|', cut to at most maxBytes bytes of
// UTF-8 without splitting a character.
std::string ShortTip(const QString& hint, std::size_t maxBytes = MaxTipBytes);

// One icon with a hint in the desktop's notification area, kept up to date,
// turning mouse actions on it into events. Can animate through Icons and pop
// up a menu on a right click.
class TTrayIcon : public QObject {
  Q_OBJECT
  Q_PROPERTY(bool Active READ Active WRITE SetActive)
  Q_PROPERTY(bool Enabled READ Enabled WRITE SetEnabled)
  Q_PROPERTY(QString Hint READ Hint WRITE SetHint)
  Q_PROPERTY(bool Animated READ Animated WRITE SetAnimated)
  Q_PROPERTY(quint16 Interval READ Interval WRITE SetInterval)
  Q_PROPERTY(bool ShowDesign READ ShowDesign WRITE SetShowDesign)

 public:
  explicit TTrayIcon(QObject* owner = nullptr, NotificationArea& area = NotificationArea::System(),
                     const PointerState& pointer = PointerState::System());
  ~TTrayIcon() override;

  bool Active() const { return active_; }
  void SetActive(bool active);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled) { enabled_ = enabled; }
  const QString& Hint() const { return hint_; }
  void SetHint(const QString& hint);
  TIcon& Icon() { return *icon_; }
  void SetIcon(const TIcon& icon) { icon_->Assign(icon); }
  TIconList& Icons() { return *icons_; }
  void SetIcons(const TIconList& icons) { icons_->Assign(icons); }
  bool Animated() const { return animated_; }
  void SetAnimated(bool animated);
  std::uint16_t Interval() const { return interval_; }
  void SetInterval(std::uint16_t interval);
  TPopupMenu* PopupMenu() const { return popupMenu_; }
  void SetPopupMenu(TPopupMenu* menu) { popupMenu_ = menu; }
  bool ShowDesign() const { return showDesign_; }
  void SetShowDesign(bool showDesign);

  TMouseEvent OnClick;
  TNotifyEvent OnDblClick;
  TMouseMoveEvent OnMouseMove;
  TMouseEvent OnMouseDown;
  TMouseEvent OnMouseUp;

  // Called once the owner has applied its stored layout.
  void Loaded();
  // Whether the owning form is open in a form designer.
  void SetDesigning(bool designing) { designing_ = designing; }

  // Whether the notification area holds the icon.
  bool Added() const { return added_; }
  // The hidden window that receives the notification area's messages.
  PausaloWindow Handle() const;
  const TNotifyIconData& IconData() const { return iconData_; }

  void ShowIcon();
  void HideIcon();
  void RefreshIcon();

 protected:
  virtual void FillIconData();
  virtual void Click(TMouseButton button, TShiftState shift, int x, int y);
  virtual void DblClick();
  virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
  virtual void MouseMove(TShiftState shift, int x, int y);
  virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
  bool ShowPopupMenu(int x, int y);
  bool RunDefaultItem();

 private:
  class TrayWindow;
  class AnimationThread;

  const TIcon* CurrentIcon() const;
  void TrayWndProc(TMessage& message);
  void HandleMouseMessage(std::int32_t mouseMessage);
  void ButtonUp(TMouseButton button, TShiftState shift, int x, int y);
  void NextFrame();
  bool Notify(TNotifyAction action) { return area_.Notify(action, iconData_); }

  NotificationArea& area_;
  const PointerState& pointer_;
  std::unique_ptr<TrayWindow> window_;
  bool active_ = true;
  bool added_ = false;
  bool animated_ = false;
  bool enabled_ = true;
  bool leftClicked_ = false;
  bool rightClicked_ = false;
  int currentFrame_ = -1;
  std::uint16_t interval_ = 150;
  TNotifyIconData iconData_;
  std::unique_ptr<TIcon> icon_;
  std::unique_ptr<TIconList> icons_;
  std::unique_ptr<AnimationThread> animation_;
  QString hint_;
  bool showDesign_ = false;
  QPointer<TPopupMenu> popupMenu_;
  bool designing_ = false;
  bool destroying_ = false;
};

}  // namespace pausalo
