#include "widgets/FlatSpinEditIntegerAccessible.h"

#include <algorithm>
#include <limits>

#include "widgets/AccessibleFactory.h"
#include "widgets/FlatSpinEditInteger.h"

namespace pausalo {

TFlatSpinEditAccessible::TFlatSpinEditAccessible(TFlatSpinEditInteger* edit)
    : QAccessibleWidget(edit, QAccessible::SpinBox) {}

TFlatSpinEditInteger* TFlatSpinEditAccessible::Edit() const { return static_cast<TFlatSpinEditInteger*>(widget()); }

QString TFlatSpinEditAccessible::text(QAccessible::Text t) const {
  if (t == QAccessible::Value) return Edit()->text();
  return QAccessibleWidget::text(t);
}

QAccessible::State TFlatSpinEditAccessible::state() const {
  QAccessible::State state = QAccessibleWidget::state();
  state.editable = true;
  state.readOnly = Edit()->ReadOnly();
  return state;
}

void* TFlatSpinEditAccessible::interface_cast(QAccessible::InterfaceType type) {
  if (type == QAccessible::ValueInterface) return static_cast<QAccessibleValueInterface*>(this);
  return QAccessibleWidget::interface_cast(type);
}

QVariant TFlatSpinEditAccessible::currentValue() const { return Edit()->Value(); }

void TFlatSpinEditAccessible::setCurrentValue(const QVariant& value) {
  bool valid = false;
  const qlonglong requested = value.toLongLong(&valid);
  if (!valid) return;
  Edit()->SetValue(static_cast<std::int32_t>(std::clamp<qlonglong>(requested, std::numeric_limits<std::int32_t>::min(),
                                                                   std::numeric_limits<std::int32_t>::max())));
}

QVariant TFlatSpinEditAccessible::maximumValue() const {
  const TFlatSpinEditInteger* edit = Edit();
  if (edit->MinValue() == edit->MaxValue()) return std::numeric_limits<std::int32_t>::max();
  return edit->MaxValue();
}

QVariant TFlatSpinEditAccessible::minimumValue() const {
  const TFlatSpinEditInteger* edit = Edit();
  if (edit->MinValue() == edit->MaxValue()) return std::numeric_limits<std::int32_t>::min();
  return edit->MinValue();
}

QVariant TFlatSpinEditAccessible::minimumStepSize() const { return Edit()->Increment(); }

namespace {

QAccessibleInterface* CreateFlatSpinEditAccessible(TFlatSpinEditInteger* edit) {
  return new TFlatSpinEditAccessible(edit);
}

}  // namespace

void InstallFlatSpinEditAccessibleFactory() {
  InstallAccessibleFactory<TFlatSpinEditInteger, &CreateFlatSpinEditAccessible>();
}

}  // namespace pausalo
