#include "app/BreakWindowAccessible.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPointer>

#include "widgets/AccessibleFactory.h"

namespace pausalo {

BreakWindowAccessible::BreakWindowAccessible(QWidget* window) : QAccessibleWidget(window, QAccessible::AlertMessage) {}

int BreakWindowAccessible::childCount() const { return static_cast<int>(Controls().size()); }

QAccessibleInterface* BreakWindowAccessible::child(int index) const {
  return QAccessible::queryAccessibleInterface(Controls().value(index));
}

int BreakWindowAccessible::indexOfChild(const QAccessibleInterface* child) const {
  return child == nullptr ? -1 : static_cast<int>(Controls().indexOf(qobject_cast<QWidget*>(child->object())));
}

QList<QWidget*> BreakWindowAccessible::Controls() const {
  QList<QWidget*> controls = widget()->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
  controls.removeIf([](const QWidget* control) { return control->isWindow() || qobject_cast<const QLabel*>(control); });
  return controls;
}

namespace {
QAccessibleInterface* CreateNothingFocusedAccessible(NothingFocused* object) {
  return new NothingFocusedAccessible(object);
}
}  // namespace

void NothingFocused::TakeFocus() {
  InstallAccessibleFactory<NothingFocused, &CreateNothingFocusedAccessible>();
  static QPointer<NothingFocused> rest;
  if (!rest) rest = new NothingFocused(QCoreApplication::instance());
  QAccessibleEvent focus(rest, QAccessible::Focus);
  QAccessible::updateAccessibility(&focus);
}

NothingFocusedAccessible::NothingFocusedAccessible(NothingFocused* object) : QAccessibleObject(object) {}

QAccessibleInterface* NothingFocusedAccessible::parent() const {
  return QAccessible::queryAccessibleInterface(QCoreApplication::instance());
}

QAccessible::State NothingFocusedAccessible::state() const {
  QAccessible::State state;
  state.invisible = true;
  state.disabled = true;
  return state;
}

}  // namespace pausalo
