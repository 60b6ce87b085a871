#include <QCoreApplication>
#include <QDBusConnection>
#include <QGuiApplication>
#include <QPointer>
#include <QSystemTrayIcon>
#include <algorithm>
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "platform/Icon.h"
#include "platform/NotificationArea.h"
#include "platform/StatusNotifierItem.h"

namespace pausalo {

namespace {

// Where mouse actions on an icon go: the record's window, identifier and
// callback message (0 for none).
struct Route {
  PausaloWindow window = 0;
  std::int32_t id = 0;
  std::uint32_t message = 0;

  void Post(const std::vector<std::int32_t>& mouseMessages) const {
    if (message == 0) return;
    for (const std::int32_t mouse : mouseMessages) pausalo_post_message(window, message, id, mouse);
  }
};

// One icon on show, in whichever kind of notification area took it.
class ShownIcon {
 public:
  virtual ~ShownIcon() = default;
  virtual bool StatusNotifier() const = 0;
  // Each sets only what changed: the tray hint changes every second while
  // the picture stays.
  virtual void SetPicture(const QIcon& picture) = 0;
  virtual void SetTip(const QString& tip) = 0;
  // Puts the icon, set up, into the notification area.
  virtual void Show() = 0;
  // A new StatusNotifier watcher came.
  virtual void WatcherCame() {}

  Route route;
};

// An icon docked in an XEmbed tray host through QSystemTrayIcon. A click
// there arrives as an activation, which is turned back into the button
// messages a real press and release give.
class XEmbedIcon final : public ShownIcon {
 public:
  XEmbedIcon() : icon_(new QSystemTrayIcon(QCoreApplication::instance())) {
    // Owned by the application too, so none outlives it.
    QObject::connect(icon_, &QSystemTrayIcon::activated, icon_,
                     [this](QSystemTrayIcon::ActivationReason reason) { route.Post(ButtonMessages(reason)); });
  }
  ~XEmbedIcon() override { delete icon_.data(); }
  XEmbedIcon(const XEmbedIcon&) = delete;
  XEmbedIcon& operator=(const XEmbedIcon&) = delete;

  bool StatusNotifier() const override { return false; }
  void Show() override { icon_->show(); }
  // Setting the picture repaints the icon in the tray (X requests, a
  // wake-up of the X reader thread).
  void SetPicture(const QIcon& picture) override {
    if (icon_.isNull() || picture.cacheKey() == picture_) return;
    picture_ = picture.cacheKey();
    icon_->setIcon(picture);
  }
  void SetTip(const QString& tip) override {
    if (!icon_.isNull() && icon_->toolTip() != tip) icon_->setToolTip(tip);
  }

 private:
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

  QPointer<QSystemTrayIcon> icon_;
  qint64 picture_ = -1;  // QIcon::cacheKey() of the picture set; -1 before the first
};

// An icon as a StatusNotifierItem. The protocol tells no button: the item's
// activation counts as a left click, the secondary one as a middle click,
// the context menu request as a right click.
// It counts as shown from the start; a watcher that refuses it, or does
// not take it in time, is told so.
class StatusNotifierIcon final : public ShownIcon {
 public:
  StatusNotifierIcon(const QDBusConnection& bus, StatusNotifierWatcher& watcher)
      : item_(bus, QGuiApplication::applicationDisplayName()), watcher_(watcher) {
    item_.OnAction = [this](StatusNotifierItem::Action action) { route.Post(ButtonMessages(action)); };
    item_.OnRegistered = [this](const QString& owner, bool accepted) {
      if (!accepted) watcher_.Refused(owner);
    };
  }

  bool Published() const { return item_.Published(); }
  bool StatusNotifier() const override { return true; }
  void SetPicture(const QIcon& picture) override { item_.SetIcon(picture); }
  void SetTip(const QString& tip) override { item_.SetToolTip(tip); }
  void Show() override { item_.Register(watcher_.Owner()); }
  void WatcherCame() override { item_.Register(watcher_.Owner()); }

 private:
  static std::vector<std::int32_t> ButtonMessages(StatusNotifierItem::Action action) {
    switch (action) {
      case StatusNotifierItem::Action::Activate: return {WM_LBUTTONDOWN, WM_LBUTTONUP};
      case StatusNotifierItem::Action::SecondaryActivate: return {WM_MBUTTONDOWN, WM_MBUTTONUP};
      case StatusNotifierItem::Action::ContextMenu: return {WM_RBUTTONDOWN, WM_RBUTTONUP};
    }
    return {};
  }

