#pragma once
// An X server of a test's own (Xvfb), named in DISPLAY while it runs.

#include <QByteArray>
#include <QDeadlineTimer>
#include <QProcess>

namespace pausalo::testing {

class PrivateXServer {
 public:
  PrivateXServer() {
    server_.start("Xvfb", {"-displayfd", "1", "-nolisten", "tcp", "-screen", "0", "640x480x24"});
    const QDeadlineTimer deadline(10000);
    while (!server_.canReadLine() && server_.waitForReadyRead(deadline.remainingTime())) {
    }
    const QByteArray number = server_.readLine().trimmed();
    if (!number.isEmpty()) {
      display_ = ":" + number;
      qputenv("DISPLAY", display_);
    }
  }
  ~PrivateXServer() { Kill(); }
  PrivateXServer(const PrivateXServer&) = delete;
  PrivateXServer& operator=(const PrivateXServer&) = delete;

  // ":N"; empty when the server did not start.
  const QByteArray& Display() const { return display_; }

  void Kill() {
    server_.kill();
    server_.waitForFinished();
  }

 private:
  QProcess server_;
  QByteArray display_;
};

}  // namespace pausalo::testing
