#pragma once
// A misbehaving peer of the session (HostilePeer.cpp) for a test: started
// with its mode, ready once it says so, killed with the object.

#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

namespace pausalo::testing {

class HostilePeer {
 public:
  // name: the bus name of silent-name; the sockets get a path of their own.
  explicit HostilePeer(const QString& mode, const QString& name = {})
      : name_(name.isEmpty() ? directory_.filePath("socket") : name) {
    process_.start(HOSTILE_PEER, {mode, name_});
    ready_ = AwaitLine("ready");
  }
  ~HostilePeer() {
    process_.kill();
    process_.waitForFinished();
  }
  HostilePeer(const HostilePeer&) = delete;
  HostilePeer& operator=(const HostilePeer&) = delete;

  bool Ready() const { return ready_; }
  // The socket's path, or the bus name.
  const QString& Name() const { return name_; }
  // Reads lines until that one; false when it did not come in ten seconds.
  bool AwaitLine(const QByteArray& line) {
    while (process_.canReadLine() || process_.waitForReadyRead(10'000))
      if (process_.readLine().trimmed() == line) return true;
    return false;
  }

 private:
  QTemporaryDir directory_;
  QString name_;
  QProcess process_;
  bool ready_ = false;
};

}  // namespace pausalo::testing
