#include <QCoreApplication>
#include <QPointer>
#include <QSystemTrayIcon>
#include <map>
#include <utility>
#include <vector>

#include "platform/Icon.h"
#include "platform/NotificationArea.h"

namespace pausalo {

namespace {

// The notification area through QSystemTrayIcon (StatusNotifierItem or
// XEmbed). A click there arrives as an activation, which is turned back into
// the button messages a real press and release give.
class SystemNotificationArea final : public NotificationArea {
 public:
  bool Available() const override { return QSystemTrayIcon::isSystemTrayAvailable(); }

  bool Notify(TNotifyAction action, const TNotifyIconData& data) override {
    const Key key{data.Wnd, data.uID};
    const auto found = icons_.find(key);
    switch (action) {
      case NIM_ADD: {
        if (found != icons_.end() || !Available()) return false;
        // Owned by the application too, so none outlives it.
        Shown& shown = icons_[key];
        shown.icon = new QSystemTrayIcon(QCoreApplication::instance());
        Apply(shown, data);
        Route(shown, data);
        shown.icon->show();
        return true;
      }
      case NIM_MODIFY:
        if (found == icons_.end() || found->second.icon.isNull()) return false;
        Apply(found->second, data);
        Route(found->second, data);
        return true;
      case NIM_DELETE:
        if (found == icons_.end()) return false;
        delete found->second.icon.data();
        icons_.erase(found);
        return true;
    }
    return false;
  }

 private:
  using Key = std::pair<PausaloWindow, std::uint32_t>;

  // An icon on show, with what was last handed to it.
  struct Shown {
    QPointer<QSystemTrayIcon> icon;
    std::uint32_t hIcon = 0;
    std::int64_t picture = -1;   // QIcon::cacheKey() of the picture set; -1 before the first
    std::uint32_t callback = 0;  // the callback message activations go to; 0 for none
  };

  // Sets only what changed: setting the picture repaints the icon in the
  // tray (X requests, a wake-up of the X reader thread), and the tray hint
  // changes every second while the picture stays.
  static void Apply(Shown& shown, const TNotifyIconData& data) {
    if (data.uFlags & NIF_ICON) {
      const TIcon* source = TIcon::FromHandle(data.hIcon);
      const QIcon picture = source != nullptr ? source->Image() : QIcon();
      if (data.hIcon != shown.hIcon || picture.cacheKey() != shown.picture) {
        shown.icon->setIcon(picture);
        shown.hIcon = data.hIcon;
        shown.picture = picture.cacheKey();
      }
    }
    const QString tip = QString::fromUtf8(data.Tip());
    if ((data.uFlags & NIF_TIP) && shown.icon->toolTip() != tip) shown.icon->setToolTip(tip);
  }

  // Routes activations to the record's window and callback message; the
  // window and identifier are the icon's key, so only the message can change.
  static void Route(Shown& shown, const TNotifyIconData& data) {
    const std::uint32_t callback = (data.uFlags & NIF_MESSAGE) ? data.uCallbackMessage : 0;
    if (callback == shown.callback) return;
    shown.callback = callback;
    QSystemTrayIcon& icon = *shown.icon;
    QObject::disconnect(&icon, &QSystemTrayIcon::activated, nullptr, nullptr);
    if (callback == 0) return;
    QObject::connect(&icon, &QSystemTrayIcon::activated,
                     [window = data.Wnd, message = callback,
                      id = static_cast<std::int32_t>(data.uID)](QSystemTrayIcon::ActivationReason reason) {
                       for (const std::int32_t mouse : ButtonMessages(reason))
                         pausalo_post_message(window, message, id, mouse);
                     });
  }

  static std::vector<std::int32_t> ButtonMessages(QSystemTrayIcon::ActivationReason reason) {
    switch (reason) {
      case QSystemTrayIcon::Trigger: return {WM_LBUTTONDOWN, WM_LBUTTONUP};
      case QSystemTrayIcon::Context: return {WM_RBUTTONDOWN, WM_RBUTTONUP};
      case QSystemTrayIcon::DoubleClick: return {WM_LBUTTONDBLCLK};
      case QSystemTrayIcon::MiddleClick: return {WM_MBUTTONDOWN, WM_MBUTTONUP};
      case QSystemTrayIcon::Unknown: break;
    }
    return {};
  }

  std::map<Key, Shown> icons_;
};

}  // namespace

NotificationArea& NotificationArea::System() {
  static SystemNotificationArea system;
  return system;
}

}  // namespace pausalo
