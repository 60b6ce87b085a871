#pragma once

#include <QAccessibleValueInterface>
#include <QAccessibleWidget>

namespace pausalo {

class TFlatSpinEditInteger;

// What assistive technology sees of a flat integer spin edit: a spin box
// named by its accessible name or its label (the label's buddy), whose
// value is the edit's Value and is written with the same clamping.
class TFlatSpinEditAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
 public:
  explicit TFlatSpinEditAccessible(TFlatSpinEditInteger* edit);

  QString text(QAccessible::Text t) const override;
  QAccessible::State state() const override;
  void* interface_cast(QAccessible::InterfaceType type) override;

  QVariant currentValue() const override;
  void setCurrentValue(const QVariant& value) override;
  QVariant maximumValue() const override;
  QVariant minimumValue() const override;
  QVariant minimumStepSize() const override;

 private:
  TFlatSpinEditInteger* Edit() const;
};

// Makes every flat integer spin edit use TFlatSpinEditAccessible. Installs
// the factory on the first call only.
void InstallFlatSpinEditAccessibleFactory();

}  // namespace pausalo
