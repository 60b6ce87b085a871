#pragma once

#include <QByteArray>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDeadlineTimer>
#include <QIcon>
#include <QImage>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <optional>

#include "platform/SessionBus.h"

namespace pausalo {

// One picture of an item's icon: width, height and the pixels as ARGB32 in
// network byte order, row by row.
struct StatusNotifierPixmap {
  int width = 0;
  int height = 0;
  QByteArray pixels;
  bool operator==(const StatusNotifierPixmap&) const = default;
};
using StatusNotifierPixmaps = QList<StatusNotifierPixmap>;

// An item's tooltip: icon name, icon pictures, title and text.
struct StatusNotifierToolTip {
  QString iconName;
  StatusNotifierPixmaps icon;
  QString title;
  QString text;
};

QDBusArgument& operator<<(QDBusArgument& argument, const StatusNotifierPixmap& pixmap);
const QDBusArgument& operator>>(const QDBusArgument& argument, StatusNotifierPixmap& pixmap);
QDBusArgument& operator<<(QDBusArgument& argument, const StatusNotifierToolTip& toolTip);
const QDBusArgument& operator>>(const QDBusArgument& argument, StatusNotifierToolTip& toolTip);

// The picture as an item hands it over the bus.
StatusNotifierPixmap ToStatusNotifierPixmap(const QImage& image);
// The icon at the sizes panels draw, or at its own sizes where it has them.
StatusNotifierPixmaps ToStatusNotifierPixmaps(const QIcon& icon);
// The tray hint as a panel shows it: a time "hh:nn:ss" at its end goes to
// the minute, as "1 h 23 min" ("23 min" under an hour), so the text changes
// once a minute and reads as nothing but hours and minutes; any other hint
// stays as it is.
QString ToolTipToTheMinute(const QString& hint);

// The StatusNotifierWatcher of the session bus, where items are registered
// and hosts (the panels that show items) announce themselves. Its owner is
// followed from the bus's announcements; whether a host has announced
// itself is asked in the background of each new owner, again each time the
// watcher says a host came or went, and at a look while no answer is known.
// Nothing is asked of a watcher while nothing changes: each question wakes
// the watcher and the bus. A look never waits: a watcher that hangs or
// refuses costs the notification area, never the program's time.
class StatusNotifierWatcher final {
 public:
  static constexpr char Service[] = "org.kde.StatusNotifierWatcher";
  enum class State { Absent, WithoutHost, WithHost };

  // Follows the watcher until parent goes.
  StatusNotifierWatcher(const QDBusConnection& bus, QObject* parent);
  ~StatusNotifierWatcher();
  StatusNotifierWatcher(const StatusNotifierWatcher&) = delete;
  StatusNotifierWatcher& operator=(const StatusNotifierWatcher&) = delete;

  // What is known now. A watcher that has not answered yet, or that refused
  // an item, counts as one without a host; one not known yet too.
  State Now();
  // The unique name of the watcher that takes items now; empty when none.
  QString Owner() const;
  // That watcher refused an item, or did not take it in time: it counts as
  // one without a host until another takes the name.
  void Refused(const QString& owner);
  // Runs when the bus has first told the watcher's owner, and at each new
  // owner (none included), after the former one's answers are forgotten.
  std::function<void()> OnNewOwner;

 private:
  void NewOwner();
  void HostsChanged();
  void AskForHost();

  QDBusConnection bus_;
  QPointer<BusNameOwner> owner_;             // owned by the parent
  QPointer<BusSignalFollower> hostSignals_;  // owned by the parent
  std::optional<State> answer_;              // the owner's last answer
  bool asking_ = false;
  // A host came or went while a question was on its way: its answer may
  // be older than the change.
  bool askAgain_ = false;
  bool refused_ = false;
};

// One icon in the notification area as a StatusNotifierItem on the session
// bus: a bus name of its own with the item at /StatusNotifierItem,
// registered with the watcher. Panels read its properties and call its
// methods; changes of the icon and tooltip are announced by signals.
class StatusNotifierItem final : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierItem")
  Q_PROPERTY(QString Category READ Category)
  Q_PROPERTY(QString Id READ Id)
  Q_PROPERTY(QString Title READ Title)
  Q_PROPERTY(QString Status READ Status)
  Q_PROPERTY(QString IconName READ IconName)
  Q_PROPERTY(pausalo::StatusNotifierPixmaps IconPixmap READ IconPixmap)
  Q_PROPERTY(pausalo::StatusNotifierToolTip ToolTip READ ToolTip)
  Q_PROPERTY(bool ItemIsMenu READ ItemIsMenu)

 public:
  // What the user did to the item. The protocol tells neither the button
  // nor the modifiers.
  enum class Action { Activate, SecondaryActivate, ContextMenu };

  // Puts the item's object on the bus; Register gives it its name and hands
  // it to a watcher.
  StatusNotifierItem(QDBusConnection bus, const QString& title);
  ~StatusNotifierItem() override;
  StatusNotifierItem(const StatusNotifierItem&) = delete;
  StatusNotifierItem& operator=(const StatusNotifierItem&) = delete;

  // Whether the item's object is on the bus.
  bool Published() const { return published_; }
  // Takes the item's name on the bus, the first time, and hands the item to
  // the watcher (a unique name), also again to a new watcher. Returns at
  // once; OnRegistered tells whether that watcher took it, false also when
  // the bus or the watcher did not answer within IconAcceptTimeoutMs.
  void Register(const QString& watcher);
  std::function<void(const QString& watcher, bool accepted)> OnRegistered;

  // Each change makes every host read the item again and repaint: only a
  // change of what the host shows is announced.
  void SetIcon(const QIcon& icon);
  // The tooltip shows the hint to the minute (ToolTipToTheMinute).
  void SetToolTip(const QString& hint);

  std::function<void(Action)> OnAction;

  QString Category() const { return QStringLiteral("ApplicationStatus"); }
  QString Id() const { return title_; }
  QString Title() const { return title_; }
  QString Status() const { return QStringLiteral("Active"); }
  QString IconName() const { return {}; }
  StatusNotifierPixmaps IconPixmap() const { return pixmaps_; }
  StatusNotifierToolTip ToolTip() const { return {{}, {}, title_, toolTip_}; }
  bool ItemIsMenu() const { return false; }

 public Q_SLOTS:
  Q_SCRIPTABLE void Activate(int x, int y);
  Q_SCRIPTABLE void SecondaryActivate(int x, int y);
  Q_SCRIPTABLE void ContextMenu(int x, int y);
  Q_SCRIPTABLE void Scroll(int delta, const QString& orientation);

 Q_SIGNALS:
  Q_SCRIPTABLE void NewTitle();
  Q_SCRIPTABLE void NewIcon();
  Q_SCRIPTABLE void NewToolTip();
  Q_SCRIPTABLE void NewStatus(const QString& status);

 private:
  void Act(Action action);
  void HandTo(QDeadlineTimer deadline);
  void Registered(const QString& watcher, bool accepted);

  QDBusConnection bus_;
  const QString service_;
  const QString title_;
  bool published_ = false;
  bool nameAsked_ = false;
  bool nameTaken_ = false;
  QString watcher_;      // the unique name of the watcher it goes to
  qint64 iconKey_ = -1;  // QIcon::cacheKey() of the icon set; -1 before the first
  StatusNotifierPixmaps pixmaps_;
  QString toolTip_;
};

}  // namespace pausalo

Q_DECLARE_METATYPE(pausalo::StatusNotifierPixmap)
Q_DECLARE_METATYPE(pausalo::StatusNotifierToolTip)
