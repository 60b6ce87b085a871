#pragma once

#include <QAccessibleWidget>

namespace pausalo {

// What assistive technology sees of the break window: an alert, as a
// message box asking for a decision is, which screen readers read out in
// full when it appears. Its name is the window's title, its description the
// message (the window's accessible description); its controls are its
// children. The label that shows the message is not among them: a screen
// reader would read the message twice, once from the label and once from
// the description.
class BreakWindowAccessible final : public QAccessibleWidget {
 public:
  explicit BreakWindowAccessible(QWidget* window);

  int childCount() const override;
  QAccessibleInterface* child(int index) const override;
  int indexOfChild(const QAccessibleInterface* child) const override;

 private:
  QList<QWidget*> Controls() const;
};

}  // namespace pausalo
