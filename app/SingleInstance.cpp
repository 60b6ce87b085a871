#include "app/SingleInstance.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>

namespace pausalo {

namespace {
// The bus name is also the name of the object's interface.
const QString Name = QStringLiteral("org.pausalo.Pausalo");
const QString ObjectPath = QStringLiteral("/org/pausalo/Pausalo");
// How long a later start waits for the running copy to answer.
constexpr int AnswerTimeout = 5000;
}  // namespace

SingleInstance::~SingleInstance() {
  if (!owner_) return;
  QDBusConnection bus = QDBusConnection::sessionBus();
  bus.unregisterObject(ObjectPath);
  bus.unregisterService(Name);
}

bool SingleInstance::ForwardToRunningCopy() {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected() || bus.interface() == nullptr) return false;
  // The object first: a later start may call it as soon as the name is ours.
  if (!bus.registerObject(ObjectPath, this, QDBusConnection::ExportScriptableSlots)) return false;
  const auto claimed = bus.interface()->registerService(Name, QDBusConnectionInterface::DontQueueService,
                                                        QDBusConnectionInterface::DontAllowReplacement);
  if (claimed.isValid() && claimed.value() == QDBusConnectionInterface::ServiceRegistered) {
    owner_ = true;
    return false;
  }
  bus.unregisterObject(ObjectPath);
  const QDBusMessage answer = bus.call(
      QDBusMessage::createMethodCall(Name, ObjectPath, Name, QStringLiteral("Activate")), QDBus::Block, AnswerTimeout);
  return answer.type() == QDBusMessage::ReplyMessage;
}

void SingleInstance::Activate() {
  if (OnActivate) OnActivate();
}

}  // namespace pausalo
