#include "TestDesktop.h"

namespace pausalo::testing {

namespace {
// A compositor on a loaded machine takes a few seconds; this only bounds a
// broken one.
constexpr int StartLimitMs = 60'000;
constexpr int StopLimitMs = 30'000;
}  // namespace

TestDesktop::TestDesktop(const QStringList& options) {
  launcher_.setProgram(TEST_DESKTOP_COMMAND);
  launcher_.setArguments(options + QStringList{"--hold"});
  launcher_.start();
  running_ = launcher_.waitForStarted() && ReadEnvironment();
  if (!running_) {
    failure_ += launcher_.readAllStandardError();
    Stop();
  }
}

TestDesktop::~TestDesktop() { Stop(); }

bool TestDesktop::ReadEnvironment() {
  const QDeadlineTimer deadline(StartLimitMs);
  for (QByteArray line; (line = NextLine(launcher_, deadline)) != "READY";) {
    if (line.isEmpty()) {
      failure_ = "the test desktop did not come up in time, or ended: ";
      return false;
    }
    const qsizetype equals = line.indexOf('=');
    if (equals > 0) Adopt(line.left(equals), line.mid(equals + 1));
  }
  return true;
}

void TestDesktop::Adopt(const QByteArray& name, const QByteArray& value) {
  saved_.emplace_back(name, qEnvironmentVariableIsSet(name.constData())
                                ? std::optional<QByteArray>(qgetenv(name.constData()))
                                : std::nullopt);
  values_.emplace_back(name, value);
  if (value.isEmpty())
    qunsetenv(name.constData());
  else
    qputenv(name.constData(), value);
}

QByteArray TestDesktop::Value(const QByteArray& name) const {
  for (const auto& [variable, value] : values_)
    if (variable == name) return value;
  return {};
}

void TestDesktop::Stop() {
  running_ = false;
  if (launcher_.state() != QProcess::NotRunning) {
    // The end of its input tells the launcher to end the desktop.
    launcher_.closeWriteChannel();
    if (!launcher_.waitForFinished(StopLimitMs)) {
      launcher_.terminate();
      if (!launcher_.waitForFinished(StopLimitMs)) launcher_.kill();
      launcher_.waitForFinished();
    }
  }
  for (auto saved = saved_.rbegin(); saved != saved_.rend(); ++saved) {
    if (saved->second)
      qputenv(saved->first.constData(), *saved->second);
    else
      qunsetenv(saved->first.constData());
  }
  saved_.clear();
  values_.clear();
}

QByteArray NextLine(QProcess& process, QDeadlineTimer deadline) {
  while (!process.canReadLine() && process.waitForReadyRead(static_cast<int>(deadline.remainingTime()))) {
  }
  return process.readLine().trimmed();
}

int RunTool(const QString& program, const QStringList& arguments, QByteArray* output) {
  QProcess process;
  process.start(program, arguments);
  if (!process.waitForFinished(static_cast<int>(std::chrono::milliseconds(ToolBound).count()))) return -1;
  if (output != nullptr) *output = process.readAllStandardOutput().trimmed();
  return process.exitCode();
}

QByteArray XProperty(const QString& window, const QString& property) {
  QByteArray answer;
  const QStringList target = window.isEmpty() ? QStringList{"-root"} : QStringList{"-id", window};
  return RunTool("xprop", target + QStringList{property}, &answer) == 0 ? answer : QByteArray();
}

namespace {
// The windows a property of the root window lists.
QStringList RootWindowList(const QString& property) {
  const QByteArray list = XProperty({}, property);
  const qsizetype at = list.indexOf('#');
  if (at < 0) return {};
  QStringList windows;
  for (const QByteArray& window : list.mid(at + 1).split(',')) windows << QString::fromLatin1(window.trimmed());
  return windows;
}
}  // namespace

QStringList StackingOrder() { return RootWindowList("_NET_CLIENT_LIST_STACKING"); }

QString ActiveWindow() { return RootWindowList("_NET_ACTIVE_WINDOW").value(0); }

}  // namespace pausalo::testing
