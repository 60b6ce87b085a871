#include "app/SingleInstance.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QFileInfo>
#include <QMessageBox>
#include <cstdio>

namespace pausalo {

namespace {
// The bus name is also the name of the object's interface.
const QString Name = QStringLiteral("org.pausalo.Pausalo");
const QString ObjectPath = QStringLiteral("/org/pausalo/Pausalo");
// How long a later start waits for the running copy to answer.
constexpr int AnswerTimeout = 5000;

// The executable a process runs; empty when it cannot be told.
QString ExecutableOf(qint64 process) {
  return process == 0 ? QString() : QFileInfo(QStringLiteral("/proc/%1/exe").arg(process)).symLinkTarget();
}
}  // namespace

SingleInstance::~SingleInstance() {
  if (!owner_) return;
  QDBusConnection bus = QDBusConnection::sessionBus();
  bus.unregisterObject(ObjectPath);
  bus.unregisterService(Name);
}

SingleInstance::Start SingleInstance::ForwardToRunningCopy() {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected() || bus.interface() == nullptr) return Start::Run;
  // The object first: a later start may call it as soon as the name is ours.
  if (!bus.registerObject(ObjectPath, this, QDBusConnection::ExportScriptableSlots)) return Start::Run;
  const auto claimed = bus.interface()->registerService(Name, QDBusConnectionInterface::DontQueueService,
                                                        QDBusConnectionInterface::DontAllowReplacement);
  if (claimed.isValid() && claimed.value() == QDBusConnectionInterface::ServiceRegistered) {
    owner_ = true;
    return Start::Run;
  }
  bus.unregisterObject(ObjectPath);
  runningCopy_ = bus.interface()->servicePid(Name).value();
  // The name alone proves nothing: any program may take it.
  const QString holder = ExecutableOf(runningCopy_);
  if (QFileInfo(holder).fileName() != QFileInfo(QCoreApplication::applicationFilePath()).fileName()) {
    std::fprintf(stderr, "Pausalo: another program (process %u, %s) holds the name %s; running on its own.\n",
                 runningCopy_, qPrintable(holder.isEmpty() ? QStringLiteral("unknown") : holder), qPrintable(Name));
    return Start::Run;
  }
  const QDBusMessage answer = bus.call(
      QDBusMessage::createMethodCall(Name, ObjectPath, Name, QStringLiteral("Activate")), QDBus::Block, AnswerTimeout);
  if (answer.type() == QDBusMessage::ReplyMessage) return Start::Forwarded;
  if (answer.errorName() != QLatin1String("org.freedesktop.DBus.Error.NoReply")) return Start::Run;
  // A copy that is stopped or busy would resume beside a second one: both
  // would watch and bring up break windows.
  return Start::Unanswered;
}

void SingleInstance::TellRunningCopyDoesNotAnswer() const {
  const QString text =
      runningCopy_ != 0
          ? QStringLiteral(
                "Pausalo is already running (process %1), but it does not answer.\n"
                "End it with the command \"kill %1\" (\"kill -9 %1\" if it stays), then start Pausalo again.")
                .arg(runningCopy_)
          : QStringLiteral(
                "Pausalo is already running, but it does not answer.\n"
                "End it with the command \"pkill -9 -x pausalo\", then start Pausalo again.");
  std::fprintf(stderr, "%s\n", qPrintable(text));
  QMessageBox::critical(nullptr, QStringLiteral("Pausalo is already running"), text);
}

void SingleInstance::Activate() {
  if (OnActivate) OnActivate();
}

}  // namespace pausalo
