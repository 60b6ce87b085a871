#pragma once

#include <QAccessible>
#include <QLatin1String>
#include <mutex>

namespace pausalo {

// Gives every Widget the accessible interface that Create returns for it
// (Create may decline with nullptr). Qt asks a factory once per class in an
// object's class chain, so the factory answers only for Widget's own class
// name, which subclasses reach too. Installed once, however often called.
template <typename Widget, QAccessibleInterface* (*Create)(Widget*)>
void InstallAccessibleFactory() {
  static std::once_flag installed;
  std::call_once(installed, [] {
    QAccessible::installFactory([](const QString& className, QObject* object) -> QAccessibleInterface* {
      if (className != QLatin1String(Widget::staticMetaObject.className())) return nullptr;
      auto* widget = qobject_cast<Widget*>(object);
      return widget != nullptr ? Create(widget) : nullptr;
    });
  });
}

}  // namespace pausalo
