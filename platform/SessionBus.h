#pragma once
// The program's side of the session bus: the bounded checks before the
// application object exists, the timeouts of the calls made once the window
// shows, and the ways those calls are made. Once the window shows, nothing
// here waits: a call is sent and its answer handled when it comes, and the
// owner of a name is followed as the bus announces it.

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QObject>
#include <QString>
#include <QStringList>
#include <chrono>
#include <functional>

namespace pausalo {

// How long the session bus has at start-up to answer a new connection; it
// answers within milliseconds.
inline constexpr std::chrono::seconds SessionBusAnswerTimeout{3};
// How long a peer has to answer a call sent in the background. A healthy
// peer on a loaded machine answers well within it.
inline constexpr int PeerAnswerTimeoutMs = 10'000;
// How long a notification area's watcher has to take an icon, which counts
// as shown meanwhile.
inline constexpr int IconAcceptTimeoutMs = 5'000;

// How long the accessibility bus has at start-up to tell where it is and
// to answer a new connection there; it answers within milliseconds.
inline constexpr std::chrono::seconds AccessibilityBusAnswerTimeout{2};

// Run before the toolkit starts, which waits on these peers without bound:
// its accessibility, its theme, the single-copy check and the hook
// libraries wait on the session bus; its accessibility also on the
// accessibility bus; and its session management on a session manager. A
// session bus that takes the connection but does not answer within
// SessionBusAnswerTimeout is left out, and the process runs as without a
// session bus; an accessibility bus that does not answer within
// AccessibilityBusAnswerTimeout is left out likewise, and the process runs
// without assistive technology; a bus that cannot be reached at all is left
// as it is, for everyone finds that out at once. Each left out is said on
// standard error. No session manager is asked at all.
void LeaveOutPeersThatDoNotAnswer();

// Sends call and returns at once. answered runs later on this thread with
// the reply, or with an error message when none came within timeoutMs or the
// bus went; never once context is gone.
void CallInBackground(const QDBusConnection& bus, const QDBusMessage& call, int timeoutMs, QObject* context,
                      std::function<void(const QDBusMessage&)> answered);

// The owner of a name on a bus, followed from the bus's announcements: asked
// once in the background, then changed with each announcement. The bus tells
// nothing when it goes away: a call to the owner then fails at once.
class BusNameOwner final : public QObject {
 public:
  BusNameOwner(const QDBusConnection& bus, const QString& name, QObject* parent);

  // The owner's unique name; empty while nobody owns the name, and until
  // the bus has said.
  const QString& Owner() const { return owner_; }
  // Whether the bus has said who owns the name.
  bool Known() const { return known_; }
  // Runs once the bus has first said, and after each change of the owner.
  std::function<void()> OnChange;

 private:
  void Set(const QString& owner);

  QDBusServiceWatcher watcher_;
  QString owner_;
  bool known_ = false;
};

// Signals of one interface at one path, followed while the object lives.
// They are taken from any sender, so that following them asks the bus
// nothing; OnSignal runs for those whose sender is the unique name that
// sender() gives, and nothing of their content is believed: the receiver
// asks the sender what changed.
class BusSignalFollower final : public QObject {
  Q_OBJECT

 public:
  BusSignalFollower(QDBusConnection bus, const QString& path, const QString& interface, const QStringList& signalNames,
                    std::function<QString()> sender, QObject* parent);

  std::function<void()> OnSignal;

 private Q_SLOTS:
  void Received(const QDBusMessage& message);

 private:
  const std::function<QString()> sender_;
};

}  // namespace pausalo
