#include "app/SingleInstance.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>

namespace pausalo {

namespace {
const QString ObjectPath = QStringLiteral("/org/pausalo/Pausalo");
// How long a later start waits for the running copy to answer.
constexpr int AnswerTimeout = 5000;
}  // namespace

SingleInstance::SingleInstance(const QString& name) : name_(name) {}

SingleInstance::~SingleInstance() {
  if (!owner_) return;
  QDBusConnection bus = QDBusConnection::sessionBus();
  bus.unregisterObject(ObjectPath);
  bus.unregisterService(name_);
}

bool SingleInstance::ForwardToRunningCopy() {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected() || bus.interface() == nullptr) return false;
  // The object first: a later start may call it as soon as the name is ours.
  if (!bus.registerObject(ObjectPath, this, QDBusConnection::ExportScriptableSlots)) return false;
  const auto claimed = bus.interface()->registerService(name_, QDBusConnectionInterface::DontQueueService,
                                                        QDBusConnectionInterface::DontAllowReplacement);
  if (claimed.isValid() && claimed.value() == QDBusConnectionInterface::ServiceRegistered) {
    owner_ = true;
    return false;
  }
  bus.unregisterObject(ObjectPath);
  const QDBusMessage answer = bus.call(
      QDBusMessage::createMethodCall(name_, ObjectPath, name_, QStringLiteral("Activate")), QDBus::Block,
      AnswerTimeout);
  return answer.type() == QDBusMessage::ReplyMessage;
}

void SingleInstance::Activate() {
  if (OnActivate) OnActivate();
}

}  // namespace pausalo