  StatusNotifierItem item_;
  StatusNotifierWatcher& watcher_;
};

// The desktop's notification area: a StatusNotifierItem where the session
// bus has a watcher with a host (Plasma, waybar, Xfce's panel, GNOME with
// the AppIndicator extension), an XEmbed tray icon otherwise. The choice is
// made at every add, so a watcher that comes late is used by the next one.
// The watcher is followed from the area's first use; an item that it
// refuses, or that the bus takes away with it, leaves no notification area.
// Qt's tray is asked only while no watcher is there: Qt decides once, at its
// first use, between its own StatusNotifierItem and XEmbed, and it must
// never show a second icon of the other kind.
class SystemNotificationArea final : public NotificationArea {
 public:
  // A new watcher knows nothing of the items of the old one.
  SystemNotificationArea() : statusNotifierWatcher_(Bus(), QCoreApplication::instance()) {
    statusNotifierWatcher_.OnNewOwner = [this] {
      if (statusNotifierWatcher_.Owner().isEmpty()) return;
      for (const auto& [key, icon] : icons_) icon->WatcherCame();
    };
  }

  bool Available() const override {
    if (icons_.empty()) return HostNow() != Host::None;
    const bool statusNotifiers = std::any_of(icons_.begin(), icons_.end(),
                                             [](const auto& shown) { return shown.second->StatusNotifier(); });
    return statusNotifiers ? statusNotifierWatcher_.Now() == StatusNotifierWatcher::State::WithHost
                           : QSystemTrayIcon::isSystemTrayAvailable();
  }

  bool Notify(TNotifyAction action, const TNotifyIconData& data) override {
    const Key key{data.Wnd, data.uID};
    const auto found = icons_.find(key);
    switch (action) {
      case NIM_ADD: {
        if (found != icons_.end()) return false;
        std::unique_ptr<ShownIcon> icon = NewIcon();
        if (icon == nullptr) return false;
        icon->route = {data.Wnd, static_cast<std::int32_t>(data.uID), 0};
        Apply(*icon, data);
        icon->Show();
        icons_.emplace(key, std::move(icon));
        return true;
      }
      case NIM_MODIFY:
        if (found == icons_.end()) return false;
        Apply(*found->second, data);
        return true;
      case NIM_DELETE:
        if (found == icons_.end()) return false;
        icons_.erase(found);
        return true;
    }
    return false;
  }

 private:
  using Key = std::pair<PausaloWindow, std::uint32_t>;
  enum class Host { StatusNotifier, XEmbed, None };

  static QDBusConnection Bus() { return QDBusConnection::sessionBus(); }

  // Which kind of host there is now. Qt's tray is asked only when no
  // watcher is on the bus at all: one without a host yet may get one any
  // moment.
  Host HostNow() const {
    switch (statusNotifierWatcher_.Now()) {
      case StatusNotifierWatcher::State::WithHost: return Host::StatusNotifier;
      case StatusNotifierWatcher::State::WithoutHost: return Host::None;
      case StatusNotifierWatcher::State::Absent: break;
    }
    return QSystemTrayIcon::isSystemTrayAvailable() ? Host::XEmbed : Host::None;
  }

  std::unique_ptr<ShownIcon> NewIcon() {
    switch (HostNow()) {
      case Host::StatusNotifier: {
        auto item = std::make_unique<StatusNotifierIcon>(Bus(), statusNotifierWatcher_);
        if (!item->Published()) return nullptr;
        return item;
      }
      case Host::XEmbed: return std::make_unique<XEmbedIcon>();
      case Host::None: break;
    }
    return nullptr;
  }

  static void Apply(ShownIcon& icon, const TNotifyIconData& data) {
    if (data.uFlags & NIF_ICON) {
      const TIcon* source = TIcon::FromHandle(data.hIcon);
      icon.SetPicture(source != nullptr ? source->Image() : QIcon());
    }
    if (data.uFlags & NIF_TIP) icon.SetTip(QString::fromUtf8(data.Tip()));
    // The window and identifier are the icon's key, so only the message can
    // change.
    icon.route.message = (data.uFlags & NIF_MESSAGE) ? data.uCallbackMessage : 0;
  }

  mutable StatusNotifierWatcher statusNotifierWatcher_;
  std::map<Key, std::unique_ptr<ShownIcon>> icons_;
};

}  // namespace

NotificationArea& NotificationArea::System() {
  static SystemNotificationArea system;
  return system;
}

}  // namespace pausalo
