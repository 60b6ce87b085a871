#pragma once

#include <QAccessibleWidget>

namespace pausalo {

// What assistive technology sees of the break window: an alert, as a
// message box asking for a decision is, which screen readers read out in
// full when it appears. Its name is the window's title, its description the
// message its label shows now; its controls are its children.
class BreakWindowAccessible final : public QAccessibleWidget {
 public:
  explicit BreakWindowAccessible(QWidget* window);

  QString text(QAccessible::Text kind) const override;
};

}  // namespace pausalo
